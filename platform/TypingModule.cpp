// The entry points of the typing module (see TypingModule.h); the names
// must be those TypingModule.h gives.
#include "TypingModule.h"

#include "FakeInputTyper.h"
#include "VirtualKeyboardTyper.h"
#include "XTestTyper.h"

#include <QList>

namespace {

int typeWith(KeystrokeTyper::Outcome (*typer)(const QList<quint32>&), const std::uint32_t* keysyms,
             std::size_t count)
{
    const QList<quint32> list(keysyms, keysyms + count);
    return static_cast<int>(typer(list));
}

} // namespace

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
