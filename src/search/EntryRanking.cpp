#include "search/EntryRanking.h"

#include "search/FavouriteStore.h"
#include "search/SearchIndex.h"
#include "search/UsageStore.h"

#include <QFileInfo>

#include <algorithm>
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
    , m_favourites(std::make_unique<FavouriteStore>(favouritesPath))
    , m_usage(std::make_unique<UsageStore>(usagePath))
    , m_favouritesFile{favouritesPath, {}, -1}
    , m_usageFile{usagePath, {}, -1}
{
    catchUpWithStores();
}

EntryRanking::~EntryRanking()
{
    flush();
}

void EntryRanking::setEntries(const QList<BilingualEntry>& entries)
{
    std::array<QList<SearchEntry>, 2> lists;
    for (int list = 0; list < 2; ++list) {
        m_rows[list].clear();
        m_texts[list].clear();
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const BilingualEntry& entry = entries[i];
        const int list = int(kindOf(entry.list));
        const QString& other = entry.description(m_language == 1 ? 2 : 1);
        lists[list].append(
            {entry.text, entry.description(m_language), entry.userEntry ? QString() : other});
        m_rows[list].append(i);
        m_texts[list].append(entry.text);
    }
    // Each list's index is its own: made on a core each, with what the
    // first query would make otherwise, since a host's first query comes at
    // once.
    const auto make = [this, &lists](ListKind list) {
        SearchIndex& index = *m_indexes[int(list)];
        index.setEntries(lists[int(list)]);
        index.setUse(m_favourites->keys(list), m_usage->scores(list));
        index.prepare();
    };
    std::thread acronyms(make, ListKind::Acronym);
    make(ListKind::Smiley);
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
    if (m_usageFile.changedOnDisk()) {
        m_usage->reload();
        changed = true;
    }
    if (changed)
        applyUse();
}

QList<EntryRanking::Match> EntryRanking::rank(const QString& query, qsizetype limit)
{
    if (query.trimmed().isEmpty() || limit <= 0)
        return {};
    catchUpWithStores();
    // Each list's best, as the core orders them; merged by match class,
    // then favourites, then use, which keeps each list's own order and puts
    // smileys first on a tie.
    struct Candidate
    {
        qsizetype index;
        MatchClass match;
        bool favourite;
        double score;
    };
    std::array<QList<SearchHit>, 2> hits;
    {
        // Each list searched on a core of its own.
        std::thread acronyms([&] { hits[1] = m_indexes[1]->hits(query, int(limit)); });
        hits[0] = m_indexes[0]->hits(query, int(limit));
        acronyms.join();
    }
    std::array<QList<Candidate>, 2> best;
    for (const ListKind list : Lists) {
        const int l = int(list);
        for (const SearchHit& hit : hits[l]) {
            const QString& text = m_texts[l].at(hit.row);
            best[l].append({m_rows[l].at(hit.row), hit.match, m_favourites->isFavourite(list, text),
                            m_usage->score(list, text)});
        }
    }
    const auto before = [](const Candidate& a, const Candidate& b) {
        if (a.match != b.match)
            return a.match < b.match;
        if (a.favourite != b.favourite)
            return a.favourite;
        return a.score > b.score;
    };
    QList<Candidate> merged;
    merged.reserve(best[0].size() + best[1].size());
    std::merge(best[0].cbegin(), best[0].cend(), best[1].cbegin(), best[1].cend(),
               std::back_inserter(merged), before);
    QList<Match> matches;
    for (const Candidate& candidate : merged) {
        if (matches.size() == limit)
            break;
        const double place = candidate.match == MatchClass::Equal
                                 ? 1.0
                                 : 0.9 - 0.15 * int(candidate.match) - 0.001 * matches.size();
        matches.append(
            {candidate.index, std::max(place, 0.01), candidate.match == MatchClass::Equal});
    }
    return matches;
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
