#include "service/EntryDelivery.h"

#include "base/DetachedHelper.h"
#include "base/InstallLayout.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr char HistoryService[] = "org.kde.klipper";
// A clipboard history answers at once; a hung one must not hold the host.
constexpr int HistoryTimeoutMs = 2000;

bool startHelper(const QString& program, const QStringList& arguments, const QString& input = {})
{
    if (!QFileInfo(program).isExecutable()) {
        qWarning("%s is missing.", qUtf8Printable(QDir::toNativeSeparators(program)));
        return false;
    }
    // A text goes on standard input, not on the command line, which has a
    // length limit and whose options the toolkit takes for its own. Detached:
    // what it serves outlives the service.
    if (!DetachedHelper(program, arguments).start(input.toUtf8())) {
        qWarning("%s could not be started.", qUtf8Printable(QDir::toNativeSeparators(program)));
        return false;
    }
    return true;
}

} // namespace

EntryDelivery::Programs EntryDelivery::find(const QString& serviceFolder)
{
    const QString programs = InstallLayout::programFolderOf(serviceFolder);
    return {InstallLayout::helperProgram(programs, QStringLiteral("zuno-insert-text")),
            QDir(programs).filePath(QStringLiteral("ZunoSmiley"))};
}

bool EntryDelivery::copy(const QString& text) const
{
    return toClipboardHistory(text) ||
           startHelper(m_programs.helper, {QStringLiteral("--copy")}, text);
}

bool EntryDelivery::type(const QString& text) const
{
    return startHelper(m_programs.helper, {QStringLiteral("--type")}, text);
}

bool EntryDelivery::openWindow(const QString& terms) const
{
    return startHelper(m_programs.catalogue, {QStringLiteral("--search"), terms});
}

bool EntryDelivery::toClipboardHistory(const QString& text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Asked only when it runs: a call would start it, where it is installed
    // but the desktop is not Plasma.
    if (!bus.interface() || !bus.interface()->isServiceRegistered(QLatin1String(HistoryService)))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(HistoryService), QStringLiteral("/klipper"),
        QStringLiteral("org.kde.klipper.klipper"), QStringLiteral("setClipboardContents"));
    call << text;
    return bus.call(call, QDBus::Block, HistoryTimeoutMs).type() == QDBusMessage::ReplyMessage;
}
