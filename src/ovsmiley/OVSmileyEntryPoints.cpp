// The library's registration entry points over its one class.
#include "compat/registry/ComponentServer.h"
#include "ovsmiley/ZunoSmiley1.h"

namespace {
const ComponentServer server("Orvak Zuno Smiley 1.x International DLL",
                             {&ZunoSmiley1::staticMetaObject});
} // namespace

ZUNO_COMPONENT_SERVER(server)
