// The bare Qt window that bench_startup measures the program against: a tab
// strip with an empty list, the program's size, and nothing else. It ends
// at SIGTERM without anything to save.
//
//   bench_bare

#include <QApplication>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    auto* tabs = new QTabWidget(&window);
    auto* list = new QTreeView;
    auto* model = new QStandardItemModel(0, 2, list);
    list->setModel(model);
    tabs->addTab(list, QStringLiteral("Smileys"));
    tabs->addTab(new QWidget, QStringLiteral("Acronyms"));
    tabs->addTab(new QWidget, QStringLiteral("About"));
    tabs->setGeometry(8, 8, 353, 425);
    window.setFixedSize(368, 439);
    window.setWindowTitle(QStringLiteral("Bare"));
    window.show();
    return app.exec();
}
