// The library's registration entry points over its one class.
#include "compat/registry/ComponentServer.h"
#include "ovobj10/OVObject.h"

namespace {
const ComponentServer server("Orvak Object Library", {&OVObject::staticMetaObject});
} // namespace

ZUNO_COMPONENT_SERVER(server)
