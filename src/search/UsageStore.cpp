#include "search/UsageStore.h"

#include "search/StoreContent.h"

#include "base/StoreFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* What = "usage";
constexpr ListKind Lists[] = {ListKind::Smiley, ListKind::Acronym};

constexpr double MaxScore = 1e9;
constexpr double MaxTime = 1e11; // seconds: some thousand years from now

int slot(ListKind list)
{
    return list == ListKind::Smiley ? 0 : 1;
}

} // namespace

QString UsageStore::defaultPath()
{
    // A relative or empty XDG_STATE_HOME is not a place: ~/.local/state then.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QLatin1String("/.local/state");
    return QDir(state).filePath(QStringLiteral("ZunoSmileys/usage.json"));
}

UsageStore::UsageStore(const QString& path, QObject* parent)
    : UsageStore(path, Access::ReadWrite, parent)
{}

UsageStore::UsageStore(const QString& path, Access access, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_access(access)
    , m_clock([] { return QDateTime::currentSecsSinceEpoch(); })
{
    m_writeTimer.setSingleShot(true);
    connect(&m_writeTimer, &QTimer::timeout, this, [this] { flush(); });
    reload();
}

UsageStore::~UsageStore()
{
    flush();
}

double UsageStore::decayed(const Use& use, qint64 now)
{
    constexpr double HalfLifeSeconds = HalfLifeDays * 24 * 3600;
    const double age = double(std::max<qint64>(0, now - use.time));
    return use.score * std::exp2(-age / HalfLifeSeconds);
}

void UsageStore::read(const StoreContent& content, Uses& uses)
{
    for (const ListKind list : Lists) {
        QHash<QString, Use>& byKey = uses[slot(list)];
        byKey.clear();
        const QString name = EntryKey::listName(list);
        byKey.reserve(content.sizeOf(name));
        content.forEachNumbersMember(name, [&byKey](const QString& key, qsizetype size,
                                                    double score, double time) {
            // Only a score a person's use can reach, at a time a clock can
            // show, counts; anything else is dropped.
            if (size != 2 || !(score > 0 && score <= MaxScore) || !(time >= 0 && time <= MaxTime))
                return;
            byKey.insert(EntryKey::of(key), {score, qint64(time)});
        });
    }
}

QJsonObject UsageStore::write(const Uses& uses, QJsonObject object)
{
    for (const ListKind list : Lists) {
        QJsonObject entries;
        const QHash<QString, Use>& byKey = uses[slot(list)];
        for (auto it = byKey.begin(); it != byKey.end(); ++it)
            entries.insert(it.key(), QJsonArray{it->score, double(it->time)});
        object.insert(EntryKey::listName(list), entries);
    }
    object.insert(QStringLiteral("format"), 1);
    return object;
}

void UsageStore::applyTo(Uses& uses, const Change& change)
{
    QHash<QString, Use>& byKey = uses[slot(change.list)];
    switch (change.kind) {
    case Change::Used: {
        Use& use = byKey[change.key];
        use.score = decayed(use, change.time) + 1;
        use.time = change.time;
        break;
    }
    case Change::Renamed:
        if (change.key != change.newKey) {
            if (const auto it = byKey.constFind(change.key); it != byKey.cend()) {
                const Use moved = *it;
                byKey.erase(it);
                Use& use = byKey[change.newKey];
                const qint64 time = std::max(moved.time, use.time);
                use.score = decayed(use, time) + decayed(moved, time);
                use.time = time;
            }
        }
        break;
    case Change::Forgotten:
        byKey.remove(change.key);
        break;
    case Change::Restored: {
        Use& use = byKey[change.key];
        use.score = decayed(use, change.time) + change.score;
        use.time = change.time;
        break;
    }
    }
}

QByteArray UsageStore::bound(Uses& uses, const QJsonObject& file, qint64 now)
{
    const qsizetype total = uses[0].size() + uses[1].size();
    if (total > MaxEntries)
        keepBest(uses, now);
    QByteArray bytes = StoreFile::bytesOf(write(uses, file), StoreFile::Layout::Compact);
    if (bytes.size() <= MaxFileSize)
        return bytes;
    // Over the size the file is read at: the weakest uses go, of equal ones
    // the longest texts, until it fits.
    struct Entry
    {
        double score;
        qsizetype length;
        int slot;
        QString key;
    };
    std::vector<Entry> entries;
    for (int s = 0; s < 2; ++s) {
        for (auto it = uses[s].cbegin(); it != uses[s].cend(); ++it)
            entries.push_back({decayed(*it, now), it.key().size(), s, it.key()});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.score != b.score ? a.score < b.score : a.length > b.length;
    });
    auto next = entries.cbegin();
    while (bytes.size() > MaxFileSize && next != entries.cend()) {
        // An entry's share of the file: its key, quoted, and its two numbers.
        constexpr qsizetype NumbersSize = 48;
        qint64 excess = bytes.size() - MaxFileSize;
        while (excess > 0 && next != entries.cend()) {
            excess -= next->key.toUtf8().size() + NumbersSize;
            uses[next->slot].remove(next->key);
            ++next;
        }
        bytes = StoreFile::bytesOf(write(uses, file), StoreFile::Layout::Compact);
    }
    return bytes;
}

