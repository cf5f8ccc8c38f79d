#include "SetsCommandLine.h"

#include "SetNames.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHash>

namespace {

using Command = SetsCommandLine::Command;

/// Each command's name and the number of its operands (-1: one or more).
struct CommandShape
{
    Command command;
    int operands;
};

const QHash<QString, CommandShape> &commands()
{
    static const QHash<QString, CommandShape> table{
        {QStringLiteral("list"), {Command::List, 0}},       {QStringLiteral("show"), {Command::Show, 1}},
        {QStringLiteral("capture"), {Command::Capture, 2}}, {QStringLiteral("apply"), {Command::Apply, 2}},
        {QStringLiteral("rename"), {Command::Rename, 2}},   {QStringLiteral("delete"), {Command::Delete, 1}},
        {QStringLiteral("replace"), {Command::Replace, 2}}, {QStringLiteral("export"), {Command::Export, -1}},
        {QStringLiteral("import"), {Command::Import, 1}},   {QStringLiteral("check"), {Command::Check, 0}},
        {QStringLiteral("repair"), {Command::Repair, 0}},   {QStringLiteral("undo"), {Command::Undo, 0}},
        {QStringLiteral("match"), {Command::Match, 1}},     {QStringLiteral("diff"), {Command::Diff, 2}},
        {QStringLiteral("preview"), {Command::Preview, 2}}, {QStringLiteral("db"), {Command::DbInit, -1}},
    };
    return table;
}

/// The options of the program and of its commands.
struct Options
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")};
    QCommandLineOption drive{QStringLiteral("drive"), QStringLiteral("Adds or replaces drive X, rooted in DIR."),
                             QStringLiteral("X=DIR")};
    QCommandLineOption file{QStringLiteral("file"), QStringLiteral("Works on the set file PATH."),
                            QStringLiteral("PATH")};
    QCommandLineOption store{QStringLiteral("store"),
                             QStringLiteral("Works on the sets in the PostgreSQL database CONNECTION."),
                             QStringLiteral("CONNECTION")};
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("list, show, check, match and diff print JSON.")};
    QCommandLineOption exact{QStringLiteral("exact"),
                             QStringLiteral("apply: also hides the feature layers the set does not name.")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("apply, export, preview: the file to write."),
                              QStringLiteral("FILE")};
    QCommandLineOption onClash{QStringLiteral("on-clash"), QStringLiteral("import: what a name in use does."),
                               QStringLiteral("merge|skip|rename")};
};

/// A parser as quarnel-sets' options are spelled: "-name" and "--name" alike.
void describe(QCommandLineParser &parser, const QList<QCommandLineOption> &options)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options);
}

/// The name an option argument gives, as the parser reads it: "--file=x"
/// and "-file" give "file".
QString optionName(const QString &argument)
{
    return argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
}

/// The arguments before "--" that name one of `names`, as messages name
/// them: as typed, without the value of "--name=value". The first argument
/// (the program or the command) is passed over.
QStringList typedOptions(const QStringList &arguments, const QStringList &names)
{
    QStringList typed;
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1Char('-')) || !names.contains(optionName(argument)))
            continue;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        typed << (argument.startsWith(QLatin1String("--")) && equals > 2 ? argument.left(equals) : argument);
    }
    return typed;
}

/// Why a parser refused its arguments: the option as typed and as named,
/// and whether it is the value after it that is missing (rather than the
/// option unknown, or given a value it does not take). A missing value is
/// at the end of the arguments, so it is told after what the options
/// before it got wrong.
struct Refusal
{
    QString option;
    QString name;
    bool missingValue = false;
};

Refusal refusal(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().constFirst();
        return {typedOptions(arguments, {name}).value(0, QStringLiteral("--") + name), name};
    }
    // The parser quotes the argument: an option that ends the arguments
    // without its value, or the option part of "--name=value".
    const QString text = parser.errorText();
    const qsizetype open = text.indexOf(QLatin1Char('\''));
    const QString option = text.mid(open + 1, text.lastIndexOf(QLatin1Char('\'')) - open - 1);
    return {option, optionName(option), !arguments.isEmpty() && option == arguments.constLast()};
}

