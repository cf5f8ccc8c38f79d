#include "SetStore.h"

#include "QuarnelGIS_IO.h"
#include "QuarnelGIS_Public.h"
#include "RecordEncoder.h"
#include "RuntimeError.h"
#include "SetDatabase.h"
#include "SetFileEdits.h"
#include "SetFileRewrite.h"
#include "SetNames.h"
#include "VisibilityApply.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"
#include "WindowsPath.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <optional>

namespace {

/// The document's visibility as a save records it.
std::vector<SetDatabase::Fields> capturedFields(IDocument &document)
{
    std::vector<SetDatabase::Fields> records;
    captureVisibility(document, [&](const QString &mapName, const QString &layerName, bool visible) {
        records.push_back({mapName, layerName, VisibilitySetFile::visibilityText(visible)});
    });
    return records;
}

} // namespace

SetDatabase *SetStore::database() const
{
    return m_state.setDatabase.get();
}

void SetStore::close()
{
    if (!database())
        m_state.channel1.close();
}

void SetStore::openForInput()
{
    if (!database())
        m_state.channel1.openForInput(m_state.setFilePath);
}

void SetStore::openForAppend()
{
    if (!database())
        m_state.channel1.openForAppend(m_state.setFilePath);
}

void SetStore::emptyFile()
{
    if (database())
        return database()->clearAll();
    // A read-only file is refused by the file helper, as the earlier Clear
    // All refused it, and not emptied behind its read-only flag.
    bool rewritable = false;
    try {
        const QFileInfo info(WindowsPath::toNative(m_state.services, m_state.setFilePath));
        rewritable = info.isFile() && info.permissions().testFlag(QFileDevice::WriteOwner);
    } catch (...) {
    }
    if (rewritable) {
        try {
            clearAll();
            return;
        } catch (...) {
            // No undo point could be made: the file is emptied without one.
        }
    }
    QuarnelGIS_IO::fDeleteFile(m_state, m_state.setFilePath);
}

void SetStore::listNames(const std::function<void(const QString &)> &onName)
{
    if (database()) {
        for (const QString &name : database()->names())
            onName(name);
        return;
    }
    VisibilitySetFile::listSetNames(m_state.channel1, onName);
}

void SetStore::readSet(const QString &setName, const std::function<void(const VisibilityRecord &)> &onRecord)
{
    if (database())
        return database()->readSet(setName, onRecord);
    VisibilitySetFile::selectSet(m_state.channel1, setName, onRecord);
}

void SetStore::appendSet(const QString &setName, IDocument &document)
{
    SetNames::requireHeld(setName);
    if (database())
        return database()->appendSet(setName, capturedFields(document));
    FileChannel &channel = m_state.channel1;
    captureVisibility(document, [&](const QString &mapName, const QString &layerName, bool visible) {
        VisibilitySetFile::writeRecord(channel, setName, mapName, layerName, visible);
    });
}

qsizetype SetStore::restoreSetFromFile(const QString &setName, IDocument &document, Restore how)
{
    try {
        openForInput();
        const qsizetype applied = restoreSet(setName, document, how);
        close();
        return applied;
    } catch (...) {
        m_state.channel1.closeQuietly();
        throw;
    }
}

void SetStore::appendSetToFile(const QString &setName, IDocument &document)
{
    try {
        openForAppend();
        appendSet(setName, document);
        close();
    } catch (...) {
        m_state.channel1.closeQuietly();
        throw;
    }
}

qsizetype SetStore::restoreSet(const QString &setName, IDocument &document, Restore how)
{
    VisibilityApply restore(document, how == Restore::Exactly);
    qsizetype applied = 0;
    const auto onRecord = [&](const VisibilityRecord &record) {
        restore.apply(record);
        ++applied;
    };
    if (database()) {
        database()->readSet(setName, onRecord);
    } else {
        // Records are matched by their fields' bytes where they can be.
        VisibilitySetFile::selectSetRaw(
            m_state.channel1, setName,
            [&](const RawVisibilityRecord &record, FileChannel &channel) {
                restore.apply(record, channel);
                ++applied;
            },
            onRecord);
    }
    if (how == Restore::Exactly)
        restore.hideUnmentioned();
    return applied;
}

QStringList SetStore::names()
{
    if (database())
        return database()->names();
    return SetFileEdits::setNames(SetFileRewrite(m_state.services, m_state.setFilePath).read());
}

