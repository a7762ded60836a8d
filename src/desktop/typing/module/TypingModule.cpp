// The entry point of the typing module (see TypingModule.h), under the name
// TypingModule.h gives. A backend this build leaves out (ZUNO_X11,
// ZUNO_WAYLAND_TYPING) is not in the list.
#include "desktop/typing/TypingModule.h"

#include "desktop/typing/TypingBackend.h"
#if ZUNO_WITH_WAYLAND
#include "desktop/typing/wayland/FakeInputTyper.h"
#include "desktop/typing/wayland/VirtualKeyboardTyper.h"
#endif
#if ZUNO_WITH_X11
#include "desktop/typing/x11/XTestTyper.h"
#endif

extern "C" Q_DECL_EXPORT TypingBackend* const* zunoTypingBackends()
{
#if ZUNO_WITH_X11
    static XTestTyper xtest;
#endif
#if ZUNO_WITH_WAYLAND
    static VirtualKeyboardTyper virtualKeyboard;
    static FakeInputTyper fakeInput;
#endif
    // A compositor that offers no virtual keyboard to every program (KWin,
    // Mutter) may give KWin's fake input to this one.
    static TypingBackend* const backends[] = {
#if ZUNO_WITH_X11
        &xtest,
#endif
#if ZUNO_WITH_WAYLAND
        &virtualKeyboard,
        &fakeInput,
#endif
        nullptr
    };
    return backends;
}
