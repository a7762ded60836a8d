#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// The text-field window of tests/support/typing_target in a process of its
// own, shown through the given Qt platform (xcb, wayland); the test defines
// TYPING_TARGET as the program's path. Its window id is 0 when it did not
// come up with the keyboard focus.
class TypingTarget
{
public:
    explicit TypingTarget(const QString& title, const QString& platform)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(TYPING_TARGET), {title});
        const QByteArray ready = line();
        if (ready.startsWith("ready "))
            m_window = ready.mid(6).toULongLong();
    }
    ~TypingTarget()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }
    TypingTarget(const TypingTarget&) = delete;
    TypingTarget& operator=(const TypingTarget&) = delete;

    quint64 window() const { return m_window; }

    QByteArray ask(const QByteArray& command)
    {
        m_process.write(command + '\n');
        return line();
    }

    QString text()
    {
        const QByteArray answer = ask("text");
        // An empty text comes as "text" alone, the line being trimmed.
        return answer.startsWith("text") ? QString::fromUtf8(QByteArray::fromBase64(answer.mid(5)))
                                         : QStringLiteral("<no answer>");
    }

    void quit()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

private:
    QByteArray line()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(10000))
                return {};
        return m_process.readLine().trimmed();
    }

    QProcess m_process;
    quint64 m_window = 0;
};
