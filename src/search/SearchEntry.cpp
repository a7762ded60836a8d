#include "search/SearchEntry.h"

SearchEntry SearchEntry::of(QString text, QString description, QString otherDescription,
                            bool builtIn)
{
    return {std::move(text),
            std::move(description),
            builtIn ? std::move(otherDescription) : QString(),
            {}};
}