/// The message for an option whose value the arguments end without:
/// an option that can be given once and was given before is told so.
QString missingValueError(const Refusal &why, const QCommandLineOption &once, bool givenBefore)
{
    if (givenBefore && once.names().contains(why.name))
        return QStringLiteral("%1 can be given once").arg(why.option);
    return QStringLiteral("%1 needs a value").arg(why.option);
}

QString commandOptionError(const QString &command, const QString &option)
{
    return QStringLiteral("%1 has no option %2").arg(command, option);
}

} // namespace

QString SetsCommandLine::usage()
{
    return QStringLiteral(
        "Usage: quarnel-sets [--drive X=DIR]... [--file PATH | --store CONNECTION] [--json]\n"
        "                    COMMAND [ARGS]\n"
        "\n"
        "The visibility sets of the QuarnelVisibility add-in, in the set file mapdesk's\n"
        "add-in uses (X:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\config on the first\n"
        "drive with a Program Files folder), in the file --file names, or in the team's\n"
        "PostgreSQL database that --store, QUARNEL_SETS_STORE or the settings name.\n"
        "\n"
        "Commands:\n"
        "  list                          the set names, one a line, in the window's order\n"
        "  show NAME                     the set's records: MAP<TAB>LAYER<TAB>True|False\n"
        "  capture DOCUMENT NAME         save the document's visibility as set NAME\n"
        "  apply [--exact] NAME DOCUMENT [-o OUT]\n"
        "                                restore set NAME in the document and save it (or to OUT);\n"
        "                                --exact also hides the feature layers the set does not name\n"
        "  rename OLD NEW                rename a set (merges with NEW when it exists)\n"
        "  delete NAME                   delete a set\n"
        "  replace NAME DOCUMENT         replace the set's records by the document's visibility\n"
        "  export NAME... -o FILE        write those sets to a new set file\n"
        "  import FILE [--on-clash merge|skip|rename]\n"
        "                                add the sets of FILE (a name in use: merge by default)\n"
        "  check                         count records, sets and bytes; list damaged records\n"
        "  repair                        cut a damaged end back to the last whole record\n"
        "  undo                          undo (or redo) the last rename, delete, replace, import,\n"
        "                                repair or Clear All\n"
        "  match DOCUMENT                the sets the document's visibility matches, one a line\n"
        "  diff NAME DOCUMENT            the layers the document shows otherwise than set NAME:\n"
        "                                MAP<TAB>LAYER<TAB>True|False, the flag the set records\n"
        "  preview NAME DOCUMENT -o FILE.png\n"
        "                                write a picture of the document's focus map as restoring\n"
        "                                set NAME would show it (at most 320 pixels wide)\n"
        "  db init                       make the database's tables and roles, or upgrade them\n"
        "  db push FILE [--on-clash merge|skip|rename]\n"
        "                                add every set of the set file FILE to the database\n"
        "  db pull FILE                  write every set of the database to the set file FILE\n"
        "\n"
        "Options:\n"
        "  --drive X=DIR                 adds or replaces drive X, rooted in the folder DIR\n"
        "  --file PATH                   works on the set file PATH\n"
        "  --store CONNECTION            works on the sets in a PostgreSQL database: a libpq URI\n"
        "                                (postgresql://HOST/DB) or connection string (service=team)\n"
        "  --json                        list, show, check, match and diff print JSON\n"
        "  -h, --help                    shows this help\n"
        "\n"
        "Exit status: 0 done, 1 a set or file is missing, damaged or cannot be written\n"
        "(or, for diff, some layers differ; a failure alone says why on standard error),\n"
        "2 wrong usage.\n");
}

