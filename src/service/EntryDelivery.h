#pragma once

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class QSocketNotifier;

// Hands an entry's text on from a service that has no window and no display
// connection of its own: to the desktop's clipboard history where it runs
// (it keeps the text after the service ends), else to a helper process that
// owns the clipboard and leaves the text with the program's clipboard keeper;
// typing goes through the same helper; the catalogue's window is the
// catalogue program itself. One helper at a time: a pick made while one
// runs waits for it, and a newer pick replaces one still waiting, since only
// the last entry picked matters. Nothing here waits on another process.
class EntryDelivery : public QObject
{
    Q_OBJECT
public:
    struct Programs
    {
        QString helper;    // zuno-insert-text
        QString catalogue; // ZunoSmiley
    };

    explicit EntryDelivery(Programs programs, QObject* parent = nullptr);
    ~EntryDelivery() override;

    // The programs of the installation or build tree whose search service is
    // in serviceFolder.
    static Programs find(const QString& serviceFolder);

    // False when the text cannot reach the desktop: no history runs and
    // there is no display for the helper, or the helper cannot start.
    bool copy(const QString& text);
    bool type(const QString& text);
    bool openWindow(const QString& terms) const;

    // The text to the desktop's clipboard history, where one runs; false
    // where none does, it refused or it did not answer in time. Waits for
    // the answer: for the helper, which has nothing else to do meanwhile.
    static bool toClipboardHistory(const QString& text);

    // Whether a Qt program started with this environment finds a display:
    // the platform it names (the first of a list that has one), or an X11
    // or Wayland display where it names none. Platforms without a display
    // (offscreen) need nothing.
    static bool displayFound(const QProcessEnvironment& environment);

private:
    struct Pick
    {
        QStringList arguments;
        QString text;
    };

    bool toHelper(const QStringList& arguments, const QString& text);
    bool startPending();
    void helperEnded();

    Programs m_programs;
    std::optional<Pick> m_pending;
    // The output of the helper that runs, whose end is the helper's.
    QSocketNotifier* m_running = nullptr;
    // A helper that outlives this is no longer waited for.
    QTimer m_runningBound;
    // Counts the picks, so that an older one gives way to a newer.
    quint64 m_picks = 0;
};
