#pragma once

#include "lists/DuplicateIndex.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>

// When an entry of the user's repeats another entry of its list. Letter case
// is always aside, through one fold; blanks are spaces only (a tab or a
// no-break space is part of a text).
//
// - The load looks for a reported text, without the spaces around it, among
//   the texts as they stand (bareKey against key, DuplicateIndex::take): of two entries
//   that meet, the first one stays.
// - Add and Edit compare both texts without the spaces around them
//   (repeats), so that nothing they accept can meet another entry at the
//   next load and be dropped there. An Edit that keeps its entry's text
//   exactly meets at the next load only an entry of exactly that text, so
//   only such an entry stands in its way: an entry beside a twin with blanks
//   (which a list file may hold) can still have its description changed.
//
// The list model, the changes applied to a list file, the file writer and
// (through the model) the import all decide by this class.
class DuplicateRule
{
public:
    // A text as the load keeps it: as it stands, letter case folded.
    static QString key(QStringView text);
    // A text as it is looked for: without the spaces around it, folded.
    static QString bareKey(QStringView text);
    // Whether a text has spaces around it, so that its two keys differ.
    static bool isSpaced(QStringView text);

    // Add and Edit: whether other stands in the way of wanted. kept: wanted
    // is exactly the text of the entry being edited.
    static bool repeats(QStringView wanted, QStringView other, bool kept = false);

    // Add and Edit over a list: the first of count texts (textAt(i)) that
    // stands in the way of wanted, except is the entry being edited (or -1);
    // -1 when none does.
    template <typename TextAt>
    static qsizetype findRepeat(QStringView wanted, qsizetype count, TextAt textAt,
                                qsizetype except = -1)
    {
        const bool kept = except >= 0 && except < count && QStringView(textAt(except)) == wanted;
        for (qsizetype i = 0; i < count; ++i) {
            if (i != except && repeats(wanted, textAt(i), kept))
                return i;
        }
        return -1;
    }

    // The load's test over a run of texts in their order: each is taken
    // unless it repeats one taken before it (or one of the keys given first,
    // the built-in texts). The taken texts lie in one buffer, indexed by the
    // rule's one index (DuplicateIndex): a text costs no allocation of its
    // own, which at a hundred thousand texts is most of the time a merge of
    // a list file takes.
    class LoadedTexts
    {
    public:
        explicit LoadedTexts(const QSet<QString>& keys = {});
        void reserve(qsizetype texts);
        // True when the text is taken (and from then on stands in the way).
        bool take(QStringView text);

    private:
        void append(QStringView text);
        QStringView textAt(qsizetype i) const;

        QString m_chars;         // the texts one after another
        QList<qsizetype> m_ends; // where each ends in m_chars
        DuplicateIndex m_index;
    };
};