SetsCommandLine SetsCommandLine::parse(const QStringList &arguments)
{
    SetsCommandLine line;
    auto fail = [&line](const QString &error) {
        line.error = error;
        return line;
    };
    const Options options;

    // The program's options, up to the command; the command and all after
    // it are the command's.
    QCommandLineParser program;
    describe(program, {options.help, options.drive, options.file, options.store, options.json});
    program.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const bool programParsed = program.parse(arguments);
    if (program.isSet(options.help)) {
        line.help = true;
        return line;
    }
    const QStringList rest = program.positionalArguments();
    const QStringList programArguments = arguments.first(arguments.size() - rest.size());
    const Refusal programRefusal = programParsed ? Refusal{} : refusal(program, programArguments);
    if (!programParsed && !programRefusal.missingValue)
        return fail(QStringLiteral("unknown option %1").arg(programRefusal.option));
    line.drives = program.values(options.drive);
    const QStringList files = program.values(options.file);
    line.file = files.value(0);
    if (!files.isEmpty() && line.file.isEmpty())
        return fail(QStringLiteral("--file needs a path"));
    if (files.size() > 1)
        return fail(QStringLiteral("--file can be given once"));
    if (programRefusal.missingValue)
        return fail(missingValueError(programRefusal, options.file, !files.isEmpty()));
    const QStringList stores = program.values(options.store);
    line.store = stores.value(0).trimmed();
    if (!stores.isEmpty() && line.store.isEmpty())
        return fail(QStringLiteral("--store needs a connection"));
    if (stores.size() > 1)
        return fail(QStringLiteral("--store can be given once"));
    if (!line.store.isEmpty() && !files.isEmpty())
        return fail(QStringLiteral("--file and --store name two stores: give one"));
    line.json = program.isSet(options.json);

    if (rest.isEmpty())
        return fail(QStringLiteral("no command given"));
    const QString name = rest.constFirst();
    const auto shape = commands().constFind(name);
    if (shape == commands().constEnd())
        return fail(QStringLiteral("unknown command \"%1\"").arg(name));
    line.command = shape->command;

    // The command's options and operands, in any order. The command stands
    // where the parser expects the program; a "--" before it (not the value
    // of an option) ends the command's options too.
    const bool takesExact = line.command == Command::Apply;
    const bool takesOutput =
        line.command == Command::Apply || line.command == Command::Export || line.command == Command::Preview;
    const bool takesClash = line.command == Command::Import || line.command == Command::DbInit;
    QList<QCommandLineOption> commandOptions{options.help};
    if (takesExact)
        commandOptions << options.exact;
    if (takesOutput)
        commandOptions << options.output;
    if (takesClash)
        commandOptions << options.onClash;
    QCommandLineParser command;
    describe(command, commandOptions);
    QStringList commandArguments = rest;
    const QString optionsEnd = QStringLiteral("--");
    if (programArguments.count(optionsEnd) > (line.drives + files).count(optionsEnd))
        commandArguments.insert(1, optionsEnd);
    const bool commandParsed = command.parse(commandArguments);
    if (command.isSet(options.help)) {
        line.help = true;
        return line;
    }
    const Refusal why = commandParsed ? Refusal{} : refusal(command, commandArguments);
    if (!commandParsed && !why.missingValue)
        return fail(commandOptionError(name, why.option));
    if (takesExact)
        line.exact = command.isSet(options.exact);
    if (takesOutput) {
        const QStringList outputs = command.values(options.output);
        const QStringList typed = typedOptions(commandArguments, options.output.names());
        line.output = outputs.value(0);
        if (!outputs.isEmpty() && line.output.isEmpty())
            return fail(QStringLiteral("%1 needs a path").arg(typed.value(0)));
        if (outputs.size() > 1)
            return fail(QStringLiteral("%1 can be given once").arg(typed.value(1)));
        if (why.missingValue)
            return fail(missingValueError(why, options.output, !outputs.isEmpty()));
    }
    if (takesClash) {
        const QStringList hows = command.values(options.onClash);
        if (!hows.isEmpty()) {
            static const QHash<QString, SetStore::Clash> clashes{{QStringLiteral("merge"), SetStore::Clash::Merge},
                                                                 {QStringLiteral("skip"), SetStore::Clash::Skip},
                                                                 {QStringLiteral("rename"), SetStore::Clash::Rename}};
            const auto clash = clashes.constFind(hows.constFirst());
            if (clash == clashes.constEnd())
                return fail(
                    QStringLiteral("--on-clash takes merge, skip or rename, not \"%1\"").arg(hows.constFirst()));
            line.clash = *clash;
        }
        if (hows.size() > 1)
            return fail(QStringLiteral("--on-clash can be given once"));
        if (why.missingValue)
            return fail(missingValueError(why, options.onClash, !hows.isEmpty()));
    }
    if (why.missingValue)
        return fail(QStringLiteral("%1 needs a value").arg(why.option));
    const QStringList operands = command.positionalArguments();

    const int wanted = shape->operands;
    if (wanted >= 0 && operands.size() != wanted)
        return fail(QStringLiteral("%1 takes %2 argument%3, not %4")
                        .arg(name)
                        .arg(wanted)
                        .arg(wanted == 1 ? QString() : QStringLiteral("s"))
                        .arg(operands.size()));
    if (wanted < 0 && operands.isEmpty())
        return fail(line.command == Command::DbInit ? QStringLiteral("db takes init, push FILE or pull FILE")
                                                    : QStringLiteral("%1 needs at least one set name").arg(name));

    switch (line.command) {
    case Command::Show:
    case Command::Delete:
    case Command::Export:
        line.setNames = operands;
        break;
    case Command::Capture:
        line.document = operands.at(0);
        line.setNames = {operands.at(1)};
        break;
    case Command::Apply:
    case Command::Replace:
    case Command::Diff:
    case Command::Preview:
        line.setNames = {operands.at(0)};
        line.document = operands.at(1);
        break;
    case Command::Rename:
        line.setNames = operands;
        break;
    case Command::Import:
        line.importFile = operands.at(0);
        break;
    case Command::Match:
        line.document = operands.at(0);
        break;
    case Command::DbInit: {
        // db init | db push FILE | db pull FILE
        static const QHash<QString, std::pair<Command, int>> actions{{QStringLiteral("init"), {Command::DbInit, 0}},
                                                                     {QStringLiteral("push"), {Command::DbPush, 1}},
                                                                     {QStringLiteral("pull"), {Command::DbPull, 1}}};
        const auto action = actions.constFind(operands.constFirst());
        if (action == actions.constEnd())
            return fail(QStringLiteral("db takes init, push FILE or pull FILE, not \"%1\"").arg(operands.constFirst()));
        if (operands.size() != action->second + 1)
            return fail(QStringLiteral("db %1 takes %2")
                            .arg(operands.constFirst(),
                                 action->second ? QStringLiteral("a set file") : QStringLiteral("no argument")));
        line.command = action->first;
        line.importFile = operands.value(1);
        if (line.command != Command::DbPush && !typedOptions(commandArguments, options.onClash.names()).isEmpty())
            return fail(
                commandOptionError(QStringLiteral("db ") + operands.constFirst(), QStringLiteral("--on-clash")));
        break;
    }
    default:
        break;
    }
    if (line.command == Command::Export && line.output.isEmpty())
        return fail(QStringLiteral("export needs -o FILE"));
    if (line.command == Command::Preview && line.output.isEmpty())
        return fail(QStringLiteral("preview needs -o FILE.png"));
    if (line.document.isEmpty() && line.readsDocuments())
        return fail(QStringLiteral("%1 needs a document").arg(name));
    if (line.command == Command::Import && line.importFile.isEmpty())
        return fail(QStringLiteral("import needs a file"));
    // A set is saved under a name, as the name dialog insists.
    if ((line.command == Command::Capture || line.command == Command::Rename) && line.setNames.constLast().isEmpty())
        return fail(QStringLiteral("a set name cannot be empty"));
    if ((line.command == Command::Capture || line.command == Command::Rename)
        && !SetNames::fileHolds(line.setNames.constLast()))
        return fail(SetNames::notHeldText(line.setNames.constLast()));
    return line;
}
