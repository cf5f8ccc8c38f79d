#include "VisibilitySetFile.h"

#include "FileChannel.h"
#include "RecordScanner.h"
#include "VectorState.h"

#include <QSet>
#include <QStringList>

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace VisibilitySetFile {

QString visibilityText(bool visible)
{
    return visible ? QStringLiteral("True") : QStringLiteral("False");
}

void writeRecord(FileChannel &channel, const QString &setName, const QString &mapName, const QString &layerName,
                 bool visible)
{
    channel.writeRecord({setName, mapName, layerName, visibilityText(visible)});
}

// A file holds blocks of records saved under one name, so the first field of
// a record is mostly the same bytes as the one before, and otherwise bytes
// met before: such a record is known without decoding. Fields that are not
// needed are passed over undecoded. Equal bytes always read as equal text.

namespace {

/// Set name, map name, layer name, visibility.
constexpr int fieldsPerRecord = 4;

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
        m_raw.resize(raw.size());
        if (!raw.isEmpty())
            std::memcpy(m_raw.data(), raw.data(), size_t(raw.size()));
        m_seen = true;
        return true;
    }

    /// Passes over the records that follow with the same first field, as
    /// far as they are at hand in the channel's buffer: a record of four
    /// quoted fields is mostly passed over with one look at its quotes.
    void skipSame(FileChannel &channel)
    {
        if (m_seen)
            channel.scanner().skipRawRecords<fieldsPerRecord>(QByteArrayView(m_raw));
    }

private:
    QByteArray m_raw;
    bool m_seen = false;
};

std::string_view bytesOf(QByteArrayView raw)
{
    return std::string_view(raw.data(), size_t(raw.size()));
}

/// Hashes field bytes kept as strings and looked up as views.
struct BytesHash
{
    using is_transparent = void;
    size_t operator()(std::string_view bytes) const noexcept { return std::hash<std::string_view>()(bytes); }
};

/// First fields met so far, as they stood in the file.
using BytesSet = std::unordered_set<std::string, BytesHash, std::equal_to<>>;
/// The same, each with a value.
template <typename Value> using ByBytes = std::unordered_map<std::string, Value, BytesHash, std::equal_to<>>;

} // namespace

void listSetNames(FileChannel &channel, const std::function<void(const QString &)> &onNewName)
{
    VectorState::settle();
    channel.scanner().readRecordsOf(fieldsPerRecord);
    BytesSet seenBytes;
    QSet<QString> seen;
    PreviousName previous;
    auto take = [&](QByteArrayView raw) {
        if (!previous.changedTo(raw) || seenBytes.find(bytesOf(raw)) != seenBytes.end())
            return;
        seenBytes.emplace(bytesOf(raw));
        // Other bytes may still read as a name met before (another encoding).
        const QString name = channel.fieldText(raw);
        const qsizetype before = seen.size();
        seen.insert(name);
        if (seen.size() != before)
            onNewName(name);
        VectorState::settle();
    };
    QByteArrayView fields[fieldsPerRecord];
    for (;;) {
        previous.skipSame(channel);
        if (channel.tryReadRawFields(fields, fieldsPerRecord)) {
            take(fields[0]);
            continue;
        }
        if (channel.atEnd())
            break;
        take(channel.readRawField());
        for (int field = 2; field <= fieldsPerRecord; ++field)
            channel.readRawField();
    }
}

void selectSet(FileChannel &channel, const QString &setName,
               const std::function<void(const VisibilityRecord &)> &onRecord)
{
    selectSetRaw(
        channel, setName,
        [&](const RawVisibilityRecord &raw, FileChannel &) {
            VisibilityRecord record;
            record.setName = setName;
            record.mapName = channel.fieldText(raw.mapName);
            record.layerName = channel.fieldText(raw.layerName);
            record.visibility = channel.fieldText(raw.visibility);
            onRecord(record);
        },
        onRecord);
}

void selectSetRaw(FileChannel &channel, const QString &setName,
                  const std::function<void(const RawVisibilityRecord &, FileChannel &)> &onRaw,
                  const std::function<void(const VisibilityRecord &)> &onRecord)
{
    VectorState::settle();
    channel.scanner().readRecordsOf(fieldsPerRecord);
    ByBytes<bool> belongsByBytes;
    PreviousName previous;
    bool belongs = false;
    auto judge = [&](QByteArrayView raw) {
        if (!previous.changedTo(raw))
            return;
        const auto known = belongsByBytes.find(bytesOf(raw));
        if (known != belongsByBytes.end()) {
            belongs = known->second;
            return;
        }
        belongs = channel.fieldText(raw) == setName;
        belongsByBytes.emplace(bytesOf(raw), belongs);
    };
    QByteArrayView fields[fieldsPerRecord];
    for (;;) {
        if (!belongs)
            previous.skipSame(channel);
        if (channel.tryReadRawFields(fields, fieldsPerRecord)) {
            judge(fields[0]);
            if (belongs) {
                onRaw({fields[1], fields[2], fields[3]}, channel);
                VectorState::settle();
            }
            continue;
        }
        if (channel.atEnd())
            break;
        judge(channel.readRawField());
        if (!belongs) {
            for (int field = 2; field <= fieldsPerRecord; ++field)
                channel.readRawField();
            continue;
        }
        VisibilityRecord record;
        record.setName = setName;
        record.mapName = channel.readField();
        record.layerName = channel.readField();
        record.visibility = channel.readField();
        onRecord(record);
        VectorState::settle();
    }
}

} // namespace VisibilitySetFile
