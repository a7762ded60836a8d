#include "app/widgets/AboutPage.h"

#include "app/assets/AppIcons.h"
#include "app/widgets/LabelledComboBox.h"
#include "base/ZunoVersion.h"
#include "compat/Twips.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

namespace {

QLabel* label(QWidget* parent, const char* name, const QRect& geometry,
              const QString& text = QString())
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

} // namespace

AboutPage::AboutPage(QWidget* parent)
    : QWidget(parent)
{
    const Twips twips;
    setObjectName(QStringLiteral("picAbout"));

    m_icon = label(this, "picIcon", twips.rect(240, 240, 480, 480));
    m_icon->setPixmap(AppIcons::program().pixmap(m_icon->size(), devicePixelRatioF()));

    QLabel* title = label(this, "lblTitle", twips.rect(960, 240, 3900, 300),
                          QStringLiteral("Orvak Zuno Smileys"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    title->setFont(titleFont);

    label(this, "lblVersion", twips.rect(960, 540, 3900, 255),
          QStringLiteral("Version ") + QLatin1String(ZUNO_VERSION_TEXT));
    m_logo = label(this, "picLogo", QRect(twips.toPixels(240), twips.toPixels(1080), 136, 36));

    m_description = label(this, "lblDescription", twips.rect(240, 1800, 4575, 780));
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* frame = new QGroupBox(QStringLiteral("Interface"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twips.rect(240, 2760, 4575, 900));
    m_language = new LabelledComboBox(frame);
    // Screen readers name the box by its label, then say its value.
    m_language->setAccessibleName(frame->title());
    m_language->setObjectName(QStringLiteral("CLanguage"));
    m_language->setGeometry(twips.rect(240, 360, 4095, 375));
    connect(m_language, &QComboBox::activated, this, &AboutPage::languageChosen);

    m_courtesy = label(this, "lblCourtesy", twips.rect(240, 5280, 4575, 375));
    m_courtesy->setWordWrap(true);
}

bool AboutPage::fillLanguages(ZunoSmiley1& localizer, qint16 current)
{
    const int count = localizer.GetDllLanguagesCount();
    for (int code = 1; code <= count; ++code)
        m_language->addItem(localizer.GetDllLanguageName(code), code);
    const int row = m_language->findData(int(current));
    if (row < 0)
        return false;
    m_language->setCurrentIndex(row);
    return true;
}

qint16 AboutPage::chosenLanguage() const
{
    const int row = m_language->currentIndex();
    return row < 0 ? 0 : qint16(m_language->itemData(row).toInt());
}

void AboutPage::showLegalNotice()
{
    m_description->setText(QString::fromUtf8(ZUNO_LEGAL_NOTICE));
}

void AboutPage::showLogo()
{
    m_logoWanted = true;
    if (isVisible())
        renderLogo();
}

void AboutPage::renderLogo()
{
    // Drawn from its SVG when the page is first seen, not at every start.
    if (m_logoWanted && m_logo->pixmap().isNull())
        m_logo->setPixmap(AppIcons::logo(devicePixelRatioF()));
}

void AboutPage::showEvent(QShowEvent* event)
{
    renderLogo();
    QWidget::showEvent(event);
}

void AboutPage::retranslate(ZunoSmiley1& localizer)
{
    m_courtesy->setText(localizer.ID_INT_COURTESY(QStringLiteral(".Net"), QString()));
    m_icon->setAccessibleName(localizer.ID_INT_PROGRAM_ICON());
    m_icon->setAccessibleDescription(localizer.ID_INT_PROGRAM_ICON_HELP());
    m_logo->setAccessibleName(localizer.ID_INT_LOGO());
    m_logo->setAccessibleDescription(localizer.ID_INT_LOGO_HELP());
}
