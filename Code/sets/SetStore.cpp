#include "SetStore.h"

#include "HostError.h"
#include "QuarnelGIS_IO.h"
#include "QuarnelGIS_Public.h"
#include "RecordEncoder.h"
#include "RuntimeError.h"
#include "SetFileRecords.h"
#include "SetFileRewrite.h"
#include "VisibilityApply.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"
#include "WindowsPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <array>
#include <optional>

void SetStore::close()
{
    m_state.channel1.close();
}

void SetStore::openForInput()
{
    m_state.channel1.openForInput(m_state.setFilePath);
}

void SetStore::openForAppend()
{
    m_state.channel1.openForAppend(m_state.setFilePath);
}

void SetStore::emptyFile()
{
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
    VisibilitySetFile::listSetNames(m_state.channel1, onName);
}

void SetStore::readSet(const QString &setName, const std::function<void(const VisibilityRecord &)> &onRecord)
{
    VisibilitySetFile::selectSet(m_state.channel1, setName, onRecord);
}

void SetStore::appendSet(const QString &setName, IDocument &document)
{
    FileChannel &channel = m_state.channel1;
    captureVisibility(document, [&](const QString &mapName, const QString &layerName, bool visible) {
        VisibilitySetFile::writeRecord(channel, setName, mapName, layerName, visible);
    });
}

qsizetype SetStore::restoreSet(const QString &setName, IDocument &document, Restore how)
{
    VisibilityApply restore(document, how == Restore::Exactly);
    qsizetype applied = 0;
    readSet(setName, [&](const VisibilityRecord &record) {
        restore.apply(record);
        ++applied;
    });
    if (how == Restore::Exactly)
        restore.hideUnmentioned();
    return applied;
}

namespace {

[[noreturn]] void failCutShort()
{
    throwRuntimeError(RuntimeError::InputPastEndOfFile);
}

/// Why a record read as damaged, in a person's words.
QString damageReason(const SetFileRecords::Record &record)
{
    const QByteArrayView visibility = record.fields[3];
    const bool flag =
        visibility == "\"True\"" || visibility == "\"False\"" || visibility == "True" || visibility == "False";
    return flag ? QStringLiteral("more than four fields on the line")
                : QStringLiteral("the visibility is neither True nor False");
}

/// A set file that cannot be imported, named with the line of the record
/// that stops it and why.
[[noreturn]] void failDamagedImport(const QString &nativePath, qsizetype line, const QString &reason)
{
    throwRuntimeError(RuntimeError::InputPastEndOfFile,
                      QStringLiteral("The set file %1 cannot be imported: the record on line %2 is damaged (%3).")
                          .arg(QDir::toNativeSeparators(nativePath))
                          .arg(line)
                          .arg(reason));
}

/// The records of a file's bytes with their set names, each name decoded
/// once for a run of records that carry the same bytes for it.
class NamedRecords
{
public:
    explicit NamedRecords(const QByteArray &bytes) : m_records(bytes) {}

    bool next()
    {
        if (!m_records.next(m_record))
            return false;
        m_nameChanged = !m_named || m_record.fields[0] != m_rawName;
        if (m_nameChanged) {
            m_rawName = m_record.fields[0];
            m_name = m_records.text(m_rawName);
            m_named = true;
        }
        return true;
    }
    /// True when this record's name bytes differ from the record's before.
    bool nameChanged() const { return m_nameChanged; }
    const SetFileRecords::Record &record() const { return m_record; }
    const QString &name() const { return m_name; }
    QString text(int field) { return m_records.text(m_record.fields[std::size_t(field)]); }
    SetFileRecords &records() { return m_records; }
    /// Throws 62 when the bytes ended inside a record.
    void requireWhole() const
    {
        if (m_records.cutShort())
            failCutShort();
    }

private:
    SetFileRecords m_records;
    SetFileRecords::Record m_record;
    QByteArrayView m_rawName;
    QString m_name;
    bool m_named = false;
    bool m_nameChanged = false;
};

/// The new bytes of a file in which most records stay as they are: runs of
/// records left alone are copied in one piece, line ends and all.
class Rewritten
{
public:
    explicit Rewritten(QByteArrayView data, qsizetype extra = 0) : m_data(data) { m_out.reserve(data.size() + extra); }

