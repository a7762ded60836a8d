// The service's stored copy read back as it was written, whether its texts
// are mapped from the file under a read lease or read into memory where no
// lease is given, and still readable once the file is cut short.
#include "TestFiles.h"
#include "service/CatalogueCache.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class tst_CatalogueCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsWhatItWrote_data();
    void readsWhatItWrote();
};

namespace {

// Whether this process holds a lease on the file at path (/proc/locks: "1:
// LEASE ACTIVE READ pid major:minor:inode 0 EOF").
bool leaseHeld(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    const QByteArray pid = " " + QByteArray::number(::getpid()) + " ";
    const QByteArray inode = ":" + QByteArray::number(quint64(info.st_ino)) + " ";
    for (const QByteArray& line : TestFiles::readAll(QStringLiteral("/proc/locks")).split('\n'))
        if (line.contains("LEASE") && line.contains(pid) && line.contains(inode))
            return true;
    return false;
}

// Whether the file system of path gives read leases at all.
bool leasesGiven(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool given = fd >= 0 && ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
    if (fd >= 0)
        ::close(fd);
    return given;
}

} // namespace

void tst_CatalogueCache::readsWhatItWrote_data()
{
    // Another program has the copy open to write it: the system gives no
    // lease, and the texts are read.
    QTest::addColumn<bool>("heldByAWriter");
    // Of more pages than memory advice leaves alone, and not whole ones.
    QTest::addColumn<int>("descriptionLength");
    QTest::newRow("mapped under a lease") << false << 4;
    QTest::newRow("read, held open by a writer") << true << 4;
    QTest::newRow("mapped, of many pages") << false << 70001;
}

void tst_CatalogueCache::readsWhatItWrote()
{
    QFETCH(bool, heldByAWriter);
    QFETCH(int, descriptionLength);
    const QString dodo = QStringLiteral("Dodo").leftJustified(descriptionLength, u'o');
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString smileys = dir.filePath(QStringLiteral("Smileys.smy"));
    const QString acronyms = dir.filePath(QStringLiteral("Acronyms.acr"));
    QVERIFY(TestFiles::writeFile(smileys, "\"(o_O)\",\"Hibou\"\r\n"));
    QVERIFY(TestFiles::writeFile(acronyms, "ZZZ,Dodo\r\n"));
    const CatalogueCache::Stamps stamps{CatalogueCache::FileStamp::of(smileys),
                                        CatalogueCache::FileStamp::of(acronyms)};
    // A user entry has one description, both languages'.
    using List = BilingualEntry::List;
    const QList<BilingualEntry> entries{
        {QStringLiteral("(o_O)"),
         QStringLiteral("Hibou"),
         QStringLiteral("Hibou"),
         List::Smileys,
         true,
         {}},
        {QStringLiteral(";-)"),
         QStringLiteral("Clin d'œil"),
         QStringLiteral("Clin d'œil"),
         List::Smileys,
         true,
         {}},
        {QStringLiteral("ZZZ"), dodo, dodo, List::Acronyms, true, {}}};
    const QString path = dir.filePath(QStringLiteral("search-rows"));
    QVERIFY(CatalogueCache::write(path, 42, stamps, entries, {{{0, 2}, {2, 3}}}));

    if (!heldByAWriter && !leasesGiven(path))
        QSKIP("this file system gives no leases: the copy is read, as the other row checks");
    QFile writer(path);
    if (heldByAWriter)
        QVERIFY(writer.open(QIODevice::ReadWrite));
    const std::shared_ptr<const CatalogueCache> cache = CatalogueCache::read(path, 42, stamps);
    QVERIFY(cache);
    QCOMPARE(leaseHeld(path), !heldByAWriter);
    const auto texts = [&cache] {
        QStringList all;
        for (int l = 0; l < 2; ++l)
            for (qsizetype row = 0; row < cache->rows(l); ++row) {
                const BilingualEntry entry = cache->entry(l, row);
                all << entry.text + u'|' + entry.frenchDescription + u'|' +
                           entry.englishDescription;
            }
        return all;
    };
    const QStringList expected{QStringLiteral("(o_O)|Hibou|Hibou"),
                               QStringLiteral(";-)|Clin d'œil|Clin d'œil"),
                               QStringLiteral("ZZZ|") + dodo + u'|' + dodo};
    QCOMPARE(texts(), expected);
    // Read without a lease: a cut changes nothing here at once.
    if (heldByAWriter) {
        QVERIFY(writer.resize(0));
        QCOMPARE(texts(), expected);
    }
    // Made the copy's own, the lease goes; a cut then changes nothing here.
    cache->ownUnits();
    QVERIFY(!leaseHeld(path));
    QVERIFY(::truncate(QFile::encodeName(path).constData(), 0) == 0);
    QCOMPARE(texts(), expected);
    // Another copy of other files, or of another program, is none.
    QVERIFY(!CatalogueCache::read(path, 42, stamps));
}

QTEST_GUILESS_MAIN(tst_CatalogueCache)
#include "tst_cataloguecache.moc"
