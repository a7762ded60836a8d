#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <utility>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ZunoSmiley1;

// The entry dialog of Add and Edit: the entry's text and its description.
// OK and Cancel only hide it; closing its window any other way while
// CanUnload is false hides it too, as Cancel. The command that opened it
// reads HitOk and the two boxes, then destroys it.
class frmAddNew : public QDialog
{
    Q_OBJECT
public:
    explicit frmAddNew(ZunoSmiley1& localizer, QWidget* parent = nullptr);
    ~frmAddNew() override;

    // The entry of the list that a text would duplicate (its text and its
    // description), by the list's rule; nothing when there is none.
    using DuplicateCheck =
        std::function<std::optional<std::pair<QString, QString>>(const QString& text)>;
    void setDuplicateCheck(DuplicateCheck check);

    void Form_Load();
    void Form_Activate();
    // OK is enabled exactly when neither box is empty, the list file can
    // carry both texts as they are and the text duplicates no entry of the
    // list; lblRefusal says why it cannot, naming the entry it duplicates.
    void SetCmdOk();
    void CItem_Change();
    void CDescription_Change();
    void cmdOk_Click();
    void cmdCancel_Click();
    // A request to close the window; answers Cancel.
    bool Form_QueryUnload();

    bool HitOk = false;
    bool CanUnload = false;

    QGroupBox* frame = nullptr;
    QLabel* lblItem = nullptr;
    QLineEdit* CItem = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblRefusal = nullptr;
    QLineEdit* CDescription = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void showRefusal(const QString& refusal);

    ZunoSmiley1& m_localizer;
    DuplicateCheck m_duplicateOf;
};