    /// Everything up to `record` is kept; the record itself is not.
    void skip(const SetFileRecords::Record &record)
    {
        m_out.append(m_data.data() + m_kept, record.begin - m_kept);
        m_kept = record.end;
    }
    /// Bytes written in place of what skip() left out.
    void append(QByteArrayView bytes) { m_out.append(bytes.data(), bytes.size()); }
    /// The new bytes, with everything after the last record skipped.
    QByteArray finish()
    {
        m_out.append(m_data.data() + m_kept, m_data.size() - m_kept);
        return std::move(m_out);
    }

private:
    QByteArrayView m_data;
    qsizetype m_kept = 0;
    QByteArray m_out;
};

/// Appends a record's bytes as they stand, with its line end.
void copyRecord(QByteArray &out, const SetFileRecords::Record &record)
{
    out.append(record.bytes.data(), record.bytes.size());
    out.append("\r\n", 2);
}

/// Appends a record under another set name, its other fields as they read.
void renamedRecord(QByteArray &out, NamedRecords &records, const QString &setName)
{
    RecordEncoder encoder;
    const QString map = records.text(1);
    const QString layer = records.text(2);
    const QString visibility = records.text(3);
    encoder.append({setName, map, layer, visibility});
    out.append(encoder.bytes().data(), encoder.bytes().size());
}

} // namespace

QStringList SetStore::names()
{
    const QByteArray bytes = SetFileRewrite(m_state.services, m_state.setFilePath).read();
    NamedRecords records(bytes);
    QStringList found;
    QSet<QString> seen;
    while (records.next())
        if (!seen.contains(records.name())) {
            seen.insert(records.name());
            found.append(records.name());
        }
    return found;
}

SetStore::Rename SetStore::renameSet(const QString &from, const QString &to, OntoNameInUse onto)
{
    Rename outcome = Rename::NoSuchSet;
    SetFileRewrite(m_state.services, m_state.setFilePath)
        .rewrite([&](const QByteArray &current) -> std::optional<QByteArray> {
            NamedRecords records(current);
            Rewritten out(records.records().data(), 64);
            bool renaming = false;
            bool found = false;
            bool inUse = false;
            while (records.next()) {
                if (records.nameChanged()) {
                    renaming = records.name() == from;
                    inUse = inUse || (records.name() == to && !renaming);
                }
                if (!renaming)
                    continue;
                found = true;
                out.skip(records.record());
                QByteArray renamed;
                renamedRecord(renamed, records, to);
                out.append(renamed);
            }
            records.requireWhole();
            outcome = !found                                   ? Rename::NoSuchSet
                      : inUse && onto == OntoNameInUse::Refuse ? Rename::NameInUse
                                                               : Rename::Renamed;
            if (outcome != Rename::Renamed || from == to)
                return std::nullopt;
            return out.finish();
        });
    return outcome;
}

qsizetype SetStore::deleteSets(const QStringList &setNames)
{
    const QSet<QString> gone(setNames.begin(), setNames.end());
    qsizetype removed = 0;
    SetFileRewrite(m_state.services, m_state.setFilePath)
        .rewrite([&](const QByteArray &current) -> std::optional<QByteArray> {
            NamedRecords records(current);
            Rewritten out(records.records().data());
            bool going = false;
            while (records.next()) {
                if (records.nameChanged())
                    going = gone.contains(records.name());
                if (!going)
                    continue;
                ++removed;
                out.skip(records.record());
            }
            records.requireWhole();
            if (removed == 0)
                return std::nullopt;
            return out.finish();
        });
    return removed;
}

bool SetStore::replaceSet(const QString &setName, IDocument &document)
{
    // The document is read before the file is locked, so that the lock is
    // held only for the rewrite itself.
    RecordEncoder captured;
    captureVisibility(document, [&](const QString &mapName, const QString &layerName, bool visible) {
        captured.append({setName, mapName, layerName, VisibilitySetFile::visibilityText(visible)});
    });
    bool found = false;
    SetFileRewrite(m_state.services, m_state.setFilePath)
        .rewrite([&](const QByteArray &current) -> std::optional<QByteArray> {
            NamedRecords records(current);
            Rewritten out(records.records().data(), captured.bytes().size());
            bool replacing = false;
            while (records.next()) {
                if (records.nameChanged())
                    replacing = records.name() == setName;
                if (!replacing)
                    continue;
                out.skip(records.record());
                if (!found)
                    out.append(captured.bytes());
                found = true;
            }
            records.requireWhole();
            if (!found)
                return std::nullopt;
            return out.finish();
        });
    return found;
}

void SetStore::clearAll()
{
    SetFileRewrite(m_state.services, m_state.setFilePath)
        .rewrite([](const QByteArray &current) -> std::optional<QByteArray> {
            if (current.isEmpty())
                return std::nullopt;
            return QByteArray();
        });
}

qsizetype SetStore::repair()
{
    qsizetype cut = 0;
    SetFileRewrite(m_state.services, m_state.setFilePath)
        .rewrite([&](const QByteArray &current) -> std::optional<QByteArray> {
            SetFileRecords records(current);
            SetFileRecords::Record record;
            while (records.next(record)) {
            }
            if (!records.cutShort())
                return std::nullopt;
            cut = current.size() - records.wholeEnd();
            return current.left(records.wholeEnd());
        });
    return cut;
}

bool SetStore::undo()
{
    return SetFileRewrite(m_state.services, m_state.setFilePath).undo();
}

