#include "keeper/StdinText.h"

#include <cerrno>
#include <unistd.h>

std::optional<QByteArray> StdinText::readAll()
{
    QByteArray text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            return text;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (text.size() + got > MaximumSize)
            return std::nullopt;
        text.append(buffer, got);
    }
}