SetStore::Rename SetStore::renameSet(const QString &from, const QString &to, OntoNameInUse onto)
{
    SetNames::requireHeld(to);
    if (database()) {
        const SetDatabase::Renamed renamed = database()->renameSet(from, to, onto == OntoNameInUse::Merge);
        if (!renamed.found)
            return Rename::NoSuchSet;
        return renamed.nameInUse && onto == OntoNameInUse::Refuse ? Rename::NameInUse : Rename::Renamed;
    }
    SetFileEdits::Renamed outcome;
    SetFileRewrite(m_state.services, m_state.setFilePath).rewrite([&](const QByteArray &current) {
        outcome = SetFileEdits::renameSet(current, from, to, onto == OntoNameInUse::Merge);
        return outcome.bytes;
    });
    if (!outcome.found)
        return Rename::NoSuchSet;
    return outcome.nameInUse && onto == OntoNameInUse::Refuse ? Rename::NameInUse : Rename::Renamed;
}

qsizetype SetStore::deleteSets(const QStringList &setNames)
{
    if (database())
        return database()->deleteSets(setNames);
    const QSet<QString> gone(setNames.begin(), setNames.end());
    qsizetype removed = 0;
    SetFileRewrite(m_state.services, m_state.setFilePath).rewrite([&](const QByteArray &current) {
        return SetFileEdits::withoutSets(current, gone, removed);
    });
    return removed;
}

bool SetStore::replaceSet(const QString &setName, IDocument &document)
{
    SetNames::requireHeld(setName);
    if (database())
        return database()->replaceSet(setName, capturedFields(document));
    // The document is read before the file is locked, so that the lock is
    // held only for the rewrite itself.
    RecordEncoder captured;
    captureVisibility(document, [&](const QString &mapName, const QString &layerName, bool visible) {
        captured.append({setName, mapName, layerName, VisibilitySetFile::visibilityText(visible)});
    });
    const QByteArray replacement(captured.bytes().data(), captured.bytes().size());
    bool found = false;
    SetFileRewrite(m_state.services, m_state.setFilePath).rewrite([&](const QByteArray &current) {
        std::optional<FileSplice> next = SetFileEdits::replaceSet(current, setName, replacement);
        found = next.has_value();
        return next;
    });
    return found;
}

SetLayers SetStore::layersOf(const QString &setName, IDocument &document)
{
    SetLayers layers =
        database() ? SetLayers::of(database()->layerFlags(setName), document)
                   : SetLayers::of(SetFileRewrite(m_state.services, m_state.setFilePath).read(), setName, document);
    // An edit compares the set with this reading, in any order.
    m_readSet = setName;
    m_readLayers.emplace();
    for (const SetLayers::Row &row : layers.recorded)
        m_readLayers->push_back(row.layer);
    return layers;
}

SetStore::Edit SetStore::editSet(const QString &setName, const std::vector<SetLayers::Layer> &layers,
                                 const std::optional<std::vector<SetLayers::Layer>> &asRead,
                                 std::vector<LayerChange> *changes)
{
    SetNames::requireHeld(setName);
    bool found = false;
    std::vector<LayerChange> changed;
    if (database())
        database()->editSet(setName, layers, asRead, found, changed);
    else
        SetFileRewrite(m_state.services, m_state.setFilePath).rewrite([&](const QByteArray &current) {
            // Judged on the file as it is under the lock: nothing comes in between.
            changed.clear();
            if (asRead) {
                const std::vector<SetLayers::Layer> now = SetFileEdits::layerFlags(current, setName);
                changed = SetFileEdits::changesBetween(*asRead, now);
                if (!changed.empty()) {
                    found = !now.empty();
                    return std::optional<FileSplice>();
                }
            }
            return SetFileEdits::editSet(current, setName, layers, found);
        });
    if (changes)
        *changes = changed;
    if (!found)
        return Edit::NoSuchSet;
    return changed.empty() ? Edit::Edited : Edit::ChangedSince;
}

bool SetStore::editSet(const QString &setName, const std::vector<SetLayers::Layer> &layers)
{
    std::vector<LayerChange> changes;
    const std::optional<std::vector<SetLayers::Layer>> asRead =
        m_readSet == setName ? m_readLayers : std::optional<std::vector<SetLayers::Layer>>();
    const Edit outcome = editSet(setName, layers, asRead, &changes);
    if (outcome == Edit::ChangedSince)
        throwRuntimeError(RuntimeError::PathFileAccessError,
                          QStringLiteral("The set \"%1\" was saved again while its layers were being edited, so the "
                                         "edit was not written. Changed since: %2. Edit its layers again to start "
                                         "from the set as it is now.")
                              .arg(setName, describe(changes).join(QStringLiteral("; "))));
    return outcome == Edit::Edited;
}

QStringList SetStore::describe(const std::vector<LayerChange> &changes)
{
    auto flag = [](bool visible) { return visible ? QStringLiteral("shown") : QStringLiteral("hidden"); };
    QStringList lines;
    for (const LayerChange &change : changes) {
        const QString layer = change.mapName + QStringLiteral(" / ") + change.layerName;
        if (!change.now)
            lines << QStringLiteral("%1: no longer recorded").arg(layer);
        else if (!change.before)
            lines << QStringLiteral("%1: recorded %2, newly").arg(layer, flag(*change.now));
        else
            lines << QStringLiteral("%1: now %2, was %3").arg(layer, flag(*change.now), flag(*change.before));
    }
    return lines;
}

