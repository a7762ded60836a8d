#include "desktop/ClipboardHandover.h"

#include "base/DetachedHelper.h"
#include "base/InstallLayout.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcessEnvironment>

#include <chrono>

namespace {

constexpr char KeeperName[] = "zuno-clipboard-keeper";
// Long enough for a keeper to start on a busy machine; the program is
// closing, so nobody waits on a window meanwhile.
constexpr std::chrono::milliseconds ReportTimeout{10000};

// Starts the keeper detached from this process, on this program's platform,
// with the text; true when it reports the text safe.
bool startKeeper(const QString& program, const QString& platform, const QByteArray& text)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    DetachedHelper keeper(program);
    keeper.setEnvironment(environment);
    const std::optional<QByteArray> answer = keeper.startForReport(text, ReportTimeout);
    return answer == "kept" || answer == "manager";
}

} // namespace

QString ClipboardHandover::keeperProgram(const QString& programFolder)
{
    return InstallLayout::helperProgram(programFolder, QLatin1String(KeeperName));
}

bool ClipboardHandover::handOver()
{
    return handOver(keeperProgram(QCoreApplication::applicationDirPath()));
}

bool ClipboardHandover::handOver(const QString& keeperProgram)
{
    QClipboard* clipboard = qGuiApp ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard || !clipboard->ownsClipboard())
        return false;
    const QString text = clipboard->text(QClipboard::Clipboard);
    if (text.isEmpty())
        return false;
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return false;
    if (!QFileInfo(keeperProgram).isExecutable()) {
        qWarning("The clipboard keeper %s is missing; the copied text ends with the program.",
                 qPrintable(QDir::toNativeSeparators(keeperProgram)));
        return false;
    }
    return startKeeper(keeperProgram, platform, text.toUtf8());
}
