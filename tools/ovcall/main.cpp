// ovcall: creates an object of a registered library class, sets properties and
// calls one member by name, the way a scripting client drives a component.
//
//   ovcall PROGID [NAME=VALUE ...] MEMBER [ARG ...]
//   ovcall --members PROGID
//
// The class is found by its registered name in the class registry stores
// (the user's, then the machine-wide ones) and created from its library.
// Exit codes: 0 success, 1 the member raised an error, 2 the call was wrong,
// 3 the class registry store refused a write the call made (the reason is on
// standard error).

#include "ConsoleStreams.h"
#include "RegistryRefusals.h"
#include "compat/Automation.h"
#include "compat/AutomationError.h"

#include <QApplication>
#include <QTextStream>

#include <memory>

namespace {

int usage()
{
    err() << "usage: ovcall PROGID [NAME=VALUE ...] MEMBER [ARG ...]\n"
             "       ovcall --members PROGID\n"
             "PROGID is a registered class name such as OrvakLocalizer.ZunoSmiley1."
          << Qt::endl;
    return 2;
}

int run(const QStringList& args)
{
    if (args.size() == 2 && args.at(0) == QLatin1String("--members")) {
        std::unique_ptr<QObject> object(Automation::create(args.at(1)));
        for (const auto& member : Automation::interfaceMembers(*object->metaObject()))
            out() << member.displayName() << '\n';
        return 0;
    }
    if (args.size() < 2)
        return usage();

    std::unique_ptr<QObject> object(Automation::create(args.at(0)));
    qsizetype i = 1;
    for (; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq <= 0)
            break;
        Automation::setProperty(object.get(), arg.left(eq).toLatin1(), arg.mid(eq + 1));
    }
    if (i == args.size())
        throw Automation::CallError(QStringLiteral("no member to call"));
    const QVariant result = Automation::call(object.get(), args.at(i).toLatin1(), args.mid(i + 1));
    out() << Automation::format(result) << '\n';
    if (RegistryRefusals::count() > 0) {
        out().flush();
        err() << "ovcall: the class registry store refused what the call wrote" << Qt::endl;
        return 3;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Some members show windows or measure fonts; without a display they run offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegistryRefusals::watch();
    try {
        return run(app.arguments().mid(1));
    } catch (const AutomationError& e) {
        err() << "ovcall: error " << e.numberText() << ": " << e.description() << Qt::endl;
        return 1;
    } catch (const Automation::CallError& e) {
        err() << "ovcall: " << e.message() << Qt::endl;
        return 2;
    }
}
