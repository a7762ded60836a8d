#include "app/dialogs/EntryEditor.h"

#include "app/dialogs/BusyPointer.h"
#include "app/dialogs/frmAddNew.h"
#include "app/models/CatalogueListModel.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QLabel>
#include <QLineEdit>

#include <memory>

EntryEditor::EntryEditor(ZunoSmiley1& localizer, const CatalogueListModel& model, QWidget* owner)
    : m_localizer(localizer)
    , m_model(model)
    , m_owner(owner)
{}

bool EntryEditor::run(const std::optional<UserListFormat::Entry>& editing, const Accept& accept)
{
    BusyPointer::show();
    const bool smileys = m_model.kind() == CatalogueListModel::Kind::Smileys;
    const QString label = smileys ? m_localizer.ID_INT_SMILEY() : m_localizer.ID_INT_ACRONYM();
    // The kind's word: the label without its access-key mark and its colon.
    const QString word = label.size() >= 2 ? label.mid(1, label.size() - 2) : QString();
    auto dialog = std::make_unique<frmAddNew>(m_localizer, m_owner);
    dialog->setWindowTitle((editing ? m_localizer.ID_INT_EDIT() : m_localizer.ID_INT_NEW()) +
                           QLatin1Char(' ') + word);
    dialog->lblItem->setText(label);
    const QString original = editing ? editing->text : QString();
    if (editing) {
        dialog->CItem->setText(editing->text);
        dialog->CDescription->setText(editing->description);
    }
    // OK stays disabled while the text repeats an entry, which is named.
    dialog->setDuplicateCheck(
        [this, edit = editing.has_value(),
         original](const QString& text) -> std::optional<std::pair<QString, QString>> {
            const int found = m_model.existingRow(text, edit ? m_model.userRow(original) : -1);
            if (found < 0)
                return std::nullopt;
            return std::pair(m_model.text(found).toString(), m_model.description(found).toString());
        });
    bool taken = false;
    for (;;) {
        dialog->HitOk = false;
        dialog->exec();
        // The pointer is normal again whatever became of the dialog.
        BusyPointer::restoreNormal();
        if (!dialog->HitOk)
            break;
        taken = accept(dialog->CItem->text(), dialog->CDescription->text());
        if (taken)
            break;
        dialog->SetCmdOk();
    }
    dialog->CanUnload = true;
    return taken;
}