void UsageStore::keepBest(Uses& uses, qint64 now)
{
    const qsizetype total = uses[0].size() + uses[1].size();
    std::vector<double> scores;
    scores.reserve(total);
    for (const auto& byKey : uses) {
        for (const Use& use : byKey)
            scores.push_back(decayed(use, now));
    }
    // The MaxEntries-th best score; the ones below it go, and ties at it
    // beyond the bound.
    std::nth_element(scores.begin(), scores.begin() + (MaxEntries - 1), scores.end(),
                     std::greater<double>());
    const double least = scores[MaxEntries - 1];
    qsizetype ties = MaxEntries - std::count_if(scores.cbegin(), scores.cend(),
                                                [least](double score) { return score > least; });
    for (auto& byKey : uses) {
        for (auto it = byKey.begin(); it != byKey.end();) {
            const double score = decayed(*it, now);
            if (score > least || (score == least && ties-- > 0))
                ++it;
            else
                it = byKey.erase(it);
        }
    }
}

UsageStore::Stamp UsageStore::stampNow() const
{
    const QFileInfo info(m_path);
    return info.exists() ? Stamp{info.lastModified(), info.size()} : Stamp{};
}

bool UsageStore::catchUp()
{
    if (stampNow() == m_stamp)
        return false;
    reload();
    return true;
}

void UsageStore::reload()
{
    // Taken before the read: a write in between is read again next time.
    m_stamp = stampNow();
    read(m_access == Access::ReadOnly ? StoreContent::loadReadOnly(m_path, MaxFileSize)
                                      : StoreContent::load(m_path, MaxFileSize, What),
         m_uses);
    for (const Change& change : std::as_const(m_pending))
        applyTo(m_uses, change);
    Q_EMIT changed();
}

void UsageStore::record(const Change& change)
{
    applyTo(m_uses, change);
    m_pending.append(change);
    // Changes a full disk keeps from being written are bounded too.
    if (m_pending.size() > MaxEntries)
        m_pending.removeFirst();
    const bool use = change.kind == Change::Used || change.kind == Change::Restored;
    const int delay = use ? UseWriteDelayMs : WriteDelayMs;
    if (!m_writeTimer.isActive() || m_writeTimer.remainingTime() > delay)
        m_writeTimer.start(delay);
    Q_EMIT changed();
}

void UsageStore::recordUse(ListKind list, const QString& text)
{
    record({Change::Used, list, EntryKey::of(text), {}, m_clock()});
}

void UsageStore::rename(ListKind list, const QString& oldText, const QString& newText)
{
    record({Change::Renamed, list, EntryKey::of(oldText), EntryKey::of(newText), m_clock()});
}

void UsageStore::forget(ListKind list, const QString& text)
{
    record({Change::Forgotten, list, EntryKey::of(text), {}, m_clock()});
}

void UsageStore::restore(ListKind list, const QString& text, double score)
{
    if (score > 0)
        record({Change::Restored, list, EntryKey::of(text), {}, m_clock(), score});
}

double UsageStore::score(ListKind list, QStringView text) const
{
    const auto& byKey = m_uses[slot(list)];
    const auto it = byKey.constFind(EntryKey::of(text));
    return it == byKey.cend() ? 0.0 : decayed(*it, m_clock());
}

QHash<QString, double> UsageStore::scores(ListKind list) const
{
    const qint64 now = m_clock();
    QHash<QString, double> scores;
    const auto& byKey = m_uses[slot(list)];
    scores.reserve(byKey.size());
    for (auto it = byKey.begin(); it != byKey.end(); ++it)
        scores.insert(it.key(), decayed(*it, now));
    return scores;
}

AtomicFileWriter::Result UsageStore::flush()
{
    m_writeTimer.stop();
    if (m_pending.isEmpty() || m_access == Access::ReadOnly)
        return {};
    const qint64 now = m_clock();
    std::optional<Uses> merged;
    bool damaged = false;
    const auto applyToFile = [&](const QByteArray& present) -> std::optional<QByteArray> {
        const std::optional<QJsonObject> object = StoreFile::parse(present);
        if (!object) {
            damaged = true;
            return std::nullopt;
        }
        Uses uses;
        read(*object, uses);
        for (const Change& change : std::as_const(m_pending))
            applyTo(uses, change);
        QByteArray bytes = bound(uses, *object, now);
        merged = uses;
        return bytes;
    };
    const auto update = [&] {
        // What the user sends is theirs alone to read.
        return AtomicFileWriter::update(m_path, applyToFile, AtomicFileWriter::DefaultLockWait,
                                        MaxFileSize, AtomicFileWriter::PrivateFile);
    };
    AtomicFileWriter::Result result = update();
    if (damaged) {
        // Damaged since it was read: set aside, then the uses start a new file.
        StoreFile::load(m_path, MaxFileSize, What);
        result = update();
    }
    if (result && merged) {
        m_stamp = stampNow();
        m_pending.clear();
        m_uses = std::move(*merged);
        Q_EMIT changed();
    } else if (result) {
        result.failure = AtomicFileWriter::Failure::Other;
    }
    if (!result)
        qWarning("The usage file %s could not be written (%s); it is tried again later.",
                 qUtf8Printable(m_path), qUtf8Printable(result.detail));
    return result;
}

void UsageStore::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
}
