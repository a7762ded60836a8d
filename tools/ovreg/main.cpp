// ovreg: shows what programs registered in the user's class registry store
// ($XDG_DATA_HOME/ZunoSmileys/registry.sqlite), one line per value or subkey:
//
//   ovreg query KEY     the key's default value, its named values, its subkeys
//   ovreg query         the keys at the top
//   ovreg --store FILE query [KEY]   the same in another store (an installation's)
//
//   (default)  REG_SZ  Liste de smileys
//   Count  REG_DWORD  0x00000007 (7)
//   [DefaultIcon]
//
// Key paths use "\" between names, as registry paths do on every system.
// Exit codes: 0 success, 1 no such key or the store cannot be read, 2 wrong
// usage or an invalid key name.

#include "ConsoleStreams.h"
#include "compat/registry/ClassRegistry.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QtEndian>

namespace {

using Status = ClassRegistry::Status;

int usage()
{
    err() << "usage: ovreg query [KEY]\n"
             "       ovreg --store FILE query [KEY]\n"
             "  KEY is a path such as ZunoSmileys\\DefaultIcon; without it, the keys at the top.\n";
    return 2;
}

QString describe(const ClassRegistry::Value& value)
{
    const QString name = value.name.isEmpty() ? QStringLiteral("(default)") : value.name;
    if (value.type == ClassRegistry::String) {
        QByteArray text = value.data;
        if (text.endsWith('\0'))
            text.chop(1);
        return name + QLatin1String("  REG_SZ  ") + QString::fromUtf8(text);
    }
    if (value.type == ClassRegistry::Dword && value.data.size() == 4) {
        const quint32 number = qFromLittleEndian<quint32>(value.data.constData());
        return name + QLatin1String("  REG_DWORD  0x") +
               QString::number(number, 16).rightJustified(8, QLatin1Char('0')) +
               QLatin1String(" (") + QString::number(number) + QLatin1Char(')');
    }
    return name + QLatin1String("  type ") + QString::number(value.type) + QLatin1String("  ") +
           QString::fromLatin1(value.data.toHex(' '));
}

// Reports a failed read with the store's reason; answers the exit code.
int failure(Status status, const QString& key, const QString& location, const QString& reason)
{
    switch (status) {
    case Status::NotFound:
        err() << "ovreg: no key " << key << " in " << location << Qt::endl;
        return 1;
    case Status::InvalidName:
        err() << "ovreg: invalid key name " << key << ": " << reason << Qt::endl;
        return 2;
    default:
        err() << "ovreg: cannot read the class registry store " << location << ": " << reason
              << Qt::endl;
        return 1;
    }
}

int query(const QString& store, const QString& key)
{
    ClassRegistry registry(store.isEmpty() ? ClassRegistry::defaultLocation() : store);
    const QString location = registry.location();
    QList<ClassRegistry::Value> values;
    QStringList subkeys;
    Status status = registry.subkeys(key, &subkeys);
    if (status == Status::Success)
        status = registry.values(key, &values);
    if (status != Status::Success)
        return failure(status, key, location, registry.errorString());

    if (!key.isEmpty() && (values.isEmpty() || !values.first().name.isEmpty()))
        out() << "(default)  (value not set)\n";
    for (const auto& value : std::as_const(values))
        out() << describe(value) << '\n';
    for (const QString& name : std::as_const(subkeys))
        out() << '[' << name << "]\n";
    out().flush();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString store;
    if (args.size() >= 2 && args.first() == QLatin1String("--store")) {
        store = args.at(1);
        args = args.mid(2);
        if (store.isEmpty())
            return usage();
    }
    if (args.isEmpty() || args.size() > 2 || args.first() != QLatin1String("query"))
        return usage();
    const QString key = args.value(1);
    if (args.size() == 2 && key.isEmpty())
        return failure(Status::InvalidName, key, QString(), QStringLiteral("an empty key path"));
    return query(store, key);
}
