#include "app/dialogs/KeywordDialog.h"

#include "app/dialogs/BusyPointer.h"
#include "app/dialogs/SingleLineValidator.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

KeywordDialog::KeywordDialog(ZunoSmiley1& localizer, const QString& entryText, Check check,
                             QWidget* parent)
    : QDialog(parent)
    , m_check(std::move(check))
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(localizer.ID_INT_KEYWORDS_OF(entryText));
    auto* label = new QLabel(localizer.ID_INT_KEYWORDS_LABEL(), this);
    line = new QLineEdit(this);
    line->setObjectName(QStringLiteral("keywords"));
    // No length limit: what is too long is refused with its reason, never cut.
    line->setMaxLength(std::numeric_limits<int>::max());
    line->setValidator(new SingleLineValidator(this));
    line->setMinimumWidth(line->fontMetrics().averageCharWidth() * 48);
    label->setBuddy(line);
    refusal = new QLabel(this);
    refusal->setObjectName(QStringLiteral("refusal"));
    refusal->setWordWrap(true);
    refusal->hide();
    auto* buttons = new QDialogButtonBox(this);
    cmdOk = buttons->addButton(localizer.ID_BTN_OK(), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(localizer.ID_BTN_CANCEL(), QDialogButtonBox::RejectRole);
    cmdOk->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(line);
    layout->addWidget(refusal);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (cmdOk->isEnabled())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(line, &QLineEdit::textChanged, this, &KeywordDialog::refresh);
}

void KeywordDialog::refresh()
{
    const QString why = m_check ? m_check(line->text()) : QString();
    cmdOk->setEnabled(why.isEmpty());
    refusal->setText(why);
    refusal->setVisible(!why.isEmpty());
    // Screen readers hear it as the line's description.
    line->setAccessibleDescription(why);
}

bool KeywordDialog::run(const QString& keywords, const Accept& accept)
{
    line->setText(keywords);
    refresh();
    for (;;) {
        const bool confirmed = exec() == QDialog::Accepted;
        // The pointer is normal again whatever became of the dialog.
        BusyPointer::restoreNormal();
        if (!confirmed)
            return false;
        if (accept(line->text()))
            return true;
        refresh();
    }
}
