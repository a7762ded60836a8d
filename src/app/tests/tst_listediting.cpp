// The lists' Add, Edit and Remove commands, as a user gives them, and their
// undo: what the list then shows and what its file then holds.

#include "AppFixture.h"
#include "app/dialogs/MessageBox.h"
#include "app/flows/EntryUse.h"
#include "app/widgets/ModCommonCtrls.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

using namespace WindowDriving;

namespace {

void type(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

} // namespace

class tst_ListEditing : public QObject
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
    // An undo never overwrites what another program changed since: the
    // entry as it was comes back beside that version, and the redo, which
    // would overwrite it too, is dropped; where its text is taken, the undo
    // says it did nothing.
    void undoAndRedoFollowTheFile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("changed");
        QTest::addColumn<QByteArray>("outside"); // written after the change
        const QByteArray clown = "\"<:o)\",\"Clown\"\r\n";
        const QByteArray letters = "\"abc\",\"letters\"\r\n";
        QTest::newRow("add") << "add" << clown + letters + "\"new\",\"today\"\r\n" << QByteArray();
        QTest::newRow("edit") << "edit"
                              << "\"<:O)\",\"Big clown\"\r\n" + letters << QByteArray();
        QTest::newRow("edit to another text")
            << "edit to another text"
            << "\"<:-O)\",\"Big clown\"\r\n" + letters << QByteArray();
        QTest::newRow("remove") << "remove" << clown << QByteArray();
        QTest::newRow("edit changed outside since")
            << "edit to another text"
            << "\"<:-O)\",\"Big clown\"\r\n" + letters << "\"<:-O)\",\"Sad clown\"\r\n" + letters;
        QTest::newRow("edit of the description changed outside since")
            << "edit the description"
            << "\"<:o)\",\"Big clown\"\r\n" + letters << "\"<:o)\",\"Sad clown\"\r\n" + letters;
    }
    void undoAndRedoFollowTheFile()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, changed);
        QFETCH(QByteArray, outside);
        const QString path = m_app->listPath("Smileys.smy");
        const QByteArray original = AppFixture::readAll(path);
        ListPage* page = w->page(0);
        CatalogueView* view = page->view();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QWidget* notice = nullptr;
        // The user's keywords go with the entry: an Edit carries them, a
        // Remove takes them, an undo gives them back.
        auto* use = w->findChild<EntryUse*>();
        const auto keywords = [use](const char* text) {
            return use->keywords(CatalogueListModel::Kind::Smileys, QString::fromUtf8(text));
        };
        const QStringList mine{"mine"};
        QVERIFY(use->setKeywords(CatalogueListModel::Kind::Smileys, "<:o)", mine));
        QVERIFY(use->setKeywords(CatalogueListModel::Kind::Smileys, "abc", mine));
        if (change == "add") {
            QVERIFY(page->addUserEntry("new", "today"));
        } else if (change == "edit") {
            QVERIFY(page->editUserEntry("<:o)", "<:O)", "Big clown"));
        } else if (change == "edit to another text") {
            QVERIFY(page->editUserEntry("<:o)", "<:-O)", "Big clown"));
        } else if (change == "edit the description") {
            QVERIFY(page->editUserEntry("<:o)", "<:o)", "Big clown"));
        } else {
            // Its favourite mark and its use come back with it.
            page->select(rowOf(w, 0, "abc"));
            view->setFocus();
            QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);
            page->copySelected();
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
        if (change == "edit to another text") {
            QCOMPARE(keywords("<:-O)"), mine);
            QVERIFY(keywords("<:o)").isEmpty());
        } else if (change == "remove") {
            QVERIFY(keywords("abc").isEmpty());
        }
        if (!outside.isEmpty()) {
            // The old text is free beside the other version, or it is that one's.
            const bool taken = change == "edit the description";
            QVERIFY(AppFixture::writeFile(path, outside));
            QTRY_COMPARE(AppFixture::rows(page->model(), true).value(0),
                         QString(taken ? "<:o) | Sad clown | File" : "<:-O) | Sad clown | File"));
            view->setFocus();
            const int notices = MessageBox::noticeCount();
            QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
            const QByteArray both =
                taken ? outside : outside + original.left(original.indexOf('\n') + 1);
            QTRY_COMPARE(AppFixture::readAll(path), both);
            QCOMPARE(MessageBox::noticeCount(), notices + (taken ? 1 : 0));
            if (taken)
                QVERIFY(MessageBox::lastNotice().contains("« <:o) » a été modifiée ailleurs"));
            QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(AppFixture::readAll(path), both);
            return;
        }
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(AppFixture::readAll(path), original);
        QCOMPARE(AppFixture::rows(page->model(), true).size(), 2);
        QCOMPARE(keywords("<:o)"), mine);
        QCOMPARE(keywords("abc"), mine);
        if (change == "remove") {
            QVERIFY(page->model()->isFavourite(rowOf(w, 0, "abc")));
            QVERIFY(
                w->findChild<EntryUse*>()->scores(CatalogueListModel::Kind::Smileys).value("abc") >
                0.99);
        }
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

private:
    std::unique_ptr<AppFixture> m_app;
    frmMain* w = nullptr;
};

QTEST_MAIN(tst_ListEditing)
#include "tst_listediting.moc"
