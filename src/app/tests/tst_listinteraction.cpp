#include "AppFixture.h"
#include "app/dialogs/frmAddNew.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ModCommonCtrls.h"
#include "catalogue/UserListReader.h"
#include "compat/Automation.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace {

// The source row of the first entry with this text.
int rowOf(frmMain* w, int list, const QString& text)
{
    for (int r = 0; r < w->page(list)->model()->rowCount(); ++r) {
        if (w->page(list)->model()->entry(r).text == text)
            return r;
    }
    return -1;
}

QModelIndex shown(frmMain* w, int list, int sourceRow)
{
    return w->page(list)->sortedModel()->mapFromSource(w->page(list)->model()->index(sourceRow, 0));
}

void clickRow(frmMain* w, int list, int sourceRow)
{
    CatalogueView* view = w->page(list)->view();
    const QModelIndex index = shown(w, list, sourceRow);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QCoreApplication::processEvents();
}

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

void answerNextDialog(DialogAnswer* seen, std::function<void(frmAddNew*)> answer)
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

void chooseLanguage(frmMain* w, int code)
{
    auto* box = AppFixture::control<QComboBox>(w, "CLanguage");
    box->setCurrentIndex(box->findData(code));
    Q_EMIT box->activated(box->currentIndex());
}

void type(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

} // namespace

