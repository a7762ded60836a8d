#pragma once

#include <cstddef>
#include <cstdint>

// The typing backends (XTestTyper, VirtualKeyboardTyper, FakeInputTyper) are
// a module of their own, the only file that links the X test extension and
// the Wayland client library: KeystrokeTyper loads it the first time it
// types, so that a start, after which most runs never type, does not map
// them. The module's entry points take and give plain C types only: keysyms
// as a pointer and a count, the outcome as the value of
// KeystrokeTyper::Outcome, and whether a way is offered as 1 or 0.
namespace TypingModule {

// The module's file, beside the program in the build tree and in the private
// library folder of an installation.
inline constexpr char FileName[] = "libZunoTyping.so";

using Type = int (*)(const std::uint32_t* keysyms, std::size_t count);
using Offered = int (*)();

// The names the entry points are exported under.
inline constexpr char XTestType[] = "zunoTypingXTestType";
inline constexpr char VirtualKeyboardOffered[] = "zunoTypingVirtualKeyboardOffered";
inline constexpr char VirtualKeyboardType[] = "zunoTypingVirtualKeyboardType";
inline constexpr char FakeInputOffered[] = "zunoTypingFakeInputOffered";
inline constexpr char FakeInputType[] = "zunoTypingFakeInputType";

} // namespace TypingModule
