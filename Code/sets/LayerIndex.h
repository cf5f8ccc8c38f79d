#pragma once

#include "QtCompat.h"

#include <QByteArray>
#include <QHash>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class IDocument;
class ILayer;

/// The recordable feature layers of a document by map name and layer name,
/// so that restoring a set looks every record up instead of walking the whole
/// document for it. Built by one walk, it holds the layers as the host handed
/// them; it goes stale when the document's maps or layers change.
///
/// Names are compared by their keys (keyOf()): their UTF-8 bytes, which is
/// what a plain field of the set file holds, so that a record can be looked
/// up by the bytes it was read as, without building its text. The pairs of
/// map and layer name are numbered in walk order, and a lookup first tries
/// the pair after the one it found last: a set saved from the document names
/// the layers in that order, so that most lookups compare the bytes of one
/// name in the memory next to the last one's.
class LayerIndex
{
public:
    explicit LayerIndex(IDocument &document);

    /// The index the document keeps for its layers as they are now
    /// (IDocument::keepForLayers()), built and given to it when it keeps
    /// none, so that set after set is restored without walking a large
    /// document again. For the interface thread, which restores.
    static std::shared_ptr<LayerIndex> keptWith(IDocument &document);

    /// The key under which the index compares a name (exact comparison of
    /// the text): its UTF-8 bytes. Text that UTF-8 cannot carry (a lone
    /// surrogate) gets bytes that no UTF-8 holds, so that it still equals
    /// only itself.
    static QByteArray keyOf(QStringView name);

    /// The number of the map name whose key is `mapKey`, or -1 when no map
    /// carries that name.
    int mapOf(QByteArrayView mapKey) const;
    /// The pair of map name `map` (from mapOf(); -1 finds nothing) and the
    /// layer name whose key is `layerKey`, or -1 when no recordable feature
    /// layer carries both.
    int find(int map, QByteArrayView layerKey);
    /// Every recordable feature layer of pair `pair` (several where names
    /// repeat), in walk order.
    std::span<const std::shared_ptr<ILayer>> layers(int pair) const
    {
        const Pair &p = m_pairs[std::size_t(pair)];
        return {m_layers.data() + p.firstLayer, m_layers.data() + p.endLayer};
    }
    /// How many pairs of names there are, numbered from 0 in walk order.
    int pairCount() const { return int(m_pairs.size()); }

    /// Convenience for text: the pair of map name `mapName` and layer name
    /// `layerName`, or -1 when there is none.
    int find(QStringView mapName, QStringView layerName) { return find(mapOf(keyOf(mapName)), keyOf(layerName)); }

private:
    struct Pair
    {
        std::int32_t map;
        std::uint32_t keyBegin, keyEnd;     ///< the layer name's key in m_keys
        std::uint32_t firstLayer, endLayer; ///< its layers in m_layers
        std::size_t hash;
    };
    QByteArrayView keyOfRange(std::uint32_t begin, std::uint32_t end) const
    {
        return {m_keys.constData() + begin, qsizetype(end - begin)};
    }
    QByteArrayView keyOfPair(const Pair &pair) const { return keyOfRange(pair.keyBegin, pair.keyEnd); }
    /// Makes the pairs built one for each layer distinct, each with its
    /// layers in walk order.
    void groupRepeated();
    static std::size_t hashOf(int map, QByteArrayView layerKey);
    /// The pair of `map` and `layerKey` found through the hash table, or -1.
    int lookUp(int map, QByteArrayView layerKey, std::size_t hash) const;
    /// Puts pair `pair` into the table (which has room for it).
    void place(int pair);
    /// What a slot keeps of a hash, so that most slots of other names are
    /// passed over without looking at their pairs.
    static std::uint32_t tagOf(std::size_t hash) { return std::uint32_t(std::uint64_t(hash) >> 32); }

    struct Slot
    {
        std::uint32_t pair = 0; ///< the pair's number + 1; 0 for a free slot
        std::uint32_t tag = 0;
    };

    QHash<QByteArray, int> m_maps;
    QByteArray m_keys;                             ///< every pair's layer name key, one after another
    std::vector<Pair> m_pairs;                     ///< in walk order of their first layers
    std::vector<std::shared_ptr<ILayer>> m_layers; ///< grouped by pair, in pair order
    std::vector<Slot> m_slots;                     ///< open addressing, at most half full
    int m_next = 0;                                ///< the pair after the one found last
};
