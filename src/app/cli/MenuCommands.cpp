#include "app/cli/MenuCommands.h"

#include "app/cli/EntryListing.h"
#include "app/settings/SettingsStore.h"
#include "base/ListFolder.h"
#include "search/FavouriteStore.h"
#include "search/KeywordStore.h"
#include "search/MemoryAdvice.h"
#include "search/UsageStore.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

constexpr char Program[] = "ZunoSmiley";

// All of parts to standard output, one after the other, in as few calls
// as it takes; false on an error other than a reader gone. A pipe may be
// handed the parts' pages themselves: their bytes must stay as they are
// until the reader has read them, which may be after the process ended.
bool writeOut(QList<QByteArrayView> parts, bool* readerGone)
{
    // A pipe holds 64 KiB at first: its reader would be woken for every
    // 64 KiB of a listing of some MiB. It is grown for the listing, as far
    // as the system lets any user grow one by default (1 MiB), never made
    // smaller than its reader made it.
    qsizetype size = 0;
    for (const QByteArrayView part : parts)
        size += part.size();
    const int wanted = int(std::min<qsizetype>(size, 1024 * 1024));
    struct stat output;
    const bool pipe = ::fstat(STDOUT_FILENO, &output) == 0 && S_ISFIFO(output.st_mode);
    // Only an end open for writing: on one open for reading, vmsplice
    // would read the pipe into the parts.
    const int access = ::fcntl(STDOUT_FILENO, F_GETFL);
    bool splicing = pipe && access >= 0 && (access & O_ACCMODE) != O_RDONLY;
    if (pipe && ::fcntl(STDOUT_FILENO, F_GETPIPE_SZ) < wanted)
        ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, wanted);
    qsizetype next = 0;
    while (next < parts.size()) {
        std::array<iovec, 256> vectors;
        int count = 0;
        size_t bytes = 0;
        for (qsizetype i = next; i < parts.size() && count < int(vectors.size()); ++i, ++count) {
            vectors[count] = {const_cast<char*>(parts[i].data()), size_t(parts[i].size())};
            bytes += vectors[count].iov_len;
        }
        // A pipe is handed the pages themselves, which its reader copies
        // out: the listing is not copied into the pipe first. That asks
        // that they stay as they are until read, and nothing touches them
        // again before the process ends.
        const ssize_t wrote = splicing ? ::vmsplice(STDOUT_FILENO, vectors.data(), size_t(count), 0)
                                       : ::writev(STDOUT_FILENO, vectors.data(), count);
        if (wrote < 0 && errno == EINTR)
            continue;
        // A system that refuses the call (a sandbox's filter, an emulation
        // without it) is written to as any other output.
        if (wrote < 0 && splicing && errno != EAGAIN && errno != EPIPE) {
            splicing = false;
            continue;
        }
        // An output its reader made non-blocking (a socket; a pipe's end
        // is spliced into all the same): wait until the reader has read.
        if (wrote < 0 && errno == EAGAIN) {
            pollfd writable{STDOUT_FILENO, POLLOUT, 0};
            if (::poll(&writable, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        if (wrote < 0 || (wrote == 0 && bytes > 0)) {
            // Nothing taken of bytes to write: a call that would go on so.
            if (wrote == 0)
                errno = EIO;
            *readerGone = errno == EPIPE;
            return *readerGone;
        }
        // Past the parts written whole, into the one written in part.
        qsizetype done = wrote;
        while (next < parts.size() && done >= parts[next].size())
            done -= parts[next++].size();
        if (next < parts.size())
            parts[next] = parts[next].sliced(done);
    }
    return true;
}

} // namespace

void MenuCommands::tell(const QString& message)
{
    const QByteArray bytes =
        QStringLiteral("%1: %2\n").arg(QLatin1String(Program), message).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString MenuCommands::listFolder()
{
    QCoreApplication::setApplicationName(QStringLiteral("ZunoSmileys"));
    return ListFolder::choose(QFileInfo(QCoreApplication::applicationFilePath()).absolutePath(),
                              ListFolder::userDataFolder());
}

MenuCommands::Choice MenuCommands::choiceOf(QByteArrayView input, bool ended)
{
    const qsizetype end = input.indexOf('\n');
    QByteArrayView line = end >= 0 ? input.first(end) : input;
    if ((end < 0 && !ended) || line.size() > MaxLineLength + (line.endsWith('\r') ? 1 : 0))
        return {{},
                QStringLiteral("the line read is longer than %1 KiB; nothing was inserted")
                    .arg(MaxLineLength / 1024)};
    if (line.endsWith('\r'))
        line.chop(1);
    const qsizetype tab = line.indexOf('\t');
    const QString text = QString::fromUtf8(tab >= 0 ? line.first(tab) : line);
    if (text.isEmpty())
        return {{}, QStringLiteral("no entry on standard input; nothing was inserted")};
    return {text, {}};
}

void MenuCommands::list(int& argc, char** argv)
{
    // A reader that closes its end is answered by EPIPE, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Some tens of MiB (the stores, the duplicate sieve, the lines) filled
    // once before the process ends.
    MemoryAdvice::heapOfLargePages(96 * 1024 * 1024);
    QCoreApplication app(argc, argv);
    const QString folder = listFolder();
    // Read only: a damaged file is left for the window to set aside. The
    // stores are read one after the other while the lists are read: at
    // once they would only wait for each other's memory.
    std::optional<KeywordStore> keywords;
    QStringList problems;
    const EntryListing::Parts lines = EntryListing::lineParts(
        folder,
        [&](EntryListing::Use& use) {
            {
                const FavouriteStore favourites(FavouriteStore::pathIn(folder),
                                                FavouriteStore::Access::ReadOnly);
                const UsageStore usage(UsageStore::defaultPath(), UsageStore::Access::ReadOnly);
                for (const ListKind kind : {ListKind::Smiley, ListKind::Acronym}) {
                    use.favourites[int(kind)] = favourites.keys(kind);
                    use.scores[int(kind)] = usage.scores(kind);
                }
            }
            keywords.emplace(KeywordStore::pathIn(folder), KeywordStore::Access::ReadOnly);
            use.ownKeywords = &*keywords;
        },
        SettingsStore::language(), &problems);
    bool readerGone = false;
    const bool written = writeOut(lines.parts, &readerGone);
    int status = 0;
    if (!written && !readerGone) {
        tell(QStringLiteral("the list could not be written: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(errno))));
        status = 1;
    } else if (!readerGone) {
        for (const QString& problem : std::as_const(problems))
            tell(problem);
        status = problems.isEmpty() ? 0 : 1;
    }
    // Nothing is left to save or hand over: the process ends here, and the
    // system takes its memory (the stores' tables, the lines) back at once
    // instead of its being freed piece by piece. The output is closed first:
    // the menu reading it sees its end without waiting for that, and some
    // file systems tell a failed write only then.
    if (::close(STDOUT_FILENO) != 0 && errno != EINTR && written && !readerGone) {
        tell(QStringLiteral("the list could not be written: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(errno))));
        status = 1;
    }
    std::fflush(nullptr);
    ::_exit(status);
}
