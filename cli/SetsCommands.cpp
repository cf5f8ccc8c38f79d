#include "SetsCommands.h"

#include "CommandFailure.h"
#include "DocumentModule.h"
#include "DocumentModuleLoader.h"
#include "HostError.h"
#include "QuarnelGIS_Public.h"
#include "RuntimeError.h"
#include "SetDatabase.h"
#include "SetFileLocation.h"
#include "SetFileRecords.h"
#include "SetFileRewrite.h"
#include "SetNameListing.h"
#include "SetNameOrder.h"
#include "SetStore.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace {

/// The widest a set's picture is, as the add-in's list shows it.
constexpr int kPreviewWidth = 320;

bool isRuntimeError(const HostError &error, RuntimeError runtimeError)
{
    return error.number() == static_cast<std::int32_t>(runtimeError);
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QByteArray jsonText(const QJsonDocument &json)
{
    return json.toJson(QJsonDocument::Indented);
}

/// Whether the set file at a native path can be read whole, every record in
/// its place: what an import asks of the file it takes sets from.
bool isSound(const QString &nativePath)
{
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    SetFileRecords records(bytes);
    SetFileRecords::Record record;
    while (records.next(record))
        if (!record.wellFormed)
            return false;
    return !records.cutShort();
}

} // namespace

SetsCommands::SetsCommands(SetFileLocation &location, const SetsCommandLine &line)
    : m_location(location), m_line(line), m_store(location.state())
{
}

SetsCommands::Result SetsCommands::run()
{
    using Command = SetsCommandLine::Command;
    try {
        switch (m_line.command) {
        case Command::List:
            list();
            break;
        case Command::Show:
            show();
            break;
        case Command::Capture:
            capture();
            break;
        case Command::Apply:
            apply();
            break;
        case Command::Rename:
            rename();
            break;
        case Command::Delete:
            remove();
            break;
        case Command::Replace:
            replace();
            break;
        case Command::Export:
            exportSets();
            break;
        case Command::Import:
            import();
            break;
        case Command::Check:
            check();
            break;
        case Command::Repair:
            repair();
            break;
        case Command::Undo:
            undo();
            break;
        case Command::Match:
            match();
            break;
        case Command::Diff:
            diff();
            break;
        case Command::Preview:
            preview();
            break;
        case Command::DbInit:
            initialiseDatabase();
            break;
        case Command::DbPush:
            import();
            break;
        case Command::DbPull:
            pull();
            break;
        case Command::None:
            throw CommandFailure(CommandFailure::Usage, QStringLiteral("no command given"));
        }
    } catch (const HostError &error) {
        throwFailure(error, FailedOn::SetFile);
    }
    return std::move(m_result);
}

void SetsCommands::throwFailure(const HostError &error, FailedOn failedOn) const
{
    m_location.state().channel1.closeQuietly();
    const bool damaged = isRuntimeError(error, RuntimeError::InputPastEndOfFile);
    const QString told = QStringLiteral("%1 (error %2)").arg(error.description()).arg(error.number());
    // A damaged file is refused with the same failure whether it is the file
    // imported or the set file; the file imported is read again to tell which.
    if (failedOn == FailedOn::ImportedFile && !(damaged && isSound(m_line.importFile)))
        throw CommandFailure(
            CommandFailure::Failed,
            QStringLiteral("cannot import %1: %2")
                .arg(m_line.importFile,
                     damaged ? QStringLiteral("it is damaged (\"quarnel-sets --file %1 check\" shows where); "
                                              "nothing was added")
                                   .arg(m_line.importFile)
                             : told));
    if (failedOn == FailedOn::ExportedFile && !damaged)
        throw CommandFailure(CommandFailure::Failed,
                             QStringLiteral("cannot write %1: %2")
                                 .arg(m_line.output.isEmpty() ? m_line.importFile : m_line.output, told));
    if (damaged)
        throw CommandFailure(CommandFailure::Failed,
                             QStringLiteral("the set file %1 is damaged: it ends inside a record "
                                            "(\"quarnel-sets check\" shows where, \"quarnel-sets repair\" "
                                            "cuts it back)")
                                 .arg(m_location.nativePath()));
    // The file's lock, not taken within its wait, is told as the runtime's
    // "Permission denied" too.
    const QString hint = isRuntimeError(error, RuntimeError::PermissionDenied)
                             ? QStringLiteral("; it may be read-only, or locked by another program")
                             : QString();
    if (m_location.inDatabase())
        throw CommandFailure(CommandFailure::Failed, error.description());
    throw CommandFailure(
        CommandFailure::Failed,
        QStringLiteral("cannot work on the set file %1: %2%3").arg(m_location.nativePath(), told, hint));
}

