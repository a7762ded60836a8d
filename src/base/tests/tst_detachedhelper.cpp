#include "base/DetachedHelper.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

class tst_DetachedHelper : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A helper that never answers holds its starter no longer than the bound.
    void boundsTheWaitForAReport()
    {
        QElapsedTimer elapsed;
        elapsed.start();
        DetachedHelper silent("/bin/sh", {"-c", "sleep 5"});
        QVERIFY(!silent.startForReport("text", 200ms));
        QVERIFY2(elapsed.elapsed() < 3000, QByteArray::number(elapsed.elapsed()));
    }

    // A program that cannot run is a failed start, as the toolkit's is.
    void failsWhenTheProgramCannotRun()
    {
        QTemporaryDir dir;
        QVERIFY(!DetachedHelper(dir.filePath("missing")).start("text"));
    }
};

QTEST_GUILESS_MAIN(tst_DetachedHelper)
#include "tst_detachedhelper.moc"
