#pragma once

#include "SetStanding.h"
#include "SetStore.h"
#include "SetsCommandLine.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class HostError;
class IDocument;
class SetFileLocation;

/// Runs one quarnel-sets command: each is one or a few calls of the set core
/// (SetStore) on the location's state record, as the add-in's windows make
/// them, with mapdesk's document model (DocumentModule) for the documents. What the command
/// prints is collected and handed back whole, so that a command that fails
/// half-way prints nothing on standard output. Failures throw CommandFailure
/// with their exit status and one line saying what went wrong.
class SetsCommands
{
public:
    struct Result
    {
        QByteArray output; ///< for standard output, UTF-8
        int exitCode = 0;  ///< 0, or 1 when the command found damage (check) or differences (diff)
        QStringList notes; ///< lines for standard error
    };

    SetsCommands(SetFileLocation &location, const SetsCommandLine &line);
    Result run();

private:
    void list();
    void show();
    void capture();
    void apply();
    void rename();
    void remove();
    void replace();
    void exportSets();
    void import();
    void check();
    void repair();
    void undo();
    void match();
    void diff();
    void preview();
    void initialiseDatabase();
    void pull();

    /// Which file a failure of the set core is told about.
    enum class FailedOn { SetFile, ExportedFile, ImportedFile };
    /// The one place that turns a failure of the set core (the runtime's
    /// error table, HostError) into quarnel-sets' exit status and line.
    [[noreturn]] void throwFailure(const HostError &error, FailedOn failedOn) const;
    /// Fails with status 1 unless the set file exists.
    void requireSetFile() const;
    /// Fails with status 1 when `path` is the set file or a file kept beside
    /// it for Undo: writing there would bypass its lock and lose its sets.
    void refuseOwnFile(const QString &path, const QString &instead) const;
    /// Reads a map document; fails with status 1 when it is missing or not a document.
    std::shared_ptr<IDocument> readDocument(const QString &path) const;
    [[noreturn]] void failNoSet(const QString &name) const;
    /// The set names of the set file in the window's order, as list prints
    /// them; fails as list does when the file is missing or damaged.
    std::vector<QString> listedNames();
    /// How every set of the set file stands against the document's
    /// visibility now, by set name.
    QHash<QString, SetStanding> standingsAgainst(IDocument &document) const;
    void print(const QString &line);

    SetFileLocation &m_location;
    const SetsCommandLine &m_line;
    SetStore m_store;
    Result m_result;
};
