#include "app/cli/EntryListing.h"

#include "app/cli/DuplicateSieve.h"
#include "app/cli/KeySieve.h"

#include "base/TextRules.h"
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "catalogue/UserListReader.h"
#include "lists/DuplicateRule.h"
#include "search/EntryKey.h"
#include "search/KeywordStore.h"
#include "search/MemoryAdvice.h"
#include "search/SearchIndex.h"
#include "search/SearchUse.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr char SmileyFileName[] = "Smileys.smy";
constexpr char AcronymFileName[] = "Acronyms.acr";

// The built-in entries of one list in table order, described in French and
// in English, with their shipped keywords.
template <typename Control, typename Event>
QList<BilingualEntry> builtInEntries(BilingualEntry::List list, Event event)
{
    QList<BilingualEntry> entries;
    for (const qint32 language : {1, 2}) {
        Control control;
        qsizetype row = 0;
        QObject::connect(&control, event,
                         [&](const QString& text, const QString& description, qint16) {
                             if (language == 1)
                                 entries.append({text, description, {}, list, false, {}});
                             else if (row < entries.size())
                                 entries[row].englishDescription = description;
                             ++row;
                         });
        control.setLanguage(language);
        control.LoadTable();
    }
    const QHash<QString, QStringList> keywords = Control::tableKeywords();
    for (BilingualEntry& entry : entries)
        entry.keywords = keywords.value(entry.text);
    return entries;
}

bool breaksLine(QChar c)
{
    switch (c.unicode()) {
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

void appendField(QString& out, QStringView text)
{
    const qsizetype start = out.size();
    out.append(text);
    for (qsizetype i = start; i < out.size(); ++i)
        if (breaksLine(out.at(i)))
            out[i] = u' ';
}

void appendKeywords(QString& out, const QStringList& keywords)
{
    for (qsizetype k = 0; k < keywords.size(); ++k) {
        if (k > 0)
            out.append(QLatin1String(", "));
        appendField(out, keywords[k]);
    }
}

void appendLine(QString& out, const BilingualEntry& entry, int language)
{
    appendField(out, entry.text);
    out.append(u'\t');
    appendField(out, entry.description(language));
    out.append(u'\t');
    appendField(out, entry.description(language == 1 ? 2 : 1));
    out.append(u'\t');
    appendKeywords(out, entry.keywords);
    out.append(u'\n');
}

// Copies a field of valid UTF-8 as appendField shows its text, in UTF-8:
// each of breaksLine's characters (U+0009 to U+000D, U+0085 as C2 85,
// U+2028 and U+2029 as E2 80 A8 and E2 80 A9) becomes a blank.
// Whether any of the 8 bytes of word is below 0x20, 0xC2 or 0xE2: the
// bytes that may begin such a character.
bool mayBreak(quint64 word)
{
    constexpr quint64 Ones = 0x0101010101010101;
    constexpr quint64 Highs = 0x8080808080808080;
    const auto anyZero = [](quint64 w) { return ((w - Ones) & ~w & Highs) != 0; };
    return ((word - 0x20 * Ones) & ~word & Highs) != 0 || anyZero(word ^ (0xC2 * Ones)) ||
           anyZero(word ^ (0xE2 * Ones));
}

char* copyField(char* to, QByteArrayView field)
{
    const auto* from = reinterpret_cast<const uchar*>(field.data());
    const uchar* const end = from + field.size();
    while (from != end) {
        // Most of a field has none of them: it goes eight bytes at a time.
        if (end - from >= 8) {
            quint64 word;
            std::memcpy(&word, from, 8);
            if (!mayBreak(word)) {
                std::memcpy(to, &word, 8);
                to += 8;
                from += 8;
                continue;
            }
        }
        const uchar c = *from;
        if (c >= 0x20 && c != 0xC2 && c != 0xE2) {
            *to++ = char(c);
            ++from;
        } else if (c >= 0x09 && c <= 0x0D) {
            *to++ = ' ';
            ++from;
        } else if (c == 0xC2 && end - from >= 2 && from[1] == 0x85) {
            *to++ = ' ';
            from += 2;
        } else if (c == 0xE2 && end - from >= 3 && from[1] == 0x80 &&
                   (from[2] == 0xA8 || from[2] == 0xA9)) {
            *to++ = ' ';
            from += 3;
        } else {
            *to++ = char(c);
            ++from;
        }
    }
    return to;
}

// Whether text shows as shown once its tabs and line breaks are blanks.
bool showsAs(QStringView text, QStringView shown)
{
    if (text.size() != shown.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] != shown[i] && !(shown[i] == u' ' && breaksLine(text[i])))
            return false;
    return true;
}

QString listPath(BilingualEntry::List list, const QString& listFolder)
{
    return QDir(listFolder)
        .filePath(QLatin1String(list == BilingualEntry::List::Smileys ? SmileyFileName
                                                                      : AcronymFileName));
}

// A text of ASCII bytes into text, kept from one call to the next so that
// nearly no text costs an allocation; false (text unusable) for any other.
bool widenAscii(QString& text, QByteArrayView bytes)
{
    text.resize(bytes.size());
    QChar* to = text.data();
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
        *to++ = QLatin1Char(c);
    }
    return true;
}

