#include "UsageStore.h"

#include <QDir>

QString UsageStore::defaultPath()
{
    return {};
}

UsageStore::UsageStore(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{}

UsageStore::~UsageStore()
{
    flush();
}

void UsageStore::reload() {}

void UsageStore::recordUse(ListKind, const QString&) {}

void UsageStore::rename(ListKind, const QString&, const QString&) {}

void UsageStore::forget(ListKind, const QString&) {}

double UsageStore::score(ListKind, QStringView) const
{
    return 0;
}

QHash<QString, double> UsageStore::scores(ListKind) const
{
    return {};
}

AtomicFileWriter::Result UsageStore::flush()
{
    return {};
}

void UsageStore::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
}

void UsageStore::applyTo(QHash<QString, Use> (&)[2], const Change&) {}

void UsageStore::scheduleWrite() {}
