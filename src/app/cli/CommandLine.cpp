#include "app/cli/CommandLine.h"

#include "base/ZunoVersion.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>

namespace {

// What QGuiApplication and QApplication take from the command line (their
// documented options); named here only so that they are no error.
struct QtOption
{
    const char* name;
    bool takesValue;
};
constexpr QtOption QtOptions[] = {
    {"platform", true},      {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},
    {"qmljsdebugger", true}, {"qwindowgeometry", true},
    {"qwindowicon", true},   {"qwindowtitle", true},
    {"session", true},       {"display", true},
    {"geometry", true},      {"style", true},
    {"stylesheet", true},    {"reverse", false},
    {"widgetcount", false},  {"nograb", false},
    {"dograb", false},       {"sync", false},
};

// A file argument as a full path; a file:// address as its local file.
QString absoluteFile(const QString& argument, const QDir& workingFolder)
{
    const QUrl url(argument);
    const QString local = url.isLocalFile() && argument.startsWith(QLatin1String("file:"))
                              ? url.toLocalFile()
                              : argument;
    return QDir::cleanPath(workingFolder.absoluteFilePath(local));
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments, const QString& workingFolder)
{
    QCommandLineParser parser;
    // Qt's options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Zuno Smileys: a catalogue of text smileys and chat acronyms.\n"
                       "A .smy file brings its entries into the smiley list, an .acr file "
                       "into the acronym list;\nwhile the program runs, its window takes "
                       "them."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    const QCommandLineOption pick(QStringLiteral("pick"),
                                  QStringLiteral("Brings the catalogue up to insert an entry "
                                                 "into the window you were typing in."));
    const QCommandLineOption search(
        QStringLiteral("search"),
        QStringLiteral("Opens the window with its filter filled with these words."),
        QStringLiteral("terms"));
    const QCommandLineOption list(
        QStringLiteral("list"),
        QStringLiteral("Prints every entry, one a line, for a menu program: the text, a tab, "
                       "the descriptions and the keywords."));
    const QCommandLineOption insert(
        QStringLiteral("insert"),
        QStringLiteral("Reads one line from standard input and inserts its first field into "
                       "the window you were typing in."));
    parser.addOptions({help, version, pick, search, list, insert});
    for (const QtOption& qt : QtOptions) {
        QCommandLineOption option(QLatin1String(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Smiley (.smy) and acronym (.acr) list files."),
                                 QStringLiteral("[files...]"));

    const QString program = arguments.isEmpty() ? QStringLiteral("ZunoSmiley")
                                                : QFileInfo(arguments.first()).fileName();
    CommandLine line;
    if (!parser.parse(arguments)) {
        line.exitCode = 2;
        line.output = program + QLatin1String(": ") + parser.errorText() + QLatin1Char('\n') +
                      QStringLiteral("Try '%1 --help' for the options.\n").arg(program);
        return line;
    }
    if (parser.isSet(help)) {
        line.exitCode = 0;
        // Without an application object the parser does not know the name.
        line.output = parser.helpText().replace(QLatin1String("<executable_name>"), program);
        return line;
    }
    if (parser.isSet(version)) {
        line.exitCode = 0;
        line.output =
            QStringLiteral("Zuno Smileys " ZUNO_VERSION_TEXT " (build " ZUNO_REVISION_TEXT ")\n");
        return line;
    }
    line.pick = parser.isSet(pick);
    line.search = parser.value(search);
    line.list = parser.isSet(list);
    line.insert = parser.isSet(insert);
    const QDir folder(workingFolder);
    for (const QString& argument : parser.positionalArguments())
        line.files << absoluteFile(argument, folder);
    // The menu's options run without the window: nothing else is done with them.
    const int asked = int(line.list) + int(line.insert) + int(line.pick) +
                      int(parser.isSet(search)) + int(!line.files.isEmpty());
    if ((line.list || line.insert) && asked > 1) {
        line.exitCode = 2;
        line.output =
            program + QStringLiteral(": --list and --insert go alone, without files or other "
                                     "options.\nTry '%1 --help' for the options.\n")
                          .arg(program);
    }
    return line;
}

void CommandLine::printOutput() const
{
    const QByteArray bytes = output.toUtf8();
    std::FILE* stream = exitCode.value_or(0) == 0 ? stdout : stderr;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}
