#include "CommandLine.h"

#include "DataFile.h"

#include <QCommandLineParser>

namespace mapdesk {

namespace {
struct Options
{
    QCommandLineOption drive{QStringLiteral("drive"),
                             QStringLiteral("Adds or replaces drive X, rooted in the folder DIR."),
                             QStringLiteral("X=DIR")};
    QCommandLineOption registerModule{QStringLiteral("register"),
                                      QStringLiteral("Registers the command module FILE and exits."),
                                      QStringLiteral("FILE")};
    QCommandLineOption unregisterModule{QStringLiteral("unregister"),
                                        QStringLiteral("Unregisters the command module FILE and exits."),
                                        QStringLiteral("FILE")};
    QCommandLineOption system{QStringLiteral("system"),
                              QStringLiteral("With --register or --unregister: the registry of every user.")};
    QCommandLineOption selfCheck{QStringLiteral("self-check"),
                                 QStringLiteral("Starts without showing the window, reports the document and the "
                                                "commands loaded and exits: 0 when all is well.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Shows the name and version and exits.")};
};

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(QStringLiteral("mapdesk, a desktop map application."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(options.drive);
    parser.addOption(options.registerModule);
    parser.addOption(options.unregisterModule);
    parser.addOption(options.system);
    parser.addOption(options.selfCheck);
    parser.addOption(options.help);
    parser.addOption(options.version);
    parser.addPositionalArgument(QStringLiteral("DOCUMENT"),
                                 QStringLiteral("The map document (*.mapdesk.json) to open."),
                                 QStringLiteral("[DOCUMENT"));
    parser.addPositionalArgument(
        QStringLiteral("DATA_FILE"),
        QStringLiteral("Data files to show as the layers of a new document, the first on top."),
        QStringLiteral("| DATA_FILE...]"));
}
} // namespace

QString CommandLine::usage()
{
    QCommandLineParser parser;
    Options options;
    describe(parser, options);
    QString text = parser.helpText();
    // The program's own name, whatever the executable is called.
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    return QStringLiteral("Usage: mapdesk [--self-check] [--drive X=DIR]... [DOCUMENT | DATA_FILE...]\n"
                          "       mapdesk --register FILE [--system]\n"
                          "       mapdesk --unregister FILE [--system]\n"
                          "       mapdesk --version")
           + text.mid(end);
}

QString CommandLine::versionText()
{
    return QStringLiteral("mapdesk " MAPDESK_VERSION);
}

bool CommandLine::hasToolkitOptions(const QStringList &arguments)
{
    static const QStringList toolkitOptions{QStringLiteral("platform"),
                                            QStringLiteral("platformpluginpath"),
                                            QStringLiteral("platformtheme"),
                                            QStringLiteral("plugin"),
                                            QStringLiteral("qwindowgeometry"),
                                            QStringLiteral("qwindowicon"),
                                            QStringLiteral("qwindowtitle"),
                                            QStringLiteral("reverse"),
                                            QStringLiteral("session"),
                                            QStringLiteral("display"),
                                            QStringLiteral("geometry"),
                                            QStringLiteral("style"),
                                            QStringLiteral("stylesheet"),
                                            QStringLiteral("widgetcount"),
                                            QStringLiteral("nograb"),
                                            QStringLiteral("dograb"),
                                            QStringLiteral("sync"),
                                            QStringLiteral("qmljsdebugger")};
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1Char('-')))
            continue;
        QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        name = name.left(name.indexOf(QLatin1Char('=')));
        if (toolkitOptions.contains(name))
            return true;
    }
    return false;
}

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    Options options;
    describe(parser, options);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(options.help)) {
        result.mode = Mode::Help;
        return result;
    }
    if (parser.isSet(options.version)) {
        result.mode = Mode::Version;
        return result;
    }
    const QStringList positional = parser.positionalArguments();
    const bool registering = parser.isSet(options.registerModule);
    const bool unregistering = parser.isSet(options.unregisterModule);
    if (registering || unregistering) {
        const QCommandLineOption &option = registering ? options.registerModule : options.unregisterModule;
        const QStringList files = parser.values(option);
        if (registering && unregistering)
            result.error = QStringLiteral("--register and --unregister cannot be combined");
        else if (files.size() != 1)
            result.error = QStringLiteral("--%1 takes exactly one module file").arg(option.names().constFirst());
        else if (!positional.isEmpty() || parser.isSet(options.drive) || parser.isSet(options.selfCheck))
            result.error = QStringLiteral("--%1 takes no other arguments").arg(option.names().constFirst());
        else if (files.constFirst().isEmpty())
            result.error = QStringLiteral("--%1 needs a module file").arg(option.names().constFirst());
        if (!result.error.isEmpty())
            return result;
        result.mode = registering ? Mode::Register : Mode::Unregister;
        result.moduleFile = files.constFirst();
        result.systemWide = parser.isSet(options.system);
        return result;
    }
    if (parser.isSet(options.system)) {
        result.error = QStringLiteral("--system goes with --register or --unregister only");
        return result;
    }
    QStringList documents;
    for (const QString &argument : positional)
        (DataFile::isDocument(argument) ? documents : result.dataFiles) << argument;
    if (documents.size() > 1) {
        result.error = QStringLiteral("Only one document can be opened: %1").arg(documents.join(QLatin1String(", ")));
        return result;
    }
    if (!documents.isEmpty() && !result.dataFiles.isEmpty()) {
        result.error = QStringLiteral("A document cannot be opened together with data files: %1")
                           .arg(positional.join(QLatin1String(", ")));
        return result;
    }
    result.mode = Mode::Run;
    result.selfCheck = parser.isSet(options.selfCheck);
    result.drives = parser.values(options.drive);
    result.document = documents.value(0);
    return result;
}

} // namespace mapdesk
