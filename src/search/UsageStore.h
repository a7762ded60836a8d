#pragma once

#include "search/EntryKey.h"

#include "base/AtomicFileWriter.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>

class StoreContent;

// How much the user uses each entry: a score that grows by one with each use
// and halves every HalfLife, so that frequency and recency count together
// and a lot of use last year yields to this week's habit. The scores are the
// program's state, not the user's data: they live under $XDG_STATE_HOME.
//
// Changes are kept here and written by a timer of the store's own and at
// flush(), which the program calls at its close: a use (or a score given
// back) within UseWriteDelay, since the window, a pick and the search
// service of the session rank by it at once; a rename or a forget within
// WriteDelay. A burst of uses is one write. catchUp() reads the file again
// when another process wrote it, which a reader asks before it ranks. A write
// merges with the file as it is on disk, so that another process recording
// uses of its own loses none; the store keeps the MaxEntries best scores, and
// no more than the file takes within MaxFileSize.
// A file that cannot be used is set aside once (DamagedFile); reading never
// blocks (a named pipe is refused unopened) and is bounded (MaxFileSize).
class UsageStore : public QObject
{
    Q_OBJECT
public:
    // $XDG_STATE_HOME/ZunoSmileys/usage.json, or ~/.local/state/... when
    // XDG_STATE_HOME is unset or not an absolute path.
    static QString defaultPath();

    static constexpr qint64 HalfLifeDays = 21;
    static constexpr int MaxEntries = 10000;
    static constexpr qint64 MaxFileSize = 8 * 1024 * 1024;
    static constexpr int WriteDelayMs = 5000;
    static constexpr int UseWriteDelayMs = 200;

    // A reader that may change nothing (a listing) reads the file as it is:
    // one that cannot be used reads as empty and is left for the window to
    // set aside, and nothing is ever written.
    enum class Access { ReadWrite, ReadOnly };

    explicit UsageStore(const QString& path, QObject* parent = nullptr);
    UsageStore(const QString& path, Access access, QObject* parent = nullptr);
    // Writes what is not written yet.
    ~UsageStore() override;
    QString path() const { return m_path; }

    // Reads the file again; uses not written yet are kept.
    void reload();
    // Reads the file again when it changed since this store last read or
    // wrote it (another process's uses); true when it did.
    bool catchUp();

    // One use of an entry (a copy, a drag, a pick, a launcher activation).
    void recordUse(ListKind list, const QString& text);
    // An edited entry keeps its use under its new text; a removed one loses it.
    void rename(ListKind list, const QString& oldText, const QString& newText);
    void forget(ListKind list, const QString& text);
    // An entry given back (the undo of a Remove) gets back the score it had,
    // added to any use it got since.
    void restore(ListKind list, const QString& text, double score);

    // The entry's score now (0 when never used).
    double score(ListKind list, QStringView text) const;
    // Every used entry's score now, by key (EntryKey::of), for SearchIndex::setUse.
    QHash<QString, double> scores(ListKind list) const;

    // Writes the waiting changes now (the close); answers why it failed.
    AtomicFileWriter::Result flush();
    bool hasPendingWrite() const { return !m_pending.isEmpty(); }

    // The clock, for tests: seconds since the epoch (the system's by default).
    void setClock(std::function<qint64()> clock);

Q_SIGNALS:
    // The scores changed (a use, a rename, a forget, a reload).
    void changed();

private:
    struct Use
    {
        double score = 0; // at the time below
        qint64 time = 0;  // seconds since the epoch
    };
    struct Change
    {
        enum Kind { Used, Renamed, Forgotten, Restored } kind;
        ListKind list;
        QString key;
        QString newKey;
        qint64 time;
        double score = 0; // Restored: the score given back, as of time
    };
    using Uses = std::array<QHash<QString, Use>, 2>;
    static double decayed(const Use& use, qint64 now);
    static void read(const StoreContent& content, Uses& uses);
    static QJsonObject write(const Uses& uses, QJsonObject object);
    static void applyTo(Uses& uses, const Change& change);
    // Keeps the MaxEntries best scores, and as many as the file's other
    // content leaves room for within MaxFileSize, so that the file can always
    // be written and read back; answers the file's bytes.
    static QByteArray bound(Uses& uses, const QJsonObject& file, qint64 now);
    // Keeps the MaxEntries best scores.
    static void keepBest(Uses& uses, qint64 now);
    void record(const Change& change);
    // The file's size and time, to see another process's write.
    struct Stamp
    {
        QDateTime modified;
        qint64 size = -1;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampNow() const;

    QString m_path;
    Access m_access = Access::ReadWrite;
    Stamp m_stamp;
    Uses m_uses;
    QList<Change> m_pending;
    QTimer m_writeTimer;
    std::function<qint64()> m_clock;
};
