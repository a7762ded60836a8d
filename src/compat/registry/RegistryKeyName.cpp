#include "compat/registry/RegistryKeyName.h"

using Status = ClassRegistry::Status;

QString RegistryKeyName::folded(const QString& name)
{
    return name.toCaseFolded();
}

QString RegistryKeyName::problem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("an empty name (a leading, trailing or doubled \\)");
    if (name.size() > MaxLength)
        return QStringLiteral("a name of %1 characters (at most %2)")
            .arg(name.size())
            .arg(MaxLength);
    if (!QStringView(name).isValidUtf16())
        return QStringLiteral("a name that is not valid text");
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("a name holding the control character U+%1")
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return {};
}

Status RegistryKeyName::splitPath(const QString& path, bool rootAllowed, QStringList* segments,
                                  QString* problem)
{
    segments->clear();
    if (path.isEmpty()) {
        if (rootAllowed)
            return Status::Success;
        if (problem)
            *problem = QStringLiteral("an empty key path");
        return Status::InvalidName;
    }
    *segments = path.split(QLatin1Char('\\'));
    for (const QString& segment : std::as_const(*segments)) {
        const QString why = RegistryKeyName::problem(segment);
        if (!why.isEmpty()) {
            if (problem)
                *problem = why;
            segments->clear();
            return Status::InvalidName;
        }
    }
    return Status::Success;
}
