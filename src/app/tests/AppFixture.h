#pragma once

#include "TestFiles.h"
#include "app/ModZunoSmiley.h"
#include "app/dialogs/MessageBox.h"
#include "app/dialogs/frmAddNew.h"
#include "app/frmMain.h"
#include "app/models/CatalogueListModel.h"
#include "app/settings/SettingsStore.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "catalogue/OVAcronym.h"
#include "catalogue/OVSmiley.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

// A catalogue program started for one test: its program file in a folder of
// its own (so the list files land there), the settings store emptied first.
class AppFixture
{
public:
    AppFixture()
    {
        QFile::remove(SettingsStore::fileName());
        MessageBox::reset();
        // The usage of entries is state of this test's alone.
        qputenv("XDG_STATE_HOME", m_program.filePath(QStringLiteral("state")).toLocal8Bit());
    }

    QString programFolder() const { return m_program.path(); }
    QString listPath(const QString& name) const { return m_program.filePath(name); }

    // Starts the program as its main() does; the window is shown.
    frmMain* start(const QString& listFolder = QString())
    {
        m_mod = std::make_unique<ModZunoSmiley>(m_program.filePath(QStringLiteral("ZunoSmiley")));
        if (!listFolder.isEmpty())
            m_mod->setListFolder(listFolder);
        m_mod->Main();
        return m_mod->MainWindow;
    }

    // Closes the window as the user does; true when it closed.
    bool close()
    {
        frmMain* window = m_mod->MainWindow;
        return window && window->close();
    }

    // Close, then start again with the same folders.
    frmMain* restart()
    {
        const QString folder = m_mod->listFolder();
        close();
        m_mod.reset();
        return start(folder);
    }

    ModZunoSmiley& mod() { return *m_mod; }
    // The program ends, as main() returns.
    void end() { m_mod.reset(); }

    static void storeLanguage(const QString& value)
    {
        SettingsStore::write(SettingsStore::LanguageKey, value, SettingsStore::Configuration);
    }
    static QString storedLanguage()
    {
        return SettingsStore::read(SettingsStore::LanguageKey, QStringLiteral("<absent>"),
                                   SettingsStore::Configuration);
    }

    static QByteArray readAll(const QString& path) { return TestFiles::readAll(path); }
    // Creates the file's folder first.
    // The window over the lists' tests' own files: two smileys of the user's
    // and one acronym; nullptr when they cannot be written.
    frmMain* startWithSampleLists()
    {
        if (!writeFile(listPath(QStringLiteral("Smileys.smy")),
                       "\"<:o)\",\"Clown\"\r\n\"abc\",\"letters\"\r\n") ||
            !writeFile(listPath(QStringLiteral("Acronyms.acr")), "\"QQZ\",\"mine\"\r\n"))
            return nullptr;
        return start();
    }

    static bool writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        return TestFiles::writeFile(path, bytes);
    }

    // A control of the window by its object name.
    template <class T = QWidget> static T* control(frmMain* w, const char* name)
    {
        return w->findChild<T*>(QLatin1String(name));
    }

    // The command buttons of a tab that a user can press, by name.
    static QStringList enabledButtons(frmMain* w, int list)
    {
        QStringList out;
        if (w->page(list)->button(ListPage::Copy)->isEnabled())
            out << "Copy";
        if (w->page(list)->button(ListPage::Add)->isEnabled())
            out << "Add";
        if (w->page(list)->button(ListPage::Edit)->isEnabled())
            out << "Edit";
        if (w->page(list)->button(ListPage::Remove)->isEnabled())
            out << "Remove";
        return out;
    }

    // The rows of a list as "text | description | tag", in list order.
    static QStringList rows(const CatalogueListModel* list, bool userOnly = false)
    {
        QStringList out;
        for (int r = 0; r < list->rowCount(); ++r) {
            const auto& e = list->entry(r);
            if (userOnly && e.origin != CatalogueListModel::Origin::File)
                continue;
            out << e.text + QStringLiteral(" | ") + e.description + QStringLiteral(" | ") +
                       CatalogueListModel::tagText(e.origin);
        }
        return out;
    }

private:
    QTemporaryDir m_program;
    std::unique_ptr<ModZunoSmiley> m_mod;
};

// The window driven as a user drives it, for the tests of more than one
// executable.
namespace WindowDriving {

// The source row of the first entry with this text.
inline int rowOf(frmMain* w, int list, const QString& text)
{
    for (int r = 0; r < w->page(list)->model()->rowCount(); ++r) {
        if (w->page(list)->model()->entry(r).text == text)
            return r;
    }
    return -1;
}

inline QModelIndex shown(frmMain* w, int list, int sourceRow)
{
    return w->page(list)->sortedModel()->mapFromSource(w->page(list)->model()->index(sourceRow, 0));
}

inline void clickRow(frmMain* w, int list, int sourceRow)
{
    CatalogueView* view = w->page(list)->view();
    const QModelIndex index = shown(w, list, sourceRow);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QCoreApplication::processEvents();
}

// Answers the next entry dialog, which the command shows modally.
struct DialogAnswer
{
    QString title;
    QString label;
    QString text;
    QString description;
    bool okEnabled = false;
    bool seen = false;
};

inline void answerNextDialog(DialogAnswer* seen, std::function<void(frmAddNew*)> answer)
{
    QTimer::singleShot(0, [seen, answer] {
        auto* dialog = qobject_cast<frmAddNew*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen->seen = true;
        seen->title = dialog->windowTitle();
        seen->label = dialog->lblItem->text();
        seen->text = dialog->CItem->text();
        seen->description = dialog->CDescription->text();
        seen->okEnabled = dialog->cmdOk->isEnabled();
        answer(dialog);
        // Whatever the answer, never leave a test waiting on the dialog.
        if (dialog->isVisible())
            dialog->cmdCancel->click();
    });
}

inline void chooseLanguage(frmMain* w, int code)
{
    const int row = AppFixture::control<QComboBox>(w, "CLanguage")->findData(code);
    QVERIFY(row >= 0);
    AppFixture::control<QComboBox>(w, "CLanguage")->setCurrentIndex(row);
    Q_EMIT AppFixture::control<QComboBox>(w, "CLanguage")->activated(row);
}

// The built-in entries as the catalogue control reports them.
inline QStringList builtIns(int list, int language)
{
    QStringList out;
    auto collect = [&out](const QString& text, const QString& description, qint16) {
        out << text + QStringLiteral(" | ") + description + QStringLiteral(" | Table");
    };
    if (list == 0) {
        OVSmiley control;
        QObject::connect(&control, &OVSmiley::NextSmiley, collect);
        control.setLanguage(language);
        control.LoadTable();
    } else {
        OVAcronym control;
        QObject::connect(&control, &OVAcronym::NextAcronym, collect);
        control.setLanguage(language);
        control.LoadTable();
    }
    return out;
}

} // namespace WindowDriving
