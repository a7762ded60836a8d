#include "desktop/EarlyHandOver.h"

#include "desktop/SingleInstance.h"

#include <QDeadlineTimer>

#include <dbus/dbus.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct ConnectionClose
{
    void operator()(DBusConnection* bus) const
    {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionClose>;

struct MessageUnref
{
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// An error that frees itself.
struct Error : DBusError
{
    Error() { dbus_error_init(this); }
    ~Error() { dbus_error_free(this); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
    bool is(const char* errorName) const { return name && std::strcmp(name, errorName) == 0; }
};

int millisecondsLeft(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(1, deadline.remainingTime()));
}

// Appends a string; the bus takes UTF-8 only, which toUtf8() always gives.
bool append(DBusMessageIter* iter, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const char* data = utf8.constData();
    return dbus_message_iter_append_basic(iter, DBUS_TYPE_STRING, &data);
}

Message message(const SingleInstance::Call& call, const QString& token)
{
    const QByteArray service = SingleInstance::serviceName().toUtf8();
    const QByteArray path = SingleInstance::objectPath().toUtf8();
    Message m(dbus_message_new_method_call(service.constData(), path.constData(),
                                           SingleInstance::InterfaceName,
                                           call.search ? "Search" : "HandOver"));
    if (!m)
        return m;
    // Never a bus-activated copy of the program: only a running one.
    dbus_message_set_auto_start(m.get(), FALSE);
    DBusMessageIter iter;
    dbus_message_iter_init_append(m.get(), &iter);
    bool ok = true;
    if (call.search) {
        ok = append(&iter, call.terms);
    } else {
        DBusMessageIter array;
        ok = dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING_AS_STRING,
                                              &array);
        for (const QString& file : call.files)
            ok = ok && append(&array, file);
        ok = dbus_message_iter_close_container(&iter, &array) && ok;
        const dbus_bool_t pick = call.pick;
        ok = ok && dbus_message_iter_append_basic(&iter, DBUS_TYPE_BOOLEAN, &pick);
    }
    ok = ok && append(&iter, token);
    if (!ok)
        m.reset();
    return m;
}

// Sends call and waits for its answer until the deadline, turning the
// connection's reading and writing itself: the library's own blocking wait
// has no bound while the bus has not yet authenticated the connection (a bus
// that is stopped). No answer in time is the error NoReply.
Message callWithin(DBusConnection* bus, DBusMessage* call, const QDeadlineTimer& deadline,
                   Error& error)
{
    DBusPendingCall* pending = nullptr;
    if (!dbus_connection_send_with_reply(bus, call, &pending, millisecondsLeft(deadline)) ||
        !pending) {
        dbus_set_error_const(&error, DBUS_ERROR_DISCONNECTED, "The call was not sent");
        return {};
    }
    while (!dbus_pending_call_get_completed(pending) && !deadline.hasExpired() &&
           dbus_connection_read_write_dispatch(bus, millisecondsLeft(deadline))) {
    }
    Message reply;
    if (dbus_pending_call_get_completed(pending))
        reply.reset(dbus_pending_call_steal_reply(pending));
    else
        dbus_pending_call_cancel(pending);
    dbus_pending_call_unref(pending);
    if (!reply) {
        dbus_set_error_const(&error,
                             dbus_connection_get_is_connected(bus) ? DBUS_ERROR_NO_REPLY
                                                                   : DBUS_ERROR_DISCONNECTED,
                             "No answer in time");
        return {};
    }
    if (dbus_set_error_from_message(&error, reply.get()))
        return {};
    return reply;
}

} // namespace

EarlyHandOver::Outcome EarlyHandOver::handOver(const QStringList& files, bool pick,
                                               const QString& token, const QString& search)
{
    // Without a session bus address there is nobody to hand over to (and the
    // library is not to start a bus of its own).
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return Outcome::NoHolder;
    QDeadlineTimer deadline(SingleInstance::HandoverTimeoutMs);
    Error error;
    // A private connection: nothing of it is left for the bus code of the
    // application object, should the program go on.
    Connection bus(dbus_connection_open_private(address.constData(), &error));
    if (!bus)
        return Outcome::NoHolder;
    dbus_connection_set_exit_on_disconnect(bus.get(), FALSE);
    // The bus's greeting first, within the same bounded wait as the call
    // (the library's own registration would wait its default 25 s).
    Message hello(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS,
                                               DBUS_INTERFACE_DBUS, "Hello"));
    if (!hello)
        return Outcome::NoHolder;
    const Message welcome = callWithin(bus.get(), hello.get(), deadline, error);
    // A bus that does not answer would keep the ordinary path waiting too.
    if (!welcome)
        return error.is(DBUS_ERROR_NO_REPLY) || error.is(DBUS_ERROR_TIMEOUT) ? Outcome::Unanswered
                                                                             : Outcome::NoHolder;

    std::vector<Message> calls;
    for (const SingleInstance::Call& call : SingleInstance::handOverCalls(files, pick, search)) {
        calls.push_back(message(call, token));
        if (!calls.back())
            return Outcome::NoHolder; // out of memory: the ordinary path copes or fails alike
    }
    const Message reply = callWithin(bus.get(), calls.front().get(), deadline, error);
    if (!reply) {
        // Nobody holds the name (or its holder just ended): claim it.
        if (error.is(DBUS_ERROR_NAME_HAS_NO_OWNER) || error.is(DBUS_ERROR_SERVICE_UNKNOWN) ||
            error.is(DBUS_ERROR_DISCONNECTED))
            return Outcome::NoHolder;
        // A holder that does not answer in time, or refuses the call: it is
        // not asked again, and this start runs on its own.
        return Outcome::Unanswered;
    }
    // The rest of a long command line; the holder has taken its start.
    for (size_t i = 1; i < calls.size(); ++i) {
        Error ignored;
        callWithin(bus.get(), calls[i].get(), QDeadlineTimer(SingleInstance::HandoverTimeoutMs),
                   ignored);
    }
    return Outcome::HandedOver;
}
