#include "TestFiles.h"
#include "base/DamagedFile.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using TestFiles::readAll;
using TestFiles::writeFile;

class tst_DamagedFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { DamagedFile::setBeforeRename({}); }

    // What cannot be used is renamed beside itself, and never over anything.
    void setAsideKeepsEverything_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("a damaged file") << "file";
        QTest::newRow("a file appears at the new name just before the rename") << "taken";
        QTest::newRow("a link loop") << "loop";
    }
    void setAsideKeepsEverything()
    {
        QFETCH(QString, what);
        QTemporaryDir dir;
        const QString path = dir.filePath("ZunoSmileys.conf");
        const QString stem = path + ".damaged-" + QDate::currentDate().toString(Qt::ISODate);
        if (what == "loop") {
            QVERIFY(QFile::link(path + ".other", path) && QFile::link(path, path + ".other"));
        } else {
            QVERIFY(writeFile(path, "damaged"));
        }
        QCOMPARE(DamagedFile::isLinkLoop(path), what == "loop");
        if (what == "taken")
            DamagedFile::setBeforeRename([&](const QString& to) {
                if (to == stem)
                    writeFile(to, "earlier");
            });

        QString why;
        const QString kept = DamagedFile::setAside(path, {}, &why);
        QCOMPARE(kept, what == "taken" ? stem + "-2" : stem);
        QVERIFY(!QFileInfo(path).isSymLink() && !QFileInfo::exists(path));
        if (what == "loop")
            QCOMPARE(QFileInfo(kept).symLinkTarget(), path + ".other");
        else
            QCOMPARE(readAll(kept), QByteArray("damaged"));
        if (what == "taken")
            QCOMPARE(readAll(stem), QByteArray("earlier"));
    }
};

QTEST_GUILESS_MAIN(tst_DamagedFile)
#include "tst_damagedfile.moc"