// Each user entry that the window's load takes: its line as the file holds
// it, and its text.
using UserVisitor = std::function<bool(const UserListReader::Line& line, QStringView text)>;

// Whether the user's entries that repeat others are left out as read, or
// all visited, for a caller that leaves them out itself (DuplicateSieve),
// given the built-in texts' keys before the first.
enum class Repeats { LeftOut, Visited };

// EntryListing::read, with the user's entries undecoded but for their text.
EntryListing::ReadResult readList(BilingualEntry::List list, const QString& listFolder,
                                  const EntryListing::Visitor& visitBuiltIn,
                                  const UserVisitor& visitUser, Repeats repeats = Repeats::LeftOut,
                                  QSet<QString>* builtInKeysOut = nullptr)
{
    const QList<BilingualEntry> builtIn =
        list == BilingualEntry::List::Smileys
            ? builtInEntries<OVSmiley>(list, &OVSmiley::NextSmiley)
            : builtInEntries<OVAcronym>(list, &OVAcronym::NextAcronym);
    QSet<QString> builtInKeys;
    for (const BilingualEntry& entry : builtIn) {
        builtInKeys.insert(DuplicateRule::key(entry.text));
        if (!visitBuiltIn(entry))
            return {};
    }
    const QString path = listPath(list, listFolder);
    const QString shownPath = QDir::toNativeSeparators(path);
    const qint64 size = QFileInfo(path).size();
    // As the window's load: a file the reader cannot take whole gives nothing.
    if (size > UserListReader::MaxFileSize)
        return {QStringLiteral("%1 is larger than %2 MiB: its entries are left out")
                    .arg(shownPath)
                    .arg(UserListReader::MaxFileSize / (1024 * 1024)),
                false};
    std::optional<DuplicateRule::LoadedTexts> loaded;
    if (repeats == Repeats::LeftOut) {
        loaded.emplace(builtInKeys);
        // Room for a line of 32 bytes each, as the window's load takes: the
        // index doubles that room, so that only a file of lines under 16
        // bytes grows it, and no more of it is made (and faulted in) than
        // is used.
        loaded->reserve(qsizetype(size / 32));
    }
    if (builtInKeysOut)
        *builtInKeysOut = builtInKeys;
    QString text;
    const UserListReader::Result found =
        UserListReader::readFileLines(path, [&](const UserListReader::Line& line) {
            if (!line.utf8 || !widenAscii(text, line.text))
                text = line.decode(line.text);
            return (loaded && !loaded->take(text)) || visitUser(line, text);
        });
    switch (found.outcome) {
    case UserListReader::Result::Outcome::Read:
    case UserListReader::Result::Outcome::Missing:
        break;
    case UserListReader::Result::Outcome::NotAFile:
        return {QStringLiteral("%1 is not a file: its entries are left out").arg(shownPath), false};
    case UserListReader::Result::Outcome::Unreadable:
        return {QStringLiteral("%1 cannot be read: its entries are left out").arg(shownPath),
                false};
    }
    if (found.lossy())
        return {QStringLiteral("%1 holds lines too long or damaged: its entries are left out, "
                               "as the window leaves them")
                    .arg(shownPath),
                true};
    return {};
}

