#include "SetsCommandLine.h"

#include <QHash>

#include <optional>
#include <utility>

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
    };
    return table;
}

/// Walks the arguments, handing out options (with their values) and
/// operands; after "--" everything is an operand.
class ArgumentWalk
{
public:
    explicit ArgumentWalk(const QStringList &arguments) : m_arguments(arguments) {}

    bool atEnd() const { return m_next >= m_arguments.size(); }
    /// Whether the next argument is an option (and not after "--").
    bool atOption() const
    {
        if (atEnd() || m_optionsEnded)
            return false;
        const QString &argument = m_arguments.at(m_next);
        return argument.size() > 1 && argument.startsWith(QLatin1Char('-'));
    }
    /// Takes the next option: its name ("--file=x" gives "--file") and, for
    /// "--name=value", the value. "--" itself is taken as the end of options.
    QString takeOption()
    {
        QString argument = m_arguments.at(m_next++);
        m_inlineValue.reset();
        if (argument == QLatin1String("--")) {
            m_optionsEnded = true;
            return {};
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 2) {
            m_inlineValue = argument.mid(equals + 1);
            argument.truncate(equals);
        }
        return argument;
    }
    /// The value of the option just taken; empty and `missing` set when there is none.
    QString takeValue(bool &missing)
    {
        if (m_inlineValue)
            return *std::exchange(m_inlineValue, std::nullopt);
        if (atEnd()) {
            missing = true;
            return {};
        }
        return m_arguments.at(m_next++);
    }
    /// Whether the option just taken came with "=value" it does not take.
    bool hasInlineValue() const { return m_inlineValue.has_value(); }
    QString takeOperand() { return m_arguments.at(m_next++); }

private:
    const QStringList &m_arguments;
    qsizetype m_next = 1;
    bool m_optionsEnded = false;
    std::optional<QString> m_inlineValue;
};

QString commandOptionError(const QString &command, const QString &option)
{
    return QStringLiteral("%1 has no option %2").arg(command, option);
}

} // namespace

QString SetsCommandLine::usage()
{
    return QStringLiteral(
        "Usage: quarnel-sets [--drive X=DIR]... [--file PATH] [--json] COMMAND [ARGS]\n"
        "\n"
        "The visibility sets of the QuarnelVisibility add-in, in the set file mapdesk's\n"
        "add-in uses (X:\\Program Files\\QuarnelGIS\\QuarnelVisibility\\config on the first\n"
        "drive with a Program Files folder) or in the file --file names.\n"
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
        "\n"
        "Options:\n"
        "  --drive X=DIR                 adds or replaces drive X, rooted in the folder DIR\n"
        "  --file PATH                   works on the set file PATH\n"
        "  --json                        list, show and check print JSON\n"
        "  -h, --help                    shows this help\n"
        "\n"
        "Exit status: 0 done, 1 a set or file is missing, damaged or cannot be written,\n"
        "2 wrong usage.\n");
}

SetsCommandLine SetsCommandLine::parse(const QStringList &arguments)
{
    SetsCommandLine line;
    ArgumentWalk walk(arguments);
    auto fail = [&line](const QString &error) {
        line.error = error;
        return line;
    };

    // The program's options, up to the command.
    while (walk.atOption()) {
        const QString option = walk.takeOption();
        bool missing = false;
        if (option.isEmpty())
            break;
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            line.help = true;
            return line;
        }
        if (option == QLatin1String("--drive")) {
            line.drives << walk.takeValue(missing);
        } else if (option == QLatin1String("--file")) {
            if (!line.file.isEmpty())
                return fail(QStringLiteral("--file can be given once"));
            line.file = walk.takeValue(missing);
            if (!missing && line.file.isEmpty())
                return fail(QStringLiteral("--file needs a path"));
        } else if (option == QLatin1String("--json") && !walk.hasInlineValue()) {
            line.json = true;
        } else {
            return fail(QStringLiteral("unknown option %1").arg(option));
        }
        if (missing)
            return fail(QStringLiteral("%1 needs a value").arg(option));
    }
    if (walk.atEnd())
        return fail(QStringLiteral("no command given"));
    const QString name = walk.takeOperand();
    const auto shape = commands().constFind(name);
    if (shape == commands().constEnd())
        return fail(QStringLiteral("unknown command \"%1\"").arg(name));
    line.command = shape->command;

    // The command's options and operands, in any order.
    QStringList operands;
    bool clashGiven = false;
    while (!walk.atEnd()) {
        if (!walk.atOption()) {
            operands << walk.takeOperand();
            continue;
        }
        const QString option = walk.takeOption();
        if (option.isEmpty())
            continue;
        bool missing = false;
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            line.help = true;
            return line;
        }
        if (option == QLatin1String("--exact") && line.command == Command::Apply && !walk.hasInlineValue()) {
            line.exact = true;
        } else if ((option == QLatin1String("-o") || option == QLatin1String("--output"))
                   && (line.command == Command::Apply || line.command == Command::Export)) {
            if (!line.output.isEmpty())
                return fail(QStringLiteral("%1 can be given once").arg(option));
            line.output = walk.takeValue(missing);
            if (!missing && line.output.isEmpty())
                return fail(QStringLiteral("%1 needs a path").arg(option));
        } else if (option == QLatin1String("--on-clash") && line.command == Command::Import) {
            const QString how = walk.takeValue(missing);
            if (clashGiven)
                return fail(QStringLiteral("--on-clash can be given once"));
            clashGiven = true;
            if (how == QLatin1String("merge"))
                line.clash = Clash::Merge;
            else if (how == QLatin1String("skip"))
                line.clash = Clash::Skip;
            else if (how == QLatin1String("rename"))
                line.clash = Clash::Rename;
            else if (!missing)
                return fail(QStringLiteral("--on-clash takes merge, skip or rename, not \"%1\"").arg(how));
        } else {
            return fail(commandOptionError(name, option));
        }
        if (missing)
            return fail(QStringLiteral("%1 needs a value").arg(option));
    }

    const int wanted = shape->operands;
    if (wanted >= 0 && operands.size() != wanted)
        return fail(QStringLiteral("%1 takes %2 argument%3, not %4")
                        .arg(name)
                        .arg(wanted)
                        .arg(wanted == 1 ? QString() : QStringLiteral("s"))
                        .arg(operands.size()));
    if (wanted < 0 && operands.isEmpty())
        return fail(QStringLiteral("%1 needs at least one set name").arg(name));

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
        line.setNames = {operands.at(0)};
        line.document = operands.at(1);
        break;
    case Command::Rename:
        line.setNames = operands;
        break;
    case Command::Import:
        line.importFile = operands.at(0);
        break;
    default:
        break;
    }
    if (line.command == Command::Export && line.output.isEmpty())
        return fail(QStringLiteral("export needs -o FILE"));
    if (line.document.isEmpty() && line.readsDocuments())
        return fail(QStringLiteral("%1 needs a document").arg(name));
    if (line.command == Command::Import && line.importFile.isEmpty())
        return fail(QStringLiteral("import needs a file"));
    // A set is saved under a name, as the name dialog insists.
    if ((line.command == Command::Capture || line.command == Command::Rename) && line.setNames.constLast().isEmpty())
        return fail(QStringLiteral("a set name cannot be empty"));
    return line;
}
