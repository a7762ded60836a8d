#include <QTest>

class tst_searchstores : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_searchstores)
#include "tst_searchstores.moc"
