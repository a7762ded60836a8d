#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <algorithm>
#include <functional>

// Turns the event loop until done() holds and settleMs more have passed;
// answers the longest time, in milliseconds, between two turns: how long the
// window could not answer meanwhile.
inline double benchLongestTurn(const std::function<bool()>& done, int settleMs = 0)
{
    QElapsedTimer clock, sinceDone;
    clock.start();
    double longest = 0;
    qint64 last = clock.nsecsElapsed();
    bool finished = false;
    while (!finished || sinceDone.elapsed() < settleMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, (now - last) / 1e6);
        last = now;
        if (!finished && done()) {
            finished = true;
            sinceDone.start();
        }
    }
    return longest;
}

// Writes a list file of entries numbered from 0: text "(<tag><n>)", description
// "<description> <n>".
inline void writeBenchListFile(const QString& path, int entries, const QString& tag,
                               const QString& description)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray bytes;
    bytes.reserve(qsizetype(entries) * 32);
    for (int i = 0; i < entries; ++i)
        bytes +=
            QStringLiteral("\"(%1%2)\",\"%3 %2\"\r\n").arg(tag).arg(i).arg(description).toUtf8();
    file.write(bytes);
}
