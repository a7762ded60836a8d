#include "search/KeywordStore.h"

#include "search/StoreContent.h"

#include "base/StoreFile.h"
#include "base/TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>

namespace {

constexpr const char* What = "keywords";
// The user's words are theirs alone to read.
constexpr AtomicFileWriter::CreationMode FileMode = AtomicFileWriter::PrivateFile;

int slot(ListKind list)
{
    return list == ListKind::Smiley ? 0 : 1;
}

constexpr ListKind Lists[] = {ListKind::Smiley, ListKind::Acronym};

// The keywords of an entry's strings in a file: blank ones left out, the
// others without the spaces around them.
QStringList keywordsOf(QStringList&& strings)
{
    QStringList keywords = std::move(strings);
    qsizetype kept = 0;
    for (qsizetype i = 0; i < keywords.size(); ++i) {
        QString& text = keywords[i];
        const QStringView word = TextRules::trimSpaces(text);
        if (word.isEmpty())
            continue;
        // Most have no spaces around them: the string read is kept as it is.
        if (word.size() != text.size())
            text = word.toString();
        if (kept != i)
            keywords[kept] = std::move(text);
        ++kept;
    }
    keywords.resize(kept);
    return keywords;
}

// The keywords a file's value holds: its strings, as keywordsOf takes them.
QStringList keywordsOf(const QJsonValue& value)
{
    QStringList strings;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& each : array) {
        if (each.isString())
            strings.append(each.toString());
    }
    return keywordsOf(std::move(strings));
}

// Whether list holds the keyword, spaces around and letter case aside: Qt's
// case-insensitive comparison folds as the keys do, without making them (an
// entry has a few keywords, so a look through them is all it takes).
bool holds(const QStringList& list, QStringView keyword)
{
    const QStringView word = TextRules::trimSpaces(keyword);
    return std::any_of(list.cbegin(), list.cend(), [word](const QString& each) {
        return TextRules::trimSpaces(each).compare(word, Qt::CaseInsensitive) == 0;
    });
}

// Appends the keywords that are not in list yet.
void addNew(QStringList& list, const QStringList& keywords)
{
    for (const QString& keyword : keywords) {
        if (!holds(list, keyword))
            list.append(keyword);
    }
}

} // namespace

// One change as it is applied to the file's content: keywords added to an
// entry and others taken away, an entry's keywords moved to a new text, or
// all of them dropped.
struct KeywordStore::Change
{
    enum Kind { Set, Rename, Forget } kind;
    ListKind list;
    QString text;
    QString newText;
    QStringList added;
    QStringList removed;

    // Applies the change to a list's entries, text -> keywords: every text
    // of the entry's key (two writers may have spelt it differently) comes
    // out, and the entry goes back under one text with what is left.
    void applyTo(QJsonObject& entries) const
    {
        const QString key = EntryKey::of(text);
        const QString newKey = kind == Rename ? EntryKey::of(newText) : key;
        QStringList kept;
        QStringList moving;
        for (auto it = entries.begin(); it != entries.end();) {
            const QString itsKey = EntryKey::of(it.key());
            if (itsKey == key)
                addNew(moving, keywordsOf(it.value()));
            else if (itsKey == newKey)
                addNew(kept, keywordsOf(it.value()));
            else {
                ++it;
                continue;
            }
            it = entries.erase(it);
        }
        switch (kind) {
        case Set:
            for (const QString& keyword : std::as_const(moving)) {
                if (!holds(removed, keyword) && !holds(kept, keyword))
                    kept.append(keyword);
            }
            addNew(kept, added);
            break;
        case Rename:
            // The edited entry's keywords join any the new text had.
            addNew(kept, moving);
            break;
        case Forget:
            break;
        }
        if (!kept.isEmpty())
            entries.insert(TextRules::trimSpaces(kind == Rename ? newText : text).toString(),
                           QJsonArray::fromStringList(kept));
    }
};

QString KeywordStore::pathIn(const QString& listFolder)
{
    return QDir(listFolder).filePath(QLatin1String(FileName));
}

QStringList KeywordStore::parse(QStringView typed)
{
    QStringList keywords;
    for (const QStringView part : typed.tokenize(Separator)) {
        const QStringView word = TextRules::trimSpaces(part);
        if (!word.isEmpty() && !holds(keywords, word))
            keywords.append(word.toString());
    }
    return keywords;
}

QString KeywordStore::join(const QStringList& keywords)
{
    return keywords.join(QStringLiteral(", "));
}

KeywordStore::Refusal KeywordStore::check(const QStringList& keywords)
{
    if (keywords.size() > MaxKeywords)
        return Refusal::TooMany;
    for (const QString& keyword : keywords) {
        if (keyword.size() > MaxKeywordLength)
            return Refusal::TooLong;
        if (!keyword.isValidUtf16())
            return Refusal::BrokenCharacter;
    }
    return Refusal::None;
}

KeywordStore::KeywordStore(const QString& path, QObject* parent)
    : KeywordStore(path, Access::ReadWrite, parent)
{}

