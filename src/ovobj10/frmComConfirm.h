#pragma once

#include "compat/Twips.h"

#include <QDialog>

class CommonDialog;
class QLabel;
class QPushButton;

// The four-answer confirmation dialog: a warning icon, the message and the
// buttons Yes, Yes for All, No and Cancel, captioned in the thread's language
// and drawn in the thread's font name. A button leaves its answer code in
// Response and hides the dialog; a dialog that goes away otherwise leaves 0.
// Escape answers Cancel; Enter answers the focused button. The help methods
// load it without showing it, for its common dialog control.
class frmComConfirm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(qint16 Response READ Response)

public:
    enum Answer : qint16 { NoAnswer = 0, Yes = 1, YesForAll = 2, No = 3, Cancel = 4 };

    explicit frmComConfirm(QWidget* parent = nullptr);

    qint16 Response() const { return m_response; }
    QLabel* lblCaption() const { return m_lblCaption; }
    QPushButton* CmdYesForAll() const { return m_cmdYesForAll; }
    // The invisible common dialog control that the help methods drive.
    CommonDialog* CmDialog1() const { return m_cmDialog1; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void Form_Load();
    void Form_Activate();
    void answer(Answer code);
    QPushButton* addButton(const char* name, const char* designCaption, const QRect& twips,
                           Answer code);

    const Twips m_twips; // the layout units at this screen's resolution
    qint16 m_response = NoAnswer;
    QLabel* m_image1 = nullptr;
    QLabel* m_lblCaption = nullptr;
    QPushButton* m_cmdYes = nullptr;
    QPushButton* m_cmdYesForAll = nullptr;
    QPushButton* m_cmdNo = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    CommonDialog* m_cmDialog1 = nullptr;
};