// One list's lines as read, before the user's use of them is known: every
// line in catalogue order, with what the use is told by afterwards (each
// entry's key's hash, and its text where the line does not show it as it
// is); then, once the stores are read, the lines to be shown first and the
// user's own keywords, which go in before their lines' ends.
struct ListLines
{
    struct Held
    {
        qsizetype begin = 0;
        qsizetype end = 0;
        SearchUse use;
        int list = 0;
        qsizetype place = 0; // in catalogue order
    };
    // Bytes that go in before bytes[at]: text, or what lies from begin to
    // end in a buffer of bytes of their own.
    struct Insertion
    {
        qsizetype at = 0;
        qsizetype begin = 0;
        qsizetype end = 0;
        QByteArrayView text;
    };
    QByteArray bytes;
    // By place: where each entry's line starts (it ends where the next one
    // starts), and the qHash of its key (EntryKey::of) cut to 32 bits, all
    // that the sieves of the stores' keys look at.
    std::vector<qsizetype> begins;
    std::vector<quint32> hashes;
    // The built-in entries, first in the list: their texts, and whether
    // they have keywords of their own (which the user's follow after ", ").
    QStringList builtInTexts;
    std::vector<bool> builtInKeyworded;
    // The user entries' texts that their lines do not show as they are.
    QHash<qsizetype, QString> shownOtherwise;
    std::vector<qsizetype> leftOut; // places of lines the load leaves out, ascending
    std::vector<Held> favourites;
    std::vector<Held> used;
    std::vector<Insertion> insertions; // ascending
    EntryListing::ReadResult read;

    qsizetype end(qsizetype place) const
    {
        return place + 1 < qsizetype(begins.size()) ? begins[std::size_t(place) + 1] : bytes.size();
    }
    // The text of the entry at place, as the list holds it: in buffer,
    // kept from one call to the next, where it lies nowhere else.
    QStringView textAt(qsizetype place, const UserListReader::FieldDecoder& decoder,
                       QString& buffer) const
    {
        if (place < builtInTexts.size())
            return builtInTexts[place];
        const auto found = shownOtherwise.constFind(place);
        if (found != shownOtherwise.cend())
            return *found;
        // The line shows the text in UTF-8: the bytes of a valid UTF-8 line
        // as they were, or the decoded text encoded.
        const QByteArrayView line(bytes.constData() + begins[std::size_t(place)],
                                  end(place) - begins[std::size_t(place)]);
        const QByteArrayView text = line.first(line.indexOf('\t'));
        if (!widenAscii(buffer, text))
            buffer = decoder.decode(text, true);
        return buffer;
    }
};

bool showsFirst(const ListLines::Held& a, const ListLines::Held& b)
{
    if (SearchUse::before(a.use, b.use))
        return true;
    if (SearchUse::before(b.use, a.use))
        return false;
    return a.list != b.list ? a.list < b.list : a.place < b.place;
}

// The lines' bytes, written in place: room is made before each line, so
// that a line costs no call of the array's own.
class LineBytes
{
public:
    explicit LineBytes(qsizetype expected)
    {
        m_bytes.resize(expected);
        MemoryAdvice::largePages(m_bytes.data(), m_bytes.size());
    }

