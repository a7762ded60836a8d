#include "compat/Automation.h"

#include "compat/AutomationError.h"
#include "compat/registry/ComponentLoader.h"

#include <QMetaProperty>

#include <limits>

namespace Automation {

namespace {

bool hasProperty(const QMetaObject& meta, const QByteArray& name, bool writable)
{
    const int index = meta.indexOfProperty(name.constData());
    return index >= 0 && (!writable || meta.property(index).isWritable());
}

bool isInterfaceMethod(const QMetaMethod& method)
{
    return method.access() == QMetaMethod::Public &&
           (method.methodType() == QMetaMethod::Method ||
            method.methodType() == QMetaMethod::Slot) &&
           !(method.attributes() & QMetaMethod::Cloned);
}

// The overload of `name` that takes `count` arguments; default arguments give
// cloned overloads with fewer parameters.
QMetaMethod findMethod(const QMetaObject& meta, const QByteArray& name, qsizetype count,
                       bool* nameFound)
{
    *nameFound = false;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.access() != QMetaMethod::Public || method.name() != name)
            continue;
        *nameFound = true;
        if (method.parameterCount() == count)
            return method;
    }
    return {};
}

qint64 parseInteger(const QString& text, qint64 min, qint64 max, bool* ok)
{
    const QString trimmed = text.trimmed();
    qint64 value = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toLongLong(ok, 16);
    else
        value = trimmed.toLongLong(ok, 10);
    if (*ok && (value < min || value > max))
        *ok = false;
    return value;
}

} // namespace

QString Member::displayName() const
{
    const QString base = QString::fromLatin1(name);
    switch (kind) {
    case Kind::PropertyRead:
        return base + QLatin1String(" (read)");
    case Kind::PropertyWrite:
        return base + QLatin1String(" (write)");
    case Kind::Method:
        break;
    }
    return base;
}

QList<Member> interfaceMembers(const QMetaObject& meta)
{
    QList<Member> members;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (!isInterfaceMethod(method))
            continue;
        Member member{method.name(), Member::Kind::Method, method};
        if (method.parameterCount() == 0 && hasProperty(meta, member.name, false)) {
            member.kind = Member::Kind::PropertyRead;
        } else if (method.parameterCount() == 1 && member.name.startsWith("set") &&
                   member.name.size() > 3 && hasProperty(meta, member.name.mid(3), true)) {
            member.kind = Member::Kind::PropertyWrite;
            member.name = member.name.mid(3);
        }
        members.append(member);
    }
    return members;
}

QString progId(const QMetaObject& meta)
{
    const int index = meta.indexOfClassInfo("ProgID");
    return index < 0 ? QString() : QString::fromLatin1(meta.classInfo(index).value());
}

QObject* create(const QString& id)
{
    QString error;
    QObject* object = ComponentLoader::create(id, &error);
    if (!object)
        throw CallError(error);
    return object;
}

QObject* create(const QString& id, const QList<const QMetaObject*>& classes)
{
    for (const QMetaObject* meta : classes) {
        if (progId(*meta).compare(id, Qt::CaseInsensitive) != 0)
            continue;
        QObject* object = meta->newInstance();
        if (!object)
            throw CallError(QStringLiteral("class %1 cannot be created").arg(id));
        return object;
    }
    throw CallError(QStringLiteral("no class is registered as %1").arg(id));
}

QVariant convert(const QString& text, QMetaType type)
{
    bool ok = true;
    QVariant value;
    switch (type.id()) {
    case QMetaType::QString:
        return text;
    case QMetaType::QVariant:
        return QVariant::fromValue(QVariant(text));
    case QMetaType::Bool: {
        const QString t = text.trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
            t == QLatin1String("-1") || t == QLatin1String("1"))
            return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
            return false;
        ok = false;
        break;
    }
    case QMetaType::Short:
        value = QVariant::fromValue(qint16(parseInteger(text, std::numeric_limits<qint16>::min(),
                                                        std::numeric_limits<qint16>::max(), &ok)));
        break;
    case QMetaType::UShort:
        value = QVariant::fromValue(
            quint16(parseInteger(text, 0, std::numeric_limits<quint16>::max(), &ok)));
        break;
    case QMetaType::Int:
        value = QVariant::fromValue(qint32(parseInteger(text, std::numeric_limits<qint32>::min(),
                                                        std::numeric_limits<qint32>::max(), &ok)));
        break;
    case QMetaType::UInt:
        value = QVariant::fromValue(
            quint32(parseInteger(text, 0, std::numeric_limits<quint32>::max(), &ok)));
        break;
    case QMetaType::LongLong:
        value = QVariant::fromValue(parseInteger(text, std::numeric_limits<qint64>::min(),
                                                 std::numeric_limits<qint64>::max(), &ok));
        break;
    case QMetaType::Double:
        value = text.trimmed().toDouble(&ok);
        break;
    case QMetaType::QStringList:
        return text.split(QLatin1Char('|'));
    default:
        if (type.flags() & QMetaType::IsEnumeration) {
            value = QVariant(type);
            const qint64 n = parseInteger(text, std::numeric_limits<qint32>::min(),
                                          std::numeric_limits<qint32>::max(), &ok);
            if (ok && type.sizeOf() == sizeof(qint32))
                *static_cast<qint32*>(value.data()) = qint32(n);
            else
                ok = false;
            break;
        }
        throw CallError(QStringLiteral("an argument of type %1 cannot be given on the command line")
                            .arg(QString::fromLatin1(type.name())));
    }
    if (!ok)
        throw CallError(
            QStringLiteral("\"%1\" is not a valid %2").arg(text, QString::fromLatin1(type.name())));
    return value;
}