class tst_ListInteraction : public QObject
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
        QVERIFY(AppFixture::writeFile(m_app->listPath("Smileys.smy"),
                                      "\"<:o)\",\"Clown\"\r\n\"abc\",\"letters\"\r\n"));
        QVERIFY(AppFixture::writeFile(m_app->listPath("Acronyms.acr"), "\"QQZ\",\"mine\"\r\n"));
        w = m_app->start();
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

    // The filter bar of a list: every word typed must be in the entry's text
    // or description, letter case, accents and ligatures aside, or a word of
    // four letters one typo away, ranked after every exact match; a built-in
    // entry is also found by its description in the other language, a
    // user's entry by its own. Down goes into the list, Copy copies what it
    // chose there, Escape clears and closes the bar.
    void theFilterShowsTheEntriesHoldingEveryWord_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("English word, French window") << 1 << "wink" << QStringList{";-)"};
        QTest::newRow("French word, English window")
            << 2 << "clin" << QStringList{";-)", "<|-)"}; // then "chin", one letter off
        QTest::newRow("accents and case aside") << 1 << "TRES cher" << QStringList{"$-)"};
        QTest::newRow("every word, in any order") << 1 << "oeil  clin" << QStringList{";-)"};
        QTest::newRow("one word missing") << 1 << "clin zzz" << QStringList{};
        QTest::newRow("a user's own description")
            << 2 << "lett" << QStringList{"abc", "8:-)", "(-:", ":.)"}; // then "left"
        QTest::newRow("an entry's text") << 1 << "<:O" << QStringList{"<:o)"};
        QTest::newRow("a typo") << 2 << "winl" << QStringList{";-)"};
        QTest::newRow("a ligature") << 1 << "œil" << QStringList{";-)", "?-("};
    }
    void theFilterShowsTheEntriesHoldingEveryWord()
    {
        QFETCH(int, language);
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        const QStringList& shownTexts = expected;
        if (language == 2)
            chooseLanguage(w, 2);
        ListPage* page = w->page(0);
        const int all = page->sortedModel()->rowCount();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        page->view()->setFocus();
        QTest::keyClick(page->view(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(page->filterField()->isVisible());
        QVERIFY(page->filterField()->hasFocus());
        // Qt Test types ASCII alone; anything else comes as an input method would.
        const bool ascii =
            std::all_of(typed.cbegin(), typed.cend(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii)
            QTest::keyClicks(page->filterField(), typed);
        else
            page->filterField()->insert(typed);
        QStringList texts;
        for (int r = 0; r < page->sortedModel()->rowCount(); ++r)
            texts << page->sortedModel()->index(r, 0).data().toString();
        QCOMPARE(texts, shownTexts);

        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("before");
        QTest::keyClick(page->filterField(), Qt::Key_Down);
        QVERIFY(page->view()->hasFocus());
        page->button(ListPage::Copy)->click();
        QCOMPARE(clipboard->text(), shownTexts.isEmpty() ? QString("before") : shownTexts.first());

        page->filterField()->setFocus();
        QTest::keyClick(page->filterField(), Qt::Key_Escape);
        QVERIFY(!page->filterField()->isVisible());
        QCOMPARE(page->filterField()->text(), QString());
        QCOMPARE(page->sortedModel()->rowCount(), all);
        QVERIFY(page->view()->hasFocus());
        // A letter typed in the list opens the bar with that letter.
        QTest::keyClick(page->view(), Qt::Key_W);
        QVERIFY(page->filterField()->isVisible());
        QCOMPARE(page->filterField()->text(), QString("w"));
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

    // Called up to insert an entry, the window shows at every keystroke the
    // entry Enter inserts, and Up and Down move it without leaving the filter.
    // Where nothing can be typed (no window to type into here), Enter leaves
    // the entry on the clipboard, and the window comes back to say so.
    // Escape ends a pick with the window out of the way; an ended pick
    // leaves no filter behind.
    void aPickShowsItsChoice()
    {
        QGuiApplication::clipboard()->setText("before");
        w->pick(ActiveWindow());
        QVERIFY(QTest::qWaitForWindowActive(w));
        ListPage* page = w->page(0);
        const auto chosen = [page] {
            const QModelIndexList rows = page->view()->selectionModel()->selectedRows();
            return rows.size() == 1 ? rows.first().row() : -1;
        };
        QVERIFY(page->filterField()->isVisible());
        QCOMPARE(chosen(), 0);
        QTest::keyClicks(page->filterField(), "happy");
        QCOMPARE(page->sortedModel()->rowCount(), 2);
        QCOMPARE(chosen(), 0);
        QTest::keyClick(page->filterField(), Qt::Key_Down);
        QCOMPARE(chosen(), 1);
        QTest::keyClick(page->filterField(), Qt::Key_Down);
        QCOMPARE(chosen(), 1);
        QVERIFY(page->filterField()->hasFocus());
        const QString second = page->sortedModel()->index(1, 0).data().toString();
        QTest::keyClick(page->filterField(), Qt::Key_Return);
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), second);
        QVERIFY(w->isVisible() && !w->isMinimized());
        QCOMPARE(page->copiedNotice()->text(), QString("Copié : collez avec Ctrl+V"));
        QVERIFY(page->filterField()->isHidden());

        w->pick(ActiveWindow());
        QTest::keyClicks(page->filterField(), "happy");
        QTest::keyClick(page->filterField(), Qt::Key_Escape);
        QVERIFY(w->isMinimized());
        QVERIFY(page->filterField()->isHidden());
        QCOMPARE(page->sortedModel()->rowCount(), page->model()->rowCount());
        QCOMPARE(QGuiApplication::clipboard()->text(), second);
    }

    // A filtered list is ranked, the best match first, whatever the header
    // sort; the sort holds again once the filter ends. The language switch
    // rebuilds the lists and ends the filter.
    void theFilterRanksTheSortWaitsAndTheLanguageSwitchEnds()
    {
        ListPage* page = w->page(0);
        const auto texts = [page] {
            QStringList out;
            for (int r = 0; r < page->sortedModel()->rowCount(); ++r)
                out << page->sortedModel()->index(r, 0).data().toString();
            return out;
        };
        const auto sorted = [](QStringList list) {
            std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            });
            return list;
        };
        page->sortByColumn(1);
        page->openFilter("o");
        const int filtered = page->sortedModel()->rowCount();
        QVERIFY(filtered > 2 && filtered < page->model()->rowCount());
        // An entry added meanwhile takes its ranked place: its text is what
        // was typed, so it comes first.
        QVERIFY(page->addUserEntry("O", "a ring"));
        QCOMPARE(page->sortedModel()->rowCount(), filtered + 1);
        QCOMPARE(texts().first(), QString("O"));
        QVERIFY(texts() != sorted(texts()));
        page->closeFilter();
        QCOMPARE(texts(), sorted(texts()));
        page->openFilter("o");
        chooseLanguage(w, 2);
        QVERIFY(!page->filterField()->isVisible());
        QCOMPARE(page->sortedModel()->rowCount(), page->model()->rowCount());
    }

    // What the user uses comes first. Ctrl+D marks the selected entry (a
    // star over its picture, a state screen readers hear, a file beside the
    // lists), and after a restart the empty pick shows it first; of the
    // entries a word finds, the one copied three times comes first; a word
    // that finds nothing says so.
    void favouritesAndUseComeFirst()
    {
        ListPage* page = w->page(0);
        const auto texts = [](const ListPage* shown) {
            QStringList out;
            for (int r = 0; r < shown->sortedModel()->rowCount(); ++r)
                out << shown->sortedModel()->index(r, 0).data().toString();
            return out;
        };
        const int row = rowOf(w, 0, "$-)");
        const QModelIndex cell = page->model()->index(row, 0);
        const qint64 plain = cell.data(Qt::DecorationRole).value<QIcon>().cacheKey();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        page->view()->setFocus();
        page->select(row);
        QTest::keyClick(page->view(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(page->model()->isFavourite(row));
        QVERIFY(cell.data(Qt::DecorationRole).value<QIcon>().cacheKey() != plain);
        QCOMPARE(cell.data(Qt::AccessibleDescriptionRole).toString(), QString("favori"));
        QVERIFY(QFileInfo::exists(m_app->mod().listFolder() + "/Favourites.json"));

        w = m_app->restart();
        page = w->page(0);
        w->pick(ActiveWindow());
        QVERIFY(page->filterField()->isVisible());
        QCOMPARE(texts(page).first(), QString("$-)"));
        QCOMPARE(texts(page).size(), page->model()->rowCount());

        QTest::keyClicks(page->filterField(), "happy");
        const QStringList found = texts(page);
        QCOMPARE(found.size(), 2);
        for (int copy = 0; copy < 3; ++copy) {
            page->select(rowOf(w, 0, found.last()));
            page->copySelected();
        }
        page->filterField()->clear();
        QTest::keyClicks(page->filterField(), "happy");
        QCOMPARE(texts(page), (QStringList{found.last(), found.first()}));

        page->filterField()->clear();
        auto* none = page->findChild<QLabel*>("picSmileyNoMatch");
        QVERIFY(none && none->isHidden());
        QTest::keyClicks(page->filterField(), "zzzz");
        QCOMPARE(page->sortedModel()->rowCount(), 0);
        QVERIFY(!none->isHidden());
        QCOMPARE(none->text(), QString("Aucune entrée ne correspond à ce filtre"));
        QTest::keyClick(page->filterField(), Qt::Key_Escape);
        QVERIFY(none->isHidden());
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

    void addAndEdit_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("edit"); // the entry to edit; empty for Add
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("answer"); // ok, cancel or close
        QTest::addColumn<QStringList>("userRows");
        const QStringList before{"<:o) | Clown | File", "abc | letters | File"};
        QTest::newRow("add a new smiley") << 0 << ""
                                          << ":-Zz"
                                          << "Sleepy"
                                          << "ok" << before + QStringList{":-Zz | Sleepy | File"};
        QTest::newRow("add keeps the blanks typed")
            << 0 << ""
            << " xyz "
            << " d "
            << "ok" << before + QStringList{" xyz  |  d  | File"};
        QTest::newRow("add a built-in text") << 0 << ""
                                             << ";-)"
                                             << "again"
                                             << "ok" << before;
        QTest::newRow("add another letter case") << 0 << ""
                                                 << "ABC"
                                                 << "caps"
                                                 << "ok" << before;
        QTest::newRow("add with surrounding blanks") << 0 << ""
                                                     << "  abc "
                                                     << "x"
                                                     << "ok" << before;
        QTest::newRow("a no-break space is part of the text")
            << 0 << "" << QString::fromUtf8("\u00a0abc") << "nbsp"
            << "ok" << before + QStringList{QString::fromUtf8("\u00a0abc | nbsp | File")};
        QTest::newRow("add a smiley text to the acronyms")
            << 1 << ""
            << "<:o)"
            << "not a smiley here"
            << "ok" << QStringList{"QQZ | mine | File", "<:o) | not a smiley here | File"};
        QTest::newRow("cancel") << 0 << ""
                                << "new"
                                << "entry"
                                << "cancel" << before;
        QTest::newRow("close box works as cancel") << 0 << ""
                                                   << "new"
                                                   << "entry"
                                                   << "close" << before;
        QTest::newRow("escape works as cancel") << 0 << ""
                                                << "new"
                                                << "entry"
                                                << "escape" << before;
        QTest::newRow("edit the description only")
            << 0 << "abc"
            << "abc"
            << "alphabet"
            << "ok" << QStringList{"<:o) | Clown | File", "abc | alphabet | File"};
        QTest::newRow("edit the letter case of its own text")
            << 0 << "abc"
            << "ABC"
            << "caps"
            << "ok" << QStringList{"<:o) | Clown | File", "ABC | caps | File"};
        QTest::newRow("edit renames")
            << 0 << "abc"
            << "abcd"
            << "more"
            << "ok" << QStringList{"<:o) | Clown | File", "abcd | more | File"};
        QTest::newRow("edit onto another entry drops the description too") << 0 << "abc"
                                                                           << " <:O) "
                                                                           << "changed"
                                                                           << "ok" << before;
        QTest::newRow("edit onto a built-in") << 0 << "abc"
                                              << ";-)"
                                              << "changed"
                                              << "ok" << before;
        QTest::newRow("edit cancelled") << 0 << "abc"
                                        << "zzz"
                                        << "changed"
                                        << "cancel" << before;
    }

    void addAndEdit()
    {
        QFETCH(int, list);
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, description);
        QFETCH(QString, answer);
        QFETCH(QStringList, userRows);
        if (!edit.isEmpty())
            clickRow(w, list, rowOf(w, list, edit));
        const QStringList buttons = AppFixture::enabledButtons(w, list);
        DialogAnswer seen;
        answerNextDialog(&seen, [&](frmAddNew* d) {
            type(d->CItem, text);
            type(d->CDescription, description);
            if (answer == "ok")
                QTest::mouseClick(d->cmdOk, Qt::LeftButton);
            else if (answer == "cancel")
                QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
            else if (answer == "close")
                d->close();
            else
                QTest::keyClick(d, Qt::Key_Escape);
        });
        if (edit.isEmpty())
            w->page(list)->button(ListPage::Add)->click();
        else
            w->page(list)->button(ListPage::Edit)->click();
        QVERIFY(seen.seen);
        QCOMPARE(AppFixture::rows(w->page(list)->model(), true), userRows);
        if (edit.isEmpty() && answer == "ok" &&
            userRows.size() > AppFixture::rows(w->page(list)->model(), true).size() - 1 &&
            userRows.last().startsWith(text + " | ")) {
            // The new row is shown, not selected.
            CatalogueView* view = w->page(list)->view();
            const int added = w->page(list)->model()->rowCount() - 1;
            QVERIFY(view->viewport()->rect().intersects(view->visualRect(shown(w, list, added))));
            QVERIFY(view->selectedSourceRow() != added);
        }
        // The command refreshes nothing: the buttons are as before.
        QCOMPARE(AppFixture::enabledButtons(w, list), buttons);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!QApplication::overrideCursor());

        // Every command opens a fresh dialog: the next Add is empty.
        DialogAnswer next;
        answerNextDialog(&next, [](frmAddNew*) {});
        w->page(list)->button(ListPage::Add)->click();
        QVERIFY(next.seen);
        QCOMPARE(next.text, QString());
        QCOMPARE(next.description, QString());
        QVERIFY(!next.okEnabled);
    }

    void editChangesTheEntryItWasOpenedFor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("userRows");
        QTest::newRow("own text kept")
            << "abc"
            << "alphabet" << QStringList{"<:o) | Clown | File", "abc | alphabet | File"};
        QTest::newRow("renamed onto the newly selected entry")
            << "<:o)"
            << "changed" << QStringList{"<:o) | Clown | File", "abc | letters | File"};
    }

    void editChangesTheEntryItWasOpenedFor()
    {
        QFETCH(QString, text);
        QFETCH(QString, description);
        QFETCH(QStringList, userRows);
        clickRow(w, 0, rowOf(w, 0, "abc"));
        DialogAnswer seen;
        answerNextDialog(&seen, [&](frmAddNew* d) {
            // The list's selection moves while the dialog is open.
            w->page(0)->view()->selectionModel()->setCurrentIndex(
                shown(w, 0, rowOf(w, 0, "<:o)")),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            type(d->CItem, text);
            type(d->CDescription, description);
            d->cmdOk->click();
        });
        w->page(0)->button(ListPage::Edit)->click();
        QVERIFY(seen.seen);
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true), userRows);
    }

    // A file may hold an entry and its twin with surrounding blanks; both
    // load, and each may still have its description changed.
    void editKeepingTheTextBesideABlankTwin_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("userRows");
        QTest::newRow("the twin with blanks")
            << " abc"
            << " abc" << QStringList{" abc | new | File", "abc | two | File"};
        QTest::newRow("the bare twin")
            << "abc"
            << "abc" << QStringList{" abc | one | File", "abc | new | File"};
        QTest::newRow("renamed onto the twin")
            << "abc"
            << "abc " << QStringList{" abc | one | File", "abc | two | File"};
    }

    void editKeepingTheTextBesideABlankTwin()
    {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QStringList, userRows);
        QVERIFY(m_app->close());
        QVERIFY(AppFixture::writeFile(m_app->listPath("Smileys.smy"),
                                      "\" abc\",\"one\"\r\n\"abc\",\"two\"\r\n"));
        w = m_app->restart();
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true),
                 QStringList({" abc | one | File", "abc | two | File"}));
        clickRow(w, 0, rowOf(w, 0, edit));
        DialogAnswer seen;
        answerNextDialog(&seen, [&](frmAddNew* d) {
            type(d->CItem, text);
            type(d->CDescription, "new");
            d->cmdOk->click();
        });
        w->page(0)->button(ListPage::Edit)->click();
        QVERIFY(seen.seen);
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true), userRows);
    }

    void theRestingPointerWaitsForTheEntryDialog()
    {
        const int edited = rowOf(w, 0, "abc");
        clickRow(w, 0, edited);
        // The pointer comes to rest on another entry just before Enter.
        const QModelIndex other = shown(w, 0, rowOf(w, 0, "<:o)"));
        QWidget* viewport = w->page(0)->view()->viewport();
        const QPoint pos = w->page(0)->view()->visualRect(other).center();
        QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, {}, {});
        QApplication::sendEvent(viewport, &move);
        int selectedMeanwhile = -2;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<frmAddNew*>(QApplication::activeModalWidget());
            if (!d)
                return;
            QTest::qWait(ModCommonCtrls::TrackSelectDelayMs * 2);
            selectedMeanwhile = w->page(0)->view()->selectedSourceRow();
            d->cmdCancel->click();
        });
        QTest::keyClick(w->page(0)->view(), Qt::Key_Return);
        QCOMPARE(selectedMeanwhile, edited);
    }

    void pastedLineBreaksBecomeBlanks_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("stored");
        QTest::newRow("CR LF") << "o\r\nO"
                               << "o O";
        QTest::newRow("LF and CR") << "a\nb\rc"
                                   << "a b c";
        QTest::newRow("at both ends") << "\r\nx\n"
                                      << " x ";
    }

    void pastedLineBreaksBecomeBlanks()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, stored);
        DialogAnswer seen;
        answerNextDialog(&seen, [&](frmAddNew* d) {
            QGuiApplication::clipboard()->setText(pasted);
            d->CItem->paste();
            d->CDescription->paste();
            d->cmdOk->click();
        });
        w->page(0)->button(ListPage::Add)->click();
        QVERIFY(seen.seen);
        const QString row = stored + " | " + stored + " | File";
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true).last(), row);
        // One line in the list file, so the entry comes back whole.
        w = m_app->restart();
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true).size(), 3);
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true).last(), row);
    }

    void aLongPasteIsKeptWhole()
    {
        const QString text(100000, QLatin1Char('x'));
        DialogAnswer seen;
        answerNextDialog(&seen, [&](frmAddNew* d) {
            d->CItem->insert(text); // as a paste does
            d->CDescription->insert(text);
            QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        });
        w->page(0)->button(ListPage::Add)->click();
        QVERIFY(seen.seen);
        const QStringList rows = AppFixture::rows(w->page(0)->model(), true);
        QCOMPARE(rows.last(), text + " | " + text + " | File");
    }

    void theDialogSpeaksTheInterfaceLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("list");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("label");
        QTest::newRow("Nouveau Smiley") << 1 << 0 << false << "Nouveau Smiley"
                                        << "&Smiley:";
        QTest::newRow("Edition Acronyme") << 1 << 1 << true << "Edition Acronyme"
                                          << "&Acronyme:";
        QTest::newRow("New Smiley") << 2 << 0 << false << "New Smiley"
                                    << "&Smiley:";
        QTest::newRow("Edit Acronym") << 2 << 1 << true << "Edit Acronym"
                                      << "&Acronym:";
    }

    void theDialogSpeaksTheInterfaceLanguage()
    {
        QFETCH(int, language);
        QFETCH(int, list);
        QFETCH(bool, edit);
        QFETCH(QString, title);
        QFETCH(QString, label);
        if (language != 1) {
            AppFixture::control<QComboBox>(w, "CLanguage")
                ->setCurrentIndex(
                    AppFixture::control<QComboBox>(w, "CLanguage")->findData(language));
            w->CLanguage_Click();
        }
        if (edit)
            clickRow(w, list, rowOf(w, list, "QQZ"));
        DialogAnswer seen;
        answerNextDialog(&seen, [](frmAddNew*) {});
        if (edit)
            w->cmdEdit_Click(list);
        else
            w->cmdAdd_Click(list);
        QCOMPARE(seen.title, title);
        QCOMPARE(seen.label, label);
        if (edit) {
            QCOMPARE(seen.text, QString("QQZ"));
            QCOMPARE(seen.description, QString("mine"));
            QVERIFY(seen.okEnabled);
        }
    }

    void okNeedsBothBoxesAndAccessKeysMoveTheFocus()
    {
        bool checked = false;
        QTimer::singleShot(0, [&checked] {
            auto* d = qobject_cast<frmAddNew*>(QApplication::activeModalWidget());
            QVERIFY(d);
            // Never leave the test waiting on the dialog, even after a failure.
            auto cancel = qScopeGuard([d] { d->cmdCancel->click(); });
            QCOMPARE(d->lblDescription->text(), QString("&Description:"));
            QCOMPARE(d->cmdOk->text(), QString("&Ok"));
            QCOMPARE(d->cmdCancel->text(), QString("&Annuler"));
            QVERIFY(!d->cmdOk->isEnabled());
            QTest::keyClicks(d->CItem, "x");
            QVERIFY(!d->cmdOk->isEnabled());
            QTest::keyClicks(d->CDescription, " ");
            QVERIFY(d->cmdOk->isEnabled()); // blanks count as filled
            d->CItem->clear();
            QVERIFY(!d->cmdOk->isEnabled());
            d->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(d));
            QTest::keyClick(d, Qt::Key_D, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), d->CDescription);
            QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), d->CItem);
            checked = true;
        });
        w->cmdAdd_Click(0);
        QVERIFY(checked);
    }

    // Another window removes the entry while this one edits it: the list
    // follows the file, and what the user typed comes back as a new entry.
    void anEditOutlivesItsEntryRemovedElsewhere()
    {
        clickRow(w, 0, rowOf(w, 0, "abc"));
        DialogAnswer seen;
        answerNextDialog(&seen, [this](frmAddNew* d) {
            QVERIFY(
                AppFixture::writeFile(m_app->listPath("Smileys.smy"), "\"<:o)\",\"Clown\"\r\n"));
            QTRY_COMPARE(rowOf(w, 0, "abc"), -1);
            type(d->CDescription, "edited while gone");
            d->cmdOk->click();
        });
        w->cmdEdit_Click(0);
        QVERIFY(seen.seen);
        const QStringList rows{"<:o) | Clown | File", "abc | edited while gone | File"};
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true), rows);
        QTRY_COMPARE(AppFixture::readAll(m_app->listPath("Smileys.smy")),
                     QByteArray("\"<:o)\",\"Clown\"\r\n\"abc\",\"edited while gone\"\r\n"));
        QTest::qWait(300);
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true), rows);
    }

    // What the list file could not give back as typed: OK stays disabled and
    // a line under the boxes says why, in the window's language.
    void theDialogRefusesWhatTheFileCannotCarry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QByteArray>("refusal");
        QTest::addColumn<QVariantList>("arguments");
        QTest::newRow("the separator in the text")
            << "a\",\"b"
            << "d" << QByteArray("ID_INT_REFUSE_SEPARATOR") << QVariantList();
        QTest::newRow("a text ending like the separator")
            << "a\","
            << "d" << QByteArray("ID_INT_REFUSE_SEPARATOR_END") << QVariantList();
        QTest::newRow("half a surrogate pair")
            << "x" << QString(QChar(0xD83D)) << QByteArray("ID_INT_REFUSE_BROKEN_CHARACTER")
            << QVariantList();
        QTest::newRow("a line longer than the file's reader takes")
            << QString(UserListReader::MaxLineLength / 2, QChar(0xE9)) << "d"
            << QByteArray("ID_INT_REFUSE_TOO_LONG") << QVariantList();
        QTest::newRow("quote and comma elsewhere are fine")
            << "\"a\",b"
            << "\",\"" << QByteArray() << QVariantList();
        // A text the list has already: OK stays disabled, the entry is named.
        QTest::newRow("a user entry in another letter case")
            << "ABC"
            << "caps" << QByteArray("ID_INT_REFUSE_DUPLICATE") << QVariantList{"abc", "letters"};
        QTest::newRow("a built-in entry with blanks around")
            << " ;-) "
            << "again" << QByteArray("ID_INT_REFUSE_DUPLICATE")
            << QVariantList{";-)", "Clin d'oeil"};
    }
    void theDialogRefusesWhatTheFileCannotCarry()
    {
        QFETCH(QString, text);
        QFETCH(QString, description);
        QFETCH(QByteArray, refusal);
        QFETCH(QVariantList, arguments);
        ZunoSmiley1 french;
        french.setLanguage(ZunoSmiley1::smFrench);
        const QString expected =
            refusal.isEmpty() ? QString()
                              : Automation::callWithValues(&french, refusal, arguments).toString();
        bool checked = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<frmAddNew*>(QApplication::activeModalWidget());
            QVERIFY(d);
            auto cancel = qScopeGuard([d] { d->cmdCancel->click(); });
            const QSize opened = d->size();
            d->CItem->setText(text);
            d->CDescription->setText(description);
            QCOMPARE(d->cmdOk->isEnabled(), refusal.isEmpty());
            QCOMPARE(d->lblRefusal->isVisible(), !refusal.isEmpty());
            QCOMPARE(d->lblRefusal->text(), expected);
            // The dialog keeps its size while the user types, and screen
            // readers hear the refusal where the focus is.
            QCOMPARE(d->size(), opened);
            QCOMPARE(d->CItem->accessibleDescription(), expected);
            checked = true;
        });
        w->cmdAdd_Click(0);
        QVERIFY(checked);
    }

    void removedEntriesStayGoneAndChangesAreSaved()
    {
        const int acronyms = w->page(1)->model()->rowCount();
        clickRow(w, 0, rowOf(w, 0, "<:o)"));
        w->page(0)->button(ListPage::Remove)->click();
        QCOMPARE(rowOf(w, 0, "<:o)"), -1);
        QCOMPARE(w->page(1)->model()->rowCount(), acronyms);
        QCOMPARE(AppFixture::enabledButtons(w, 0), QStringList{"Add"});

        DialogAnswer seen;
        answerNextDialog(&seen, [](frmAddNew* d) {
            type(d->CItem, "(-_-)zz");
            type(d->CDescription, "Cool");
            d->cmdOk->click();
        });
        w->cmdAdd_Click(0);
        clickRow(w, 0, rowOf(w, 0, "abc"));
        answerNextDialog(&seen, [](frmAddNew* d) {
            type(d->CDescription, "edited");
            d->cmdOk->click();
        });
        w->cmdEdit_Click(0);

        QCOMPARE(AppFixture::rows(w->page(0)->model(), true),
                 QStringList({"abc | edited | File", "(-_-)zz | Cool | File"}));
        w = m_app->restart();
        QCOMPARE(AppFixture::rows(w->page(0)->model(), true),
                 QStringList({"abc | edited | File", "(-_-)zz | Cool | File"}));
        QCOMPARE(AppFixture::readAll(m_app->listPath("Smileys.smy")),
                 QByteArray("\"abc\",\"edited\"\r\n\"(-_-)zz\",\"Cool\"\r\n"));
    }

    // Ctrl+Z undoes the last Add, Edit or Remove, Ctrl+Shift+Z makes it
    // again, each through the list file. The remove is the one the resting
    // pointer chose over the keyboard's selection; a notice offers its undo.
    void undoAndRedoFollowTheFile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("changed");
        const QByteArray clown = "\"<:o)\",\"Clown\"\r\n";
        const QByteArray letters = "\"abc\",\"letters\"\r\n";
        QTest::newRow("add") << "add" << clown + letters + "\"new\",\"today\"\r\n";
        QTest::newRow("edit") << "edit"
                              << "\"<:O)\",\"Big clown\"\r\n" + letters;
        QTest::newRow("remove") << "remove" << clown;
    }
    void undoAndRedoFollowTheFile()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, changed);
        const QString path = m_app->listPath("Smileys.smy");
        const QByteArray original = AppFixture::readAll(path);
        ListPage* page = w->page(0);
        CatalogueView* view = page->view();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QWidget* notice = nullptr;
        if (change == "add") {
            QVERIFY(page->addUserEntry("new", "today"));
        } else if (change == "edit") {
            QVERIFY(page->editUserEntry("<:o)", "<:O)", "Big clown"));
        } else {
            // Its favourite mark comes back with it.
            page->select(rowOf(w, 0, "abc"));
            view->setFocus();
            QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);
            QVERIFY(page->model()->isFavourite(rowOf(w, 0, "abc")));
            page->select(rowOf(w, 0, "<:o)"));
            const QModelIndex letters = shown(w, 0, rowOf(w, 0, "abc"));
            view->scrollTo(letters);
            const QPoint at = view->visualRect(letters).center();
            QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton,
                             {}, {});
            QApplication::sendEvent(view->viewport(), &move);
            QTRY_COMPARE(view->selectedSourceRow(), rowOf(w, 0, "abc"));
            QTest::keyClick(view, Qt::Key_Delete);
            notice = page->findChild<QWidget*>("picSmileyUndo");
            QVERIFY(notice && notice->isVisible());
            QVERIFY(notice->findChild<QLabel*>()->text().contains("abc"));
        }
        QTRY_COMPARE(AppFixture::readAll(path), changed);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(AppFixture::readAll(path), original);
        QCOMPARE(AppFixture::rows(page->model(), true).size(), 2);
        if (change == "remove")
            QVERIFY(page->model()->isFavourite(rowOf(w, 0, "abc")));
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(AppFixture::readAll(path), changed);
        if (change == "remove") {
            QVERIFY(!notice->isVisible());
            page->select(rowOf(w, 0, "<:o)"));
            QTest::keyClick(view, Qt::Key_Delete);
            notice->findChild<QToolButton*>()->click();
            QTRY_COMPARE(AppFixture::readAll(path), changed);
            QCOMPARE(rowOf(w, 0, "abc"), -1);
        }
    }

    void removeTakesTheSelectedEntryOfASortedList()
    {
        Q_EMIT w->page(0)->view()->header()->sectionClicked(0);
        const int row = rowOf(w, 0, "abc");
        QVERIFY(shown(w, 0, row).row() != row); // the sort moved it
        QStringList expected = AppFixture::rows(w->page(0)->model());
        expected.removeOne("abc | letters | File");
        clickRow(w, 0, row);
        w->page(0)->button(ListPage::Remove)->click();
        QCOMPARE(AppFixture::rows(w->page(0)->model()), expected);
    }

    void removeNeverTakesABuiltInEntry()
    {
        const int rows = w->page(0)->model()->rowCount();
        clickRow(w, 0, rowOf(w, 0, ";-)"));
        w->cmdRemove_Click(0);
        w->cmdRemove_Click(7);
        QCOMPARE(w->page(0)->model()->rowCount(), rows);
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

QTEST_MAIN(tst_ListInteraction)
#include "tst_listinteraction.moc"
