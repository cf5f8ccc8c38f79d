#pragma once

#include "SetStore.h"

#include <QString>
#include <QStringList>

/// quarnel-sets' command line, taken apart before anything is opened:
///   quarnel-sets [--drive X=DIR]... [--file PATH | --store CONNECTION] [--json]
///                COMMAND [ARGS]
/// Each command takes its own arguments and options; "--" ends the options,
/// so that a set name may begin with "-".
class SetsCommandLine
{
public:
    enum class Command {
        None,
        List,
        Show,
        Capture,
        Apply,
        Rename,
        Delete,
        Replace,
        Export,
        Import,
        Check,
        Repair,
        Undo,
        Match,
        Diff,
        Preview,
        DbInit, ///< db init: make or upgrade the database's tables and roles
        DbPush, ///< db push FILE: add every set of a set file to the database
        DbPull  ///< db pull FILE: write every set of the database to a set file
    };

    /// Parses the arguments, the program name first. A command line that
    /// cannot be run has error() set (help() is set for -h/--help).
    static SetsCommandLine parse(const QStringList &arguments);
    /// The usage text, ending in a line break.
    static QString usage();

    /// Whether the command reads or changes map documents.
    bool readsDocuments() const
    {
        return command == Command::Capture || command == Command::Apply || command == Command::Replace
               || command == Command::Match || command == Command::Diff || command == Command::Preview;
    }

    QString error;      ///< why the command line cannot be run; empty when it can
    bool help = false;  ///< -h/--help: print the usage and stop
    QStringList drives; ///< every --drive argument, "X=DIR", in order
    QString file;       ///< --file: the set file to work on instead of mapdesk's
    QString store;      ///< --store: the team's database (a libpq URI or connection string)
    bool json = false;  ///< --json: list, show, check, match and diff print JSON
    Command command = Command::None;
    QStringList setNames;                           ///< the set names the command names, in order
    QString document;                               ///< capture, apply, replace, match, diff, preview: the map document
    QString output;                                 ///< apply, export, preview: -o
    QString importFile;                             ///< import, db push: the set file to add; db pull: to write
    bool exact = false;                             ///< apply --exact
    SetStore::Clash clash = SetStore::Clash::Merge; ///< import --on-clash
};
