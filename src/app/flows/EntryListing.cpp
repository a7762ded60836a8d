#include "app/flows/EntryListing.h"

#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"
#include "lists/DuplicateRule.h"
#include "lists/UserListFile.h"
#include "search/EntryKey.h"
#include "search/SearchIndex.h"
#include "search/SearchUse.h"

#include <QDir>

#include <algorithm>
#include <thread>

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

} // namespace

EntryListing::EntryListing(const QString& listFolder)
{
    const QDir folder(listFolder);
    // The two lists are independent: each is read on a core of its own.
    QList<BilingualEntry> acronyms;
    QString acronymProblem;
    std::thread second([&acronyms, &acronymProblem, &folder] {
        acronyms = readList(BilingualEntry::List::Acronyms,
                            folder.filePath(QLatin1String(AcronymFileName)), &acronymProblem);
    });
    QString smileyProblem;
    m_entries = readList(BilingualEntry::List::Smileys,
                         folder.filePath(QLatin1String(SmileyFileName)), &smileyProblem);
    second.join();
    m_acronymStart = m_entries.size();
    m_entries.append(std::move(acronyms));
    for (const QString& problem : {smileyProblem, acronymProblem})
        if (!problem.isEmpty())
            m_problems << problem;
}

QList<BilingualEntry> EntryListing::readList(BilingualEntry::List list, const QString& path,
                                             QString* problem)
{
    QList<BilingualEntry> entries = list == BilingualEntry::List::Smileys
                                        ? builtInEntries<OVSmiley>(list, &OVSmiley::NextSmiley)
                                        : builtInEntries<OVAcronym>(list, &OVAcronym::NextAcronym);
    QSet<QString> builtInKeys;
    for (const BilingualEntry& entry : std::as_const(entries))
        builtInKeys.insert(DuplicateRule::key(entry.text));
    QList<UserListFile::Record> records;
    {
        UserListFile::Known known; // of no use past this read
        const UserListFile::Result read =
            UserListFile::readLoadable(path, builtInKeys, &records, &known);
        if (!read)
            *problem = QStringLiteral("%1: %2").arg(
                QDir::toNativeSeparators(path),
                read.detail.isEmpty() ? QStringLiteral("cannot be read") : read.detail);
    }
    entries.reserve(entries.size() + records.size());
    for (UserListFile::Record& record : records)
        entries.append({std::move(record.text),
                        record.description,
                        std::move(record.description),
                        list,
                        true,
                        {}});
    return entries;
}

QList<qsizetype> EntryListing::order(const Use& use) const
{
    struct Used
    {
        qsizetype index;
        SearchUse use;
    };
    std::vector<Used> favourites;
    std::vector<Used> mostUsed;
    const auto byUse = [](const Used& a, const Used& b) {
        if (SearchUse::before(a.use, b.use))
            return true;
        // Alike: in catalogue order, which has the smileys first.
        return !SearchUse::before(b.use, a.use) && a.index < b.index;
    };
    for (int l = 0; l < 2; ++l) {
        const qsizetype first = l == 0 ? 0 : m_acronymStart;
        const qsizetype end = l == 0 ? m_acronymStart : m_entries.size();
        if (use.favourites[l].isEmpty() && use.scores[l].isEmpty())
            continue;
        std::vector<Used> used;
        for (qsizetype i = first; i < end; ++i) {
            const QString key = EntryKey::of(m_entries[i].text);
            const bool favourite = use.favourites[l].contains(key);
            const double score = use.scores[l].value(key, 0.0);
            if (favourite)
                favourites.push_back({i, {true, score}});
            else if (score > 0)
                used.push_back({i, {false, score}});
        }
        // As the pick shows each list: its most used few after the favourites.
        const auto few = used.begin() + std::min<std::ptrdiff_t>(ptrdiff_t(used.size()),
                                                                 SearchIndex::MostUsedInPick);
        std::partial_sort(used.begin(), few, used.end(), byUse);
        mostUsed.insert(mostUsed.end(), used.begin(), few);
    }
    std::sort(favourites.begin(), favourites.end(), byUse);
    std::sort(mostUsed.begin(), mostUsed.end(), byUse);
    QList<qsizetype> order;
    order.reserve(m_entries.size());
    std::vector<bool> placed(std::size_t(m_entries.size()), false);
    for (const std::vector<Used>* part : {&favourites, &mostUsed})
        for (const Used& used : *part) {
            order.append(used.index);
            placed[std::size_t(used.index)] = true;
        }
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (!placed[std::size_t(i)])
            order.append(i);
    return order;
}

QByteArray EntryListing::lines(const QList<qsizetype>& order, int language) const
{
    QString out;
    qsizetype room = 0;
    for (const BilingualEntry& entry : m_entries)
        room += entry.text.size() + entry.frenchDescription.size() +
                entry.englishDescription.size() + 4;
    out.reserve(room);
    const int other = language == 1 ? 2 : 1;
    for (const qsizetype index : order) {
        const BilingualEntry& entry = m_entries[index];
        appendField(out, entry.text);
        out.append(u'\t');
        appendField(out, entry.description(language));
        out.append(u'\t');
        appendField(out, entry.description(other));
        out.append(u'\t');
        for (qsizetype k = 0; k < entry.keywords.size(); ++k) {
            if (k > 0)
                out.append(QLatin1String(", "));
            appendField(out, entry.keywords[k]);
        }
        out.append(u'\n');
    }
    return out.toUtf8();
}

QString EntryListing::field(QStringView text)
{
    QString out;
    appendField(out, text);
    return out;
}

const BilingualEntry* EntryListing::find(QStringView shown) const
{
    for (const BilingualEntry& entry : m_entries)
        if (showsAs(entry.text, shown))
            return &entry;
    return nullptr;
}
