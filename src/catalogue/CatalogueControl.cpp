#include "catalogue/CatalogueControl.h"

#include "catalogue/UserListReader.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QLatin1StringView>

CatalogueControl::CatalogueControl(std::span<const CatalogueEntry> table)
    : m_table(table)
    , m_localizer(std::make_unique<ZunoSmiley1>())
{
    // A new control answers in English, as a new localizer does.
}

CatalogueControl::~CatalogueControl() = default;

void CatalogueControl::setLanguage(qint32 language)
{
    m_language = language;
    m_localizer->setLanguage(language == ZunoSmiley1::smFrench ? ZunoSmiley1::smFrench
                                                               : ZunoSmiley1::smEnglish);
}

void CatalogueControl::loadTable(const EntrySink& sink) const
{
    // Nothing of this object is touched once the sink says it is gone; the
    // table itself is static.
    ZunoSmiley1* const localizer = m_localizer.get();
    for (const CatalogueEntry& entry : std::span(m_table)) {
        if (!sink(QString(QLatin1StringView(entry.text)), (localizer->*entry.describe)(),
                  BuiltInEntry))
            return;
    }
}

QHash<QString, QStringList> CatalogueControl::keywords(std::span<const CatalogueEntry> table)
{
    QHash<QString, QStringList> byText;
    byText.reserve(qsizetype(table.size()));
    for (const CatalogueEntry& entry : table)
        byText.insert(QString(QLatin1StringView(entry.text)),
                      QString::fromUtf8(entry.keywords).split(QLatin1StringView(", ")));
    return byText;
}

UserListReader::Result CatalogueControl::loadFile(const QString& path, const EntrySink& sink)
{
    return UserListReader::readFile(path, [&sink](const QString& text, const QString& description) {
        return sink(text, description, UserEntry);
    });
}
