#include "ovobj10/FileManagerClient.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

void FileManagerClient::showItemProperties(const QString& fileName)
{
    if (fileName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
    const QUrl uri = QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath());
    call << QStringList{QString::fromLatin1(uri.toEncoded())} << QString();
    // The bus starts a file manager that is installed but not running; the
    // answer is not needed, so the call does not wait for it.
    call.setAutoStartService(true);
    bus.send(call);
}
