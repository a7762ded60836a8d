#include "service/OverviewBus.h"

#include "catalogue/UserListReader.h"
#include "search/SearchIndex.h"
#include "service/ShellSearchProvider.h"

#include <QStringList>

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

static_assert(OverviewBus::IdBytes > 3 * UserListReader::MaxLineLength,
              "an entry's id (a line's text in UTF-8) fits the ids' bytes");

// The terms of a call (as) as far as ShellSearchProvider::queryOf joins
// them; the others are read past, not decoded.
int readTerms(sd_bus_message* call, QStringList& terms)
{
    constexpr qsizetype Reach = SearchIndex::MaxTypedLength + 1;
    int r = sd_bus_message_enter_container(call, 'a', "s");
    if (r < 0)
        return r;
    qsizetype units = 0; // of the terms joined with a blank
    const char* term = nullptr;
    while ((r = sd_bus_message_read_basic(call, 's', &term)) > 0) {
        if (!terms.isEmpty())
            ++units;
        if (units >= Reach)
            continue;
        // A unit takes at most 3 bytes (4 for two): this many bytes hold
        // the units still wanted, whatever a cut sequence at their end.
        const qsizetype wanted = 4 * (Reach - units) + 4;
        terms << QString::fromUtf8(term, qsizetype(strnlen(term, size_t(wanted))));
        units += terms.last().size();
    }
    return r < 0 ? r : sd_bus_message_exit_container(call);
}

// One id, or none (an empty one) where it is longer than any entry's.
int readId(sd_bus_message* call, QString& id)
{
    const char* text = nullptr;
    const int r = sd_bus_message_read_basic(call, 's', &text);
    if (r > 0) {
        const size_t bytes = strnlen(text, size_t(OverviewBus::IdBytes) + 1);
        id = bytes <= size_t(OverviewBus::IdBytes) ? QString::fromUtf8(text, qsizetype(bytes))
                                                   : QString();
    }
    return r;
}

// The first MetasLimit ids of a call, within IdBytes; the others are not
// read at all (the bus daemon checked the whole message already).
int readIds(sd_bus_message* call, QStringList& ids)
{
    int r = sd_bus_message_enter_container(call, 'a', "s");
    size_t budget = OverviewBus::IdBytes;
    const char* id = nullptr;
    while (r >= 0 && ids.size() < ShellSearchProvider::MetasLimit &&
           (r = sd_bus_message_read_basic(call, 's', &id)) > 0) {
        const size_t bytes = strnlen(id, budget + 1);
        if (bytes > budget)
            break; // this id and the ones after it are left out
        ids << QString::fromUtf8(id, qsizetype(bytes));
        budget -= bytes;
    }
    return std::min(r, 0);
}

// Whether c is one sd-bus refuses to send: the Unicode noncharacters
// (U+FDD0..U+FDEF, U+nFFFE, U+nFFFF), which a list line may hold. One such
// string would fail the whole answer.
template <typename Visit> void codePoints(QStringView text, Visit visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype at = i;
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        visit(at, i + 1 - at, c);
    }
}

bool sendable(QStringView text)
{
    bool refused = false;
    codePoints(text, [&refused](qsizetype, qsizetype, char32_t c) {
        refused = refused || QChar::isNonCharacter(c);
    });
    return !refused;
}

// What is shown only: the characters the bus cannot carry shown as U+FFFD.
QString shown(const QString& text)
{
    if (sendable(text))
        return text;
    QString out;
    codePoints(text, [&](qsizetype at, qsizetype length, char32_t c) {
        if (QChar::isNonCharacter(c))
            out += QChar::ReplacementCharacter;
        else
            out += QStringView(text).mid(at, length);
    });
    return out;
}

// The results the bus can carry: an id or a text to copy that it cannot is
// left out, as an id of no entry is. Made on the provider's thread.
QStringList sendableIds(QStringList ids)
{
    ids.removeIf([](const QString& id) { return !sendable(id); });
    return ids;
}

QList<ShellSearchProvider::Meta> sendableMetas(QList<ShellSearchProvider::Meta> metas)
{
    metas.removeIf([](const ShellSearchProvider::Meta& meta) {
        return !sendable(meta.id) || !sendable(meta.clipboardText);
    });
    for (ShellSearchProvider::Meta& meta : metas) {
        meta.name = shown(meta.name);
        meta.description = shown(meta.description);
        meta.gicon = shown(meta.gicon);
    }
    return metas;
}

