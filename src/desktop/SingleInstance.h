#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

// One window per user: the first start of the program takes a well-known
// name on the session bus (the desktop application id); a later start hands
// its command line to the process that holds the name and ends. Where there
// is no session bus, or the holder does not answer in time, the later start
// runs on its own, which is safe since every change is merged into the list
// files. The session bus is the user's own, so other users never meet.
class SingleInstance : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.orvak.ZunoSmiley.Instance")
public:
    enum class Role {
        First,      // this process holds the name and receives later command lines
        HandedOver, // the running process took this command line: end with code 0
        Alone,      // no bus, or no answer: run without receiving anything
    };

    // The longest wait for the running process to take a command line.
    static constexpr int HandoverTimeoutMs = 2000;
    // The most one call carries: files in one hand-over (a longer command
    // line goes in several), and characters in one path, the search or the
    // token. A call over them is refused with an error reply, so that no
    // caller can make the window take unbounded work.
    static constexpr int MaxFilesPerCall = 1000;
    static constexpr int MaxTextLength = 4096;

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // The token with which the desktop started this process, for the window
    // that is to take the focus: Wayland's activation token
    // (XDG_ACTIVATION_TOKEN), else the X11 startup notification id
    // (DESKTOP_STARTUP_ID). Read it before the application object exists:
    // Qt's X11 platform takes DESKTOP_STARTUP_ID out of the environment.
    static QString startupToken();

    // Claims the name, or hands the command line and this start's token to
    // its holder. Needs the application object; call it before the window
    // is built. It may run on a thread of its own while the main thread
    // goes on (the bus delivers later command lines in this object's thread).
    // search: words for the window's filter (--search), empty when none.
    Role start(const QStringList& files, bool pick, const QString& token,
               const QString& search = {});

    // Gives the name up, so that a start from now on runs on its own (the
    // window is closing). The destructor does it too.
    void release();

    // The bus name, object path and interface the first process is reached at.
    static QString serviceName();
    static QString objectPath();
    static constexpr const char* InterfaceName = "example.orvak.ZunoSmiley.Instance";

    // One call that hands (part of) a command line over: HandOver(files,
    // pick, token), or Search(terms, token) when search is set.
    // A file name as it travels on the bus, which carries UTF-8 only: a name
    // holding bytes that are not UTF-8 (NativePath) goes as a file: URI of
    // its percent-encoded bytes; pathFromBus gives the name back whole.
    static QString busPath(const QString& path);
    static QString pathFromBus(const QString& travelled);

    struct Call
    {
        bool search = false;
        QStringList files;
        bool pick = false;
        QString terms;
    };
    // The calls a later start makes, in order: the files in calls of at most
    // MaxFilesPerCall (the holder gathers calls that come together), the
    // pick with the last, the search after them. Whatever carries the calls
    // (the bus library of the early hand-over, or this class) makes the same.
    static QList<Call> handOverCalls(const QStringList& files, bool pick, const QString& search);

public Q_SLOTS:
    // The bus side: a later start's command line. Not for the program.
    Q_SCRIPTABLE void HandOver(const QStringList& files, bool pick, const QString& token);
    // A later start's --search.
    Q_SCRIPTABLE void Search(const QString& terms, const QString& token);

Q_SIGNALS:
    // A later start's command line: its list files (absolute), its --pick,
    // and the token with which the window may take the focus (empty when
    // the start had none).
    void commandLineReceived(const QStringList& files, bool pick, const QString& token);
    // A later start's --search words, and its token.
    void searchReceived(const QString& terms, const QString& token);

private:
    // Whether a call's strings are within the limits; refuses it otherwise.
    bool withinLimits(const QStringList& texts, qsizetype count);

    bool m_holdsName = false;
    bool m_registered = false;
};
