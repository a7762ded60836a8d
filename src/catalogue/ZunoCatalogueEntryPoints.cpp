// The library's registration entry points over its two controls.
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "compat/registry/ComponentServer.h"

namespace {
const ComponentServer server("Orvak Zuno Smileys catalogue controls",
                             {&OVSmiley::staticMetaObject, &OVAcronym::staticMetaObject});
} // namespace

ZUNO_COMPONENT_SERVER(server)
