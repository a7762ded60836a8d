#include "ovobj10/frmComConfirm.h"

#include "ovobj10/CommonDialog.h"
#include "ovobj10/ModObject.h"

#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>

namespace {

// The bundled warning sign: a yellow triangle with a black exclamation mark
// and a grey shadow, for desktops whose theme has none.
QPixmap paintedWarning(int size, qreal ratio)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    QPainterPath triangle;
    triangle.moveTo(15, 2);
    triangle.lineTo(29, 28);
    triangle.lineTo(1, 28);
    triangle.closeSubpath();
    p.fillPath(triangle.translated(2, 2), QColor(128, 128, 128));
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(255, 255, 0));
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(13.6, 9, 2.8, 11), 1.2, 1.2);
    p.drawEllipse(QRectF(13.5, 22, 3, 3));
    return pixmap;
}

} // namespace

frmComConfirm::frmComConfirm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmComConfirm"));

    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSizeF(8.25);
    designFont.setWeight(QFont::Normal);
    setFont(designFont);
    setWindowTitle(QString());
    setModal(true);
    setFixedSize(m_twips.size(5160, 1080));

    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setGeometry(m_twips.rect(120, 120, 480, 480));
    const int iconSize = m_image1->width();
    const QIcon themed = QIcon::fromTheme(QStringLiteral("dialog-warning"));
    m_image1->setPixmap(themed.isNull()
                            ? paintedWarning(iconSize, devicePixelRatio())
                            : themed.pixmap(QSize(iconSize, iconSize), devicePixelRatio()));

    m_lblCaption = new QLabel(this);
    m_lblCaption->setObjectName(QStringLiteral("lblCaption"));
    m_lblCaption->setGeometry(m_twips.rect(720, 120, 4335, 495));
    m_lblCaption->setTextFormat(Qt::PlainText);
    m_lblCaption->setWordWrap(true);
    m_lblCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_cmdYes = addButton("CmdYes", "&Yes", {120, 720, 1095, 300}, Yes);
    m_cmdYesForAll = addButton("CmdYesForAll", "Yes for &All", {1320, 720, 1455, 300}, YesForAll);
    m_cmdNo = addButton("CmdNo", "&No", {2880, 720, 1095, 300}, No);
    m_cmdCancel = addButton("CmdCancel", "&Cancel", {4080, 720, 975, 300}, Cancel);
    setTabOrder(m_cmdYes, m_cmdYesForAll);
    setTabOrder(m_cmdYesForAll, m_cmdNo);
    setTabOrder(m_cmdNo, m_cmdCancel);
    m_cmdYes->setFocus();
    m_cmDialog1 = new CommonDialog(this);

    Form_Load();
}

QPushButton* frmComConfirm::addButton(const char* name, const char* designCaption,
                                      const QRect& twips, Answer code)
{
    auto* button = new QPushButton(QString::fromLatin1(designCaption), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(m_twips.rect(twips));
    button->setAutoDefault(true); // Enter answers the focused button
    connect(button, &QPushButton::clicked, this, [this, code] { answer(code); });
    return button;
}

void frmComConfirm::Form_Load()
{
    ModObject::ApplyFontToForm(this);
    const qint32 language = ModObject::settings().gLanguage;
    if (language != 1 && language != 2)
        return; // the design captions stay
    const bool french = language == 1;
    m_cmdYes->setText(french ? QStringLiteral("&Oui") : QStringLiteral("&Yes"));
    m_cmdYesForAll->setText(french ? QStringLiteral("Oui pour &Tout")
                                   : QStringLiteral("Yes for &All"));
    m_cmdNo->setText(french ? QStringLiteral("&Non") : QStringLiteral("&No"));
    m_cmdCancel->setText(french ? QStringLiteral("&Annuler") : QStringLiteral("&Cancel"));
}

void frmComConfirm::Form_Activate()
{
    // A caller may have left the busy pointer on.
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(Qt::ArrowCursor);
}

void frmComConfirm::answer(Answer code)
{
    m_response = code;
    hide();
}

bool frmComConfirm::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QDialog::event(e);
}

void frmComConfirm::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Cancel)) {
        m_cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

void frmComConfirm::showEvent(QShowEvent* e)
{
    // Centred on the screen it opens on.
    const QScreen* target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (target && !e->spontaneous()) {
        QRect frame = frameGeometry();
        frame.moveCenter(target->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(e);
}
