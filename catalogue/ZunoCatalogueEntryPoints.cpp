// The library's registration entry points over its two controls.
#include "ComponentServer.h"
#include "OVAcronym.h"
#include "OVSmiley.h"

namespace {
const ComponentServer server("Orvak Zuno Smileys catalogue controls",
                             {&OVSmiley::staticMetaObject, &OVAcronym::staticMetaObject});
} // namespace

ZUNO_COMPONENT_SERVER(server)