    qsizetype size() const { return m_size; }
    const char* data() const { return m_bytes.constData(); }
    // Where the next n bytes go; wrote() then tells where they ended.
    char* room(qsizetype n)
    {
        if (m_size + n > m_bytes.size()) {
            m_bytes.resize(std::max(2 * m_bytes.size(), m_size + n));
            MemoryAdvice::largePages(m_bytes.data(), m_bytes.size());
        }
        return m_bytes.data() + m_size;
    }
    void wrote(const char* end) { m_size = end - m_bytes.constData(); }
    void truncate(qsizetype size) { m_size = size; }
    // UTF-16 text, encoded.
    void append(QStringEncoder& utf8, QStringView text)
    {
        wrote(utf8.appendToBuffer(room(utf8.requiredSpace(text.size())), text));
    }
    QByteArray take()
    {
        m_bytes.truncate(m_size);
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    qsizetype m_size = 0;
};

// One list's lines, each ending where the user's own keywords would go;
// the lines of the entries the duplicate rule leaves out are told apart.
ListLines linesOf(BilingualEntry::List list, const QString& listFolder, int language)
{
    ListLines out;
    // A line holds the file's line about twice (a user entry's one
    // description is both languages').
    const qint64 fileSize =
        std::min<qint64>(QFileInfo(listPath(list, listFolder)).size(), UserListReader::MaxFileSize);
    LineBytes bytes(qsizetype(fileSize) * 2 + 65536);
    // As many as lines of 32 bytes, as the window's load expects.
    out.begins.reserve(std::size_t(fileSize / 32) + 1024);
    out.hashes.reserve(std::size_t(fileSize / 32) + 1024);
    QStringEncoder utf8(QStringEncoder::Utf8);
    QString piece;
    // EntryKey::of and DuplicateRule::bareKey of the entry visited, in a
    // buffer kept from one entry to the next.
    QString key;
    size_t keyHash = 0;
    const auto addKey = [&](QStringView text) {
        key.resize(0);
        TextRules::appendFolded(key, TextRules::trimSpaces(text));
        keyHash = qHash(QStringView(key));
        out.begins.push_back(bytes.size());
        out.hashes.push_back(quint32(keyHash));
    };
    QSet<QString> builtInKeys;
    std::optional<DuplicateSieve> sieve;
    BilingualEntry decoded{{}, {}, {}, list, true, {}};
    out.read = readList(
        list, listFolder,
        [&](const BilingualEntry& entry) {
            addKey(entry.text);
            out.builtInTexts.append(entry.text);
            out.builtInKeyworded.push_back(!entry.keywords.isEmpty());
            piece.resize(0);
            appendLine(piece, entry, language);
            bytes.append(utf8, piece);
            return true;
        },
        [&](const UserListReader::Line& line, QStringView text) {
            if (!sieve)
                sieve.emplace(builtInKeys, fileSize / 32);
            if (std::any_of(text.begin(), text.end(), breaksLine))
                out.shownOtherwise.insert(qsizetype(out.begins.size()), text.toString());
            addKey(text);
            sieve->add(text, keyHash);
            if (!line.utf8) {
                decoded.text = text.toString();
                decoded.frenchDescription = decoded.englishDescription =
                    line.decode(line.description);
                piece.resize(0);
                appendLine(piece, decoded, language);
                bytes.append(utf8, piece);
                return true;
            }
            // Valid UTF-8 is the UTF-8 of its text: the fields go as they are.
            char* to = bytes.room(line.text.size() + 2 * line.description.size() + 4);
            to = copyField(to, line.text);
            *to++ = '\t';
            char* const description = to;
            to = copyField(to, line.description);
            *to++ = '\t';
            to = std::copy(description, to, to);
            *to++ = '\n';
            bytes.wrote(to);
            return true;
        },
        Repeats::Visited, &builtInKeys);
    const qsizetype builtIn = out.builtInTexts.size();
    out.bytes = bytes.take();
    if (out.read.userEntriesVoid) {
        // The window takes none of the file's entries.
        if (qsizetype(out.begins.size()) > builtIn) {
            out.bytes.truncate(out.begins[std::size_t(builtIn)]);
            out.begins.resize(std::size_t(builtIn));
            out.hashes.resize(std::size_t(builtIn));
        }
    } else if (sieve) {
        const UserListReader::FieldDecoder decoder;
        QString text;
        for (const qsizetype i :
             sieve->leftOut([&](qsizetype i) { return out.textAt(builtIn + i, decoder, text); }))
            out.leftOut.push_back(builtIn + i);
    }
    return out;
}

// What tells the user's use of one list's entries: the stores' tables and
// the sieves of their keys, which most entries pass without a look-up.
class ListUse
{
public:
    ListUse(const EntryListing::Use& use, int l)
        : m_favourites(use.favourites[l])
        , m_scores(use.scores[l])
        , m_kind(l == 0 ? ListKind::Smiley : ListKind::Acronym)
        , m_list(l)
        , m_anyUse(!m_favourites.isEmpty() || !m_scores.isEmpty())
        // Most users have none: no entry is looked up.
        , m_own(use.ownKeywords && !use.ownKeywords->isEmpty(m_kind) ? use.ownKeywords : nullptr)
        , m_used(m_anyUse ? KeySieve(m_favourites, m_scores) : KeySieve({}))
        , m_keyworded(m_own ? KeySieve(m_own->keys(m_kind)) : KeySieve({}))
    {}

