#include "VisibilitySetFile.h"

#include "FileChannel.h"

#include <QSet>
#include <QStringList>

namespace VisibilitySetFile {

QString visibilityText(bool visible) { return visible ? QStringLiteral("True") : QStringLiteral("False"); }

void writeRecord(FileChannel &channel, const QString &setName, const QString &mapName, const QString &layerName,
                 bool visible)
{
    channel.writeRecord({setName, mapName, layerName, visibilityText(visible)});
}

void listSetNames(FileChannel &channel, const std::function<void(const QString &)> &onNewName)
{
    QSet<QString> seen;
    while (!channel.atEnd()) {
        const QString name = channel.readField();
        if (!seen.contains(name)) {
            seen.insert(name);
            onNewName(name);
        }
        for (int field = 2; field <= 4; ++field)
            channel.readField();
    }
}

void selectSet(FileChannel &channel, const QString &setName,
               const std::function<void(const VisibilityRecord &)> &onRecord)
{
    while (!channel.atEnd()) {
        VisibilityRecord record;
        record.setName = channel.readField();
        record.mapName = channel.readField();
        record.layerName = channel.readField();
        record.visibility = channel.readField();
        if (record.setName == setName)
            onRecord(record);
    }
}

} // namespace VisibilitySetFile
