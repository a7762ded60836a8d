#pragma once

#include "lists/ListFileImport.h"
#include "lists/UserListFormat.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

// An import of list files (ListFileImport) on a thread of its own, so that no
// file, however long, holds up the window: the files are read and their
// entries sorted out by the lists' duplicate rule there, against the texts
// each list held when the import started, and the window only takes in what
// comes back. Time and memory follow the files' size.
//
// It tells how far it is (progress), can be cancelled at any moment and
// stops within a few thousand entries, and tells once when it has ended
// (finished), unless cancelled or destroyed first.
class ListImportJob : public QObject
{
    Q_OBJECT
public:
    using List = ListFileImport::List;
    using Entries = QList<UserListFormat::Entry>;
    // The entries each list gets, by List, in the order of the files and of
    // their lines: none the list held when the import started, no two that
    // repeat each other by the Add's rule.
    using Runs = std::array<Entries, 2>;

    // The texts a list holds when the import starts, read on the job's
    // thread: textAt(i) for i below count must not change until finished (an
    // implicitly shared copy of the list's texts, say).
    struct ListTexts
    {
        qsizetype count = 0;
        std::function<QStringView(qsizetype)> textAt;
    };

    ListImportJob(const QStringList& paths, ListTexts smileys, ListTexts acronyms,
                  QObject* parent = nullptr);
    // Cancels an import under way and waits for its thread.
    ~ListImportJob() override;

    void start();
    // Stops the import: nothing more is read and finished is not sent.
    void cancel();
    bool isRunning() const { return m_thread != nullptr; }

Q_SIGNALS:
    // Bytes of the files read so far, of their total.
    void progress(qint64 done, qint64 total);
    // What became of each file, and what the lists get.
    void finished(const QList<ListFileImport::FileReport>& reports,
                  const ListImportJob::Runs& runs);

private:
    struct Work;
    void stopThread();

    std::shared_ptr<Work> m_work;
    QThread* m_thread = nullptr;
};
