#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

// A key of the desktop's own that starts something in the running program,
// through the desktop portal's global shortcuts: a session for the life of
// this object, one shortcut bound in it, and activated() each time the user
// presses its key. The desktop keeps the key the user chose; the preferred
// trigger (in the shortcuts' syntax, "LOGO+semicolon") is only what it
// suggests where it has none yet.
//
// The user's answer is remembered by the caller (settled()): a shortcut the
// user declined is never asked for again, one the user kept is bound again
// at each start, since only a session of the running program hears the key.
// A portal without global shortcuts, an error or no answer in time change
// nothing, so a later start asks again.
class GlobalShortcut : public QObject
{
    Q_OBJECT

public:
    // What the user answered at an earlier start.
    enum class Earlier {
        NotAsked,
        Kept,     // the desktop bound the shortcut
        Declined, // the user said no
    };
    Q_ENUM(Earlier)

    GlobalShortcut(const QDBusConnection& bus, const QString& id, const QString& description,
                   const QString& preferredTrigger, QObject* parent = nullptr);
    // The session ends with the object.
    ~GlobalShortcut() override;

    // Names the program to the portal before anything else is asked on the
    // connection (xdg-desktop-portal 1.19 and later; an older one goes
    // without), so that the desktop shows and keeps the key under the
    // program's own name wherever it was started from. The connection must
    // not have asked the portal anything yet.
    void setApplicationId(const QString& applicationId) { m_applicationId = applicationId; }

    // Asks the portal, unless the user declined before; settled() follows
    // from the event loop. One call per object.
    void bind(Earlier earlier);

    // The session's object on the bus once the portal opened it.
    QString sessionHandle() const { return m_session.path(); }

Q_SIGNALS:
    // Once per bind(): what the next start is to be given, the earlier
    // answer where the user gave none.
    void settled(GlobalShortcut::Earlier remember);
    // The key was pressed; the token (empty where the portal gives none)
    // lets the window come forward.
    void activated(const QString& activationToken);

private Q_SLOTS:
    void portalActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                         const QVariantMap& options);

private:
    void askVersion();
    void createSession();
    void bindShortcut();
    void closeSession();
    void settle(Earlier remember);

    QDBusConnection m_bus;
    QString m_id;
    QString m_description;
    QString m_preferredTrigger;
    QString m_applicationId;
    Earlier m_earlier = Earlier::NotAsked;
    QDBusObjectPath m_session;
};
