#pragma once

#include <QString>

#include <functional>

class FileChannel;

/// One line of the visibility-set file: for one named set, whether one
/// feature layer of one map was visible when the set was saved.
struct VisibilityRecord
{
    QString setName;
    QString mapName;
    QString layerName;
    QString visibility; ///< "True" or "False" as written; only exactly "True" means visible.

    bool isVisible() const { return visibility == QLatin1String("True"); }
};

/// Reading and writing visibility records on a file channel. The channel is
/// opened and closed by the caller; failures throw HostError and what was
/// handed on before a failure stays handed on.
namespace VisibilitySetFile {
/// The visibility field as written: "True" or "False".
QString visibilityText(bool visible);

/// Appends one record to a channel open for appending.
void writeRecord(FileChannel &channel, const QString &setName, const QString &mapName, const QString &layerName,
                 bool visible);

/// Reads the channel (open for input) to its end and calls onNewName with
/// each distinct set name (exact comparison) as soon as its first field has
/// been read, before the rest of its record. A record cut short still
/// reports its name, then throws.
void listSetNames(FileChannel &channel, const std::function<void(const QString &)> &onNewName);

/// Reads the channel to its end and calls onRecord, in file order, with every
/// whole record whose set name equals setName exactly. A record cut short
/// throws after the earlier records were handed on.
void selectSet(FileChannel &channel, const QString &setName,
               const std::function<void(const VisibilityRecord &)> &onRecord);
} // namespace VisibilitySetFile
