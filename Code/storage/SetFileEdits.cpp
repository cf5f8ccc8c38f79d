#include "SetFileEdits.h"

#include "NamedRecords.h"
#include "RecordEncoder.h"
#include "RuntimeError.h"
#include "SetFileRecords.h"
#include "VisibilitySetFile.h"

#include <QDir>

namespace {

/// Why a record read as damaged, in a person's words.
QString damageReason(const SetFileRecords::Record &record)
{
    if (record.shape == RecordScanner::RecordShape::Long)
        return QStringLiteral("more than four fields on the line");
    if (record.shape == RecordScanner::RecordShape::Short)
        return QStringLiteral("fewer than four fields on the line");
    return QStringLiteral("the visibility is neither True nor False");
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

/// The new version of a file in which most records stay as they are: runs
/// of records left alone are kept in one piece, line ends and all, and
/// written straight from the bytes read.
class Rewritten
{
public:
    /// `data` are the records of `file` (after any byte-order mark, which the
    /// new version leaves out).
    Rewritten(const QByteArray &file, QByteArrayView data) : m_data(data), m_base(data.data() - file.constData()) {}

    /// Everything up to `record` is kept; the record itself is not.
    void skip(const SetFileRecords::Record &record)
    {
        m_out.keep(m_base + m_kept, record.begin - m_kept);
        m_kept = record.end;
    }
    /// Bytes written in place of what skip() left out.
    void append(QByteArrayView bytes) { m_out.append(bytes); }
    /// The new version, with everything after the last record skipped.
    FileSplice finish()
    {
        m_out.keep(m_base + m_kept, m_data.size() - m_kept);
        return std::move(m_out);
    }

private:
    QByteArrayView m_data;
    qsizetype m_base;
    qsizetype m_kept = 0;
    FileSplice m_out;
};

/// Appends a record's bytes as they stand, with its line end.
void copyRecord(QByteArray &out, const SetFileRecords::Record &record)
{
    out.append(record.bytes.data(), record.bytes.size());
    out.append("\r\n", 2);
}

/// The bytes of a record under another set name, its other fields as they
/// read, encoded by `encoder` (kept from record to record).
QByteArrayView renamedRecord(RecordEncoder &encoder, NamedRecords &records, const QString &setName)
{
    encoder.clear();
    const QString map = records.text(1);
    const QString layer = records.text(2);
    const QString visibility = records.text(3);
    encoder.append({setName, map, layer, visibility});
    return encoder.bytes();
}

} // namespace

namespace SetFileEdits {

QStringList setNames(const QByteArray &file)
{
    NamedRecords records(file);
    QStringList found;
    QSet<QString> seen;
    while (records.next())
        if (!seen.contains(records.name())) {
            seen.insert(records.name());
            found.append(records.name());
        }
    return found;
}

void visitRecords(const QByteArray &file, const std::function<void(const VisibilityRecord &)> &onRecord)
{
    NamedRecords records(file);
    VisibilityRecord record;
    while (records.next()) {
        record.setName = records.name();
        record.mapName = records.text(1);
        record.layerName = records.text(2);
        record.visibility = records.text(3);
        onRecord(record);
    }
}

Renamed renameSet(const QByteArray &file, const QString &from, const QString &to, bool mergeIntoNameInUse)
{
    Renamed outcome;
    NamedRecords records(file);
    Rewritten out(file, records.records().data());
    RecordEncoder encoder;
    bool renaming = false;
    while (records.next()) {
        if (records.nameChanged()) {
            renaming = records.name() == from;
            outcome.nameInUse = outcome.nameInUse || (records.name() == to && !renaming);
        }
        if (!renaming) {
            records.skipSameName();
            continue;
        }
        outcome.found = true;
        out.skip(records.record());
        out.append(renamedRecord(encoder, records, to));
    }
    records.requireWhole();
    if (outcome.found && from != to && (mergeIntoNameInUse || !outcome.nameInUse))
        outcome.bytes = out.finish();
    return outcome;
}

std::optional<FileSplice> withoutSets(const QByteArray &file, const QSet<QString> &setNames, qsizetype &removed)
{
    removed = 0;
    NamedRecords records(file);
    Rewritten out(file, records.records().data());
    bool going = false;
    while (records.next()) {
        if (records.nameChanged())
            going = setNames.contains(records.name());
        if (!going) {
            records.skipSameName();
            continue;
        }
        ++removed;
        out.skip(records.record());
    }
    records.requireWhole();
    if (removed == 0)
        return std::nullopt;
    return out.finish();
}

std::optional<FileSplice> replaceSet(const QByteArray &file, const QString &setName, const QByteArray &replacement)
{
    NamedRecords records(file);
    Rewritten out(file, records.records().data());
    bool replacing = false;
    bool found = false;
    while (records.next()) {
        if (records.nameChanged())
            replacing = records.name() == setName;
        if (!replacing)
            continue;
        out.skip(records.record());
        if (!found)
            out.append(replacement);
        found = true;
    }
    records.requireWhole();
    if (!found)
        return std::nullopt;
    return out.finish();
}

std::vector<LayerFlag> layerFlags(const QByteArray &file, const QString &setName)
{
    return layerFlagsOf([&](const std::function<void(const VisibilityRecord &)> &onRecord) {
        visitRecords(file, [&](const VisibilityRecord &record) {
            if (record.setName == setName)
                onRecord(record);
        });
    });
}

std::vector<LayerFlag>
layerFlagsOf(const std::function<void(const std::function<void(const VisibilityRecord &)> &)> &visit)
{
    std::vector<LayerFlag> flags;
    QHash<std::pair<QString, QString>, std::size_t> at;
    visit([&](const VisibilityRecord &record) {
        const std::pair<QString, QString> key{record.mapName, record.layerName};
        const auto found = at.constFind(key);
        if (found != at.constEnd()) {
            flags[*found].visible = record.isVisible();
            return;
        }
        at.insert(key, flags.size());
        flags.push_back({record.mapName, record.layerName, record.isVisible()});
    });
    return flags;
}

std::vector<LayerChange> changesBetween(const std::vector<LayerFlag> &before, const std::vector<LayerFlag> &now)
{
    QHash<std::pair<QString, QString>, bool> nowFlags;
    for (const LayerFlag &layer : now)
        nowFlags.insert({layer.mapName, layer.layerName}, layer.visible);
    QSet<std::pair<QString, QString>> seen;
    std::vector<LayerChange> changes;
    for (const LayerFlag &layer : before) {
        const std::pair<QString, QString> key{layer.mapName, layer.layerName};
        seen.insert(key);
        const auto found = nowFlags.constFind(key);
        if (found == nowFlags.constEnd())
            changes.push_back({layer.mapName, layer.layerName, layer.visible, std::nullopt});
        else if (*found != layer.visible)
            changes.push_back({layer.mapName, layer.layerName, layer.visible, *found});
    }
    for (const LayerFlag &layer : now)
        if (!seen.contains({layer.mapName, layer.layerName}))
            changes.push_back({layer.mapName, layer.layerName, std::nullopt, layer.visible});
    return changes;
}

std::optional<FileSplice> editSet(const QByteArray &file, const QString &setName, const std::vector<LayerFlag> &layers,
                                  bool &found)
{
    // The last whole record of each layer the set records, to keep the
    // bytes of a layer the edit leaves as it was.
    struct Kept
    {
        QByteArrayView bytes;
        bool visible = false;
    };
    QHash<std::pair<QString, QString>, Kept> kept;
    found = false;
    NamedRecords records(file);
    bool inSet = false;
    while (records.next()) {
        if (records.nameChanged())
            inSet = records.name() == setName;
        if (!inSet)
            continue;
        found = true;
        const std::pair<QString, QString> key{records.text(1), records.text(2)};
        if (records.record().wellFormed)
            kept.insert(key, {records.record().bytes, records.text(3) == QLatin1String("True")});
        else
            kept.remove(key);
    }
    records.requireWhole();
    if (!found)
        return std::nullopt;

    QByteArray replacement;
    RecordEncoder encoder;
    for (const LayerFlag &layer : layers) {
        const auto same = kept.constFind({layer.mapName, layer.layerName});
        if (same != kept.constEnd() && same->visible == layer.visible) {
            replacement.append(same->bytes.data(), same->bytes.size());
            replacement.append("\r\n", 2);
            continue;
        }
        encoder.append({setName, layer.mapName, layer.layerName, VisibilitySetFile::visibilityText(layer.visible)});
        replacement.append(encoder.bytes().data(), encoder.bytes().size());
        encoder.clear();
    }
    std::optional<FileSplice> edited = replaceSet(file, setName, replacement);
    // Whole only when it may be the same bytes.
    if (edited && edited->size() == file.size() && edited->bytes(file) == file)
        return std::nullopt;
    return edited;
}

std::optional<QByteArray> cutDamagedTail(const QByteArray &file, qsizetype &cut)
{
    cut = 0;
    SetFileRecords records(file);
    SetFileRecords::Record record;
    while (records.next(record)) {
    }
    if (!records.cutShort())
        return std::nullopt;
    cut = file.size() - records.wholeEnd();
    return file.left(records.wholeEnd());
}

QByteArray selectSets(const QByteArray &file, const QSet<QString> &setNames, qsizetype &count)
{
    count = 0;
    QByteArray out;
    NamedRecords records(file);
    while (records.next())
        if (setNames.contains(records.name())) {
            copyRecord(out, records.record());
            ++count;
        }
    records.requireWhole();
    return out;
}

std::vector<ImportedSet> readImport(const QByteArray &file, const QString &source)
{
    std::vector<ImportedSet> sets;
    QHash<QString, std::size_t> index;
    NamedRecords records(file);
    while (records.next()) {
        if (!records.record().wellFormed)
            failDamagedImport(source, records.records().lineOf(records.record()), damageReason(records.record()));
        auto at = index.constFind(records.name());
        if (at == index.constEnd()) {
            at = index.insert(records.name(), sets.size());
            sets.push_back({records.name(), {}, {}});
        }
        ImportedSet &set = sets[*at];
        copyRecord(set.bytes, records.record());
        set.fields.push_back({records.text(1), records.text(2), records.text(3)});
    }
    if (records.records().cutShort())
        failDamagedImport(source, records.records().cutShortLine(), QStringLiteral("the file ends inside it"));
    return sets;
}

std::vector<QString> importedNames(QSet<QString> present, const std::vector<ImportedSet> &sets,
                                   const QHash<QString, Clash> &decisions, ImportOutcome &outcome)
{
    outcome = {};
    std::vector<QString> names;
    for (const ImportedSet &set : sets) {
        // A name that came into use since the question was asked merges.
        const Clash clash = present.contains(set.name) ? decisions.value(set.name, Clash::Merge) : Clash::Merge;
        QString name;
        if (!present.contains(set.name) || clash == Clash::Merge) {
            name = set.name;
        } else if (clash == Clash::Skip) {
            outcome.skipped.append(set.name);
        } else {
            for (int n = 2; name.isEmpty() || present.contains(name); ++n)
                name = set.name + QStringLiteral(" (%1)").arg(n);
        }
        if (!name.isEmpty()) {
            outcome.added.append(name);
            present.insert(name);
        }
        names.push_back(name);
    }
    return names;
}

std::optional<QByteArray> addSets(const QByteArray &file, const std::vector<ImportedSet> &sets,
                                  const QHash<QString, Clash> &decisions, ImportOutcome &outcome)
{
    QSet<QString> present;
    NamedRecords existing(file);
    while (existing.next())
        present.insert(existing.name());
    existing.requireWhole();
    const std::vector<QString> names = importedNames(present, sets, decisions, outcome);
    QByteArray out = file;
    if (!out.isEmpty() && !out.endsWith('\n'))
        out.append("\r\n", 2);
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const ImportedSet &set = sets[i];
        if (names[i].isEmpty())
            continue;
        if (names[i] == set.name) {
            out.append(set.bytes);
            continue;
        }
        RecordEncoder encoder;
        for (const auto &fields : set.fields)
            encoder.append({names[i], fields[0], fields[1], fields[2]});
        out.append(encoder.bytes().data(), encoder.bytes().size());
    }
    if (outcome.added.isEmpty())
        return std::nullopt;
    return out;
}

CheckReport check(const QByteArray &file)
{
    CheckReport report;
    report.bytes = file.size();
    QSet<QString> seen;
    NamedRecords records(file);
    while (records.next()) {
        ++report.records;
        seen.insert(records.name());
        const SetFileRecords::Record &record = records.record();
        if (!record.wellFormed)
            report.damaged.push_back({records.records().lineOf(record), damageReason(record)});
    }
    if (records.records().cutShort())
        report.damaged.push_back({records.records().cutShortLine(), QStringLiteral("the file ends inside the record")});
    report.sets = seen.size();
    return report;
}

} // namespace SetFileEdits
