// The floor program: the least Qt program that does the catalogue's job, as
// the reference for bench_startup. It shows the window the program shows (a
// tab strip with the two lists and a page with the language box, the same
// size), loads both list files of LIST_FOLDER into plain lists before the
// window is shown, reloads both in full (empty, read, index) when another
// language is chosen, and writes both back when it is closed or asked to end
// (SIGTERM), as the program does.
//
//   bench_floor LIST_FOLDER

#include "FloorList.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QSocketNotifier>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTreeView>

#include <array>
#include <csignal>
#include <unistd.h>

namespace {

int terminationPipe[2] = {-1, -1};

void onTermination(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}

class FloorWindow : public QWidget
{
public:
    explicit FloorWindow(const QString& folder)
        : m_paths{QDir(folder).filePath(QStringLiteral("Smileys.smy")),
                  QDir(folder).filePath(QStringLiteral("Acronyms.acr"))}
    {
        // The program's geometry at 96 dpi, so that the same keys reach the
        // same controls.
        setFixedSize(368, 439);
        m_tabs = new QTabWidget(this);
        m_tabs->setGeometry(8, 8, 353, 425);
        m_tabs->setUsesScrollButtons(false);
        for (int list = 0; list < 2; ++list) {
            m_lists[list] = new FloorList(this);
            auto* sorted = new QSortFilterProxyModel(this);
            sorted->setSourceModel(m_lists[list]);
            sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
            sorted->setSortLocaleAware(false);
            auto* page = new QWidget;
            auto* view = new QTreeView(page);
            view->setUniformRowHeights(true);
            view->setRootIsDecorated(false);
            view->setItemsExpandable(false);
            view->setModel(sorted);
            view->setGeometry(8, 16, 281, 369);
            m_tabs->addTab(page,
                           list == 0 ? QStringLiteral("Smileys") : QStringLiteral("Acronymes"));
        }
        auto* about = new QWidget;
        auto* language = new QComboBox(about);
        language->addItems(
            {QStringLiteral("Français / French"), QStringLiteral("Anglais / English")});
        language->setGeometry(24, 208, 273, 25);
        connect(language, &QComboBox::activated, this, [this](int index) {
            m_tabs->setTabText(2,
                               index == 0 ? QStringLiteral("A Propos") : QStringLiteral("About"));
            load();
        });
        m_tabs->addTab(about, QStringLiteral("A Propos"));
        load();
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        for (int list = 0; list < 2; ++list)
            m_lists[list]->save(m_paths[list]);
        event->accept();
    }

private:
    void load()
    {
        for (int list = 0; list < 2; ++list)
            m_lists[list]->load(m_paths[list]);
    }

    std::array<QString, 2> m_paths;
    std::array<FloorList*, 2> m_lists{};
    QTabWidget* m_tabs = nullptr;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    FloorWindow window(QString::fromLocal8Bit(argv[1]));
    window.setWindowTitle(QStringLiteral("Floor"));

    // A termination request closes the window, which saves, as the program's
    // own watcher does.
    if (::pipe(terminationPipe) != 0)
        return 1;
    std::signal(SIGTERM, onTermination);
    QSocketNotifier termination(terminationPipe[0], QSocketNotifier::Read);
    QObject::connect(&termination, &QSocketNotifier::activated, &window, [&] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(terminationPipe[0], &byte, 1);
        window.close();
    });
    window.show();
    return app.exec();
}
