#include "ovobj10/ModObject.h"

#include "compat/AutomationError.h"
#include "ovobj10/ObjectErrors.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

namespace ModObject {

Settings& settings()
{
    thread_local Settings threadSettings;
    return threadSettings;
}

void applyFontName(QObject* frm, const QString& fontName)
{
    auto* form = qobject_cast<QWidget*>(frm);
    if (!form || !form->isWindow() || fontName.isEmpty())
        return;
    const auto setFamily = [&fontName](QWidget* widget) {
        if (widget->font().family() == fontName)
            return;
        QFont font = widget->font();
        font.setFamily(fontName);
        widget->setFont(font);
    };
    setFamily(form);
    const QList<QWidget*> controls = form->findChildren<QWidget*>();
    for (QWidget* control : controls)
        setFamily(control);
}

void ApplyFontToForm(QObject* frm)
{
    applyFontName(frm, settings().gFontName);
}

void requireWindowSystem()
{
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        throw AutomationError(
            ObjectErrors::NoWindowSystem,
            QStringLiteral("No window can be shown: the calling thread is not the "
                           "thread of a QApplication"));
}

void requireGuiApplication()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw AutomationError(ObjectErrors::NoWindowSystem,
                              QStringLiteral("No font or screen can be asked: the program has no "
                                             "QGuiApplication"));
}

QString byLanguage(const char* french, const char* english)
{
    return QString::fromUtf8(settings().gLanguage == 1 ? french : english);
}

} // namespace ModObject
