#pragma once

#include "compat/registry/ClassRegistry.h"

#include <QString>
#include <QStringList>

// The rules of class registry key names: what the store can hold, how a path
// splits into them, and the folded form names are found by (SQLite's own
// NOCASE folds only ASCII).
class RegistryKeyName
{
public:
    // The longest key name the original registry accepts.
    static constexpr qsizetype MaxLength = 255;

    static QString folded(const QString& name);

    // Why the store cannot hold a key name, or nothing when it can.
    static QString problem(const QString& name);

    // The segments of a key path, or InvalidName (and the reason in
    // *problem) when one of them is empty (a leading, trailing or doubled
    // separator), too long or holds a control character. The empty path is
    // the root when the caller allows it.
    static ClassRegistry::Status splitPath(const QString& path, bool rootAllowed,
                                           QStringList* segments, QString* problem = nullptr);
};