KeywordStore::KeywordStore(const QString& path, Access access, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_access(access)
{
    reload();
}

KeywordStore::~KeywordStore() = default;

KeywordStore::Stamp KeywordStore::stampNow() const
{
    const QFileInfo info(m_path);
    return info.exists() ? Stamp{info.lastModified(), info.size()} : Stamp{};
}

void KeywordStore::reload()
{
    // Taken before the read: a write in between is read again next time.
    m_stamp = stampNow();
    take(m_access == Access::ReadOnly ? StoreContent::loadReadOnly(m_path, MaxFileSize)
                                      : StoreContent::load(m_path, MaxFileSize, What));
    for (const Change& change : m_unwritten)
        applyHere(change);
    Q_EMIT changed();
}

bool KeywordStore::catchUp()
{
    if (stampNow() == m_stamp)
        return false;
    reload();
    return true;
}

void KeywordStore::take(const StoreContent& content)
{
    for (const ListKind list : Lists) {
        QHash<QString, Entry>& entries = m_entries[slot(list)];
        entries.clear();
        const QString name = EntryKey::listName(list);
        entries.reserve(content.sizeOf(name));
        content.forEachStringsMember(name, [&entries](const QString& text, QStringList&& strings) {
            const QStringList keywords = keywordsOf(std::move(strings));
            if (keywords.isEmpty())
                return;
            // Two spellings of one entry's text: their keywords together.
            Entry& entry = entries[EntryKey::of(text)];
            if (entry.text.isEmpty())
                entry.text = text;
            addNew(entry.keywords, keywords);
        });
        Lookup& lookup = m_lookup[slot(list)];
        lookup = {};
        lookup.keys.reserve(entries.size());
        lookup.keywords.reserve(entries.size());
        lookup.table.reserve(entries.size());
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            lookup.table.insert(it.key(), int(lookup.keys.size()));
            lookup.keys.push_back(it.key());
            lookup.keywords.push_back(it->keywords);
        }
    }
}

QJsonObject KeywordStore::object() const
{
    QJsonObject object;
    for (const ListKind list : Lists) {
        QJsonObject texts;
        for (const Entry& entry : m_entries[slot(list)])
            texts.insert(entry.text, QJsonArray::fromStringList(entry.keywords));
        object.insert(EntryKey::listName(list), texts);
    }
    return object;
}

QStringList KeywordStore::keywords(ListKind list, QStringView text) const
{
    const Lookup& lookup = m_lookup[slot(list)];
    if (lookup.table.isEmpty())
        return {};
    // Asked for every row as a filter opens: the key (EntryKey::of) is made
    // in a buffer kept from one call to the next, not in a new string each.
    thread_local QString key;
    TextRules::bareKeyInto(key, text);
    return keywordsOfKey(list, key);
}

QStringList KeywordStore::keywordsOfKey(ListKind list, QStringView key) const
{
    const Lookup& lookup = m_lookup[slot(list)];
    const int found = lookup.table.find(key);
    return found == KeyTable::None ? QStringList() : lookup.keywords[std::size_t(found)];
}

AtomicFileWriter::Result KeywordStore::setKeywords(ListKind list, const QString& text,
                                                   const QStringList& keywords)
{
    if (check(keywords) != Refusal::None)
        return {AtomicFileWriter::Failure::Other, 0, QStringLiteral("keywords refused")};
    // What this store holds now against what is wanted: only the difference
    // goes to the file, so that what another writer added stays.
    const QStringList now = this->keywords(list, text);
    Change change{Change::Set, list, text, {}, {}, {}};
    for (const QString& keyword : now) {
        if (!holds(keywords, keyword))
            change.removed.append(keyword);
    }
    for (const QString& keyword : keywords) {
        const QStringView word = TextRules::trimSpaces(keyword);
        if (!word.isEmpty() && !holds(now, word) && !holds(change.added, word))
            change.added.append(word.toString());
    }
    return apply(change);
}

AtomicFileWriter::Result KeywordStore::rename(ListKind list, const QString& oldText,
                                              const QString& newText)
{
    if (nothingToMove(list, oldText))
        return {};
    return apply({Change::Rename, list, oldText, newText, {}, {}});
}

AtomicFileWriter::Result KeywordStore::forget(ListKind list, const QString& text)
{
    if (nothingToMove(list, text))
        return {};
    return apply({Change::Forget, list, text, {}, {}, {}});
}

bool KeywordStore::nothingToMove(ListKind list, QStringView text) const
{
    // Without a file, an Edit or a Remove of a user who never gave a keyword
    // writes none; with one, the change goes to it, which may hold keywords
    // another window gave the entry.
    return keywords(list, text).isEmpty() && m_unwritten.isEmpty() && !QFileInfo::exists(m_path);
}

AtomicFileWriter::Result KeywordStore::apply(const Change& change)
{
    if (m_access == Access::ReadOnly) {
        applyHere(change);
        Q_EMIT changed();
        return {AtomicFileWriter::Failure::Other, 0, QStringLiteral("a reader writes nothing")};
    }
    std::optional<QJsonObject> written;
    const AtomicFileWriter::Result result = m_unwritten.write(
        {m_path, MaxFileSize, What, FileMode}, change,
        [](QJsonObject& object, const Change& each) {
            const QString name = EntryKey::listName(each.list);
            QJsonObject entries = object.value(name).toObject();
            each.applyTo(entries);
            object.insert(name, entries);
        },
        &written);
    // Not written: the change holds for this run all the same.
    if (written) {
        m_stamp = stampNow();
        take(*written);
    } else {
        applyHere(change);
    }
    Q_EMIT changed();
    return result;
}

void KeywordStore::applyHere(const Change& change)
{
    QJsonObject all = object();
    const QString name = EntryKey::listName(change.list);
    QJsonObject entries = all.value(name).toObject();
    change.applyTo(entries);
    all.insert(name, entries);
    take(all);
}
