#pragma once

#include "QtCompat.h"

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

/// A record of a set as its map, layer and visibility fields stand in the
/// file (FileChannel::readRawField()), for a reader that can compare them
/// without decoding them. Valid only during the call that hands it on.
struct RawVisibilityRecord
{
    QByteArrayView mapName;
    QByteArrayView layerName;
    QByteArrayView visibility;
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
/// selectSet() for a reader that can use the fields' bytes: the records read
/// the fast way (every field quoted and at hand in the channel's buffer) go
/// to onRaw undecoded, together with the channel that decodes them
/// (FileChannel::fieldText()); the others go to onRecord as text. Both in
/// file order.
void selectSetRaw(FileChannel &channel, const QString &setName,
                  const std::function<void(const RawVisibilityRecord &, FileChannel &)> &onRaw,
                  const std::function<void(const VisibilityRecord &)> &onRecord);
} // namespace VisibilitySetFile
