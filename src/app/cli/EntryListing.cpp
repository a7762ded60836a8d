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
char* copyField(char* to, QByteArrayView field)
{
    const auto* from = reinterpret_cast<const uchar*>(field.data());
    const uchar* const end = from + field.size();
    while (from != end) {
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

// One list's lines as read: every line in catalogue order, and where the
// lines of the used entries lie among them, to be shown first.
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
    QByteArray bytes;
    std::vector<Held> favourites;
    std::vector<Held> used;
    std::vector<Held> leftOut; // lines of entries that the load leaves out
    EntryListing::ReadResult read;
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

ListLines linesOf(BilingualEntry::List list, const QString& listFolder,
                  const EntryListing::Use& use, int language)
{
    const int l = list == BilingualEntry::List::Smileys ? 0 : 1;
    ListLines out;
    // A line holds the file's line about twice (a user entry's one
    // description is both languages').
    const qint64 fileSize =
        std::min<qint64>(QFileInfo(listPath(list, listFolder)).size(), UserListReader::MaxFileSize);
    LineBytes bytes(qsizetype(fileSize) * 2 + 65536);
    QStringEncoder utf8(QStringEncoder::Utf8);
    QString piece;
    const QSet<QString>& favourites = use.favourites[l];
    const QHash<QString, double>& scores = use.scores[l];
    const bool anyUse = !favourites.isEmpty() || !scores.isEmpty();
    const KeySieve used(favourites, scores);
    const ListKind kind = l == 0 ? ListKind::Smiley : ListKind::Acronym;
    // Most users have none: no entry is looked up.
    const KeywordStore* own =
        use.ownKeywords && !use.ownKeywords->isEmpty(kind) ? use.ownKeywords : nullptr;
    const KeySieve keyworded = own ? KeySieve(own->keys(kind)) : KeySieve({});
    // EntryKey::of and DuplicateRule::bareKey of the entry visited, in a
    // buffer kept from one entry to the next.
    QString key;
    size_t keyHash = 0;
    const auto makeKey = [&key, &keyHash](QStringView text) {
        key.resize(0);
        TextRules::appendFolded(key, TextRules::trimSpaces(text));
        keyHash = qHash(QStringView(key));
    };
    qsizetype place = 0;
    // Where the user's entries start, for a file that turns out void.
    std::optional<std::array<std::size_t, 3>> userStart;
    // Where each user entry's line starts, and the texts that their lines
    // do not show as they are, for the duplicate rule once all are read.
    std::vector<qsizetype> userLines;
    QHash<qsizetype, QString> shownOtherwise;
    QSet<QString> builtInKeys;
    std::optional<DuplicateSieve> sieve;
    // Each line after its entry's text, written by write(); the favourites
    // and the most used few are held to be shown first.
    // The entry whose key was made last.
    const auto add = [&](const auto& write) {
        SearchUse entryUse;
        if (anyUse && used.mayHold(keyHash))
            entryUse = {favourites.contains(key), scores.value(key, 0.0)};
        const qsizetype begin = bytes.size();
        write();
        if (entryUse.favourite || entryUse.score > 0)
            (entryUse.favourite ? out.favourites : out.used)
                .push_back({begin, bytes.size(), entryUse, l, place});
        ++place;
        return true;
    };
    const auto addEntry = [&](const BilingualEntry& entry) {
        return add([&] {
            piece.resize(0);
            appendLine(piece, entry, language);
            bytes.append(utf8, piece);
        });
    };
    // Of the entry whose key was made last: most have none, told by the sieve alone.
    const auto ownKeywords = [&] {
        return own && keyworded.mayHold(keyHash) ? own->keywordsOfKey(kind, key) : QStringList();
    };
    BilingualEntry decoded{{}, {}, {}, list, true, {}};
    out.read = readList(
        list, listFolder,
        [&](const BilingualEntry& entry) {
            makeKey(entry.text);
            if (const QStringList keywords = ownKeywords(); !keywords.isEmpty()) {
                BilingualEntry withOwn = entry;
                withOwn.keywords += keywords;
                return addEntry(withOwn);
            }
            return addEntry(entry);
        },
        [&](const UserListReader::Line& line, QStringView text) {
            if (!userStart) {
                userStart = {std::size_t(bytes.size()), out.favourites.size(), out.used.size()};
                // As many as lines of 32 bytes, as the window's load expects.
                sieve.emplace(builtInKeys, fileSize / 32);
                userLines.reserve(size_t(fileSize / 32));
            }
            userLines.push_back(bytes.size());
            if (std::any_of(text.begin(), text.end(), breaksLine))
                shownOtherwise.insert(qsizetype(userLines.size() - 1), text.toString());
            makeKey(text);
            const QStringList keywords = ownKeywords();
            if (!line.utf8) {
                decoded.text = text.toString();
                decoded.frenchDescription = decoded.englishDescription =
                    line.decode(line.description);
                decoded.keywords = keywords;
                addEntry(decoded);
                sieve->add(text, keyHash);
                return true;
            }
            // Valid UTF-8 is the UTF-8 of its text: the fields go as they are.
            add([&] {
                char* to = bytes.room(line.text.size() + 2 * line.description.size() + 4);
                to = copyField(to, line.text);
                *to++ = '\t';
                char* const description = to;
                to = copyField(to, line.description);
                *to++ = '\t';
                to = std::copy(description, to, to);
                // Most entries have no keywords: their line ends here.
                if (keywords.isEmpty()) {
                    *to++ = '\n';
                    bytes.wrote(to);
                    return;
                }
                bytes.wrote(to);
                piece.resize(0);
                appendKeywords(piece, keywords);
                piece.append(u'\n');
                bytes.append(utf8, piece);
            });
            sieve->add(text, keyHash);
            return true;
        },
        Repeats::Visited, &builtInKeys);
    if (out.read.userEntriesVoid && userStart) {
        bytes.truncate(qsizetype((*userStart)[0]));
        out.favourites.resize((*userStart)[1]);
        out.used.resize((*userStart)[2]);
    } else if (sieve) {
        // The lines of the entries the rule leaves out go, held or not.
        const qsizetype userEnd = bytes.size();
        const auto lineEnd = [&](qsizetype i) {
            return i + 1 < qsizetype(userLines.size()) ? userLines[std::size_t(i) + 1] : userEnd;
        };
        const std::vector<qsizetype> leftOut = sieve->leftOut([&](qsizetype i) {
            const auto found = shownOtherwise.constFind(i);
            if (found != shownOtherwise.cend())
                return *found;
            const QByteArrayView line(bytes.data() + userLines[std::size_t(i)],
                                      lineEnd(i) - userLines[std::size_t(i)]);
            return QString::fromUtf8(line.first(line.indexOf('\t')));
        });
        for (const qsizetype i : leftOut)
            out.leftOut.push_back({userLines[std::size_t(i)], lineEnd(i), {}, l, 0});
        const auto isLeftOut = [&](const ListLines::Held& held) {
            return std::binary_search(
                out.leftOut.begin(), out.leftOut.end(), held,
                [](const auto& a, const auto& b) { return a.begin < b.begin; });
        };
        std::erase_if(out.favourites, isLeftOut);
        std::erase_if(out.used, isLeftOut);
    }
    out.bytes = bytes.take();
    // As the pick shows each list: its most used few after the favourites.
    const auto few = out.used.begin() + std::min<std::ptrdiff_t>(std::ptrdiff_t(out.used.size()),
                                                                 SearchIndex::MostUsedInPick);
    std::partial_sort(out.used.begin(), few, out.used.end(), showsFirst);
    out.used.erase(few, out.used.end());
    return out;
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

QByteArray EntryListing::lines(const QString& listFolder, const Use& use, int language,
                               QStringList* problems)
{
    const Parts made = lineParts(listFolder, use, language, problems);
    qsizetype size = 0;
    for (const QByteArrayView part : made.parts)
        size += part.size();
    QByteArray out;
    out.reserve(size);
    for (const QByteArrayView part : made.parts)
        out.append(part);
    return out;
}

EntryListing::Parts EntryListing::lineParts(const QString& listFolder, const Use& use, int language,
                                            QStringList* problems)
{
    ListLines acronyms;
    std::thread second(
        [&] { acronyms = linesOf(BilingualEntry::List::Acronyms, listFolder, use, language); });
    ListLines smileys = linesOf(BilingualEntry::List::Smileys, listFolder, use, language);
    second.join();

    std::vector<ListLines::Held> favourites = smileys.favourites;
    favourites.insert(favourites.end(), acronyms.favourites.begin(), acronyms.favourites.end());
    std::sort(favourites.begin(), favourites.end(), showsFirst);
    std::vector<ListLines::Held> used = smileys.used;
    used.insert(used.end(), acronyms.used.begin(), acronyms.used.end());
    std::sort(used.begin(), used.end(), showsFirst);

    Parts out;
    out.bytes = {std::move(smileys.bytes), std::move(acronyms.bytes)};
    const std::array<const EntryListing::ReadResult*, 2> reads{&smileys.read, &acronyms.read};
    for (const std::vector<ListLines::Held>* first : {&favourites, &used})
        for (const ListLines::Held& held : *first)
            out.parts.append(
                QByteArrayView(out.bytes[held.list]).sliced(held.begin, held.end - held.begin));
    // The rest in catalogue order: each list's bytes without the lines
    // shown first.
    for (int l = 0; l < 2; ++l) {
        const ListLines& lines = l == 0 ? smileys : acronyms;
        std::vector<ListLines::Held> taken = lines.leftOut;
        for (const std::vector<ListLines::Held>* first : {&favourites, &used})
            for (const ListLines::Held& held : *first)
                if (held.list == l)
                    taken.push_back(held);
        std::sort(taken.begin(), taken.end(),
                  [](const auto& a, const auto& b) { return a.begin < b.begin; });
        const QByteArrayView bytes(out.bytes[l]);
        qsizetype from = 0;
        for (const ListLines::Held& held : taken) {
            if (held.begin > from)
                out.parts.append(bytes.sliced(from, held.begin - from));
            from = held.end;
        }
        if (from < bytes.size())
            out.parts.append(bytes.sliced(from));
        if (!reads[l]->problem.isEmpty())
            problems->append(reads[l]->problem);
    }
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
