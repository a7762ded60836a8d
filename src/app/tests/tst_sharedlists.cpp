#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A catalogue window in a process of its own (window_driver).
class Window
{
public:
    explicit Window(const QString& folder)
    {
        m_process.start(QStringLiteral(WINDOW_DRIVER), {folder});
        m_ready = m_process.waitForStarted() && next() == "ready";
    }
    ~Window()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool isReady() const { return m_ready; }

    // Sends one command (fields joined by tabs) and answers its first line.
    QByteArray send(const QStringList& fields)
    {
        m_process.write(fields.join('\t').toUtf8() + '\n');
        return next();
    }
    QSet<QString> rows(int list)
    {
        QSet<QString> rows;
        for (QByteArray line = send({"rows", QString::number(list)});
             line != "end" && !line.isEmpty(); line = next())
            rows << QString::fromUtf8(line);
        return rows;
    }

private:
    QByteArray next()
    {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        return m_process.readLine().trimmed();
    }

    QProcess m_process;
    bool m_ready = false;
};

QSet<QString> fileRows(const QString& path)
{
    QFile file(path);
    QSet<QString> rows;
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            rows
                << QString::fromUtf8(line.trimmed()).remove(0, 1).chopped(1).replace("\",\"", "\t");
    }
    return rows;
}

} // namespace

// Two windows of the program on one list folder, each a real process.
class tst_SharedLists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twoWindowsKeepEveryChange_data()
    {
        QTest::addColumn<bool>("firstClosesFirst");
        QTest::newRow("first closes first") << true;
        QTest::newRow("second closes first") << false;
    }
    void twoWindowsKeepEveryChange()
    {
        QFETCH(bool, firstClosesFirst);
        QTemporaryDir folder;
        const QString path = folder.filePath("Smileys.smy");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\"(o_o)\",\"both\"\r\n\"(-_-)\",\"both\"\r\n\"(^_^)\",\"both\"\r\n");
        file.close();

        auto first = std::make_unique<Window>(folder.path());
        auto second = std::make_unique<Window>(folder.path());
        QVERIFY(first->isReady() && second->isReady());
        // Each change is answered once the window has it; idle once written.
        const QList<std::pair<Window*, QStringList>> changes = {
            {first.get(), {"add", "0", "(a1)", "first"}},
            {second.get(), {"add", "0", "(b1)", "second"}},
            {first.get(), {"edit", "0", "(o_o)", "(O_O)", "renamed by the first"}},
            {second.get(), {"remove", "0", "(-_-)"}},
            {second.get(), {"edit", "0", "(^_^)", "(^_^)", "described by the second"}},
            {first.get(), {"add", "0", "(a2)", "first"}},
            {second.get(), {"add", "0", "(b2)", "second"}},
        };
        for (const auto& [window, command] : changes) {
            QCOMPARE(window->send(command), QByteArray("done 1"));
            QCOMPARE(window->send({"idle"}), QByteArray("idle"));
        }
        const QSet<QString> expected{"(O_O)\trenamed by the first",
                                     "(^_^)\tdescribed by the second",
                                     "(a1)\tfirst",
                                     "(b1)\tsecond",
                                     "(a2)\tfirst",
                                     "(b2)\tsecond"};
        QCOMPARE(fileRows(path), expected);
        // Both windows follow the file.
        QTRY_COMPARE_WITH_TIMEOUT(first->rows(0), expected, 1000);
        QTRY_COMPARE_WITH_TIMEOUT(second->rows(0), expected, 1000);

        Window* closing[] = {first.get(), second.get()};
        if (!firstClosesFirst)
            std::swap(closing[0], closing[1]);
        for (Window* window : closing)
            QCOMPARE(window->send({"close"}), QByteArray("closed 1"));
        QCOMPARE(fileRows(path), expected);
    }
};

QTEST_GUILESS_MAIN(tst_SharedLists)
#include "tst_sharedlists.moc"