void SetsCommands::print(const QString &line)
{
    m_result.output += line.toUtf8();
    m_result.output += '\n';
}

void SetsCommands::requireSetFile() const
{
    if (!m_location.inDatabase() && !QFileInfo(m_location.nativePath()).isFile())
        throw CommandFailure(CommandFailure::Failed, QStringLiteral("no set file at %1").arg(m_location.nativePath()));
}

void SetsCommands::refuseOwnFile(const QString &path, const QString &instead) const
{
    if (m_store.isOwnFile(path))
        throw CommandFailure(
            CommandFailure::Failed,
            QStringLiteral("%1 is the set file itself or kept beside it for Undo; %2").arg(path, instead));
}

void SetsCommands::failNoSet(const QString &name) const
{
    throw CommandFailure(CommandFailure::Failed,
                         QStringLiteral("no set named %1 in %2").arg(quoted(name), m_location.storeName()));
}

std::shared_ptr<IDocument> SetsCommands::readDocument(const QString &path) const
{
    if (!QFileInfo(path).isFile())
        throw CommandFailure(CommandFailure::Failed, QStringLiteral("no document at %1").arg(path));
    QString error;
    std::shared_ptr<IDocument> document = loadDocumentModule().read(path, error);
    if (!document)
        throw CommandFailure(CommandFailure::Failed, error);
    return document;
}

std::vector<QString> SetsCommands::listedNames()
{
    requireSetFile();
    // The window's order: each name put in its sorted place as it is read.
    std::vector<QString> names;
    SetNameOrder order;
    const auto listed = [&](const QString &name) { names.insert(names.begin() + order.insert(name), name); };
    if (m_location.inDatabase())
        m_store.listNames(listed);
    else
        listSetNamesInHalves(m_location.state(), listed);
    return names;
}

QHash<QString, SetStanding> SetsCommands::standingsAgainst(IDocument &document) const
{
    const QuarnelGIS_Public &state = m_location.state();
    if (SetDatabase *database = state.setDatabase.get()) {
        qsizetype count = 0;
        return judgeSets(database->exportSets(database->names(), count), VisibilitySnapshot::of(document));
    }
    return judgeSets(SetFileRewrite(state.services, state.setFilePath).read(), VisibilitySnapshot::of(document));
}

void SetsCommands::list()
{
    const std::vector<QString> names = listedNames();
    if (m_line.json) {
        QJsonArray array;
        for (const QString &name : names)
            array.append(name);
        m_result.output = jsonText(QJsonDocument(array));
        return;
    }
    for (const QString &name : names)
        print(name);
}

void SetsCommands::show()
{
    requireSetFile();
    const QString &name = m_line.setNames.constFirst();
    std::vector<VisibilityRecord> records;
    m_store.close();
    m_store.openForInput();
    m_store.readSet(name, [&records](const VisibilityRecord &record) { records.push_back(record); });
    m_store.close();
    if (records.empty())
        failNoSet(name);
    if (m_line.json) {
        QJsonArray array;
        for (const VisibilityRecord &record : records)
            array.append(QJsonObject{{QStringLiteral("map"), record.mapName},
                                     {QStringLiteral("layer"), record.layerName},
                                     {QStringLiteral("visible"), record.isVisible()}});
        m_result.output = jsonText(QJsonDocument(array));
        return;
    }
    for (const VisibilityRecord &record : records)
        print(record.mapName + QLatin1Char('\t') + record.layerName + QLatin1Char('\t')
              + VisibilitySetFile::visibilityText(record.isVisible()));
}

void SetsCommands::capture()
{
    // The document is read whole before the set file is opened: a document
    // that cannot be read leaves the file as it was.
    const auto document = readDocument(m_line.document);
    qsizetype layers = 0;
    captureVisibility(*document, [&layers](const QString &, const QString &, bool) { ++layers; });
    m_store.close();
    m_store.openForAppend();
    m_store.appendSet(m_line.setNames.constFirst(), *document);
    m_store.close();
    if (layers == 0)
        m_result.notes << QStringLiteral("%1 has no feature layer to record: nothing was saved").arg(m_line.document);
}

