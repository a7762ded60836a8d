// The lists under the keyboard and the mouse: what a selection enables, the
// keys of the commands, the sort by a header, copy and drag, the list styles.

#include "AppFixture.h"
#include "app/widgets/ModCommonCtrls.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

using namespace WindowDriving;

namespace {

void clickEmptySpace(frmMain* w, int list)
{
    CatalogueView* view = w->page(list)->view();
    // Room below the last entry.
    view->resize(view->width(),
                 view->sizeHintForRow(0) * (w->page(list)->model()->rowCount() + 4) + 40);
    view->scrollToTop();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(10, view->viewport()->height() - 5));
    QCoreApplication::processEvents();
}

} // namespace

class tst_ListKeyboardMouse : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setApplicationName("ZunoSmileys");
    }

    void init()
    {
        m_app = std::make_unique<AppFixture>();
        w = m_app->startWithSampleLists();
        QVERIFY(w);
    }

    void cleanup() { m_app.reset(); }

    void buttonsFollowTheSelection_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("click");
        QTest::addColumn<QStringList>("enabled");
        const QStringList all{"Copy", "Add", "Edit", "Remove"};
        QTest::newRow("built-in smiley") << 0 << ";-)" << QStringList{"Copy", "Add"};
        QTest::newRow("user smiley") << 0 << "<:o)" << all;
        QTest::newRow("empty space") << 0 << "" << QStringList{"Add"};
        QTest::newRow("built-in acronym") << 1 << "BTW" << QStringList{"Copy", "Add"};
        QTest::newRow("user acronym") << 1 << "QQZ" << all;
    }

    void buttonsFollowTheSelection()
    {
        QFETCH(int, list);
        QFETCH(QString, click);
        QFETCH(QStringList, enabled);
        w->TabStrip1_Click(list + 1);
        // The smiley list starts on its first entry, a built-in one.
        const QStringList atStart[] = {{"Copy", "Add"}, {"Add"}};
        QCOMPARE(AppFixture::enabledButtons(w, list), atStart[list]);
        // Something selected first, so that empty space has something to clear.
        clickRow(w, list, rowOf(w, list, list == 0 ? "<:o)" : "QQZ"));
        if (click.isEmpty())
            clickEmptySpace(w, list);
        else
            clickRow(w, list, rowOf(w, list, click));
        QCOMPARE(AppFixture::enabledButtons(w, list), enabled);
        // The other tab keeps its own state.
        QCOMPARE(AppFixture::enabledButtons(w, 1 - list), atStart[1 - list]);
    }

    void keysObeyTheButtons()
    {
        const int rows = w->page(0)->model()->rowCount();
        int dialogs = 0;
        auto countDialogs = [&dialogs] {
            QTimer::singleShot(0, [&dialogs] {
                if (auto* d = qobject_cast<frmAddNew*>(QApplication::activeModalWidget())) {
                    ++dialogs;
                    d->cmdCancel->click();
                }
            });
        };
        clickRow(w, 0, rowOf(w, 0, ";-)"));
        QTest::keyClick(w->page(0)->view(), Qt::Key_Delete);
        countDialogs();
        QTest::keyClick(w->page(0)->view(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(w->page(0)->model()->rowCount(), rows);
        QCOMPARE(dialogs, 0);

        clickRow(w, 0, rowOf(w, 0, "abc"));
        countDialogs();
        QTest::keyClick(w->page(0)->view(), Qt::Key_Enter);
        QCOMPARE(dialogs, 1);
        QTest::keyClick(w->page(0)->view(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w->page(0)->model()->rowCount(), rows - 1);
        QCOMPARE(rowOf(w, 0, "abc"), -1);
        QCOMPARE(rowOf(w, 0, "<:o)") >= 0, true);
        QCOMPARE(AppFixture::enabledButtons(w, 0), QStringList{"Add"});
    }

    void selectionsThatAreNotClicksRefreshTheButtons()
    {
        clickRow(w, 0, rowOf(w, 0, "<:o)"));
        QCOMPARE(AppFixture::enabledButtons(w, 0), QStringList({"Copy", "Add", "Edit", "Remove"}));
        // The arrow key moves to the next, built-in or user entry.
        QTest::keyClick(w->page(0)->view(), Qt::Key_Up);
        QCOMPARE(AppFixture::enabledButtons(w, 0), QStringList({"Copy", "Add"}));
        // The pointer resting on an entry selects it.
        const QModelIndex user = shown(w, 0, rowOf(w, 0, "abc"));
        w->page(0)->view()->scrollTo(user);
        QWidget* viewport = w->page(0)->view()->viewport();
        const QPoint pos = w->page(0)->view()->visualRect(user).center();
        QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, {}, {});
        QApplication::sendEvent(viewport, &move);
        QTRY_COMPARE(w->page(0)->view()->selectedSourceRow(), rowOf(w, 0, "abc"));
        QCOMPARE(AppFixture::enabledButtons(w, 0), QStringList({"Copy", "Add", "Edit", "Remove"}));
    }

    void headerClicksAlternateTheDirection()
    {
        QHeaderView* header = w->page(0)->view()->header();
        auto clickHeader = [](QHeaderView* h, int section) {
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                              QPoint(h->sectionViewportPosition(section) + 5, h->height() / 2));
        };
        QAbstractProxyModel* sorted = w->page(0)->sortedModel();
        auto isSorted = [sorted](int column, Qt::SortOrder order) {
            for (int r = 1; r < sorted->rowCount(); ++r) {
                const QString a = sorted->index(r - 1, column).data().toString();
                const QString b = sorted->index(r, column).data().toString();
                const int c = a.compare(b, Qt::CaseInsensitive);
                if (order == Qt::AscendingOrder ? c > 0 : c < 0)
                    return false;
            }
            return true;
        };
        clickHeader(header, 0);
        QCOMPARE(w->page(0)->sortFlag(), qint16(1));
        QVERIFY(isSorted(0, Qt::AscendingOrder));
        clickHeader(header, 0);
        QVERIFY(isSorted(0, Qt::DescendingOrder));
        clickHeader(header, 0);
        QVERIFY(isSorted(0, Qt::AscendingOrder));
        // The toggle belongs to the list: the description header now sorts down.
        clickHeader(header, 1);
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(isSorted(1, Qt::DescendingOrder));
        // The acronym list has its own toggle.
        clickHeader(w->page(1)->view()->header(), 0);
        QCOMPARE(w->page(1)->sortFlag(), qint16(1));
        QCOMPARE(w->page(1)->view()->header()->sortIndicatorOrder(), Qt::AscendingOrder);
        // Sorting shows the rows in another order; the file keeps the user's.
        QVERIFY(m_app->close());
        QCOMPARE(AppFixture::readAll(m_app->listPath("Smileys.smy")),
                 QByteArray("\"<:o)\",\"Clown\"\r\n\"abc\",\"letters\"\r\n"));
    }

    void copyPlacesTheEntryTextAlone()
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("before");
        w->page(0)->view()->clearSelection();
        w->cmdCopy_Click(0);
        QCOMPARE(clipboard->text(), QString("before"));

        clickRow(w, 0, rowOf(w, 0, ";-)"));
        w->page(0)->button(ListPage::Copy)->click();
        QCOMPARE(clipboard->text(), QString(";-)"));
        QCOMPARE(clipboard->mimeData()->formats(), QStringList{"text/plain"});
        // A copy says so near the Copy button, then the notice fades.
        QVERIFY(w->page(0)->copiedNotice()->isVisible());
        QCOMPARE(w->page(0)->copiedNotice()->text(), QString("Copié"));
        QTRY_VERIFY_WITH_TIMEOUT(!w->page(0)->copiedNotice()->isVisible(), 3000);

        // Ctrl+C copies the entry's text whichever cell was clicked, and so
        // does a double-click.
        CatalogueView* view = w->page(0)->view();
        const QModelIndex clown = shown(w, 0, rowOf(w, 0, "<:o)")).siblingAtColumn(1);
        view->scrollTo(clown);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(clown).center());
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QString("<:o)"));
        clipboard->setText("before");
        const QModelIndex letters = shown(w, 0, rowOf(w, 0, "abc")).siblingAtColumn(1);
        view->scrollTo(letters);
        // A double-click as the window system sends it: a click, then the double.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(letters).center());
        QCOMPARE(clipboard->text(), QString("before"));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                           view->visualRect(letters).center());
        QCOMPARE(clipboard->text(), QString("abc"));

        // The acronym tab copies its own selection, whatever the smiley list holds.
        w->TabStrip1_Click(2);
        clickRow(w, 1, rowOf(w, 1, "QQZ"));
        w->page(1)->button(ListPage::Copy)->click();
        QCOMPARE(clipboard->text(), QString("QQZ"));
        clickRow(w, 1, rowOf(w, 1, "BTW"));
        w->page(1)->button(ListPage::Copy)->click();
        QCOMPARE(clipboard->text(), QString("BTW"));
    }

    // The window answers the keyboard from the start: the focus is in the
    // smiley list on its first entry; letters typed there, on the tab bar or
    // on a button open the filter with them, and so does Ctrl+F from the
    // About page; Ctrl+C in the filter copies the entry it chooses; a list
    // reached by Tab selects the row it is on, and Down goes to the next.
    void theKeyboardWorksFromTheStart()
    {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        ListPage* page = w->page(0);
        const QAbstractProxyModel* sorted = page->sortedModel();
        QCOMPARE(QApplication::focusWidget(), page->view());
        QCOMPARE(page->view()->selectedSourceRow(), sorted->mapToSource(sorted->index(0, 0)).row());
        QGuiApplication::clipboard()->setText("before");
        for (const char key : QByteArray("wink"))
            QTest::keyClick(QApplication::focusWidget(), key);
        QVERIFY(page->filterField()->isVisible());
        QCOMPARE(page->filterField()->text(), QString("wink"));
        QCOMPARE(sorted->rowCount(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString(";-)"));
        // With text selected in the filter, Ctrl+C copies that text.
        page->filterField()->selectAll();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("wink"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);

        auto* tabs = AppFixture::control<QTabWidget>(w, "TabStrip1");
        for (QWidget* idle : {static_cast<QWidget*>(tabs->tabBar()),
                              static_cast<QWidget*>(page->button(ListPage::Add))}) {
            idle->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(idle, Qt::Key_O);
            QVERIFY(page->filterField()->hasFocus());
            QCOMPARE(page->filterField()->text(), QString("o"));
            QTest::keyClick(page->filterField(), Qt::Key_Escape);
        }
        // A blank is no filter text: it stays with the control it was typed in.
        tabs->tabBar()->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(tabs->tabBar(), Qt::Key_Space);
        QVERIFY(page->filterField()->isHidden());
        w->TabStrip1_Click(3);
        tabs->tabBar()->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(tabs->tabBar(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(page->filterField()->hasFocus());
        QTest::keyClick(page->filterField(), Qt::Key_Escape);

        page->view()->selectionModel()->clearSelection();
        tabs->tabBar()->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(tabs->tabBar(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page->view());
        const int first = page->view()->currentIndex().row();
        QCOMPARE(page->view()->selectionModel()->selectedRows().value(0).row(), first);
        QTest::keyClick(page->view(), Qt::Key_Down);
        QCOMPARE(page->view()->selectionModel()->selectedRows().value(0).row(), first + 1);
    }

    void dragCarriesTheEntryTextAsACopy()
    {
        Qt::DropActions allowed;
        w->page(0)->view()->clearSelection();
        QVERIFY(!w->page(0)->dragData(&allowed));
        clickRow(w, 0, rowOf(w, 0, "<:o)"));
        std::unique_ptr<QMimeData> data(w->page(0)->dragData(&allowed));
        QVERIFY(data);
        QCOMPARE(data->formats(), QStringList{"text/plain"});
        QCOMPARE(data->text(), QString("<:o)"));
        QCOMPARE(allowed, Qt::DropActions(Qt::CopyAction));
        QCOMPARE(w->page(0)->view()->defaultDropAction(), Qt::CopyAction);
        QVERIFY(rowOf(w, 0, "<:o)") >= 0);
    }

    void listStylesAreOnlyEverAdded_data()
    {
        QTest::addColumn<QList<int>>("styles");
        QTest::addColumn<int>("bits");
        QTest::newRow("the program's three") << QList<int>{64, 8, 2048} << (64 | 8 | 2048);
        QTest::newRow("another order") << QList<int>{2048, 64, 8} << (64 | 8 | 2048);
        QTest::newRow("twice the same") << QList<int>{8, 8} << 8;
        QTest::newRow("2 is not accepted") << QList<int>{1, 2} << 1;
        QTest::newRow("nor a mix of bits") << QList<int>{64 | 8} << 0;
        QTest::newRow("nor a negative value") << QList<int>{-1, 32} << 32;
        QTest::newRow("every accepted bit") << QList<int>{1, 4, 8, 16, 32, 64, 128, 2048}
                                            << (1 | 4 | 8 | 16 | 32 | 64 | 128 | 2048);
    }

    void listStylesAreOnlyEverAdded()
    {
        QFETCH(QList<int>, styles);
        QFETCH(int, bits);
        CatalogueView view;
        for (int style : styles)
            ModCommonCtrls::SetListViewExStyle(&view, style);
        QCOMPARE(ModCommonCtrls::GetListViewExStyle(&view), bits);
        QWidget notAList;
        ModCommonCtrls::SetListViewExStyle(&notAList, 64);
        QCOMPARE(ModCommonCtrls::GetListViewExStyle(&notAList), 0);
        ModCommonCtrls::SetListViewExStyle(nullptr, 64);
    }

    void theMainWindowsListsHaveTheirStyles()
    {
        for (int list = 0; list < 2; ++list) {
            const int bits = ModCommonCtrls::GetListViewExStyle(w->page(list)->view());
            QCOMPARE(bits, 64 | 8 | 2048);
            QCOMPARE(
                w->page(list)->view()->style()->styleHint(
                    QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, w->page(list)->view()),
                1);
        }
    }

private:
    std::unique_ptr<AppFixture> m_app;
    frmMain* w = nullptr;
};

QTEST_MAIN(tst_ListKeyboardMouse)
#include "tst_listkeyboardmouse.moc"
