#include "SetStanding.h"

#include "NamedRecords.h"
#include "RecordEncoder.h"
#include "VisibilityCapture.h"

#include <QStringList>

#include <unordered_set>

VisibilitySnapshot VisibilitySnapshot::of(IDocument &document)
{
    // The same walk as a save's: the flags are judged as a save would record them.
    VisibilitySnapshot snapshot;
    captureVisibility(document, [&snapshot](const QString &mapName, const QString &layerName, bool visible) {
        const std::pair<QString, QString> key{mapName, layerName};
        auto at = snapshot.m_byName.constFind(key);
        if (at == snapshot.m_byName.constEnd()) {
            at = snapshot.m_byName.insert(key, int(snapshot.m_layers.size()));
            snapshot.m_layers.push_back({mapName, layerName, {true, true}});
        }
        Shown &shown = snapshot.m_layers[std::size_t(*at)].shown;
        shown.allVisible = shown.allVisible && visible;
        shown.allHidden = shown.allHidden && !visible;
    });
    return snapshot;
}

int VisibilitySnapshot::find(const QString &mapName, const QString &layerName) const
{
    return m_byName.value({mapName, layerName}, -1);
}

int VisibilitySnapshot::findWritten(std::string_view mapAndLayer) const
{
    if (m_byBytes.empty() && !m_layers.empty()) {
        // The bytes a record names each layer with: "MAP","LAYER" between
        // the first comma and the third. Made on first use, by the thread
        // that judges, not by the one that took the snapshot.
        RecordEncoder written;
        for (std::size_t index = 0; index < m_layers.size(); ++index) {
            written.clear();
            written.append({QString(), m_layers[index].mapName, m_layers[index].layerName, QString()});
            const std::string_view bytes(written.bytes().data(), std::size_t(written.bytes().size()));
            const std::size_t from = bytes.find(',') + 1;
            m_byBytes.emplace(std::string(bytes.substr(from, bytes.rfind(',') - from)), int(index));
        }
    }
    const auto found = m_byBytes.find(mapAndLayer);
    return found == m_byBytes.end() ? -1 : found->second;
}

QString SetStanding::describe() const
{
    if (present == 0)
        return QStringLiteral("None of its layers is in this document");
    if (differences.empty())
        return QStringLiteral("Matches the layers shown now");
    constexpr std::size_t named = 3;
    QStringList parts;
    for (std::size_t i = 0; i < differences.size() && i < named; ++i)
        parts << differences[i].layerName
                     + (differences[i].recorded ? QStringLiteral(" is off") : QStringLiteral(" is on"));
    if (differences.size() > named)
        parts << QStringLiteral("…");
    const QString count = differences.size() == 1 ? QStringLiteral("1 layer differs")
                                                  : QStringLiteral("%1 layers differ").arg(differences.size());
    return count + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QHash<QString, SetStanding> judgeSets(const QByteArray &file, const VisibilitySnapshot &now,
                                      const std::atomic_bool *cancelled)
{
    // Only the layers the document has count; each record's map and layer
    // are looked up by their bytes as the add-in writes them, and decoded
    // only when written otherwise (by hand, by the earlier version). Bytes
    // that name no layer of the document are remembered as such.
    struct Recorded
    {
        std::vector<int> order;   ///< the document's layers, by first record
        std::vector<qint8> flags; ///< per layer of the document: -1 none, else the last record's flag
    };
    const std::size_t layerCount = now.layers().size();
    QHash<QString, Recorded> sets;
    std::unordered_set<std::string_view> absent;
    NamedRecords records(file);
    Recorded *set = nullptr;
    for (std::uint32_t seen = 0; records.next(); ++seen) {
        if ((seen & 0xfff) == 0 && cancelled && cancelled->load(std::memory_order_relaxed))
            return {};
        const SetFileRecords::Record &record = records.record();
        if (records.nameChanged() || !set) {
            set = &sets[records.name()];
            if (set->flags.empty())
                set->flags.assign(layerCount, -1);
        }
        const QByteArrayView map = record.fields[1];
        const QByteArrayView layer = record.fields[2];
        const std::string_view written(map.data(), std::size_t(layer.data() + layer.size() - map.data()));
        int index = now.findWritten(written);
        if (index < 0) {
            if (absent.count(written))
                continue;
            index = now.find(records.text(1), records.text(2));
            if (index < 0) {
                absent.insert(written);
                continue;
            }
        }
        const QByteArrayView visibility = record.fields[3];
        const bool visible =
            visibility == "\"True\"" || visibility == "True"
            || (visibility != "\"False\"" && visibility != "False" && records.text(3) == QLatin1String("True"));
        qint8 &flag = set->flags[std::size_t(index)];
        if (flag < 0)
            set->order.push_back(index);
        flag = visible ? 1 : 0;
    }
    QHash<QString, SetStanding> standings;
    for (auto it = sets.cbegin(); it != sets.cend(); ++it) {
        SetStanding &standing = standings[it.key()];
        for (const int index : it->order) {
            const VisibilitySnapshot::Layer &layer = now.layers()[std::size_t(index)];
            ++standing.present;
            const bool recorded = it->flags[std::size_t(index)] == 1;
            if (recorded ? !layer.shown.allVisible : !layer.shown.allHidden)
                standing.differences.push_back({layer.mapName, layer.layerName, recorded});
        }
    }
    return standings;
}
