#pragma once

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class ShellSearchProvider;
struct sd_bus;
struct sd_bus_message;
struct sd_event;
struct sd_event_source;

// The overview's search provider on a session bus connection of its own,
// outside Qt D-Bus: Qt D-Bus decodes every argument of every message on the
// one thread all its connections share, so that a call of 400,000 ids would
// hold the runner's queries up for as long as it takes. Here sd-bus serves
// the provider on a thread of its own, and of a call only what the provider
// takes is read (the first ids, the terms as far as a query reaches); the
// rest is never decoded. That bounded request is queued to the provider on
// this object's thread, and its answer is sent back from the bus thread,
// woken through an eventfd: neither thread ever waits for the other while
// serving.
class OverviewBus : public QObject
{
    Q_OBJECT
public:
    // The name the overview's provider file names; the runner's is another.
    static constexpr char BusName[] = "example.orvak.ZunoSmiley.Search.Overview";
    // A call's ids are taken up to this many bytes in all, the rest left
    // out as those past ShellSearchProvider::MetasLimit: no entry's id is
    // longer (a list's line is at most 1 MiB).
    static constexpr qsizetype IdBytes = 4 * 1024 * 1024;

    // Connects to the session bus, on the bus thread meanwhile.
    explicit OverviewBus(ShellSearchProvider& provider, QObject* parent = nullptr);
    // Ends the bus thread; a call not answered yet gets no answer (its
    // caller sees the connection end).
    ~OverviewBus() override;

    // Takes BusName unless another process has it; false without a bus
    // too. At the start only: it waits for the bus's answer.
    bool claim();

private:
    // The answer to one call, sent on the bus thread.
    using Reply = std::function<int(sd_bus_message* call)>;
    // What the provider makes of a call, on this object's thread.
    using Request = std::function<Reply(ShellSearchProvider& provider)>;

    // The bus thread's own.
    void run();
    bool connectBus();
    static int woken(sd_event_source* source, int fd, uint32_t events, void* self);
    // The call kept until the provider's answer comes back to the bus thread.
    void toProvider(sd_bus_message* call, Request request);
    void answer(quint64 id, const Reply& reply);
    // The interface's methods, as sd-bus calls them.
    struct Methods;
    friend struct Methods;

    // Runs task on the bus thread (from any thread); dropped once it ended.
    void onBusThread(std::function<void()> task);

    ShellSearchProvider& m_provider;
    int m_wake = -1;
    // The bus thread's only.
    sd_event* m_event = nullptr;
    sd_bus* m_bus = nullptr;
    std::map<quint64, sd_bus_message*> m_calls;
    quint64 m_lastCall = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Guarded by m_mutex.
    std::vector<std::function<void()>> m_tasks;
    std::optional<bool> m_claimed;
    bool m_stopped = false;

    // Last: started once everything above is made.
    std::thread m_thread;
};