    // What the use of the entries at places from to to adds: their lines
    // to be shown first, and their own keywords, in place order.
    struct Found
    {
        std::vector<ListLines::Held> favourites;
        std::vector<ListLines::Held> used;
        QByteArray extra;
        std::vector<ListLines::Insertion> insertions; // into extra
    };
    Found of(const ListLines& lines, qsizetype from, qsizetype to) const
    {
        Found found;
        if (!m_anyUse && !m_own)
            return found;
        const UserListReader::FieldDecoder decoder;
        QStringEncoder utf8(QStringEncoder::Utf8);
        QString text;
        QString key;
        QString piece;
        auto leftOut = std::lower_bound(lines.leftOut.cbegin(), lines.leftOut.cend(), from);
        for (qsizetype place = from; place < to; ++place) {
            const quint32 hash = lines.hashes[std::size_t(place)];
            const bool mayBeUsed = m_anyUse && m_used.mayHold(hash);
            const bool mayHaveKeywords = m_own && m_keyworded.mayHold(hash);
            // Most entries are told apart by the sieves alone.
            if (!mayBeUsed && !mayHaveKeywords)
                continue;
            while (leftOut != lines.leftOut.cend() && *leftOut < place)
                ++leftOut;
            if (leftOut != lines.leftOut.cend() && *leftOut == place)
                continue;
            key.resize(0);
            TextRules::appendFolded(key, TextRules::trimSpaces(lines.textAt(place, decoder, text)));
            const qsizetype begin = lines.begins[std::size_t(place)];
            const qsizetype end = lines.end(place);
            if (mayBeUsed) {
                const SearchUse entryUse{m_favourites.contains(key), m_scores.value(key, 0.0)};
                if (entryUse.favourite || entryUse.score > 0)
                    (entryUse.favourite ? found.favourites : found.used)
                        .push_back({begin, end, entryUse, m_list, place});
            }
            const QStringList keywords =
                mayHaveKeywords ? m_own->keywordsOfKey(m_kind, key) : QStringList();
            if (keywords.isEmpty())
                continue;
            piece.resize(0);
            if (place < lines.builtInTexts.size() && lines.builtInKeyworded[std::size_t(place)])
                piece.append(QLatin1String(", "));
            appendKeywords(piece, keywords);
            const qsizetype extraBegin = found.extra.size();
            found.extra.resize(extraBegin + utf8.requiredSpace(piece.size()));
            char* const extraEnd = utf8.appendToBuffer(found.extra.data() + extraBegin, piece);
            found.extra.truncate(extraEnd - found.extra.constData());
            // Before the line's end.
            found.insertions.push_back({end - 1, extraBegin, found.extra.size(), {}});
        }
        return found;
    }

private:
    const QSet<QString>& m_favourites;
    const QHash<QString, double>& m_scores;
    const ListKind m_kind;
    const int m_list;
    const bool m_anyUse;
    const KeywordStore* const m_own;
    const KeySieve m_used;
    const KeySieve m_keyworded;
};

// Appends the list's bytes from begin to end, with what goes in among them.
void appendBytes(QList<QByteArrayView>& parts, const ListLines& lines, qsizetype begin,
                 qsizetype end)
{
    const QByteArrayView bytes(lines.bytes);
    auto insertion = std::lower_bound(
        lines.insertions.cbegin(), lines.insertions.cend(), begin,
        [](const ListLines::Insertion& each, qsizetype at) { return each.at < at; });
    for (; insertion != lines.insertions.cend() && insertion->at < end; ++insertion) {
        if (insertion->at > begin)
            parts.append(bytes.sliced(begin, insertion->at - begin));
        parts.append(insertion->text);
        begin = insertion->at;
    }
    if (end > begin)
        parts.append(bytes.sliced(begin, end - begin));
}

} // namespace

EntryListing::ReadResult EntryListing::read(BilingualEntry::List list, const QString& listFolder,
                                            const Visitor& visit)
{
    BilingualEntry entry{{}, {}, {}, list, true, {}};
    return readList(
        list, listFolder, visit, [&](const UserListReader::Line& line, QStringView text) {
            entry.text = text.toString();
            entry.frenchDescription = entry.englishDescription = line.decode(line.description);
            return visit(entry);
        });
}

