// The entry points of the typing module (see TypingModule.h); the names
// must be those TypingModule.h gives.
#include "desktop/typing/TypingModule.h"

#include "desktop/typing/KeystrokeTyper.h"
#if ZUNO_WITH_WAYLAND
#include "desktop/typing/wayland/FakeInputTyper.h"
#include "desktop/typing/wayland/VirtualKeyboardTyper.h"
#endif
#if ZUNO_WITH_X11
#include "desktop/typing/x11/XTestTyper.h"
#endif

#include <QList>

namespace {

int typeWith(KeystrokeTyper::Outcome (*typer)(const QList<quint32>&), const std::uint32_t* keysyms,
             std::size_t count)
{
    const QList<quint32> list(keysyms, keysyms + count);
    return static_cast<int>(typer(list));
}

// A backend this build leaves out (ZUNO_X11, ZUNO_WAYLAND_TYPING) is
// never offered.
[[maybe_unused]] KeystrokeTyper::Outcome leftOut(const QList<quint32>&)
{
    return KeystrokeTyper::Outcome::NotOffered;
}

} // namespace

#if !ZUNO_WITH_X11
struct XTestTyper
{
    static constexpr auto type = leftOut;
};
#endif
#if !ZUNO_WITH_WAYLAND
struct VirtualKeyboardTyper
{
    static bool offered() { return false; }
    static constexpr auto type = leftOut;
};
using FakeInputTyper = VirtualKeyboardTyper;
#endif

extern "C" {

Q_DECL_EXPORT int zunoTypingXTestType(const std::uint32_t* keysyms, std::size_t count)
{
    return typeWith(XTestTyper::type, keysyms, count);
}

Q_DECL_EXPORT int zunoTypingVirtualKeyboardOffered()
{
    return VirtualKeyboardTyper::offered() ? 1 : 0;
}

Q_DECL_EXPORT int zunoTypingVirtualKeyboardType(const std::uint32_t* keysyms, std::size_t count)
{
    return typeWith(VirtualKeyboardTyper::type, keysyms, count);
}

Q_DECL_EXPORT int zunoTypingFakeInputOffered()
{
    return FakeInputTyper::offered() ? 1 : 0;
}

Q_DECL_EXPORT int zunoTypingFakeInputType(const std::uint32_t* keysyms, std::size_t count)
{
    return typeWith(FakeInputTyper::type, keysyms, count);
}

} // extern "C"
