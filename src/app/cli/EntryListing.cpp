#include "app/cli/EntryListing.h"

#include "app/cli/DuplicateSieve.h"
#include "app/cli/LineFormat.h"
#include "app/cli/ListLines.h"
#include "app/cli/ListUse.h"

#include "base/TextRules.h"
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "catalogue/UserListReader.h"
#include "lists/DuplicateRule.h"
#include "search/KeyTable.h"
#include "search/MemoryAdvice.h"
#include "search/SearchIndex.h"

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

QString listPath(BilingualEntry::List list, const QString& listFolder)
{
    return QDir(listFolder)
        .filePath(QLatin1String(list == BilingualEntry::List::Smileys ? SmileyFileName
                                                                      : AcronymFileName));
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
            line.decodeInto(text, line.text);
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
        TextRules::bareKeyInto(key, text);
        keyHash = KeyTable::hashOf(key);
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
            LineFormat::appendLine(piece, entry, language);
            bytes.append(utf8, piece);
            return true;
        },
        [&](const UserListReader::Line& line, QStringView text) {
            if (!sieve)
                sieve.emplace(builtInKeys, fileSize / 32);
            if (std::any_of(text.begin(), text.end(), LineFormat::breaksLine))
                out.shownOtherwise.insert(qsizetype(out.begins.size()), text.toString());
            addKey(text);
            sieve->add(text, keyHash);
            if (!line.utf8) {
                decoded.text = text.toString();
                decoded.frenchDescription = decoded.englishDescription =
                    line.decode(line.description);
                piece.resize(0);
                LineFormat::appendLine(piece, decoded, language);
                bytes.append(utf8, piece);
                return true;
            }
            // Valid UTF-8 is the UTF-8 of its text: the fields go as they are.
            char* to = bytes.room(line.text.size() + 2 * line.description.size() + 4);
            to = LineFormat::copyField(to, line.text);
            *to++ = '\t';
            char* const description = to;
            to = LineFormat::copyField(to, line.description);
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
            list.insertions.insert(list.insertions.end(), each.insertions.begin(),
                                   each.insertions.end());
            // The insertions' views go with it: a moved array keeps its bytes.
            out.extra.push_back(std::move(each.extra));
        }
        // As the pick shows each list: its most used few after the favourites.
        const auto few =
            list.used.begin() +
            std::min<std::ptrdiff_t>(std::ptrdiff_t(list.used.size()), SearchIndex::MostUsedInPick);
        std::partial_sort(list.used.begin(), few, list.used.end(), ListLines::Held::showsFirst);
        list.used.erase(few, list.used.end());
    }

    std::array<std::vector<ListLines::Held>, 2> first;
    for (int l = 0; l < 2; ++l) {
        first[0].insert(first[0].end(), lines[l].favourites.begin(), lines[l].favourites.end());
        first[1].insert(first[1].end(), lines[l].used.begin(), lines[l].used.end());
    }
    for (std::vector<ListLines::Held>& held : first) {
        std::sort(held.begin(), held.end(), ListLines::Held::showsFirst);
        for (const ListLines::Held& each : held) {
            const ListLines& list = lines[each.list];
            list.appendBytes(out.parts, list.begin(each.place), list.end(each.place));
        }
    }
    // The rest in catalogue order: each list's lines but those shown first
    // and those left out.
    for (int l = 0; l < 2; ++l) {
        const ListLines& list = lines[l];
        std::vector<qsizetype> taken = list.leftOut;
        for (const std::vector<ListLines::Held>& held : first)
            for (const ListLines::Held& each : held)
                if (each.list == l)
                    taken.push_back(each.place);
        std::sort(taken.begin(), taken.end());
        qsizetype from = 0;
        for (const qsizetype place : taken) {
            list.appendBytes(out.parts, from, list.begin(place));
            from = list.end(place);
        }
        list.appendBytes(out.parts, from, list.bytes.size());
        if (!list.read.problem.isEmpty())
            problems->append(list.read.problem);
    }
    out.bytes = {std::move(lines[0].bytes), std::move(lines[1].bytes)};
    return out;
}

QString EntryListing::field(QStringView text)
{
    QString out;
    LineFormat::appendField(out, text);
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
                if (!LineFormat::showsAs(entry.text, shown))
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
