#include "app/models/CatalogueFilter.h"
#include "app/models/CatalogueListModel.h"
#include "search/EntryKey.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTextDocument>

using Entry = CatalogueListModel::Entry;
using Origin = CatalogueListModel::Origin;

class tst_CatalogueListModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keepsTheModelContract()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel sorted;
        sorted.setSourceModel(&model);
        QAbstractItemModelTester sortedTester(
            &sorted, QAbstractItemModelTester::FailureReportingMode::QtTest);
        sorted.sort(0);

        model.append({":-)", "Content", Origin::Table});
        model.beginBulkLoad();
        for (int i = 0; i < 50; ++i)
            model.append({QString("u%1").arg(i), "d", Origin::File});
        model.endBulkLoad();
        model.setEntry(3, "renamed", "new");
        model.removeRows(1, 2);
        QCOMPARE(model.rowCount(), 49);
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    // The filter proxy keeps the model contract while it filters and sorts
    // and its list grows, shrinks and is loaded again; it shows the rows
    // holding every word typed, letter case and accents aside, ranked: a text
    // equal to what was typed, then one starting with it, then the rest.
    void theFilterKeepsTheModelContract_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown"); // by description, ascending, when not ranked
        QTest::addColumn<int>("newRowAt");      // where a row of typed + " new" comes
        QTest::newRow("no words") << "" << QStringList{"ÉCOLE", ":-)", "abc", "École"} << 0;
        QTest::newRow("capital accented letters") << "ecole" << QStringList{"ÉCOLE", "École"} << 2;
        QTest::newRow("a description, letter case aside") << "LETT" << QStringList{"abc"} << 0;
        QTest::newRow("none") << "zzz" << QStringList{} << 0;
    }
    void theFilterKeepsTheModelContract()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        QFETCH(int, newRowAt);
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        CatalogueFilter filter;
        filter.setSourceModel(&model);
        filter.setUseSource([typed](QSet<QString>*, QHash<QString, double>* scores) {
            scores->insert(EntryKey::of(typed + " used"), 1);
        });
        QAbstractItemModelTester tester(&filter,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto load = [&model] {
            model.beginBulkLoad();
            model.clear();
            for (const Entry& entry :
                 {Entry{":-)", "Content", Origin::Table}, Entry{"ÉCOLE", "capitals", Origin::File},
                  Entry{"abc", "letters", Origin::File}, Entry{"École", "school", Origin::File}})
                model.append(entry);
            model.endBulkLoad();
        };
        const auto texts = [&filter] {
            QStringList out;
            for (int r = 0; r < filter.rowCount(); ++r)
                out << filter.index(r, 0).data().toString();
            return out;
        };
        load();
        filter.sort(1);
        filter.setFilterWords(typed);
        QCOMPARE(texts(), shown);
        // A row comes and goes while the list is filtered and sorted.
        model.append({typed + " new", "0 first", Origin::File});
        QStringList grown = shown;
        grown.insert(newRowAt, typed + " new");
        QCOMPARE(texts(), grown);
        QVERIFY(model.removeRows(model.rowCount() - 1, 1));
        QVERIFY(model.removeRows(1, 1));
        QStringList rest = shown;
        rest.removeAll("ÉCOLE");
        QCOMPARE(texts(), rest);
        load();
        QCOMPARE(texts(), shown);
        // An import's runs are held while the filter ranks too, until they
        // are as many as the rows before them: a ranking per run would cost
        // every row each time. A keystroke in the filter, a blank even,
        // shows them first.
        // A used row comes first of its class, held or not.
        filter.holdRuns(true);
        model.appendRun({{typed + " held", "0 first", Origin::File},
                         {typed + " used", "0 first", Origin::File}});
        QCOMPARE(texts(), shown);
        filter.holdRuns(false);
        filter.setFilterWords(typed + " ");
        grown[newRowAt] = typed + " held";
        grown.insert(typed.isEmpty() ? newRowAt + 1 : newRowAt, typed + " used");
        QCOMPARE(texts(), grown);
        filter.useChanged(); // ranked again, as at the next keystroke
        QCOMPARE(texts(), grown);
        QVERIFY(model.removeRows(model.rowCount() - 2, 2));
        filter.setFilterWords(QString());
        // A run of rows (an import) takes its places in the sorted order,
        // after the rows it ties with.
        model.appendRun({{"z2", "school", Origin::File}, {"z1", "abc", Origin::File}});
        QCOMPARE(texts(), QStringList({"z1", "ÉCOLE", ":-)", "abc", "École", "z2"}));
        // Runs held out of view (an import's) take their places when shown,
        // or at once when another row comes.
        filter.holdRuns(true);
        model.appendRun({{"y1", "zz", Origin::File}});
        model.appendRun({{"y2", "aa", Origin::File}});
        QCOMPARE(filter.rowCount(), 6);
        filter.holdRuns(false);
        model.append({"y3", "b", Origin::File});
        QCOMPARE(texts(),
                 QStringList({"y2", "z1", "y3", "ÉCOLE", ":-)", "abc", "École", "z2", "y1"}));
        filter.holdRuns(true);
        model.appendRun({{"y4", "c", Origin::File}});
        filter.holdRuns(false);
        filter.showHeldRows();
        QCOMPARE(texts().indexOf("y4"), 3);
        // Held rows as many as those shown are shown: each showing lays out
        // every row, so the showings of a long import cost twice the last.
        filter.holdRuns(true);
        QList<CatalogueListModel::Entry> run;
        for (int i = 0; i < filter.rowCount(); ++i)
            run.append({QStringLiteral("x%1").arg(i), QString(), Origin::File});
        model.appendRun(run);
        filter.holdRuns(false);
        QCOMPARE(filter.rowCount(), model.rowCount());
        filter.sort(-1);
        QCOMPARE(filter.rowCount(), model.rowCount());
    }

    void rowsCarryTheirOrigin_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("origin");
        QTest::addColumn<QString>("iconKey");
        QTest::addColumn<QString>("tag");
        QTest::newRow("built-in smiley") << 0 << 0 << "Smiley"
                                         << "Table";
        QTest::newRow("user smiley") << 0 << 1 << "Smiley2"
                                     << "File";
        QTest::newRow("built-in acronym") << 1 << 0 << "Acronym"
                                          << "Table";
        QTest::newRow("user acronym") << 1 << 1 << "Acronym2"
                                      << "File";
    }

    void rowsCarryTheirOrigin()
    {
        QFETCH(int, kind);
        QFETCH(int, origin);
        QFETCH(QString, iconKey);
        QFETCH(QString, tag);
        CatalogueListModel model{CatalogueListModel::Kind(kind)};
        model.append({"X", "Y", Origin(origin)});
        const QModelIndex text = model.index(0, 0);
        QCOMPARE(text.data(CatalogueListModel::IconKeyRole).toString(), iconKey);
        QCOMPARE(text.data(CatalogueListModel::TagRole).toString(), tag);
        QCOMPARE(text.data().toString(), QString("X"));
        QCOMPARE(model.index(0, 1).data().toString(), QString("Y"));
    }

    // The load's test: the reported text (already without its blanks) against
    // the texts as they stand, letter case aside.
    void findsTextsAsTheyStand_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("found");
        QTest::newRow("same") << ":-)"
                              << ":-)" << true;
        QTest::newRow("letter case") << "BTW"
                                     << "btw" << true;
        QTest::newRow("accented case") << "ÉTÉ"
                                       << "été" << true;
        QTest::newRow("stored with blanks is not trimmed") << " abc"
                                                           << "abc" << false;
        QTest::newRow("part of a text") << "abcd"
                                        << "abc" << false;
        QTest::newRow("different") << ":-("
                                   << ":-)" << false;
    }

    void findsTextsAsTheyStand()
    {
        QFETCH(QString, stored);
        QFETCH(QString, asked);
        QFETCH(bool, found);
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        model.append({"other", "", Origin::Table});
        model.append({stored, "", Origin::File});
        QCOMPARE(model.containsText(asked), found);
    }

    // Add and Edit: two texts that differ only by surrounding blanks are one.
    void findsTrimmedTexts_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("found");
        QTest::newRow("asked with blanks") << "abc"
                                           << "  abc " << true;
        QTest::newRow("stored with blanks") << " abc"
                                            << "abc" << true;
        QTest::newRow("inner blank counts") << "a bc"
                                            << "abc" << false;
        QTest::newRow("letter case and blanks") << "Lol"
                                                << " LOL" << true;
    }

    void findsTrimmedTexts()
    {
        QFETCH(QString, stored);
        QFETCH(QString, asked);
        QFETCH(bool, found);
        CatalogueListModel model(CatalogueListModel::Kind::Acronyms);
        model.append({stored, "", Origin::File});
        QCOMPARE(model.entryExists(asked), found);
    }

    void theExceptedRowDoesNotCount()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        model.append({"a", "", Origin::File});
        model.append({"b", "", Origin::File});
        QVERIFY(!model.containsText("A", 0));
        QVERIFY(model.containsText("B", 0));
        model.append({"A", "", Origin::File}); // a second one of the same text
        QVERIFY(model.containsText("a", 0));
        QVERIFY(!model.entryExists(" b ", 1));
        QVERIFY(model.entryExists(" b ", 0));
        // Keeping its own text exactly, a row meets only rows of exactly
        // that text, not a twin with spaces (which a list file may hold).
        model.append({"b ", "", Origin::File});
        QVERIFY(!model.entryExists("b", 1));
        QVERIFY(model.entryExists("B", 1));
        QVERIFY(model.entryExists("b", 3));
    }

    void theIndexFollowsEditsAndRemovals()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        model.append({"old", "", Origin::File});
        model.append({"keep", "", Origin::File});
        model.setEntry(0, "new", "d");
        QVERIFY(!model.containsText("old"));
        QVERIFY(model.containsText("NEW"));
        model.removeRows(0, 1);
        QVERIFY(!model.containsText("new"));
        QVERIFY(model.containsText("keep"));
        model.clear();
        QVERIFY(!model.containsText("keep"));
    }

    // The texts and the duplicate index against a plain list of the texts,
    // through the index's growth, removals in the middle, a replacement of
    // the user's rows in the middle, a repeated text, and edits that leave
    // most of the text buffer unused.
    void theIndexAndTheTextsFollowEveryChange()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Acronyms);
        QStringList texts = {"T"};
        model.append({"T", "built in", Origin::Table});
        for (int i = 0; i < 500; ++i) {
            texts << QString("Row%1").arg(i);
            model.append({texts.last(), "d", Origin::File});
        }
        // Each row is the first of its text, or the other row of it is.
        const auto check = [&] {
            QCOMPARE(model.rowCount(), texts.size());
            QStringList keys;
            for (const QString& text : std::as_const(texts))
                keys << text.toCaseFolded();
            for (int row = 0; row < texts.size(); ++row) {
                QCOMPARE(model.text(row), texts.at(row));
                const int first = int(keys.indexOf(keys.at(row)));
                QCOMPARE(model.existingRow(texts.at(row).toUpper()), first);
                const int other = first < row ? first : int(keys.indexOf(keys.at(row), row + 1));
                QCOMPARE(model.existingRow(texts.at(row), row), other);
            }
        };
        check();
        model.removeRows(100, 50);
        texts.remove(100, 50);
        check();
        QVERIFY(!model.containsText("row120"));

        QList<UserListFormat::Entry> file;
        for (int row = 1; row < texts.size(); ++row)
            file.append({texts.at(row), "d"});
        for (int i = 0; i < 5; ++i)
            file.insert(10, {QString("New%1").arg(i), "n"});
        file.insert(12, {"row499", "a repeat before its first"});
        file.remove(300, 3);
        model.replaceUserEntries(file);
        texts = {"T"};
        for (const auto& entry : std::as_const(file))
            texts << entry.text;
        check();

        model.append({"ROW499", "again", Origin::File});
        texts << "ROW499";
        for (int i = 0; i < 2000; ++i)
            model.setEntry(3, QString("Edited %1 ").arg(i).repeated(4), "e");
        texts[3] = QString("Edited 1999 ").repeated(4);
        check();
        QVERIFY(!model.appendLoaded({"row400", "", Origin::File}));
        QVERIFY(model.appendLoaded({"Fresh", "", Origin::File}));
    }

    void aBulkLoadResetsTheViewsOnce()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        model.beginBulkLoad();
        model.clear();
        model.beginBulkLoad(); // nested, as a load inside a rebuild
        for (int i = 0; i < 1000; ++i)
            model.append({QString::number(i), "", Origin::File});
        model.endBulkLoad();
        // The duplicate test sees the rows while the load is still open.
        QVERIFY(model.containsText("999"));
        model.endBulkLoad();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(inserts.count(), 0);
        QCOMPARE(model.rowCount(), 1000);
    }

    void userEntriesKeepTheirOrder()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        model.append({"t1", "", Origin::Table});
        model.append({"u2", "x", Origin::File});
        model.append({"t3", "", Origin::Table});
        model.append({"u1", "y", Origin::File});
        const QList<Entry> user = model.userEntries();
        QCOMPARE(user.size(), 2);
        QCOMPARE(user.at(0).text, QString("u2"));
        QCOMPARE(user.at(1).text, QString("u1"));
    }

    void dragDataIsTheEntryTextAlone()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        model.append({";-)", "Clin d'oeil", Origin::Table});
        std::unique_ptr<QMimeData> data(model.mimeData({model.index(0, 1)}));
        QVERIFY(data);
        QCOMPARE(data->formats(), QStringList{"text/plain"});
        QCOMPARE(data->text(), QString(";-)"));
        QCOMPARE(model.supportedDragActions(), Qt::CopyAction);
        QVERIFY(!model.mimeData({}));
    }

    // A long entry's tooltip is rich text, so that it wraps; what the entry
    // holds is shown as it is, never read as markup.
    void longTooltipsWrapAndShowTheirText()
    {
        CatalogueListModel model(CatalogueListModel::Kind::Smileys);
        const QString markup = QString("<b>&amp;</b>").repeated(20);
        model.append({":-)", markup, Origin::File});
        QCOMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), QString(":-)"));
        const QString tip = model.index(0, 1).data(Qt::ToolTipRole).toString();
        QVERIFY(Qt::mightBeRichText(tip));
        QTextDocument shown;
        shown.setHtml(tip);
        QCOMPARE(shown.toPlainText(), markup);
    }
};

QTEST_GUILESS_MAIN(tst_CatalogueListModel)
#include "tst_cataloguelistmodel.moc"