EntryListing::Parts EntryListing::lineParts(const QString& listFolder,
                                            const std::function<void(Use&)>& readUse, int language,
                                            QStringList* problems)
{
    // Each list is read on a thread of its own while this one reads the
    // stores, which the lines do not wait for.
    std::array<ListLines, 2> lines;
    const auto reading = [&](int l) {
        lines[l] = linesOf(l == 0 ? BilingualEntry::List::Smileys : BilingualEntry::List::Acronyms,
                           listFolder, language);
    };
    std::thread smileys(reading, 0);
    std::thread acronyms(reading, 1);
    Use use;
    readUse(use);
    const std::array<ListUse, 2> uses{ListUse(use, 0), ListUse(use, 1)};
    smileys.join();
    acronyms.join();
    // Then the use of each list's entries, each half on a core: most of it
    // may lie in one list.
    const auto half = [&lines](int l) { return qsizetype(lines[l].begins.size()) / 2; };
    std::array<std::array<ListUse::Found, 2>, 2> found; // by half, then list
    std::thread secondHalves([&] {
        for (int l = 0; l < 2; ++l)
            found[1][l] = uses[l].of(lines[l], half(l), qsizetype(lines[l].begins.size()));
    });
    for (int l = 0; l < 2; ++l)
        found[0][l] = uses[l].of(lines[l], 0, half(l));
    secondHalves.join();
    Parts out;
    for (int l = 0; l < 2; ++l) {
        ListLines& list = lines[l];
        for (ListUse::Found& each : {std::ref(found[0][l]), std::ref(found[1][l])}) {
            list.favourites.insert(list.favourites.end(), each.favourites.begin(),
                                   each.favourites.end());
            list.used.insert(list.used.end(), each.used.begin(), each.used.end());
            for (ListLines::Insertion insertion : each.insertions) {
                insertion.text = QByteArrayView(each.extra)
                                     .sliced(insertion.begin, insertion.end - insertion.begin);
                list.insertions.push_back(insertion);
            }
            out.extra.push_back(std::move(each.extra));
        }
        // As the pick shows each list: its most used few after the favourites.
        const auto few =
            list.used.begin() +
            std::min<std::ptrdiff_t>(std::ptrdiff_t(list.used.size()), SearchIndex::MostUsedInPick);
        std::partial_sort(list.used.begin(), few, list.used.end(), showsFirst);
        list.used.erase(few, list.used.end());
    }

    std::array<std::vector<ListLines::Held>, 2> first;
    for (int l = 0; l < 2; ++l) {
        first[0].insert(first[0].end(), lines[l].favourites.begin(), lines[l].favourites.end());
        first[1].insert(first[1].end(), lines[l].used.begin(), lines[l].used.end());
    }
    for (std::vector<ListLines::Held>& held : first) {
        std::sort(held.begin(), held.end(), showsFirst);
        for (const ListLines::Held& each : held)
            appendBytes(out.parts, lines[each.list], each.begin, each.end);
    }
    // The rest in catalogue order: each list's bytes without the lines
    // shown first and those left out.
    for (int l = 0; l < 2; ++l) {
        const ListLines& list = lines[l];
        std::vector<std::pair<qsizetype, qsizetype>> taken;
        for (const qsizetype place : list.leftOut)
            taken.emplace_back(list.begins[std::size_t(place)], list.end(place));
        for (const std::vector<ListLines::Held>& held : first)
            for (const ListLines::Held& each : held)
                if (each.list == l)
                    taken.emplace_back(each.begin, each.end);
        std::sort(taken.begin(), taken.end());
        qsizetype from = 0;
        for (const auto& [begin, end] : taken) {
            appendBytes(out.parts, list, from, begin);
            from = end;
        }
        appendBytes(out.parts, list, from, list.bytes.size());
        if (!list.read.problem.isEmpty())
            problems->append(list.read.problem);
    }
    out.bytes = {std::move(lines[0].bytes), std::move(lines[1].bytes)};
    return out;
}

QString EntryListing::field(QStringView text)
{
    QString out;
    appendField(out, text);
    return out;
}

std::optional<BilingualEntry> EntryListing::find(const QString& listFolder, QStringView shown)
{
    for (const BilingualEntry::List list :
         {BilingualEntry::List::Smileys, BilingualEntry::List::Acronyms}) {
        std::optional<BilingualEntry> found;
        // The entry of exactly that text before one that only shows as it
        // (a tab in its text shown as a blank).
        const ReadResult read =
            EntryListing::read(list, listFolder, [&](const BilingualEntry& entry) {
                if (!showsAs(entry.text, shown))
                    return true;
                if (!found || entry.text == shown)
                    found = entry;
                return entry.text != shown;
            });
        // An entry of a file the window leaves out is none of its.
        if (found && !(found->userEntry && read.userEntriesVoid))
            return found;
    }
    return std::nullopt;
}