void SetsCommands::apply()
{
    const auto document = readDocument(m_line.document);
    requireSetFile();
    const QString &name = m_line.setNames.constFirst();
    m_store.close();
    m_store.openForInput();
    const qsizetype records =
        m_store.restoreSet(name, *document, m_line.exact ? SetStore::Restore::Exactly : SetStore::Restore::AsSaved);
    m_store.close();
    // A set that is not there is told, not passed over.
    if (records == 0)
        failNoSet(name);
    const QString target = m_line.output.isEmpty() ? m_line.document : m_line.output;
    refuseOwnFile(target, QStringLiteral("write the document to another file"));
    QString error;
    if (!loadDocumentModule().write(*document, target, error))
        throw CommandFailure(CommandFailure::Failed, error);
}

void SetsCommands::preview()
{
    const auto document = readDocument(m_line.document);
    requireSetFile();
    const QString &name = m_line.setNames.constFirst();
    // The document read is this command's own: the set is restored into it
    // as a click restores it, and what it then shows is drawn.
    m_store.close();
    m_store.openForInput();
    const qsizetype records = m_store.restoreSet(name, *document);
    m_store.close();
    if (records == 0)
        failNoSet(name);
    refuseOwnFile(m_line.output, QStringLiteral("write the picture to another file"));
    QString error;
    if (!loadDocumentModule().writePicture(*document, m_line.output, kPreviewWidth, error))
        throw CommandFailure(CommandFailure::Failed, error);
}

void SetsCommands::rename()
{
    requireSetFile();
    if (m_store.renameSet(m_line.setNames.at(0), m_line.setNames.at(1), SetStore::OntoNameInUse::Merge)
        != SetStore::Rename::Renamed)
        failNoSet(m_line.setNames.at(0));
}

void SetsCommands::remove()
{
    requireSetFile();
    if (m_store.deleteSets(m_line.setNames) == 0)
        failNoSet(m_line.setNames.constFirst());
}

void SetsCommands::replace()
{
    const auto document = readDocument(m_line.document);
    requireSetFile();
    if (!m_store.replaceSet(m_line.setNames.constFirst(), *document))
        failNoSet(m_line.setNames.constFirst());
}

void SetsCommands::exportSets()
{
    requireSetFile();
    const QString target = QFileInfo(m_line.output).absoluteFilePath();
    refuseOwnFile(target, QStringLiteral("export to another file"));
    const QStringList present = m_store.names();
    for (const QString &name : m_line.setNames)
        if (!present.contains(name))
            failNoSet(name);
    try {
        m_store.exportSets(m_line.setNames, target);
    } catch (const HostError &error) {
        throwFailure(error, FailedOn::ExportedFile);
    }
}

void SetsCommands::import()
{
    const QString source = m_line.importFile;
    refuseOwnFile(source, QStringLiteral("import another file"));
    const SetStore::Clash clash = m_line.clash;
    SetStore::ImportOutcome outcome;
    try {
        outcome = m_store.importSets(source, [clash](const QString &) { return clash; });
    } catch (const HostError &error) {
        throwFailure(error, FailedOn::ImportedFile);
    }
    for (const QString &name : std::as_const(outcome.added))
        print(QStringLiteral("added\t") + name);
    for (const QString &name : std::as_const(outcome.skipped))
        print(QStringLiteral("skipped\t") + name);
}

void SetsCommands::check()
{
    requireSetFile();
    const SetStore::CheckReport report = m_store.check();
    if (m_line.json) {
        QJsonArray damaged;
        for (const SetStore::Damage &damage : report.damaged)
            damaged.append(
                QJsonObject{{QStringLiteral("line"), double(damage.line)}, {QStringLiteral("reason"), damage.reason}});
        m_result.output = jsonText(QJsonDocument(QJsonObject{{QStringLiteral("records"), double(report.records)},
                                                             {QStringLiteral("sets"), double(report.sets)},
                                                             {QStringLiteral("bytes"), double(report.bytes)},
                                                             {QStringLiteral("damaged"), damaged}}));
    } else {
        print(QStringLiteral("records\t%1").arg(report.records));
        print(QStringLiteral("sets\t%1").arg(report.sets));
        print(QStringLiteral("bytes\t%1").arg(report.bytes));
        for (const SetStore::Damage &damage : report.damaged)
            print(QStringLiteral("line %1\t%2").arg(damage.line).arg(damage.reason));
    }
    if (!report.damaged.empty()) {
        m_result.exitCode = CommandFailure::Failed;
        m_result.notes << QStringLiteral("the set file %1 is damaged: %2 damaged record%3")
                              .arg(m_location.nativePath())
                              .arg(report.damaged.size())
                              .arg(report.damaged.size() == 1 ? QString() : QStringLiteral("s"));
    }
}

