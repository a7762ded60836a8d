// The library's registration entry points over its two classes.
#include "ComponentServer.h"
#include "ShellLib.h"
#include "ShellLib2.h"

namespace {
const ComponentServer server("Orvak Shell Library 2.0",
                             {&ShellLib2::staticMetaObject, &ShellLib::staticMetaObject});
} // namespace

ZUNO_COMPONENT_SERVER(server)
