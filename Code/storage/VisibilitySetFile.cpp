#include "VisibilitySetFile.h"

#include "FileChannel.h"

#include <QSet>
#include <QStringList>

#include <cstring>

namespace VisibilitySetFile {

QString visibilityText(bool visible) { return visible ? QStringLiteral("True") : QStringLiteral("False"); }

void writeRecord(FileChannel &channel, const QString &setName, const QString &mapName, const QString &layerName,
                 bool visible)
{
    channel.writeRecord({setName, mapName, layerName, visibilityText(visible)});
}

// A file holds blocks of records saved under one name, so the first field of
// a record is mostly the same bytes as the one before: such a record is known
// without decoding. Fields that are not needed are skipped undecoded.

namespace {

/// The first field of the record before, as it stood in the file.
class PreviousName
{
public:
    /// True when `raw` differs from the previous record's first field; it
    /// then becomes the previous one.
    bool changedTo(QByteArrayView raw)
    {
        if (m_seen && raw.size() == m_raw.size() && std::memcmp(raw.data(), m_raw.constData(), size_t(raw.size())) == 0)
            return false;
        m_raw = raw.toByteArray();
        m_seen = true;
        return true;
    }

private:
    QByteArray m_raw;
    bool m_seen = false;
};

} // namespace

void listSetNames(FileChannel &channel, const std::function<void(const QString &)> &onNewName)
{
    QSet<QString> seen;
    PreviousName previous;
    auto take = [&](QByteArrayView raw) {
        if (!previous.changedTo(raw))
            return;
        const QString name = channel.fieldText(raw);
        if (!seen.contains(name)) {
            seen.insert(name);
            onNewName(name);
        }
    };
    QByteArrayView fields[4];
    for (;;) {
        if (channel.tryReadRawFields(fields, 4)) {
            take(fields[0]);
            continue;
        }
        if (channel.atEnd())
            break;
        take(channel.readRawField());
        for (int field = 2; field <= 4; ++field)
            channel.readRawField();
    }
}

void selectSet(FileChannel &channel, const QString &setName,
               const std::function<void(const VisibilityRecord &)> &onRecord)
{
    PreviousName previous;
    bool belongs = false;
    QByteArrayView fields[4];
    for (;;) {
        if (channel.tryReadRawFields(fields, 4)) {
            if (previous.changedTo(fields[0]))
                belongs = channel.fieldText(fields[0]) == setName;
            if (belongs) {
                VisibilityRecord record;
                record.setName = setName;
                record.mapName = channel.fieldText(fields[1]);
                record.layerName = channel.fieldText(fields[2]);
                record.visibility = channel.fieldText(fields[3]);
                onRecord(record);
            }
            continue;
        }
        if (channel.atEnd())
            break;
        const QByteArrayView raw = channel.readRawField();
        if (previous.changedTo(raw))
            belongs = channel.fieldText(raw) == setName;
        if (!belongs) {
            for (int field = 2; field <= 4; ++field)
                channel.readRawField();
            continue;
        }
        VisibilityRecord record;
        record.setName = setName;
        record.mapName = channel.readField();
        record.layerName = channel.readField();
        record.visibility = channel.readField();
        onRecord(record);
    }
}

} // namespace VisibilitySetFile
