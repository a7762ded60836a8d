#pragma once

#include <QByteArray>
#include <optional>

// The text the keeper is to serve, as its starter writes it: UTF-8 on
// standard input up to the end of the stream. A text never travels on the
// command line, where every user of the machine could read it.
namespace StdinText {

// Bytes beyond this are not a copied entry; the keeper refuses them.
inline constexpr qsizetype MaximumSize = 16 * 1024 * 1024;

// The whole of standard input, or nothing when it cannot be read or is
// larger than MaximumSize.
std::optional<QByteArray> readAll();

} // namespace StdinText
