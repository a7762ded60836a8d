#include "PrivateMount.h"
#include "TestFiles.h"
#include "base/AtomicFileWriter.h"
#include "base/LockFile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using Failure = AtomicFileWriter::Failure;

namespace {

using TestFiles::readAll;
using TestFiles::writeFile;

// What a name is, and what it leads to, as the system sees them.
QByteArray identity(const QString& path)
{
    struct stat link = {}, target = {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &link) != 0)
        return "<missing>";
    const int followed = ::stat(name.constData(), &target);
    return QByteArray::number(link.st_mode) + ' ' + QByteArray::number(link.st_ino) + ' ' +
           QFile::encodeName(QFile::symLinkTarget(path)) + ' ' + QByteArray::number(followed) +
           ' ' + QByteArray::number(target.st_mode) + ' ' + QByteArray::number(target.st_ino) +
           ' ' + QByteArray::number(target.st_rdev);
}

int failureCode(const AtomicFileWriter::Result& result)
{
    return int(result.failure);
}

// Runs step in a child process and answers its exit status. With asUser the
// child drops root first, since permission bits do not stop root.
int inChild(const std::function<int()>& step, bool asUser = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asUser && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::_exit(step());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const AtomicFileWriter::Change appendLine = [](const QByteArray& present) {
    return std::optional<QByteArray>(present + "\"new\",\"line\"\r\n");
};

} // namespace

