#pragma once

#include <QList>
#include <QMetaMethod>
#include <QObject>
#include <QString>
#include <QVariant>

#include <stdexcept>

// Late binding for the library classes. Every library class is a QObject whose
// interface is its Q_INVOKABLE members in declaration order; a property "X" has
// its read accessor X() and write accessor setX() declared as invokables at the
// slots where the interface puts them. The class carries its registered name in
// Q_CLASSINFO("ProgID", ...) and is creatable through a Q_INVOKABLE constructor.
namespace Automation {

// A call that cannot be made: unknown class or member, wrong argument count,
// an argument that does not convert. Distinct from an AutomationError, which
// the member itself raises.
class Q_DECL_EXPORT CallError : public std::runtime_error
{
public:
    explicit CallError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

struct Member
{
    enum class Kind { Method, PropertyRead, PropertyWrite };
    QByteArray name; // the member's interface name ("Language" for both accessors)
    Kind kind = Kind::Method;
    QMetaMethod method;
    QString displayName() const; // "GetFileType", "Language (read)", "Language (write)"
};

// The class's own members in interface order.
QList<Member> interfaceMembers(const QMetaObject& meta);

// The registered name ("OrvakLocalizer.ZunoSmiley1") or an empty string.
QString progId(const QMetaObject& meta);

// A new object of the class registered under progId in the class registry
// stores, from its library (ComponentLoader); the caller owns it. Throws
// CallError when the name is not registered or the object cannot be made.
QObject* create(const QString& progId);

// A new object of the class registered under progId among the given classes,
// for clients that link the classes; throws CallError when none is.
QObject* create(const QString& progId, const QList<const QMetaObject*>& classes);

// Calls a method or reads a property by interface name; textual arguments are
// converted to the parameter types. Throws CallError, or the member's
// AutomationError.
QVariant call(QObject* object, const QByteArray& name, const QStringList& arguments);
// The same with arguments that already have values.
QVariant callWithValues(QObject* object, const QByteArray& name, const QVariantList& arguments);

// Writes a property by name from text. Throws CallError or AutomationError.
void setProperty(QObject* object, const QByteArray& name, const QString& value);

// Converts text to a value of the given type: numbers in decimal (range
// checked), Booleans as True/False or -1/0/1, strings unchanged.
QVariant convert(const QString& text, QMetaType type);

// One line for a result: strings unchanged, Booleans "True"/"False",
// numbers in decimal, nothing for no result.
QString format(const QVariant& value);

} // namespace Automation
