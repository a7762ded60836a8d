// The filter bar of the lists, the pick that opens it, and the favourites
// and use that rank what it finds.

#include "AppFixture.h"
#include "app/dialogs/KeywordDialog.h"
#include "search/KeywordStore.h"
#include "search/UsageStore.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

using namespace WindowDriving;

class tst_ListFilter : public QObject
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
        QTest::newRow("a smiley without its nose")
            << 1 << ":)" << QStringList{":-)", ":'-)", ":^)", ":-----)"};
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
        // The picked entry was a use of this list's: it comes first now.
        QCOMPARE(page->sortedModel()->index(0, 0).data().toString(), second);
        QTest::keyClick(page->filterField(), Qt::Key_Escape);
        QVERIFY(w->isMinimized());
        QVERIFY(page->filterField()->isHidden());
        QCOMPARE(page->sortedModel()->rowCount(), page->model()->rowCount());
        QCOMPARE(QGuiApplication::clipboard()->text(), second);
    }

    // A notice of the start held back by a pick comes back only with the
    // window up again for the user, however the pick ended.
    void aNoticeHeldBackByAPickComesWithTheWindow_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Escape, the window stepped aside") << true;
        QTest::newRow("the language switch") << false;
    }
    void aNoticeHeldBackByAPickComesWithTheWindow()
    {
        QFETCH(bool, escape);
        MessageBox::inform(w, "Zuno", "Les modifications ne peuvent pas être enregistrées.");
        QWidget* notice = nullptr;
        for (QWidget* shown : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(shown) && shown->isVisible())
                notice = shown;
        QVERIFY(notice);
        w->pick(ActiveWindow());
        QVERIFY(notice->isHidden());
        if (escape) {
            QTest::keyClick(w->page(0)->filterField(), Qt::Key_Escape);
            QVERIFY(w->isMinimized());
            QVERIFY(notice->isHidden());
        } else {
            chooseLanguage(w, 2);
        }
        w->showNormal();
        QVERIFY(notice->isVisible());
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
    // star beside its picture, which stays as it is, selected or not, a state screen readers hear,
    // a file beside the lists), and after a restart the empty pick shows it first; of the entries a
    // word finds, the one copied three times comes first, and then the one another process used
    // more; a word that finds nothing says so.
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
        const QIcon plainIcon = cell.data(Qt::DecorationRole).value<QIcon>();
        const qint64 plain = plainIcon.cacheKey();
        const QImage face = plainIcon.pixmap(16).toImage();
        QCOMPARE(plainIcon.pixmap(16, QIcon::Selected).toImage(), face);
        const QAbstractItemView* view = page->view();
        const int width = view->sizeHintForColumn(0);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        page->view()->setFocus();
        page->select(row);
        QTest::keyClick(page->view(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(page->model()->isFavourite(row));
        const QIcon marked = cell.data(Qt::DecorationRole).value<QIcon>();
        QVERIFY(marked.cacheKey() != plain);
        QCOMPARE(marked.pixmap(QSize(32, 16)).toImage().copy(0, 0, 16, 16), face);
        QCOMPARE(marked.pixmap(QSize(32, 16), QIcon::Selected).toImage(),
                 marked.pixmap(QSize(32, 16)).toImage());
        QVERIFY(view->sizeHintForColumn(0) >= width + 16); // room for the star
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
        // Uses another process wrote (the search service) count at the next pick.
        page->closeFilter();
        {
            UsageStore service(UsageStore::defaultPath());
            for (int use = 0; use < 5; ++use)
                service.recordUse(ListKind::Smiley, found.first());
        }
        w->pick(ActiveWindow());
        QTest::keyClicks(page->filterField(), "happy");
        QCOMPARE(texts(page), found);

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

    // The Keywords command of an entry's context menu (with its key,
    // Ctrl+K) edits the entry's own keywords, commas between them: the
    // filter and the pick find the entry by them, after a restart too. A
    // keyword too long, or too many, keep the dialog open with what was
    // typed, saying why; an empty line takes them away.
    void ownKeywordsFindTheEntry()
    {
        ListPage* page = w->page(0);
        const auto found = [](ListPage* shown, const char* typed) {
            shown->openFilter(QString::fromLatin1(typed));
            QStringList out;
            for (int r = 0; r < shown->sortedModel()->rowCount(); ++r)
                out << shown->sortedModel()->index(r, 0).data().toString();
            shown->closeFilter();
            return out;
        };
        const int row = rowOf(w, 0, ";-)");
        QVERIFY(!found(page, "zorglub").contains(";-)"));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QString keys;
        QString title;
        QStringList refusals;
        bool keptOpen = true;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QAction* command = nullptr;
            for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
                if (action->text() == "&Mots-clés...")
                    command = action;
            }
            if (!command) {
                if (menu)
                    menu->close();
                return;
            }
            keys = command->shortcut().toString();
            QTimer::singleShot(0, [&] {
                auto* dialog = qobject_cast<KeywordDialog*>(QApplication::activeModalWidget());
                if (!dialog)
                    return;
                title = dialog->windowTitle();
                QStringList many;
                for (int i = 0; i <= 50; ++i)
                    many << QString::number(i);
                for (const QString& typed : {QString(101, u'x') + ", zorglub", many.join(',')}) {
                    dialog->line->setText(typed);
                    refusals << (dialog->cmdOk->isEnabled() ? QString() : dialog->refusal->text());
                    dialog->cmdOk->click();
                    keptOpen = keptOpen && dialog->isVisible() && dialog->line->text() == typed;
                }
                dialog->line->setText(" Zorglub, ,pirate ");
                dialog->cmdOk->click();
                if (dialog->isVisible())
                    dialog->cmdCancel->click();
            });
            menu->setActiveAction(command);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        Q_EMIT page->view()->customContextMenuRequested(
            page->view()->visualRect(shown(w, 0, row)).center());
        QCOMPARE(keys, QKeySequence(Qt::CTRL | Qt::Key_K).toString());
        QCOMPARE(title, QString("Mots-clés de « ;-) »"));
        QCOMPARE(refusals, (QStringList{"Un mot-clé ne peut pas dépasser 100 caractères.",
                                        "Une entrée ne peut pas avoir plus de 50 mots-clés."}));
        QVERIFY(keptOpen);
        QCOMPARE(found(page, "zorglub").value(0), QString(";-)"));
        QVERIFY(QFileInfo::exists(m_app->mod().listFolder() + "/Keywords.json"));

        w = m_app->restart();
        page = w->page(0);
        w->pick(ActiveWindow());
        QVERIFY(page->filterField()->isVisible());
        QTest::keyClicks(page->filterField(), "pirate");
        QCOMPARE(page->sortedModel()->index(0, 0).data().toString(), QString(";-)"));
        page->closeFilter();
        // Another window's keyword is found without a restart.
        const QString file = m_app->mod().listFolder() + "/Keywords.json";
        QVERIFY(KeywordStore(file).setKeywords(ListKind::Smiley, ":-(", {"corsaire"}));
        QTRY_VERIFY(found(page, "corsaire").contains(":-("));

        // Ctrl+K shows them as the line to edit; an empty one takes them
        // away, from the filter shown too, for this run even when their file
        // cannot be written (its lock's name taken), which a notice says.
        const QString lock = m_app->mod().listFolder() + "/Keywords.json.lock";
        QVERIFY(QDir().mkpath(lock));
        const int notices = MessageBox::noticeCount();
        QString shownLine;
        w->showNormal();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        page->openFilter("zorglub");
        QCOMPARE(page->sortedModel()->index(0, 0).data().toString(), QString(";-)"));
        page->select(rowOf(w, 0, ";-)"));
        page->view()->setFocus();
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<KeywordDialog*>(QApplication::activeModalWidget())) {
                shownLine = dialog->line->text();
                dialog->line->clear();
                dialog->cmdOk->click();
            }
        });
        QTest::keyClick(page->view(), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(shownLine, QString("Zorglub, pirate"));
        QCOMPARE(page->sortedModel()->rowCount(), 0);
        QCOMPARE(MessageBox::noticeCount(), notices + 1);
        QVERIFY2(MessageBox::lastNotice().contains("pris par autre chose qu'un verrou"),
                 qPrintable(MessageBox::lastNotice()));
        page->closeFilter();
        QVERIFY(!found(page, "pirate").contains(";-)"));
        QVERIFY(QDir(lock).removeRecursively());
    }

private:
    std::unique_ptr<AppFixture> m_app;
    frmMain* w = nullptr;
};

QTEST_MAIN(tst_ListFilter)
#include "tst_listfilter.moc"
