#include "search/EntryRanking.h"

#include "search/FavouriteStore.h"
#include "search/UsageStore.h"

#include <QFileInfo>

#include <thread>

namespace {

ListKind kindOf(BilingualEntry::List list)
{
    return list == BilingualEntry::List::Smileys ? ListKind::Smiley : ListKind::Acronym;
}

constexpr std::array<ListKind, 2> Lists{ListKind::Smiley, ListKind::Acronym};

} // namespace

bool EntryRanking::StoreFile::changedOnDisk()
{
    const QFileInfo info(path);
    const QDateTime nowModified = info.exists() ? info.lastModified() : QDateTime();
    const qint64 nowSize = info.exists() ? info.size() : -1;
    if (nowModified == modified && nowSize == size)
        return false;
    modified = nowModified;
    size = nowSize;
    return true;
}

EntryRanking::EntryRanking(const QString& favouritesPath, const QString& usagePath, int language)
    : m_language(language)
    , m_indexes{std::make_unique<SearchIndex>(), std::make_unique<SearchIndex>()}
    , m_favourites(
          std::make_unique<FavouriteStore>(favouritesPath, FavouriteStore::Access::ReadOnly))
    , m_usage(std::make_unique<UsageStore>(usagePath))
    , m_favouritesFile{favouritesPath, {}, -1}
{
    catchUpWithStores();
}

EntryRanking::~EntryRanking()
{
    flush();
}

void EntryRanking::setEntries(const QList<BilingualEntry>& entries)
{
    setEntries(entries, {}, {});
}

void EntryRanking::setEntries(const QList<BilingualEntry>& entries,
                              const SearchIndex::FoldedAt& folded,
                              const std::shared_ptr<const void>& holder)
{
    // Each list's index is its own: made on a core each, from its entries
    // on, with what the first query would make otherwise, since a host's
    // first query comes at once.
    const auto make = [this, &entries, &folded, &holder](ListKind list) {
        QList<qsizetype>& rows = m_rows[int(list)];
        rows.clear();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (kindOf(entries[i].list) != list)
                continue;
            if (rows.isEmpty()) // the lists lie one after the other
                rows.reserve(entries.size() - i);
            rows.append(i);
        }
        const auto searched = [this, &entries, &rows](qsizetype row) {
            const BilingualEntry& entry = entries[rows[row]];
            SearchEntry one =
                SearchEntry::of(entry.text, entry.description(m_language),
                                entry.description(m_language == 1 ? 2 : 1), !entry.userEntry);
            one.keywords = entry.keywords;
            return one;
        };
        SearchIndex& index = *m_indexes[int(list)];
        const auto foldedAt = [&folded, &rows, &entries](qsizetype row,
                                                         SearchIndex::FoldedRow& made) {
            if (!folded(rows[row], made))
                return false;
            const QStringList& keywords = entries[rows[row]].keywords;
            made.keywords = keywords.isEmpty() ? nullptr : &keywords;
            return true;
        };
        if (folded)
            index.setEntries(rows.size(), searched, foldedAt, holder);
        else
            index.setEntries(rows.size(), searched);
        index.setUse(m_favourites->keys(list), m_usage->scores(list));
        index.prepareFirstQuery();
    };
    std::thread acronyms(make, ListKind::Acronym);
    make(ListKind::Smiley);
    acronyms.join();
}

void EntryRanking::prepare()
{
    std::thread acronyms([this] { m_indexes[1]->prepare(); });
    m_indexes[0]->prepare();
    acronyms.join();
}

void EntryRanking::applyUse()
{
    for (const ListKind list : Lists)
        m_indexes[int(list)]->setUse(m_favourites->keys(list), m_usage->scores(list));
}

void EntryRanking::catchUpWithStores()
{
    bool changed = false;
    if (m_favouritesFile.changedOnDisk()) {
        m_favourites->reload();
        changed = true;
    }
    if (m_usage->catchUp())
        changed = true;
    if (changed)
        applyUse();
}

QList<EntryRanking::Hit> EntryRanking::rank(const QString& query, qsizetype limit)
{
    if (query.trimmed().isEmpty() || limit <= 0)
        return {};
    catchUpWithStores();
    std::array<QList<SearchHit>, 2> hits;
    {
        // Each list searched on a core of its own.
        std::thread acronyms([&] { hits[1] = m_indexes[1]->hits(query, int(limit)); });
        hits[0] = m_indexes[0]->hits(query, int(limit));
        acronyms.join();
    }
    // Each list's best, as the core orders them, merged by the same order:
    // each list keeps its own, and the smileys come first on a tie.
    QList<Hit> merged;
    qsizetype next[2] = {0, 0};
    while (merged.size() < limit) {
        const bool smileys = next[0] < hits[0].size();
        const bool acronyms = next[1] < hits[1].size();
        if (!smileys && !acronyms)
            break;
        const int l =
            !smileys || (acronyms && SearchHit::before(hits[1].at(next[1]), hits[0].at(next[0])))
                ? 1
                : 0;
        const SearchHit& hit = hits[l].at(next[l]++);
        merged.append({m_rows[l].at(hit.row), hit.match, hit.use});
    }
    return merged;
}

void EntryRanking::recordUse(const BilingualEntry& entry)
{
    m_usage->recordUse(kindOf(entry.list), entry.text);
    applyUse();
}

void EntryRanking::flush()
{
    m_usage->flush();
}
