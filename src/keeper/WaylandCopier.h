#pragma once

#include <QByteArray>

// Keeps a text on a Wayland desktop's clipboard after its program ends.
// A Wayland client can only set the selection with a serial from an input
// event on one of its surfaces, which a process without a window never gets,
// so the copier is wl-copy (wl-clipboard): it offers the text through the
// compositor's data-control protocol, or a surface of its own where there is
// none, and serves it in the background until another client sets the
// selection or the compositor goes away.
namespace WaylandCopier {

// Starts wl-copy with the UTF-8 text and waits until it serves it (its
// foreground process ends once the selection is set, leaving the server).
// False when wl-copy is missing or failed.
bool copy(const QByteArray& utf8Text);

} // namespace WaylandCopier