int replyStrings(sd_bus_message* call, const QStringList& strings)
{
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0)
        r = sd_bus_message_open_container(reply, 'a', "s");
    for (qsizetype i = 0; r >= 0 && i < strings.size(); ++i)
        r = sd_bus_message_append_basic(reply, 's', strings.at(i).toUtf8().constData());
    if (r >= 0)
        r = sd_bus_message_close_container(reply);
    if (r >= 0)
        r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

// aa{sv}, each value a string.
int replyMetas(sd_bus_message* call, const QList<ShellSearchProvider::Meta>& metas)
{
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0)
        r = sd_bus_message_open_container(reply, 'a', "a{sv}");
    for (qsizetype i = 0; r >= 0 && i < metas.size(); ++i) {
        const ShellSearchProvider::Meta& meta = metas.at(i);
        r = sd_bus_message_open_container(reply, 'a', "{sv}");
        for (const auto& [key, value] :
             {std::pair{"id", &meta.id}, std::pair{"name", &meta.name},
              std::pair{"description", &meta.description},
              std::pair{"clipboardText", &meta.clipboardText}, std::pair{"gicon", &meta.gicon}}) {
            if (r >= 0)
                r = sd_bus_message_append(reply, "{sv}", key, "s", value->toUtf8().constData());
        }
        if (r >= 0)
            r = sd_bus_message_close_container(reply);
    }
    if (r >= 0)
        r = sd_bus_message_close_container(reply);
    if (r >= 0)
        r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

int replyNothing(sd_bus_message* call)
{
    return sd_bus_reply_method_return(call, nullptr);
}

} // namespace

struct OverviewBus::Methods
{
    // A call's arguments, read by read on the bus thread, and what make
    // answers of them on the provider's thread.
    template <typename Argument, typename Make>
    static int serve(sd_bus_message* call, void* self, int (*read)(sd_bus_message*, Argument&),
                     Make make)
    {
        Argument argument;
        const int r = read(call, argument);
        if (r < 0)
            return r;
        static_cast<OverviewBus*>(self)->toProvider(
            call, [argument = std::move(argument), make](ShellSearchProvider& provider) {
                return make(provider, argument);
            });
        return 1;
    }

    static int initialResultSet(sd_bus_message* call, void* self, sd_bus_error*)
    {
        return serve(
            call, self, &readTerms, [](ShellSearchProvider& provider, const QStringList& terms) {
                return Reply([ids = sendableIds(provider.resultSet(terms))](sd_bus_message* asked) {
                    return replyStrings(asked, ids);
                });
            });
    }

    static int subsearchResultSet(sd_bus_message* call, void* self, sd_bus_error* error)
    {
        // A narrower query may rank another entry first: searched afresh, which
        // costs no more than filtering the previous ids, which are only read past.
        const int r = sd_bus_message_skip(call, "as");
        return r < 0 ? r : initialResultSet(call, self, error);
    }

    static int resultMetas(sd_bus_message* call, void* self, sd_bus_error*)
    {
        return serve(
            call, self, &readIds, [](ShellSearchProvider& provider, const QStringList& ids) {
                return Reply([metas = sendableMetas(provider.metas(ids))](sd_bus_message* asked) {
                    return replyMetas(asked, metas);
                });
            });
    }

    static int activateResult(sd_bus_message* call, void* self, sd_bus_error*)
    {
        return serve(call, self, &readId, [](ShellSearchProvider& provider, const QString& id) {
            provider.activate(id);
            return Reply(&replyNothing);
        });
    }

    static int launchSearch(sd_bus_message* call, void* self, sd_bus_error*)
    {
        return serve(call, self, &readTerms,
                     [](ShellSearchProvider& provider, const QStringList& terms) {
                         provider.launchSearch(terms);
                         return Reply(&replyNothing);
                     });
    }
};

OverviewBus::OverviewBus(ShellSearchProvider& provider, QObject* parent)
    : QObject(parent)
    , m_provider(provider)
    , m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wake < 0)
        m_stopped = true;
    else
        m_thread = std::thread([this] { run(); });
}

