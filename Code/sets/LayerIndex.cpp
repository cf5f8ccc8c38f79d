#include "LayerIndex.h"

#include "IDocument.h"
#include "ILayer.h"
#include "IMap.h"
#include "IMaps.h"
#include "LayerWalk.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace {

/// How many pairs ahead what they will need is brought into the cache.
constexpr std::size_t prefetchDistance = 16;

/// Appends the key of `name` (see LayerIndex::keyOf()) to `out`.
void appendKey(QByteArray &out, QStringView name)
{
    const qsizetype start = out.size();
    const qsizetype count = name.size();
    out.resize(start + count);
    char *to = out.data() + start;
    const QChar *from = name.data();
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = from[i].unicode();
        if (unit >= 0x80) {
            out.truncate(start);
            if (name.isValidUtf16()) {
                out += name.toUtf8();
            } else {
                // No UTF-8 holds 0xFF: the text's own units follow.
                out += '\xFF';
                out.append(reinterpret_cast<const char *>(name.utf16()), int(count * 2));
            }
            return;
        }
        to[i] = char(unit);
    }
}

} // namespace

LayerIndex::LayerIndex(IDocument &document)
{
    // The vectors are sized once from the maps' top-level layer counts (a
    // group counts once there, its members half again is a fair guess): at a
    // million layers, growing them by doubling would copy and fault in twice
    // the memory on every restore.
    std::size_t expected = 0;
    if (const std::shared_ptr<IMaps> maps = document.maps()) {
        const std::int32_t mapCount = maps->count();
        for (std::int32_t m = 0; m < mapCount; ++m)
            if (const std::shared_ptr<IMap> each = maps->item(m))
                expected += std::size_t(std::max(each->layerCount(), 0));
    }
    expected += expected / 2;
    m_pairs.reserve(expected);
    m_layers.reserve(expected);
    m_keys.reserve(qsizetype(expected * 16));

    // First one pair for every layer, in walk order...
    int map = -1;
    LayerWalk::forEachRecordable(
        document,
        [this, &map](IMap &each) {
            const QByteArray key = keyOf(each.name());
            map = m_maps.value(key, -1);
            if (map < 0) {
                map = int(m_maps.size());
                m_maps.insert(key, map);
            }
            return true;
        },
        [&](IMap &, const std::shared_ptr<ILayer> &layer) {
            const auto begin = std::uint32_t(m_keys.size());
            appendKey(m_keys, layer->name());
            const auto end = std::uint32_t(m_keys.size());
            const auto index = std::uint32_t(m_layers.size());
            m_pairs.push_back({map, begin, end, index, index + 1, hashOf(map, keyOfRange(begin, end))});
            m_layers.push_back(layer);
        });

    // ...then each into a table sized once for them all. A pair met before
    // (names repeated in one map, or in maps of one name) makes the pairs
    // distinct ones with their layers grouped.
    std::size_t tableSize = 64;
    while (tableSize < m_pairs.size() * 2)
        tableSize *= 2;
    m_slots.assign(tableSize, Slot{});
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = 0; i < m_pairs.size(); ++i) {
        // The slots are met in no order: those of the pairs a little ahead
        // are brought into the cache while this one is placed.
        if (i + prefetchDistance < m_pairs.size())
            __builtin_prefetch(&m_slots[m_pairs[i + prefetchDistance].hash & mask]);
        const Pair &pair = m_pairs[i];
        if (lookUp(pair.map, keyOfPair(pair), pair.hash) >= 0) {
            groupRepeated();
            return;
        }
        place(int(i));
    }
}

void LayerIndex::groupRepeated()
{
    std::vector<Pair> walked = std::move(m_pairs);
    m_pairs.clear();
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    std::vector<std::int32_t> pairOfLayer(walked.size());
    for (std::size_t i = 0; i < walked.size(); ++i) {
        const Pair &layer = walked[i];
        int pair = lookUp(layer.map, keyOfPair(layer), layer.hash);
        if (pair < 0) {
            pair = int(m_pairs.size());
            m_pairs.push_back({layer.map, layer.keyBegin, layer.keyEnd, 0, 0, layer.hash});
            place(pair);
        }
        ++m_pairs[std::size_t(pair)].endLayer; // counts its layers for now
        pairOfLayer[i] = pair;
    }
    std::uint32_t first = 0;
    for (Pair &pair : m_pairs) {
        const std::uint32_t count = pair.endLayer;
        pair.firstLayer = pair.endLayer = first;
        first += count;
    }
    std::vector<std::shared_ptr<ILayer>> grouped(m_layers.size());
    for (std::size_t i = 0; i < m_layers.size(); ++i)
        grouped[m_pairs[std::size_t(pairOfLayer[i])].endLayer++] = std::move(m_layers[i]);
    m_layers = std::move(grouped);
}

std::shared_ptr<LayerIndex> LayerIndex::keptWith(IDocument &document)
{
    if (auto kept = std::static_pointer_cast<LayerIndex>(document.keptForLayers()))
        return kept;
    auto index = std::make_shared<LayerIndex>(document);
    document.keepForLayers(index);
    return index;
}

QByteArray LayerIndex::keyOf(QStringView name)
{
    QByteArray key;
    appendKey(key, name);
    return key;
}

int LayerIndex::mapOf(QByteArrayView mapKey) const
{
    return m_maps.value(mapKey.toByteArray(), -1);
}

int LayerIndex::find(int map, QByteArrayView layerKey)
{
    if (map < 0)
        return -1;
    int found = -1;
    if (std::size_t(m_next) < m_pairs.size() && m_pairs[std::size_t(m_next)].map == map
        && keyOfPair(m_pairs[std::size_t(m_next)]) == layerKey)
        found = m_next;
    else
        found = lookUp(map, layerKey, hashOf(map, layerKey));
    if (found >= 0) {
        m_next = found + 1;
        // The layers a few records on are asked for next: their objects are
        // brought into the cache ahead, which a large document would
        // otherwise wait for on every record.
        const std::size_t ahead = std::size_t(found) + prefetchDistance;
        if (ahead < m_pairs.size())
            __builtin_prefetch(m_layers[m_pairs[ahead].firstLayer].get());
    }
    return found;
}

std::size_t LayerIndex::hashOf(int map, QByteArrayView layerKey)
{
    const std::size_t bytes =
        std::hash<std::string_view>()(std::string_view(layerKey.data(), std::size_t(layerKey.size())));
    return bytes ^ (std::size_t(map) * 0x9E3779B97F4A7C15u);
}

int LayerIndex::lookUp(int map, QByteArrayView layerKey, std::size_t hash) const
{
    if (m_slots.empty())
        return -1;
    const std::size_t mask = m_slots.size() - 1;
    const std::uint32_t tag = tagOf(hash);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const Slot held = m_slots[slot];
        if (held.pair == 0)
            return -1;
        if (held.tag != tag)
            continue;
        const Pair &pair = m_pairs[held.pair - 1];
        if (pair.map == map && keyOfPair(pair) == layerKey)
            return int(held.pair - 1);
    }
}

void LayerIndex::place(int pair)
{
    const std::size_t hash = m_pairs[std::size_t(pair)].hash;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    while (m_slots[slot].pair != 0)
        slot = (slot + 1) & mask;
    m_slots[slot] = {std::uint32_t(pair + 1), tagOf(hash)};
}