class tst_AtomicFileWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replacesTheFileAndKeepsLinksToIt_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("a regular file") << QString();
        QTest::newRow("no file and no folder yet") << "new/folder/Smileys.smy";
        QTest::newRow("a link to a file") << "elsewhere/Smileys.smy";
        QTest::newRow("a relative link to a link") << "../chain";
    }
    void replacesTheFileAndKeepsLinksToIt()
    {
        QFETCH(QString, link);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("lists") && QDir(dir.path()).mkpath("elsewhere"));
        const bool newFolder = link.startsWith("new/");
        const QString path = dir.filePath(newFolder ? link : "lists/Smileys.smy");
        const QString file =
            link.isEmpty() || newFolder ? path : dir.filePath("elsewhere/Smileys.smy");
        if (file != path) {
            QVERIFY(writeFile(file, "old"));
            if (link == "../chain")
                QVERIFY(QFile::link(file, dir.filePath("chain")));
            QVERIFY(QFile::link(link == "../chain" ? link : file, path));
        }
        const QByteArray before = identity(path);

        QVERIFY(AtomicFileWriter::write(path, "one\r\n").ok());
        QVERIFY(AtomicFileWriter::update(path, appendLine).ok());
        QCOMPARE(readAll(file), QByteArray("one\r\n\"new\",\"line\"\r\n"));
        // A link stays the same link.
        if (file != path)
            QCOMPARE(identity(path).split(' ').mid(0, 3), before.split(' ').mid(0, 3));
        // Neither a temporary file nor the lock stays behind.
        for (const QString& folder : {QFileInfo(path).path(), QFileInfo(file).path()})
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
                     QStringList{"Smileys.smy"});
    }

    // A private file is the user's alone, and so is each folder made for it;
    // a folder or a file already there keeps its mode.
    void aPrivateFileAndItsNewFoldersAreTheUsersAlone()
    {
        QTemporaryDir dir;
        const mode_t umask = ::umask(022);
        const auto modeOf = [&dir](const char* name) {
            struct stat status = {};
            return ::stat(QFile::encodeName(dir.filePath(name)).constData(), &status) == 0
                       ? int(status.st_mode & 07777)
                       : -1;
        };
        QVERIFY(QDir(dir.path()).mkdir("kept", QFile::Permissions(0x7755)));
        QVERIFY(writeFile(dir.filePath("kept/shared"), "old"));
        const auto privately = AtomicFileWriter::PrivateFile;
        QVERIFY(AtomicFileWriter::write(dir.filePath("kept/new/state/file"), "1", -1, privately));
        QVERIFY(AtomicFileWriter::update(dir.filePath("kept/made"), appendLine,
                                         AtomicFileWriter::DefaultLockWait, -1, privately));
        QVERIFY(AtomicFileWriter::write(dir.filePath("kept/shared"), "2", -1, privately));
        ::umask(umask);
        QCOMPARE(modeOf("kept"), 0755);
        QCOMPARE(modeOf("kept/new"), 0700);
        QCOMPARE(modeOf("kept/new/state"), 0700);
        QCOMPARE(modeOf("kept/new/state/file"), 0600);
        QCOMPARE(modeOf("kept/made"), 0600);
        QCOMPARE(modeOf("kept/shared"), 0644);
    }

    // At the list's name, or at its lock's: whatever is no regular file (no
    // lock of this program) is left as it is, and nothing waits on it.
    void leavesWhatIsNoRegularFileAsItIs_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("atLock");
        QTest::newRow("a link to /dev/null") << "null" << false;
        QTest::newRow("a named pipe") << "fifo" << false;
        QTest::newRow("a link to a named pipe") << "fifo link" << false;
        QTest::newRow("a socket") << "socket" << false;
        QTest::newRow("a link to a folder") << "folder link" << false;
        QTest::newRow("lock: a named pipe") << "fifo" << true;
        QTest::newRow("lock: a link to /dev/zero") << "zero" << true;
        QTest::newRow("lock: a 2 GB file") << "huge" << true;
        QTest::newRow("lock: a folder") << "folder" << true;
        QTest::newRow("lock: a link to a lock file") << "lock link" << true;
    }
    void leavesWhatIsNoRegularFileAsItIs()
    {
        QFETCH(QString, what);
        QFETCH(bool, atLock);
        QTemporaryDir dir;
        const QString path = dir.filePath("Smileys.smy");
        const QString squat = atLock ? AtomicFileWriter::lockFilePath(path) : path;
        const QString other = dir.filePath("other");
        const QByteArray otherName = QFile::encodeName(other);
        if (what == "null" || what == "zero") {
            QVERIFY(QFile::link("/dev/" + what, squat));
        } else if (what.startsWith("fifo")) {
            QVERIFY(::mkfifo(QFile::encodeName(what == "fifo" ? squat : other).constData(), 0600) ==
                    0);
        } else if (what == "socket") {
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(squat);
            QVERIFY(size_t(name.size()) < sizeof address.sun_path);
            std::memcpy(address.sun_path, name.constData(), name.size());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
            ::close(fd);
        } else if (what == "huge") {
            QFile huge(squat);
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(2) << 30));
        } else if (what == "lock link") {
            QVERIFY(writeFile(other, "1\nZunoSmileys\nnowhere\n"));
        } else {
            QVERIFY(QDir().mkdir(what == "folder" ? squat : other));
        }
        if (what.endsWith("link"))
            QVERIFY(QFile::link(other, squat));
        const QByteArray before = identity(squat);

        if (!atLock) {
            QCOMPARE(failureCode(AtomicFileWriter::checkTarget(path)),
                     int(Failure::NotRegularFile));
            QCOMPARE(failureCode(AtomicFileWriter::write(path, "x")), int(Failure::NotRegularFile));
            QByteArray content;
            QCOMPARE(failureCode(AtomicFileWriter::read(path, &content)),
                     int(Failure::NotRegularFile));
        }
        // In a child that a hang or a runaway read cannot keep.
        const int answer = inChild([&] {
            ::alarm(10);
            const rlimit memory = {512 << 20, 512 << 20};
            ::setrlimit(RLIMIT_DATA, &memory);
            bool changed = false;
            const auto change = [&](const QByteArray&) {
                changed = true;
                return std::optional<QByteArray>("x");
            };
            const int failure = failureCode(AtomicFileWriter::update(path, change));
            return changed ? 99 : failure;
        });
        QCOMPARE(answer, int(atLock ? Failure::LockTaken : Failure::NotRegularFile));
        QCOMPARE(identity(squat), before);
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                     .size(),
                 what.endsWith("link") ? 2 : 1);
    }

    // A link is followed where only its owner could have put it, and never
    // to a place where nothing is.
    void linksOthersPlantedAreNotFollowed_data()
    {
        QTest::addColumn<QString>("folderMode");
        QTest::addColumn<bool>("othersLink");
        QTest::addColumn<bool>("dangling");
        QTest::addColumn<int>("failure");
        const int foreign = int(Failure::ForeignLink);
        QTest::newRow("another user's, sticky shared folder") << "1777" << true << false << foreign;
        QTest::newRow("another user's, shared folder") << "0777" << true << false << foreign;
        QTest::newRow("another user's, group folder") << "0770" << true << false << foreign;
        QTest::newRow("another user's, dangling") << "1777" << true << true << foreign;
        QTest::newRow("the user's own, sticky shared folder") << "1777" << false << false << 0;
        QTest::newRow("another user's, the user's folder") << "0755" << true << false << 0;
        QTest::newRow("the user's own, dangling")
            << "0755" << false << true << int(Failure::DanglingLink);
    }
    void linksOthersPlantedAreNotFollowed()
    {
        QFETCH(QString, folderMode);
        QFETCH(bool, othersLink);
        QFETCH(bool, dangling);
        QFETCH(int, failure);
        QTemporaryDir dir;
        const QString shared = dir.filePath("shared");
        const QString victim = dir.filePath(dangling ? "home/missing/.bashrc" : "home/.bashrc");
        QVERIFY(QDir().mkpath(shared) && QDir().mkpath(dir.filePath("home")));
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), folderMode.toUInt(nullptr, 8)) == 0);
        const QByteArray secret("export PATH=/usr/bin\n");
        if (!dangling)
            QVERIFY(writeFile(victim, secret));
        const QString path = shared + "/Smileys.smy";
        QVERIFY(QFile::link(victim, path));
        // Another user than the one the test runs as: nobody, or a user
        // beside nobody when the test runs as nobody.
        const uid_t other = ::geteuid() == 65534 ? 65533 : 65534;
        if (othersLink && ::lchown(QFile::encodeName(path).constData(), other, other) != 0) {
            // Only root may give a link to another user.
            QVERIFY2(errno == EPERM, std::strerror(errno));
            QSKIP("another user's link can be planted only by root");
        }

        const auto answers = [&] {
            return QList<int>{failureCode(AtomicFileWriter::checkTarget(path)),
                              failureCode(AtomicFileWriter::write(path, "x\r\n")),
                              failureCode(AtomicFileWriter::update(path, appendLine))};
        };
        QCOMPARE(answers(), QList<int>(3, failure));
        if (failure == 0)
            QCOMPARE(readAll(victim), QByteArray("x\r\n\"new\",\"line\"\r\n"));
        else
            QCOMPARE(readAll(victim), dangling ? QByteArray("<unreadable>") : secret);
        QCOMPARE(QFileInfo::exists(dir.filePath("home/missing")), false);
    }

    // A writer that takes no lock adds a line between the update's reading and
    // its rename: the update reads again, and both lines are kept.
    void updateKeepsWhatAnUnlockedWriterAdds()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Smileys.smy");
        QVERIFY(writeFile(path, "\"old\",\"line\"\r\n"));
        int calls = 0;
        const auto change = [&](const QByteArray& present) {
            if (++calls == 1) {
                QFile appender(path);
                if (appender.open(QIODevice::Append))
                    appender.write("\"their\",\"line\"\r\n");
            }
            return appendLine(present);
        };
        QVERIFY(AtomicFileWriter::update(path, change).ok());
        QCOMPARE(calls, 2);
        QCOMPARE(readAll(path),
                 QByteArray("\"old\",\"line\"\r\n\"their\",\"line\"\r\n\"new\",\"line\"\r\n"));
    }

    void aFullDiskFailsAndKeepsThePreviousFile_data()
    {
        QTest::addColumn<bool>("tmpfs");
        QTest::newRow("a small tmpfs") << true;
        QTest::newRow("a file-size limit") << false;
    }
    void aFullDiskFailsAndKeepsThePreviousFile()
    {
        QFETCH(bool, tmpfs);
        QTemporaryDir dir;
        const QString disk = dir.filePath("disk");
        QVERIFY(QDir().mkdir(disk));
        std::optional<PrivateMount> mount;
        if (tmpfs) {
            mount.emplace(PrivateMount::smallDisk(disk, 64));
            ZUNO_REQUIRE_MOUNT(*mount);
        }
        const QString path = disk + "/Smileys.smy";
        const QByteArray before(1000, 'p');
        QVERIFY(writeFile(path, before));

        // Larger than the disk or the limit, and written in several pieces.
        const QByteArray bytes(1024 * 1024, 'x');
        const int failure = inChild([&] {
            if (!tmpfs) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit = {32 * 1024, 32 * 1024};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            return failureCode(AtomicFileWriter::write(path, bytes));
        });
        const QByteArray after = readAll(path);
        const QStringList names = QDir(disk).entryList(QDir::Files | QDir::Hidden);
        mount.reset();
        QCOMPARE(failure, int(Failure::DiskFull));
        QCOMPARE(after, before);
        QCOMPARE(names, QStringList{"Smileys.smy"});
    }

    void failuresSayWhyAndKeepTheFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("update");
        QTest::addColumn<int>("failure");
        const int readOnly = int(Failure::ReadOnlyFileSystem);
        const int noPermission = int(Failure::NoPermission);
        QTest::newRow("read-only file system: write") << "read-only" << false << readOnly;
        QTest::newRow("read-only file system: update") << "read-only" << true << readOnly;
        QTest::newRow("folder closed to the user: write") << "closed" << false << noPermission;
        QTest::newRow("folder closed to the user: update") << "closed" << true << noPermission;
        QTest::newRow("file the user cannot read: update") << "unreadable" << true << noPermission;
        QTest::newRow("folder below a regular file: write")
            << "below a file" << false << int(Failure::Other);
        const int tooLarge = int(Failure::TooLarge);
        QTest::newRow("larger than its reader takes: write") << "size limit" << false << tooLarge;
        QTest::newRow("larger than its reader takes: update") << "size limit" << true << tooLarge;
    }
    void failuresSayWhyAndKeepTheFile()
    {
        QFETCH(QString, how);
        QFETCH(bool, update);
        QFETCH(int, failure);
        QTemporaryDir dir;
        const QString folder = dir.filePath("lists");
        QVERIFY(QDir().mkdir(folder));
        QString path = folder + "/Smileys.smy";
        const QByteArray before("\"mine\",\"kept\"\r\n");
        QVERIFY(writeFile(path, before));
        std::optional<PrivateMount> mount;
        if (how == "read-only") {
            mount.emplace(PrivateMount::readOnly(folder));
            ZUNO_REQUIRE_MOUNT(*mount);
        }
        if (how == "below a file")
            path += "/Smileys.smy";
        // The folder closed, or the file closed to reading in an open folder.
        const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                       QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir.path(), all));
        if (how == "closed")
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
        if (how == "unreadable") {
            QVERIFY(QFile::setPermissions(folder, all));
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        }

        // The limit lets the file be as large as it is, not a byte more.
        const qint64 limit = how == "size limit" ? before.size() : AtomicFileWriter::NoSizeLimit;
        const int answer = inChild(
            [&] {
                return failureCode(
                    update ? AtomicFileWriter::update(path, appendLine,
                                                      AtomicFileWriter::DefaultLockWait, limit)
                           : AtomicFileWriter::write(path, before + "x", limit));
            },
            how == "closed" || how == "unreadable");
        mount.reset();
        QVERIFY(QFile::setPermissions(folder, all));
        QVERIFY(
            QFile::setPermissions(folder + "/Smileys.smy", QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(answer, failure);
        QCOMPARE(readAll(folder + "/Smileys.smy"), before);
    }

    // Two processes updating one file at once: every change of each is in it.
    void updatesOfTwoProcessesAreAllKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Acronyms.acr");
        constexpr int Changes = 50;
        const auto writer = [&](char who) {
            return [&, who] {
                for (int i = 0; i < Changes; ++i) {
                    const QByteArray line = who + QByteArray::number(i) + "\r\n";
                    const auto change = [&](const QByteArray& present) {
                        return std::optional<QByteArray>(present + line);
                    };
                    if (!AtomicFileWriter::update(path, change).ok())
                        return 1;
                }
                return 0;
            };
        };
        const pid_t first = ::fork();
        if (first == 0)
            ::_exit(writer('a')());
        QCOMPARE(inChild(writer('b')), 0);
        int status = 0;
        ::waitpid(first, &status, 0);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);

        const QList<QByteArray> lines = readAll(path).split('\n');
        QSet<QByteArray> expected{""};
        for (int i = 0; i < Changes; ++i)
            expected << "a" + QByteArray::number(i) + '\r' << "b" + QByteArray::number(i) + '\r';
        QCOMPARE(lines.size(), 2 * Changes + 1);
        QCOMPARE(QSet<QByteArray>(lines.cbegin(), lines.cend()), expected);
    }

    void updateWaitsForALiveLockOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Smileys.smy");
        const QString lockPath = AtomicFileWriter::lockFilePath(path);
        // The lock's time set an hour back, past the stale time.
        const auto ageLock = [&lockPath] {
            QFile lock(lockPath);
            return lock.open(QIODevice::ReadWrite) &&
                   lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                    QFileDevice::FileModificationTime);
        };
        {
            QLockFile held(lockPath);
            QVERIFY(held.tryLock(0));
            QCOMPARE(failureCode(AtomicFileWriter::update(path, appendLine,
                                                          std::chrono::milliseconds(200))),
                     int(Failure::Busy));
            // However old it looks: its holder still holds it.
            QVERIFY(ageLock());
            QCOMPARE(failureCode(AtomicFileWriter::update(path, appendLine,
                                                          std::chrono::milliseconds(200))),
                     int(Failure::Busy));
            QVERIFY(!QFile::exists(path));
        }
        // A writer whose lock was taken over leaves the next one's in place.
        {
            LockFile first(lockPath, AtomicFileWriter::StaleLockTime);
            QCOMPARE(first.tryLock(), LockFile::State::Locked);
            QVERIFY(QFile::remove(lockPath));
            LockFile second(lockPath, AtomicFileWriter::StaleLockTime);
            QCOMPARE(second.tryLock(), LockFile::State::Locked);
            first.unlock();
            QVERIFY(QFile::exists(lockPath));
        }
        // Another machine's lock nobody holds goes once it is stale.
        QVERIFY(TestFiles::writeFile(lockPath, "1\nZunoSmiley\nelsewhere.example\n"));
        QVERIFY(ageLock());
        QVERIFY(AtomicFileWriter::update(path, appendLine, std::chrono::milliseconds(200)).ok());
        QVERIFY(QFile::remove(path));
        // A process killed while it held the lock does not block the next writer.
        QCOMPARE(inChild([&] {
                     QLockFile* left = new QLockFile(AtomicFileWriter::lockFilePath(path));
                     return left->tryLock(0) ? 0 : 1;
                 }),
                 0);
        QVERIFY(QFile::exists(AtomicFileWriter::lockFilePath(path)));
        QVERIFY(AtomicFileWriter::update(path, appendLine, std::chrono::milliseconds(200)).ok());
        QCOMPARE(readAll(path), QByteArray("\"new\",\"line\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_AtomicFileWriter)
#include "tst_atomicfilewriter.moc"