QString format(const QVariant& value)
{
    if (!value.isValid())
        return {};
    const QMetaType type = value.metaType();
    if (type.id() == QMetaType::QVariant)
        return format(value.value<QVariant>());
    if (type.id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (type.id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char('|'));
    if (type.flags() & QMetaType::IsEnumeration && type.sizeOf() == sizeof(qint32))
        return QString::number(*static_cast<const qint32*>(value.constData()));
    if (value.canConvert<QString>())
        return value.toString();
    return QStringLiteral("(%1)").arg(QString::fromLatin1(type.name()));
}

QVariant callWithValues(QObject* object, const QByteArray& name, const QVariantList& arguments)
{
    const QMetaObject& meta = *object->metaObject();
    bool nameFound = false;
    const QMetaMethod method = findMethod(meta, name, arguments.size(), &nameFound);
    if (!method.isValid()) {
        if (nameFound)
            throw CallError(QStringLiteral("%1 does not take %2 argument(s)")
                                .arg(QString::fromLatin1(name))
                                .arg(arguments.size()));
        throw CallError(
            QStringLiteral("%1 has no member %2").arg(progId(meta), QString::fromLatin1(name)));
    }
    if (arguments.size() > 10)
        throw CallError(QStringLiteral("too many arguments"));

    // Each argument held in a variant of exactly the parameter's type.
    QVariantList values;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QMetaType type = method.parameterMetaType(int(i));
        QVariant value = arguments.at(i);
        if (type.id() == QMetaType::QVariant) {
            if (value.metaType().id() != QMetaType::QVariant)
                value = QVariant::fromValue(value);
        } else if (value.metaType() != type && !value.convert(type)) {
            throw CallError(QStringLiteral("argument %1 of %2 does not convert to %3")
                                .arg(i + 1)
                                .arg(QString::fromLatin1(name), QString::fromLatin1(type.name())));
        }
        values.append(value);
    }
    QGenericArgument args[10];
    QList<QByteArray> typeNames;
    for (qsizetype i = 0; i < values.size(); ++i)
        typeNames.append(method.parameterTypeName(int(i)));
    for (qsizetype i = 0; i < values.size(); ++i)
        args[i] = QGenericArgument(typeNames.at(i).constData(), values[i].data());

    QVariant result;
    QGenericReturnArgument ret;
    if (method.returnMetaType().isValid() && method.returnMetaType().id() != QMetaType::Void) {
        result = QVariant(method.returnMetaType());
        ret = QGenericReturnArgument(method.typeName(), result.data());
    }
    if (!method.invoke(object, Qt::DirectConnection, ret, args[0], args[1], args[2], args[3],
                       args[4], args[5], args[6], args[7], args[8], args[9]))
        throw CallError(QStringLiteral("%1 could not be called").arg(QString::fromLatin1(name)));
    return result;
}

QVariant call(QObject* object, const QByteArray& name, const QStringList& arguments)
{
    const QMetaObject& meta = *object->metaObject();
    bool nameFound = false;
    const QMetaMethod method = findMethod(meta, name, arguments.size(), &nameFound);
    if (!method.isValid())
        return callWithValues(object, name, QVariantList(arguments.size())); // reports why
    QVariantList values;
    for (qsizetype i = 0; i < arguments.size(); ++i)
        values.append(convert(arguments.at(i), method.parameterMetaType(int(i))));
    return callWithValues(object, name, values);
}

void setProperty(QObject* object, const QByteArray& name, const QString& value)
{
    const QMetaObject& meta = *object->metaObject();
    const int index = meta.indexOfProperty(name.constData());
    if (index < 0 || !meta.property(index).isWritable())
        throw CallError(QStringLiteral("%1 has no writable property %2")
                            .arg(progId(meta), QString::fromLatin1(name)));
    const QMetaProperty property = meta.property(index);
    QVariant converted = convert(value, property.metaType());
    if (!property.write(object, converted))
        throw CallError(
            QStringLiteral("property %1 could not be written").arg(QString::fromLatin1(name)));
}

} // namespace Automation