OverviewBus::~OverviewBus()
{
    onBusThread([this] { sd_event_exit(m_event, 0); });
    if (m_thread.joinable())
        m_thread.join();
    if (m_wake >= 0)
        ::close(m_wake);
}

bool OverviewBus::claim()
{
    onBusThread([this] {
        // Not queued: a name another instance holds is that one's to serve.
        const bool taken = sd_bus_request_name(m_bus, BusName, 0) >= 0;
        std::lock_guard lock(m_mutex);
        m_claimed = taken;
        m_changed.notify_all();
    });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_claimed || m_stopped; });
    return m_claimed.value_or(false);
}

void OverviewBus::onBusThread(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        m_tasks.push_back(std::move(task));
    }
    const uint64_t one = 1;
    // An eventfd's counter takes 2^64 - 2 wakes before a write would block.
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
}

void OverviewBus::run()
{
    if (connectBus())
        sd_event_loop(m_event);
    std::vector<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        dropped.swap(m_tasks);
        m_changed.notify_all();
    }
    for (const auto& [id, call] : m_calls)
        sd_bus_message_unref(call);
    m_calls.clear();
    // Not flushed: a caller that reads nothing must not hold the end up.
    m_bus = sd_bus_close_unref(m_bus);
    m_event = sd_event_unref(m_event);
}

bool OverviewBus::connectBus()
{
    static const sd_bus_vtable vtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD_WITH_ARGS("GetInitialResultSet", SD_BUS_ARGS("as", terms),
                                SD_BUS_RESULT("as", results), &Methods::initialResultSet, 0),
        SD_BUS_METHOD_WITH_ARGS("GetSubsearchResultSet",
                                SD_BUS_ARGS("as", previous_results, "as", terms),
                                SD_BUS_RESULT("as", results), &Methods::subsearchResultSet, 0),
        SD_BUS_METHOD_WITH_ARGS("GetResultMetas", SD_BUS_ARGS("as", identifiers),
                                SD_BUS_RESULT("aa{sv}", metas), &Methods::resultMetas, 0),
        SD_BUS_METHOD_WITH_ARGS("ActivateResult",
                                SD_BUS_ARGS("s", identifier, "as", terms, "u", timestamp),
                                SD_BUS_NO_RESULT, &Methods::activateResult, 0),
        SD_BUS_METHOD_WITH_ARGS("LaunchSearch", SD_BUS_ARGS("as", terms, "u", timestamp),
                                SD_BUS_NO_RESULT, &Methods::launchSearch, 0),
        SD_BUS_VTABLE_END};
    // The session bus of DBUS_SESSION_BUS_ADDRESS, as Qt's.
    return sd_event_new(&m_event) >= 0 && sd_bus_open_user(&m_bus) >= 0 &&
           sd_bus_add_object_vtable(m_bus, nullptr, ShellSearchProvider::ObjectPath,
                                    ShellSearchProvider::Interface, vtable, this) >= 0 &&
           sd_bus_attach_event(m_bus, m_event, SD_EVENT_PRIORITY_NORMAL) >= 0 &&
           sd_event_add_io(m_event, nullptr, m_wake, EPOLLIN, &OverviewBus::woken, this) >= 0;
}

int OverviewBus::woken(sd_event_source*, int fd, uint32_t, void* self)
{
    auto* bus = static_cast<OverviewBus*>(self);
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(fd, &count, sizeof count);
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(bus->m_mutex);
        tasks.swap(bus->m_tasks);
    }
    for (const std::function<void()>& task : tasks)
        task();
    return 0;
}

void OverviewBus::toProvider(sd_bus_message* call, Request request)
{
    const quint64 id = ++m_lastCall;
    m_calls.emplace(id, sd_bus_message_ref(call));
    QMetaObject::invokeMethod(
        this,
        [this, id, request = std::move(request)] {
            onBusThread([this, id, reply = request(m_provider)] { answer(id, reply); });
        },
        Qt::QueuedConnection);
}

void OverviewBus::answer(quint64 id, const Reply& reply)
{
    const auto found = m_calls.find(id);
    if (found == m_calls.end())
        return;
    sd_bus_message* call = found->second;
    m_calls.erase(found);
    const int r = reply(call);
    if (r < 0)
        sd_bus_reply_method_errno(call, r, nullptr);
    sd_bus_message_unref(call);
}
