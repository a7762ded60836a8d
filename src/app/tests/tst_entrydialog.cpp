// The entry dialog of the Add and Edit commands: its texts in the window's
// language, its keys, what it takes from a paste and what it refuses.

#include "AppFixture.h"
#include "catalogue/UserListReader.h"
#include "compat/Automation.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QScopeGuard>

using namespace WindowDriving;

class tst_EntryDialog : public QObject
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

private:
    std::unique_ptr<AppFixture> m_app;
    frmMain* w = nullptr;
};

QTEST_MAIN(tst_EntryDialog)
#include "tst_entrydialog.moc"
