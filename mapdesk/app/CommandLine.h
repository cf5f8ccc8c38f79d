#pragma once

#include <QString>
#include <QStringList>

namespace mapdesk {

/// mapdesk's command line:
///   mapdesk [--self-check] [--drive X=DIR]... [DOCUMENT | DATA_FILE...]
///   mapdesk --register FILE [--system]
///   mapdesk --unregister FILE [--system]
///   mapdesk --version
class CommandLine
{
public:
    enum class Mode {
        Run,        ///< start the application
        Register,   ///< register a command module and exit
        Unregister, ///< unregister a command module and exit
        Help,       ///< print the usage and exit
        Version,    ///< print the name and version and exit
        Invalid,    ///< print the error and the usage and exit with failure
    };

    /// Parses the arguments, the program name first.
    static CommandLine parse(const QStringList &arguments);
    /// The usage text.
    static QString usage();
    /// The program's name and version, as --version prints it.
    static QString versionText();
    /// Whether the arguments hold options of the window toolkit itself
    /// (-platform, -style, ...), which are only known once it has started.
    static bool hasToolkitOptions(const QStringList &arguments);

    Mode mode = Mode::Invalid;
    QString error;           ///< why the command line is invalid
    QString moduleFile;      ///< --register / --unregister
    bool systemWide = false; ///< --system: register in the registry of every user
    bool selfCheck = false;  ///< --self-check: report what started and exit
    QStringList drives;      ///< every --drive argument, "X=DIR", in order
    QString document;        ///< the document to open, or empty
    QStringList dataFiles;   ///< data files to show in a new document, in order
};

} // namespace mapdesk