void SetsCommands::repair()
{
    requireSetFile();
    if (m_location.inDatabase()) {
        print(QStringLiteral("nothing to repair: a database holds whole records only"));
        return;
    }
    const qsizetype cut = m_store.repair();
    print(cut == 0 ? QStringLiteral("nothing to repair: the file ends with a whole record")
                   : QStringLiteral("cut %1 bytes after the last whole record (\"quarnel-sets undo\" brings them back)")
                         .arg(cut));
}

void SetsCommands::undo()
{
    requireSetFile();
    if (!m_store.undo())
        throw CommandFailure(
            CommandFailure::Failed,
            m_location.inDatabase()
                ? QStringLiteral("nothing to undo in %1").arg(m_location.storeName())
                : QStringLiteral("nothing to undo: no earlier file beside %1").arg(m_location.nativePath()));
}

void SetsCommands::initialiseDatabase()
{
    SetDatabase &database = *m_location.state().setDatabase;
    const int before = database.initialise();
    QString store = m_location.storeName();
    store[0] = store[0].toUpper();
    print(before == SetDatabase::schemaVersion
              ? QStringLiteral("%1 is ready: its tables are at version %2").arg(store).arg(before)
          : before == 0
              ? QStringLiteral("%1 is ready: tables made at version %2, with the roles quarnel_readers (list and "
                               "restore) and quarnel_editors (also change)")
                    .arg(store)
                    .arg(SetDatabase::schemaVersion)
              : QStringLiteral("%1 is ready: tables upgraded from version %2 to %3")
                    .arg(store)
                    .arg(before)
                    .arg(SetDatabase::schemaVersion));
}

void SetsCommands::pull()
{
    const QuarnelGIS_Public &state = m_location.state();
    const QString target = QFileInfo(m_line.importFile).absoluteFilePath();
    // The set file mapdesk uses is written only under its lock: sets go into
    // it by an import.
    if (!state.setFilePath.isEmpty() && SetFileRewrite(state.services, state.setFilePath).owns(target))
        throw CommandFailure(
            CommandFailure::Failed,
            QStringLiteral("%1 is the set file in use; pull to another file and import that").arg(m_line.importFile));
    const QStringList names = m_store.names();
    try {
        m_store.exportSets(names, target);
    } catch (const HostError &error) {
        throwFailure(error, FailedOn::ExportedFile);
    }
    print(QStringLiteral("wrote %1 set%2 to %3")
              .arg(names.size())
              .arg(names.size() == 1 ? QString() : QStringLiteral("s"), m_line.importFile));
}

void SetsCommands::match()
{
    const auto document = readDocument(m_line.document);
    // The names are read as list reads them, so that a damaged file fails
    // here as it does there rather than being judged in part.
    const std::vector<QString> names = listedNames();
    const QHash<QString, SetStanding> standings = standingsAgainst(*document);
    QStringList matching;
    for (const QString &name : names)
        if (standings.value(name).matches())
            matching << name;
    if (m_line.json) {
        m_result.output = jsonText(QJsonDocument(QJsonArray::fromStringList(matching)));
        return;
    }
    for (const QString &name : std::as_const(matching))
        print(name);
}

void SetsCommands::diff()
{
    const auto document = readDocument(m_line.document);
    const QString &name = m_line.setNames.constFirst();
    const std::vector<QString> names = listedNames();
    if (std::find(names.begin(), names.end(), name) == names.end())
        failNoSet(name);
    const SetStanding standing = standingsAgainst(*document).value(name);
    if (m_line.json) {
        QJsonArray array;
        for (const LayerDifference &difference : standing.differences)
            array.append(QJsonObject{{QStringLiteral("map"), difference.mapName},
                                     {QStringLiteral("layer"), difference.layerName},
                                     {QStringLiteral("recorded"), difference.recorded}});
        m_result.output = jsonText(QJsonDocument(array));
    } else {
        for (const LayerDifference &difference : standing.differences)
            print(difference.mapName + QLatin1Char('\t') + difference.layerName + QLatin1Char('\t')
                  + VisibilitySetFile::visibilityText(difference.recorded));
    }
    if (!standing.differences.empty())
        m_result.exitCode = CommandFailure::Failed;
    // Nothing differs, but nothing was compared either: say so rather than
    // let it pass for a match.
    if (standing.present == 0)
        m_result.notes << QStringLiteral("%1 has none of the layers set %2 records").arg(m_line.document, quoted(name));
}
