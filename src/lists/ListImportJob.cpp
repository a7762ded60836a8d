#include "lists/ListImportJob.h"

#include "lists/DuplicateRule.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <QSet>
#include <QThread>

namespace {
constexpr qint64 ProgressIntervalMs = 50;
} // namespace

// What the job's thread works on and leaves behind; shared with the thread,
// so that it outlives a job destroyed while the thread ends.
struct ListImportJob::Work
{
    QStringList paths;
    std::array<ListTexts, 2> texts;
    std::atomic<bool> cancelled = false;
    QList<ListFileImport::FileReport> reports;
    Runs runs;

    void run(const std::function<void(qint64, qint64)>& tell)
    {
        // A list's duplicate rule for Add: the texts without the spaces
        // around them, letter case aside (DuplicateRule::repeats), against
        // the list as it was and the entries taken from the files before.
        std::array<QSet<QString>, 2> keys;
        std::array<ListFileImport::AddEntry, 2> adders;
        for (int list = 0; list < 2; ++list) {
            const ListTexts& present = texts[list];
            keys[list].reserve(present.count);
            for (qsizetype i = 0; i < present.count && !cancelled; ++i)
                keys[list].insert(DuplicateRule::bareKey(present.textAt(i)));
            adders[list] = [&, list](const QString& text, const QString& description) {
                const qsizetype before = keys[list].size();
                keys[list].insert(DuplicateRule::bareKey(text));
                if (keys[list].size() == before)
                    return false;
                runs[list].append({text, description});
                return true;
            };
        }
        // The list's texts are no longer needed: whatever they share with
        // the window goes.
        texts = {};
        reports = ListFileImport::importFiles(paths, adders[0], adders[1],
                                              [&](qint64 done, qint64 total) {
                                                  tell(done, total);
                                                  return !cancelled;
                                              });
    }
};

ListImportJob::ListImportJob(const QStringList& paths, ListTexts smileys, ListTexts acronyms,
                             QObject* parent)
    : QObject(parent)
    , m_work(std::make_shared<Work>())
{
    m_work->paths = paths;
    m_work->texts = {std::move(smileys), std::move(acronyms)};
}

ListImportJob::~ListImportJob()
{
    stopThread();
}

void ListImportJob::start()
{
    if (m_thread || m_work->cancelled)
        return;
    // Progress goes to the window at most every 50 ms, however fast the
    // entries come; the last word always does.
    auto tell = [self = QPointer<ListImportJob>(this), work = m_work,
                 clock = std::make_shared<QElapsedTimer>()](qint64 done, qint64 total) {
        if (clock->isValid() && !clock->hasExpired(ProgressIntervalMs) && done < total)
            return;
        clock->start();
        QMetaObject::invokeMethod(
            self.data(),
            [self, work, done, total] {
                if (self && !work->cancelled)
                    Q_EMIT self->progress(done, total);
            },
            Qt::QueuedConnection);
    };
    QThread* thread = QThread::create([work = m_work, tell] { work->run(tell); });
    m_thread = thread;
    connect(thread, &QThread::finished, this, [this, thread] {
        thread->deleteLater();
        if (thread != m_thread)
            return;
        m_thread = nullptr;
        if (m_work->cancelled)
            return;
        const QList<ListFileImport::FileReport> reports = std::exchange(m_work->reports, {});
        const Runs runs = std::exchange(m_work->runs, {});
        Q_EMIT finished(reports, runs);
    });
    thread->start();
}

void ListImportJob::cancel()
{
    m_work->cancelled = true;
}

void ListImportJob::stopThread()
{
    if (!m_thread)
        return;
    cancel();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}