void SetStore::clearAll()
{
    if (database())
        return database()->clearAll();
    SetFileRewrite(m_state.services, m_state.setFilePath)
        .rewrite([](const QByteArray &current) -> std::optional<QByteArray> {
            if (current.isEmpty())
                return std::nullopt;
            return QByteArray();
        });
}

qsizetype SetStore::repair()
{
    if (database())
        return 0; // a database holds whole records only
    qsizetype cut = 0;
    SetFileRewrite(m_state.services, m_state.setFilePath).rewrite([&](const QByteArray &current) {
        return SetFileEdits::cutDamagedTail(current, cut);
    });
    return cut;
}

bool SetStore::undo()
{
    if (database())
        return database()->undo();
    return SetFileRewrite(m_state.services, m_state.setFilePath).undo();
}

bool SetStore::isOwnFile(const QString &nativePath) const
{
    if (!database())
        return SetFileRewrite(m_state.services, m_state.setFilePath).owns(nativePath);
    // With the sets in a team's database, the set file is still the one
    // other programs may use, where there is one: nothing is written over it.
    try {
        return !m_state.setFilePath.isEmpty() && SetFileRewrite(m_state.services, m_state.setFilePath).owns(nativePath);
    } catch (...) {
        return false;
    }
}

qsizetype SetStore::exportSets(const QStringList &setNames, const QString &nativePath)
{
    if (isOwnFile(nativePath))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    qsizetype written = 0;
    const QByteArray out = database()
                               ? database()->exportSets(setNames, written)
                               : SetFileEdits::selectSets(SetFileRewrite(m_state.services, m_state.setFilePath).read(),
                                                          QSet<QString>(setNames.begin(), setNames.end()), written);
    QSaveFile file(nativePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(out) != out.size() || !file.commit()) {
        if (file.error() == QFileDevice::PermissionsError)
            throwRuntimeError(RuntimeError::PermissionDenied);
        if (file.error() == QFileDevice::ResourceError)
            throwRuntimeError(RuntimeError::DiskFull);
        throwRuntimeError(RuntimeError::PathFileAccessError);
    }
    return written;
}

SetStore::ImportOutcome SetStore::importSets(const QString &nativePath,
                                             const std::function<Clash(const QString &)> &onClash)
{
    QFile file(nativePath);
    if (!QFileInfo(nativePath).isFile())
        throwRuntimeError(RuntimeError::FileNotFound);
    if (isOwnFile(nativePath))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    if (!file.open(QIODevice::ReadOnly))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    return addImported(SetFileEdits::readImport(file.readAll(), nativePath), onClash);
}

SetStore::ImportOutcome SetStore::importThemes(const std::vector<ISetThemes::Theme> &themes,
                                               const std::function<Clash(const QString &)> &onClash)
{
    // The themes as the records of a set file, read back as an import reads one.
    RecordEncoder records;
    for (const ISetThemes::Theme &theme : themes)
        for (const ISetThemes::Layer &layer : theme.layers)
            records.append(
                {theme.name, layer.mapName, layer.layerName, VisibilitySetFile::visibilityText(layer.visible)});
    const QByteArray bytes(records.bytes().data(), records.bytes().size());
    return addImported(SetFileEdits::readImport(bytes, QStringLiteral("map themes")), onClash);
}

SetStore::ImportOutcome SetStore::addImported(const std::vector<SetFileEdits::ImportedSet> &sets,
                                              const std::function<Clash(const QString &)> &onClash)
{
    // A name the set file cannot hold refuses the file whole, before anything is added.
    for (const SetFileEdits::ImportedSet &set : sets)
        SetNames::requireHeld(set.name);

    // Clashes are settled before the file is locked: asking may take a user
    // a while, and other writers wait at most a moment for the lock.
    const QStringList before = names();
    const QSet<QString> inUse(before.begin(), before.end());
    QHash<QString, Clash> decisions;
    for (const SetFileEdits::ImportedSet &set : sets)
        if (inUse.contains(set.name))
            decisions.insert(set.name, onClash(set.name));

    if (database())
        return database()->addSets(sets, decisions);
    ImportOutcome outcome;
    SetFileRewrite(m_state.services, m_state.setFilePath).rewrite([&](const QByteArray &current) {
        return SetFileEdits::addSets(current, sets, decisions, outcome);
    });
    return outcome;
}

SetStore::CheckReport SetStore::check()
{
    if (database())
        return database()->check();
    return SetFileEdits::check(SetFileRewrite(m_state.services, m_state.setFilePath).read());
}
