#pragma once

// The user's use of an entry as the ranking reads it: whether it is marked a
// favourite and its usage score (0 when never used).
struct SearchUse
{
    bool favourite = false;
    double score = 0;

    // The ranking's order by use, among entries that match alike: the
    // favourites first, then the higher score.
    static bool before(const SearchUse& a, const SearchUse& b)
    {
        if (a.favourite != b.favourite)
            return a.favourite;
        return a.score > b.score;
    }
};
