#include <QTest>

class tst_searchindex : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_searchindex)
#include "tst_searchindex.moc"
