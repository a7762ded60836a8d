#include "search/BilingualEntry.h"

namespace {
constexpr QLatin1StringView SmileyPrefix("smiley:");
constexpr QLatin1StringView AcronymPrefix("acronym:");
} // namespace

QString BilingualEntry::id() const
{
    return (list == List::Smileys ? SmileyPrefix : AcronymPrefix) + text;
}

bool BilingualEntry::parseId(const QString& id, List* list, QString* text)
{
    for (const auto& [prefix, kind] :
         {std::pair{SmileyPrefix, List::Smileys}, std::pair{AcronymPrefix, List::Acronyms}}) {
        if (id.startsWith(prefix) && id.size() > prefix.size()) {
            *list = kind;
            *text = id.mid(prefix.size());
            return true;
        }
    }
    return false;
}
