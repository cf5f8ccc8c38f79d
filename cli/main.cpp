// quarnel-sets: the QuarnelVisibility add-in's visibility sets from the
// command line (see SetsCommandLine.h and README.md, "Command line").

#include "CommandFailure.h"
#include "DocumentModule.h"
#include "DocumentModuleLoader.h"
#include "FileLock.h"
#include "SetFileLocation.h"
#include "SetsCommandLine.h"
#include "SetsCommands.h"
#include "StoreConnection.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void printError(const QString &message)
{
    std::fprintf(stderr, "quarnel-sets: %s\n", message.toUtf8().constData());
}

/// Tells, once a run, that the set file's file system takes no locks, so
/// that the work went on without them. Looked at after the command, which may
/// have created the file.
void warnWithoutLocks(const SetFileLocation *location)
{
    if (location && !location->inDatabase() && !FileLock::supportedAt(location->nativePath()))
        printError(QStringLiteral("warning: ") + FileLock::unsupportedWarning(location->nativePath()));
}

int run(const SetsCommandLine &line)
{
    std::unique_ptr<SetFileLocation> location;
    try {
        using Command = SetsCommandLine::Command;
        // Saving and importing may be the first thing done on this machine:
        // they make the settings folder as the add-in does at start-up.
        // A file named on the command line comes first, then a database
        // named there, in the environment or in the settings.
        const QString store = line.file.isEmpty() && line.store.isEmpty() ? StoreConnection::chosen() : line.store;
        const bool prepare = store.isEmpty() && (line.command == Command::Capture || line.command == Command::Import);
        if (store.isEmpty() && line.command >= Command::DbInit)
            throw CommandFailure(CommandFailure::Usage,
                                 QStringLiteral("db needs a database: --store CONNECTION or QUARNEL_SETS_STORE"));
        if (!store.isEmpty())
            location = SetFileLocation::ofDatabase(line.drives, store);
        else if (line.file.isEmpty())
            location = SetFileLocation::ofDrives(line.drives, prepare);
        else
            location = SetFileLocation::ofFile(line.file);
        SetsCommands commands(*location, line);
        const SetsCommands::Result result = commands.run();
        std::fwrite(result.output.constData(), 1, std::size_t(result.output.size()), stdout);
        std::fflush(stdout);
        for (const QString &note : result.notes)
            printError(note);
        warnWithoutLocks(location.get());
        return result.exitCode;
    } catch (const CommandFailure &failure) {
        warnWithoutLocks(location.get());
        printError(failure.message());
        if (failure.exitCode() == CommandFailure::Usage)
            std::fprintf(stderr, "\n%s", SetsCommandLine::usage().toUtf8().constData());
        return failure.exitCode();
    } catch (const std::exception &error) {
        printError(QString::fromLocal8Bit(error.what()));
        return CommandFailure::Failed;
    }
}

} // namespace

int main(int argc, char **argv)
{
    const SetsCommandLine line = SetsCommandLine::parse(argumentsOf(argc, argv));
    if (line.help) {
        std::fputs(SetsCommandLine::usage().toUtf8().constData(), stdout);
        return 0;
    }
    if (!line.error.isEmpty()) {
        printError(line.error);
        std::fprintf(stderr, "\n%s", SetsCommandLine::usage().toUtf8().constData());
        return CommandFailure::Usage;
    }

    // Documents need the GUI library, which their module brings and whose
    // application object it makes. The set file alone needs less: the
    // program starts without that library and the hundred it loads.
    std::unique_ptr<QCoreApplication> app;
    if (line.readsDocuments()) {
        try {
            app.reset(loadDocumentModule().makeApplication(argc, argv));
        } catch (const CommandFailure &failure) {
            printError(failure.message());
            return failure.exitCode();
        }
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // mapdesk's drive C lives in mapdesk's data folder, found by its name.
    QCoreApplication::setApplicationName(QStringLiteral("mapdesk"));
    return run(line);
}
