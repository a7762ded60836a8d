#pragma once

#include <QtGlobal>

// Numbers of the errors that OVObject members raise, in the runtime's range
// (0x800A0000 + the runtime error number), as the members' clients expect them.
namespace ObjectErrors {

// "Type mismatch": an argument that does not convert to what the member reads.
constexpr quint32 TypeMismatch = 0x800A000D;
// "Can't load or unload this object": a window is needed and none can be made.
constexpr quint32 NoWindowSystem = 0x800A0169;

} // namespace ObjectErrors
