// The library's registration entry points over its two classes.
#include "compat/registry/ComponentServer.h"
#include "ovshell/ShellLib.h"
#include "ovshell/ShellLib2.h"

namespace {
const ComponentServer server("Orvak Shell Library 2.0",
                             {&ShellLib2::staticMetaObject, &ShellLib::staticMetaObject});
} // namespace

ZUNO_COMPONENT_SERVER(server)
