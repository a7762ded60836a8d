#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class ZunoSmiley1;

// The dialog of an entry's own keywords: one line, the keywords with commas
// between them. OK stays disabled while the line cannot be taken as it is,
// and the line under it says why; an empty line takes the keywords away.
// When what was confirmed is not taken after all, the dialog comes back
// with what was typed until it is, or the user gives up.
class KeywordDialog : public QDialog
{
    Q_OBJECT
public:
    // Why a line cannot be taken as it is; empty when it can.
    using Check = std::function<QString(const QString& typed)>;
    // Takes a confirmed line; false when it is not taken.
    using Accept = std::function<bool(const QString& typed)>;

    KeywordDialog(ZunoSmiley1& localizer, const QString& entryText, Check check,
                  QWidget* parent = nullptr);

    // Shows the dialog with the line given until a line is taken (true) or
    // the user cancels (false).
    bool run(const QString& keywords, const Accept& accept);

    QLineEdit* line = nullptr;
    QLabel* refusal = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void refresh();

    Check m_check;
};
