#pragma once

#include <QString>
#include <QtGlobal>

#include <exception>

// The failure that a library member raises: a number and a description, as an
// automation error carries them. Members throw it; the direct C++ caller and the
// by-name caller (Automation::call) see the same object.
// Exported with default visibility so that one type crosses every library.
class Q_DECL_EXPORT AutomationError : public std::exception
{
public:
    AutomationError(quint32 number, const QString& description)
        : m_number(number)
        , m_description(description)
        , m_what(description.toUtf8())
    {}

    quint32 number() const noexcept { return m_number; }
    QString description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    // "0x8004041D", the form in which a client reports the number.
    QString numberText() const
    {
        return QStringLiteral("0x") +
               QString::number(m_number, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    }

private:
    quint32 m_number;
    QString m_description;
    QByteArray m_what;
};
