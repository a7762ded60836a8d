#include "service/EntryDelivery.h"

#include "base/DetachedHelper.h"
#include "base/InstallLayout.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <unistd.h>

namespace {

constexpr char HistoryService[] = "org.kde.klipper";
// A clipboard history answers at once; a hung one must not hold the text.
constexpr int HistoryTimeoutMs = 500;
// Longer than a helper takes on a busy machine (the keeper's report, the
// launcher stepping aside before typing).
constexpr int HelperBoundMs = 15000;

QDBusMessage historyCall(const QString& text)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(HistoryService), QStringLiteral("/klipper"),
        QStringLiteral("org.kde.klipper.klipper"), QStringLiteral("setClipboardContents"));
    call << text;
    return call;
}

// Asked only when it runs: a call would start it, where it is installed but
// the desktop is not Plasma.
bool historyRuns(const QDBusConnection& bus)
{
    return bus.interface() && bus.interface()->isServiceRegistered(QLatin1String(HistoryService));
}

bool startable(const QString& program)
{
    if (QFileInfo(program).isExecutable())
        return true;
    qWarning("%s is missing.", qUtf8Printable(QDir::toNativeSeparators(program)));
    return false;
}

} // namespace

EntryDelivery::EntryDelivery(Programs programs, QObject* parent)
    : QObject(parent)
    , m_programs(std::move(programs))
{
    m_runningBound.setSingleShot(true);
    m_runningBound.setInterval(HelperBoundMs);
    connect(&m_runningBound, &QTimer::timeout, this, &EntryDelivery::helperEnded);
}

EntryDelivery::~EntryDelivery()
{
    if (m_running) {
        m_running->setEnabled(false);
        ::close(int(m_running->socket()));
    }
}

EntryDelivery::Programs EntryDelivery::find(const QString& serviceFolder)
{
    const QString programs = InstallLayout::programFolderOf(serviceFolder);
    return {InstallLayout::helperProgram(programs, QStringLiteral("zuno-insert-text")),
            QDir(programs).filePath(QStringLiteral("ZunoSmiley"))};
}

bool EntryDelivery::copy(const QString& text)
{
    const quint64 pick = ++m_picks;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!historyRuns(bus))
        return toHelper({QStringLiteral("--copy")}, text);
    // Not waited for: the helper copies instead when the history refused
    // or did not answer, unless a newer pick came meanwhile.
    auto* answer =
        new QDBusPendingCallWatcher(bus.asyncCall(historyCall(text), HistoryTimeoutMs), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this, answer, pick, text] {
        answer->deleteLater();
        if (answer->isError() && pick == m_picks)
            toHelper({QStringLiteral("--copy")}, text);
    });
    return true;
}

bool EntryDelivery::type(const QString& text)
{
    ++m_picks;
    return toHelper({QStringLiteral("--type")}, text);
}

bool EntryDelivery::openWindow(const QString& terms) const
{
    // Detached: the window outlives the service. The terms travel inside the
    // option's one argument, so that no term (-reverse, -stylesheet=FILE) is
    // ever taken for an option of the toolkit's.
    if (!startable(m_programs.catalogue))
        return false;
    if (!DetachedHelper(m_programs.catalogue, {QStringLiteral("--search=") + terms}).start()) {
        qWarning("%s could not be started.",
                 qUtf8Printable(QDir::toNativeSeparators(m_programs.catalogue)));
        return false;
    }
    return true;
}

bool EntryDelivery::toHelper(const QStringList& arguments, const QString& text)
{
    if (!startable(m_programs.helper))
        return false;
    // The helper would only fail there, after the host was told it worked.
    if (!displayFound(QProcessEnvironment::systemEnvironment())) {
        qWarning("No display to copy or type the entry on.");
        return false;
    }
    m_pending = Pick{arguments, text};
    return m_running || startPending();
}

bool EntryDelivery::startPending()
{
    const Pick pick = *std::exchange(m_pending, std::nullopt);
    // The text goes on standard input, not on the command line, which has a
    // length limit and whose options the toolkit takes for its own.
    const int output =
        DetachedHelper(m_programs.helper, pick.arguments).startWatched(pick.text.toUtf8());
    if (output < 0) {
        qWarning("%s could not be started.",
                 qUtf8Printable(QDir::toNativeSeparators(m_programs.helper)));
        return false;
    }
    m_running = new QSocketNotifier(output, QSocketNotifier::Read, this);
    connect(m_running, &QSocketNotifier::activated, this, [this, output] {
        // The helper writes nothing: what is readable is its end.
        char ignored[256];
        if (::read(output, ignored, sizeof ignored) <= 0)
            helperEnded();
    });
    m_runningBound.start();
    return true;
}

void EntryDelivery::helperEnded()
{
    if (!m_running)
        return;
    m_runningBound.stop();
    m_running->setEnabled(false);
    ::close(int(m_running->socket()));
    m_running->deleteLater();
    m_running = nullptr;
    if (m_pending)
        startPending();
}

bool EntryDelivery::toClipboardHistory(const QString& text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return historyRuns(bus) && bus.call(historyCall(text), QDBus::Block, HistoryTimeoutMs).type() ==
                                   QDBusMessage::ReplyMessage;
}

bool EntryDelivery::displayFound(const QProcessEnvironment& environment)
{
    const bool x11 = !environment.value(QStringLiteral("DISPLAY")).isEmpty();
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    const QString platforms = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (platforms.isEmpty())
        return x11 || wayland;
    for (const QString& platform : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (platform.startsWith(QLatin1String("xcb"))       ? x11
            : platform.startsWith(QLatin1String("wayland")) ? wayland
                                                            : true)
            return true;
    }
    return false;
}
