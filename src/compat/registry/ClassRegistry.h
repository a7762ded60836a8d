#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// The per-user class registry: the stand-in for the desktop's machine-wide
// registry of document classes and file extensions. Keys form a tree below an
// implicit root and are addressed by paths with "\" between segments
// ("ZunoSmileys\DefaultIcon"); names compare without regard to case and keep
// the case they were created with. A key holds typed values: its default
// (unnamed) value and named ones. The whole store is one SQLite file; every
// write is one short transaction with a busy timeout, so several processes may
// write at once. A write is compared with the store first, in a read: one that
// would leave the store as it is writes nothing, takes no write lock and
// succeeds even where the store cannot be written (a program registers its
// types at every start). A store that cannot be opened or written makes the operation
// answer a failure status, and a write that fails is logged (category
// "zuno.registry") with its reason; nothing throws. The file is opened on first
// use: constructing the object touches nothing.
//
// A damaged store (not a database, a failed quick check, or a folder, pipe,
// device or socket in its place) answers Failed to readers and is left as it
// is; the first write renames it beside itself as
// "registry.sqlite.damaged-<date>" and starts a new store. Each process checks
// each store once, at its first use. One object serves one thread at a
// time; give each thread its own.
class ClassRegistry
{
public:
    enum class Status {
        Success = 0,
        NotFound,      // the key or value does not exist
        MoreData,      // the value does not fit in the caller's buffer
        InvalidName,   // a key path with an empty segment or a control character
        InvalidHandle, // a closed or never opened key
        Failed,        // the store cannot be opened, read or written
    };

    // Value types, numbered as the original registry numbers them.
    enum ValueType : quint32 { String = 1, Dword = 4 };

    struct Value
    {
        QString name; // empty for the default value
        quint32 type = String;
        QByteArray data; // strings: UTF-8 bytes and the terminating NUL
    };

    // An open key; 0 is no key.
    using Handle = quint64;

    // The store of the current user: "registry.sqlite" in the program's folder
    // below XDG_DATA_HOME.
    static QString defaultLocation();

    explicit ClassRegistry(const QString& location = defaultLocation());
    ~ClassRegistry();
    ClassRegistry(const ClassRegistry&) = delete;
    ClassRegistry& operator=(const ClassRegistry&) = delete;

    QString location() const;

    // The write transactions this object has committed; a write that found
    // the store holding it already makes none. What is derived from the store
    // tells by it whether this object changed the store since.
    quint64 writes() const;

    // Why the last operation that answered InvalidName or Failed did: the
    // name the store cannot hold, or the store's own error.
    QString errorString() const;

    // How long an operation waits for a store another process holds while
    // the store does not change; 5 s unless set. A caller that must not be
    // kept (a window's thread at start) sets a few milliseconds and tries
    // again later when busyFailures() grew. A store held and unchanged since
    // an earlier wait of this process gave up is given up on at once.
    void setBusyTimeout(std::chrono::milliseconds timeout);
    // How often this object found the store held by another connection for
    // longer than it waits: an operation that answered Failed while this grew
    // met a busy store, not a broken one, and may be tried again later.
    quint64 busyFailures() const;

    // Creates the key and every missing key on its path; opens it.
    Status createKey(const QString& path, Handle* key = nullptr);
    // Opens an existing key.
    Status openKey(const QString& path, Handle* key);
    Status closeKey(Handle key);

    // Writes one value into an open key; an empty name is the default value.
    Status setValue(Handle key, const QString& name, quint32 type, const QByteArray& data);
    // Writes a text (stored with its terminating NUL) as the key's default
    // value, creating missing keys on the way.
    Status setDefaultString(const QString& path, const QString& text);

    // Reads the key's default string value into at most bufferSize bytes,
    // terminating NUL included; MoreData when it does not fit. `text` gets the
    // value without the NUL, and the empty string whenever the answer is not
    // Success.
    Status queryDefaultValue(const QString& path, qsizetype bufferSize, QString* text);

    // For readers such as ovreg: a key's values (the default value first) and
    // its subkey names, both ordered by name; the empty path is the root, whose
    // subkeys are the keys at the top.
    Status values(const QString& path, QList<Value>* values);
    Status subkeys(const QString& path, QStringList* names);

    // One value at a key path, for writes and removals in bulk.
    struct Entry
    {
        QString key;
        Value value;
    };
    // Writes every entry, creating missing keys, in one transaction: a reader
    // sees all of them or none. Compared first in one read, as every write is.
    Status setValues(const QList<Entry>& entries);
    // Whether the store can hold a key at the path, answered without touching
    // the store: Success, or InvalidName logged as a refused write is.
    Status checkKeyPath(const QString& path);
    // Removes every entry's value (its data is not compared), then each key on
    // the entries' paths that is left with neither values nor subkeys, deepest
    // first, in one transaction. Values and keys already gone are no error;
    // a key that still holds anything else stays.
    Status removeValues(const QList<Entry>& entries);

private:
    class Private;
    std::unique_ptr<Private> d;
};
