#pragma once

class TypingBackend;

// The typing backends (XTestTyper, VirtualKeyboardTyper, FakeInputTyper) are
// a module of their own, the only file that links the X test extension and
// the Wayland client library: KeystrokeTyper loads it the first time it
// types, so that a start, after which most runs never type, does not map
// them. The module is built with the program, against the same Qt, and
// exports one entry point, which hands out its backends.
namespace TypingModule {

// The module's file, beside the program in the build tree and in the private
// library folder of an installation.
inline constexpr char FileName[] = "libZunoTyping.so";

// The backends this build has, in the order they are tried, ending with a
// null; they live as long as the process.
using Backends = TypingBackend* const* (*)();

// The name the entry point is exported under.
inline constexpr char BackendsEntry[] = "zunoTypingBackends";

} // namespace TypingModule
