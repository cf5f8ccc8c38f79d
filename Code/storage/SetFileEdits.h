#pragma once

#include "FileSplice.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

struct VisibilityRecord;

#include <array>
#include <functional>
#include <optional>
#include <vector>

/// The edits of the visibility-set file's bytes behind every whole-file
/// change, export, import and check: plain functions from the file as it is
/// to what it becomes, with no file, lock or window. Records left alone keep
/// their bytes, line ends and all. An edit with nothing to do returns
/// nothing; bytes that end inside a record are refused (error 62) by every
/// edit but cutDamagedTail(). SetFileRewrite applies them under the lock.
namespace SetFileEdits {

/// The set names in file order, each once.
QStringList setNames(const QByteArray &file);

/// Hands on every record in file order, decoded; a damaged tail is passed over.
void visitRecords(const QByteArray &file, const std::function<void(const VisibilityRecord &)> &onRecord);

/// What renaming found.
struct Renamed
{
    std::optional<FileSplice> bytes; ///< the new file, when it changes
    bool found = false;              ///< there is a set `from`
    bool nameInUse = false;          ///< another set is called `to` already
};
/// Set `from` renamed to `to`; onto a name in use only when
/// `mergeIntoNameInUse` (the two sets then become one, file order kept).
Renamed renameSet(const QByteArray &file, const QString &from, const QString &to, bool mergeIntoNameInUse);

/// The file without the records of the sets named; `removed` counts them.
std::optional<FileSplice> withoutSets(const QByteArray &file, const QSet<QString> &setNames, qsizetype &removed);

/// The records of `setName` replaced by `records` (whole encoded records),
/// where the set's first record stood.
std::optional<FileSplice> replaceSet(const QByteArray &file, const QString &setName, const QByteArray &records);

/// One layer as an edited set records it.
struct LayerFlag
{
    QString mapName;
    QString layerName;
    bool visible = false;

    bool operator==(const LayerFlag &) const = default;
};
/// The layers set `setName` records, each once with the flag of its last
/// record, in the order of their first records; empty when there is no such
/// set. A damaged tail is passed over.
std::vector<LayerFlag> layerFlags(const QByteArray &file, const QString &setName);
/// The same for the records of one set that `visit` hands on in order,
/// wherever they are kept.
std::vector<LayerFlag>
layerFlagsOf(const std::function<void(const std::function<void(const VisibilityRecord &)> &)> &visit);

/// How a layer's record in a set changed: its flag before and now (nothing
/// where the set did not record it).
struct LayerChange
{
    QString mapName;
    QString layerName;
    std::optional<bool> before;
    std::optional<bool> now;
};
/// The layers whose flag differs between two readings of a set, or that
/// only one of them records, in the order of `before` and then of `now`.
std::vector<LayerChange> changesBetween(const std::vector<LayerFlag> &before, const std::vector<LayerFlag> &now);

/// The records of `setName` replaced by one record for each of `layers`, in
/// their order, where the set's first record stood. A layer whose last record
/// in the set is whole and carries the same flag keeps that record's bytes.
/// `found` tells whether there is such a set; nothing is returned when there
/// is none or the bytes would stay as they are.
std::optional<FileSplice> editSet(const QByteArray &file, const QString &setName, const std::vector<LayerFlag> &layers,
                                  bool &found);

/// The file cut back to the end of its last whole record; `cut` tells how
/// many bytes went.
std::optional<QByteArray> cutDamagedTail(const QByteArray &file, qsizetype &cut);

/// The records of the sets named, in file order, as a set file of their
/// own; `count` tells how many.
QByteArray selectSets(const QByteArray &file, const QSet<QString> &setNames, qsizetype &count);

/// What to do with an imported set whose name is in use already.
enum class Clash {
    Merge, ///< append its records to the set of that name
    Skip,  ///< leave it out
    Rename ///< add it under the first free name "NAME (2)", "NAME (3)", ...
};

/// One set of a file to import.
struct ImportedSet
{
    QString name;
    QByteArray bytes;                           ///< its records as they stand
    std::vector<std::array<QString, 3>> fields; ///< map, layer, visibility of each
};
/// The sets of a file to import, in order of their first record. A damaged
/// record refuses the file whole, with a report naming `source` and the
/// record's line.
std::vector<ImportedSet> readImport(const QByteArray &file, const QString &source);

struct ImportOutcome
{
    QStringList added;   ///< the names the imported sets have in the file now
    QStringList skipped; ///< the imported names left out
};
/// The name each imported set takes beside the names `present` (empty: left
/// out), each name in use settled as `decisions` says (a name missing there
/// merges); `outcome` lists them.
std::vector<QString> importedNames(QSet<QString> present, const std::vector<ImportedSet> &sets,
                                   const QHash<QString, Clash> &decisions, ImportOutcome &outcome);
/// The file with the imported sets added after its records, each name in
/// use settled as `decisions` says (a name missing there merges).
std::optional<QByteArray> addSets(const QByteArray &file, const std::vector<ImportedSet> &sets,
                                  const QHash<QString, Clash> &decisions, ImportOutcome &outcome);

/// A damaged or cut-short record.
struct Damage
{
    qsizetype line;
    QString reason;
};
struct CheckReport
{
    qsizetype records = 0;
    qsizetype sets = 0;
    qsizetype bytes = 0;
    std::vector<Damage> damaged;
};
/// The file's records, sets and bytes, and each damaged or cut-short record
/// with its line.
CheckReport check(const QByteArray &file);

} // namespace SetFileEdits
