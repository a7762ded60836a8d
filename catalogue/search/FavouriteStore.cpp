#include "FavouriteStore.h"

#include <QDir>

struct FavouriteStore::Change
{
};

QString FavouriteStore::pathIn(const QString& listFolder)
{
    return QDir(listFolder).filePath(QLatin1String(FileName));
}

FavouriteStore::FavouriteStore(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{}

void FavouriteStore::reload() {}

bool FavouriteStore::isFavourite(ListKind, QStringView) const
{
    return false;
}

QSet<QString> FavouriteStore::keys(ListKind) const
{
    return {};
}

AtomicFileWriter::Result FavouriteStore::mark(ListKind list, const QString& text)
{
    return setFavourite(list, text, true);
}

AtomicFileWriter::Result FavouriteStore::unmark(ListKind list, const QString& text)
{
    return setFavourite(list, text, false);
}

AtomicFileWriter::Result FavouriteStore::setFavourite(ListKind, const QString&, bool)
{
    return apply({});
}

AtomicFileWriter::Result FavouriteStore::rename(ListKind, const QString&, const QString&)
{
    return apply({});
}

AtomicFileWriter::Result FavouriteStore::forget(ListKind, const QString&)
{
    return apply({});
}

AtomicFileWriter::Result FavouriteStore::apply(const Change&)
{
    return {};
}
