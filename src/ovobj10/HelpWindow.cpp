#include "ovobj10/HelpWindow.h"

#include "ovobj10/ModObject.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPointer<HelpWindow>& threadInstance()
{
    thread_local QPointer<HelpWindow> window;
    return window;
}

} // namespace

HelpWindow* HelpWindow::threadWindow()
{
    QPointer<HelpWindow>& window = threadInstance();
    if (!window)
        window = new HelpWindow;
    return window;
}

void HelpWindow::closeThreadWindow()
{
    if (QPointer<HelpWindow>& window = threadInstance())
        window->close(); // deletes itself
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 480);
}

void HelpWindow::showFile(const QString& fileName)
{
    const QFileInfo file(fileName);
    const QString title = ModObject::byLanguage("Aide", "Help");
    if (file.isFile() && file.isReadable()) {
        m_browser->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
        const QString documentTitle = m_browser->documentTitle();
        setWindowTitle(documentTitle.isEmpty() ? title + QStringLiteral(" - ") + file.fileName()
                                               : documentTitle);
    } else {
        m_browser->setPlainText(
            ModObject::byLanguage("Le fichier d'aide %1 est introuvable ou illisible.",
                                  "The help file %1 cannot be found or read.")
                .arg(QDir::toNativeSeparators(fileName)));
        setWindowTitle(title);
    }
    present();
}

void HelpWindow::showHelpOnHelp()
{
    setWindowTitle(ModObject::byLanguage("Utilisation de l'aide", "Using Help"));
    m_browser->setHtml(ModObject::byLanguage(
        "<h2>Utilisation de l'aide</h2>"
        "<p>Cette fenêtre affiche l'aide d'un programme.</p>"
        "<ul><li>Cliquez sur un lien souligné pour ouvrir la rubrique qu'il désigne.</li>"
        "<li>Alt+Flèche gauche revient à la rubrique précédente, Alt+Flèche droite va à la "
        "suivante.</li>"
        "<li>Faites défiler une rubrique avec la molette ou les touches Page précédente et "
        "Page suivante.</li>"
        "<li>Ctrl+C copie le texte sélectionné.</li>"
        "<li>Fermez la fenêtre quand vous n'en avez plus besoin ; le programme peut aussi la "
        "fermer lui-même.</li></ul>",
        "<h2>Using Help</h2>"
        "<p>This window shows a program's help.</p>"
        "<ul><li>Click an underlined link to open the topic it names.</li>"
        "<li>Alt+Left goes back to the previous topic, Alt+Right forward to the next.</li>"
        "<li>Scroll a topic with the mouse wheel or the Page Up and Page Down keys.</li>"
        "<li>Ctrl+C copies the selected text.</li>"
        "<li>Close the window when you no longer need it; the program may also close it "
        "itself.</li></ul>"));
    present();
}

void HelpWindow::present()
{
    show();
    raise();
    activateWindow();
}
