#include "app/dialogs/frmAddNew.h"

#include "app/dialogs/BusyPointer.h"
#include "app/dialogs/SingleLineValidator.h"
#include "compat/Twips.h"
#include "lists/UserListFormat.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

frmAddNew::frmAddNew(ZunoSmiley1& localizer, QWidget* parent)
    : QDialog(parent)
    , m_localizer(localizer)
{
    const Twips twips;
    constexpr int RefusalRoom = 480;
    setFixedSize(twips.size(3855, 2100 + RefusalRoom));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    frame = new QGroupBox(this);
    frame->setGeometry(twips.rect(120, 0, 3615, 1575));
    lblItem = new QLabel(frame);
    lblItem->setObjectName(QStringLiteral("lblItem"));
    lblItem->setGeometry(twips.rect(120, 240, 3375, 255));
    CItem = new QLineEdit(frame);
    CItem->setObjectName(QStringLiteral("CItem"));
    CItem->setGeometry(twips.rect(120, 480, 3375, 325));
    // The boxes have no length limit: a long paste must not be cut short.
    CItem->setMaxLength(std::numeric_limits<int>::max());
    lblDescription = new QLabel(frame);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setGeometry(twips.rect(120, 840, 3375, 255));
    CDescription = new QLineEdit(frame);
    CDescription->setObjectName(QStringLiteral("CDescription"));
    CDescription->setGeometry(twips.rect(120, 1080, 3375, 325));
    CDescription->setMaxLength(std::numeric_limits<int>::max());
    // One line each, as the list file keeps them.
    auto* oneLine = new SingleLineValidator(this);
    CItem->setValidator(oneLine);
    CDescription->setValidator(oneLine);
    // A label's access key moves the focus to its box.
    lblItem->setBuddy(CItem);
    lblDescription->setBuddy(CDescription);

    lblRefusal = new QLabel(this);
    lblRefusal->setObjectName(QStringLiteral("lblRefusal"));
    lblRefusal->setGeometry(twips.rect(240, 1620, 3375, 480));
    lblRefusal->setWordWrap(true);
    lblRefusal->hide();

    cmdOk = new QPushButton(this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setGeometry(twips.rect(1680, 1680 + RefusalRoom, 975, 325));
    cmdOk->setEnabled(false);
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(twips.rect(2760, 1680 + RefusalRoom, 975, 325));
    cmdCancel->setAutoDefault(false);
    setTabOrder(CItem, CDescription);
    setTabOrder(CDescription, cmdOk);
    setTabOrder(cmdOk, cmdCancel);

    connect(CItem, &QLineEdit::textChanged, this, &frmAddNew::CItem_Change);
    connect(CDescription, &QLineEdit::textChanged, this, &frmAddNew::CDescription_Change);
    connect(cmdOk, &QPushButton::clicked, this, &frmAddNew::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddNew::cmdCancel_Click);
    Form_Load();
}

frmAddNew::~frmAddNew() = default;

void frmAddNew::setDuplicateCheck(DuplicateCheck check)
{
    m_duplicateOf = std::move(check);
    SetCmdOk();
}

void frmAddNew::Form_Load()
{
    HitOk = false;
    CanUnload = false;
    lblDescription->setText(m_localizer.ID_INT_DESCRIPTION());
    cmdOk->setText(m_localizer.ID_BTN_OK());
    cmdCancel->setText(m_localizer.ID_BTN_CANCEL());
}

void frmAddNew::Form_Activate()
{
    BusyPointer::restoreNormal();
}

void frmAddNew::SetCmdOk()
{
    // What the list file could not give back as it was is refused here,
    // with the reason, rather than changed at the next start.
    using Refusal = UserListFormat::Refusal;
    const Refusal refusal = UserListFormat::check(CItem->text(), CDescription->text());
    const auto duplicate = refusal == Refusal::None && m_duplicateOf && !CItem->text().isEmpty()
                               ? m_duplicateOf(CItem->text())
                               : std::nullopt;
    cmdOk->setEnabled(refusal == Refusal::None && !duplicate && !CItem->text().isEmpty() &&
                      !CDescription->text().isEmpty());
    switch (refusal) {
    case Refusal::None:
    case Refusal::LineBreak: // the boxes keep one line; a break never gets here
        showRefusal(duplicate
                        ? m_localizer.ID_INT_REFUSE_DUPLICATE(duplicate->first, duplicate->second)
                        : QString());
        break;
    case Refusal::SeparatorInText:
        showRefusal(m_localizer.ID_INT_REFUSE_SEPARATOR());
        break;
    case Refusal::TextEndsLikeSeparator:
        showRefusal(m_localizer.ID_INT_REFUSE_SEPARATOR_END());
        break;
    case Refusal::TooLong:
        showRefusal(m_localizer.ID_INT_REFUSE_TOO_LONG());
        break;
    case Refusal::LoneSurrogate:
        showRefusal(m_localizer.ID_INT_REFUSE_BROKEN_CHARACTER());
        break;
    }
}

void frmAddNew::showRefusal(const QString& refusal)
{
    // The line has its room under the boxes from the start (RefusalRoom), so
    // that the dialog keeps its size while the user types. Screen readers
    // hear it as the line's name and as the description of both boxes.
    if (refusal == lblRefusal->text())
        return;
    lblRefusal->setText(refusal);
    lblRefusal->setVisible(!refusal.isEmpty());
    lblRefusal->setAccessibleName(refusal);
    CItem->setAccessibleDescription(refusal);
    CDescription->setAccessibleDescription(refusal);
}

void frmAddNew::CItem_Change()
{
    SetCmdOk();
}

void frmAddNew::CDescription_Change()
{
    SetCmdOk();
}

void frmAddNew::cmdOk_Click()
{
    if (!cmdOk->isEnabled())
        return;
    HitOk = true;
    hide();
}

void frmAddNew::cmdCancel_Click()
{
    hide();
}

bool frmAddNew::Form_QueryUnload()
{
    if (CanUnload)
        return false;
    hide();
    return true;
}

bool frmAddNew::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        Form_Activate();
    return QDialog::event(event);
}

void frmAddNew::closeEvent(QCloseEvent* event)
{
    if (Form_QueryUnload())
        event->ignore();
    else
        event->accept();
}

void frmAddNew::reject()
{
    // Escape works as Cancel.
    cmdCancel_Click();
}