namespace {
/// True when `nativePath` is the set file or the one kept beside it: an
/// export must not replace them, nor an import add a file to itself.
bool isTheSetFile(const SetFileRewrite &file, const QString &nativePath)
{
    const QString target = QFileInfo(nativePath).canonicalFilePath();
    if (target.isEmpty())
        return false;
    return target == QFileInfo(file.nativePath()).canonicalFilePath()
           || target == QFileInfo(file.previousPath()).canonicalFilePath()
           || target == QFileInfo(file.markPath()).canonicalFilePath();
}
} // namespace

qsizetype SetStore::exportSets(const QStringList &setNames, const QString &nativePath)
{
    if (isTheSetFile(SetFileRewrite(m_state.services, m_state.setFilePath), nativePath))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    const QSet<QString> wanted(setNames.begin(), setNames.end());
    const QByteArray bytes = SetFileRewrite(m_state.services, m_state.setFilePath).read();
    QByteArray out;
    qsizetype written = 0;
    NamedRecords records(bytes);
    while (records.next())
        if (wanted.contains(records.name())) {
            copyRecord(out, records.record());
            ++written;
        }
    records.requireWhole();
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
    if (isTheSetFile(SetFileRewrite(m_state.services, m_state.setFilePath), nativePath))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    if (!file.open(QIODevice::ReadOnly))
        throwRuntimeError(RuntimeError::PathFileAccessError);
    const QByteArray incoming = file.readAll();

    // The sets of the file in order of their first record; a damaged file is
    // refused whole.
    struct Incoming
    {
        QString name;
        QByteArray bytes;                           ///< its records as they stand
        std::vector<std::array<QString, 3>> fields; ///< map, layer, visibility of each
    };
    std::vector<Incoming> sets;
    QHash<QString, std::size_t> index;
    NamedRecords records(incoming);
    while (records.next()) {
        if (!records.record().wellFormed)
            failDamagedImport(nativePath, records.record().line, damageReason(records.record()));
        auto at = index.constFind(records.name());
        if (at == index.constEnd()) {
            at = index.insert(records.name(), sets.size());
            sets.push_back({records.name(), {}, {}});
        }
        Incoming &set = sets[*at];
        copyRecord(set.bytes, records.record());
        set.fields.push_back({records.text(1), records.text(2), records.text(3)});
    }
    if (records.records().cutShort())
        failDamagedImport(nativePath, records.records().cutShortLine(), QStringLiteral("the file ends inside it"));

    // Clashes are settled before the file is locked: asking may take a user
    // a while, and other writers wait at most a moment for the lock.
    const QStringList before = names();
    const QSet<QString> inUse(before.begin(), before.end());
    QHash<QString, Clash> decisions;
    for (const Incoming &set : sets)
        if (inUse.contains(set.name))
            decisions.insert(set.name, onClash(set.name));

    ImportOutcome outcome;
    SetFileRewrite(m_state.services, m_state.setFilePath)
        .rewrite([&](const QByteArray &current) -> std::optional<QByteArray> {
            outcome = {};
            QSet<QString> present;
            NamedRecords existing(current);
            while (existing.next())
                present.insert(existing.name());
            existing.requireWhole();
            QByteArray out = current;
            if (!out.isEmpty() && !out.endsWith('\n'))
                out.append("\r\n", 2);
            for (const Incoming &set : sets) {
                // A name that came into use since the question was asked merges.
                const Clash clash = present.contains(set.name) ? decisions.value(set.name, Clash::Merge) : Clash::Merge;
                if (!present.contains(set.name) || clash == Clash::Merge) {
                    out.append(set.bytes);
                    outcome.added.append(set.name);
                    present.insert(set.name);
                } else if (clash == Clash::Skip) {
                    outcome.skipped.append(set.name);
                } else {
                    QString name;
                    for (int n = 2; name.isEmpty() || present.contains(name); ++n)
                        name = set.name + QStringLiteral(" (%1)").arg(n);
                    RecordEncoder encoder;
                    for (const auto &fields : set.fields)
                        encoder.append({name, fields[0], fields[1], fields[2]});
                    out.append(encoder.bytes().data(), encoder.bytes().size());
                    outcome.added.append(name);
                    present.insert(name);
                }
            }
            if (outcome.added.isEmpty())
                return std::nullopt;
            return out;
        });
    return outcome;
}

SetStore::CheckReport SetStore::check()
{
    const QByteArray bytes = SetFileRewrite(m_state.services, m_state.setFilePath).read();
    CheckReport report;
    report.bytes = bytes.size();
    QSet<QString> seen;
    NamedRecords records(bytes);
    while (records.next()) {
        ++report.records;
        seen.insert(records.name());
        const SetFileRecords::Record &record = records.record();
        if (!record.wellFormed)
            report.damaged.push_back({record.line, damageReason(record)});
    }
    if (records.records().cutShort())
        report.damaged.push_back({records.records().cutShortLine(), QStringLiteral("the file ends inside the record")});
    report.sets = seen.size();
    return report;
}
