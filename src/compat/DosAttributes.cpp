#include "compat/DosAttributes.h"

#include <QFile>

#include <sys/xattr.h>

#include <cerrno>

std::optional<quint32> DosAttributes::read(const QString& fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    // The text form is short; the binary record that Samba appends may be longer.
    QByteArray value(256, '\0');
    ssize_t size = ::getxattr(path.constData(), attributeName, value.data(), value.size());
    if (size < 0 && errno == ERANGE) {
        size = ::getxattr(path.constData(), attributeName, nullptr, 0);
        if (size > 0) {
            value.resize(size);
            size = ::getxattr(path.constData(), attributeName, value.data(), value.size());
        }
    }
    if (size <= 0)
        return std::nullopt;
    value.truncate(size);
    return parse(value);
}

std::optional<quint32> DosAttributes::parse(const QByteArray& value)
{
    const qsizetype end = value.indexOf('\0');
    const QByteArray text = (end < 0 ? value : value.left(end)).trimmed();
    if (!text.startsWith("0x") && !text.startsWith("0X"))
        return std::nullopt;
    bool ok = false;
    const quint32 bits = text.mid(2).toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return bits;
}
