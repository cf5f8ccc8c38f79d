#include "LayerWalk.h"

#include "HostError.h"
#include "ICompositeLayer.h"
#include "IDocument.h"
#include "IFeatureLayer.h"
#include "IGroupLayer.h"
#include "ILayer.h"
#include "IMap.h"
#include "IMaps.h"
#include "ObjectRequired.h"

#include <typeinfo>
#include <utility>
#include <vector>

namespace {

/// Whether a layer is a group layer or a feature layer depends on its class
/// alone: each class is asked once per walk, which spares a document of
/// thousands of layers two type checks per layer.
class LayerKinds
{
public:
    enum Kind { Other, Group, Feature };

    Kind of(const ILayer &layer)
    {
        const std::type_info &type = typeid(layer);
        for (const auto &[known, kind] : m_known)
            if (*known == type)
                return kind;
        const Kind kind = dynamic_cast<const IGroupLayer *>(&layer)     ? Group
                          : dynamic_cast<const IFeatureLayer *>(&layer) ? Feature
                                                                        : Other;
        m_known.emplace_back(&type, kind);
        return kind;
    }

private:
    std::vector<std::pair<const std::type_info *, Kind>> m_known;
};

} // namespace

namespace LayerWalk {

void forEachRecordable(IDocument &document, const std::function<bool(IMap &)> &takeMap,
                       const std::function<void(IMap &, const std::shared_ptr<ILayer> &)> &onLayer)
{
    LayerKinds kinds;
    const std::shared_ptr<IMaps> heldMaps = document.maps();
    IMaps &maps = required(heldMaps);
    const std::int32_t mapCount = maps.count();
    for (std::int32_t m = 0; m < mapCount; ++m) {
        // Held for the walk over its layers, whoever else holds it.
        const std::shared_ptr<IMap> heldMap = maps.item(m);
        IMap &map = required(heldMap);
        if (!takeMap(map))
            continue;
        const std::int32_t layerCount = map.layerCount();
        for (std::int32_t l = 0; l < layerCount; ++l) {
            const std::shared_ptr<ILayer> layer = map.layer(l);
            if (!layer)
                continue;
            const LayerKinds::Kind kind = kinds.of(*layer);
            if (kind == LayerKinds::Group) {
                ICompositeLayer &group = *seenAs<ICompositeLayer>(layer);
                const std::int32_t memberCount = group.count();
                for (std::int32_t i = 0; i < memberCount; ++i) {
                    const std::shared_ptr<ILayer> member = group.layer(i);
                    if (member && kinds.of(*member) == LayerKinds::Feature)
                        onLayer(map, member);
                }
            } else if (kind == LayerKinds::Feature) {
                onLayer(map, layer);
            }
        }
    }
}

void setAllVisible(IDocument &document, bool visible)
{
    forEachRecordable(
        document, [](IMap &) { return true; },
        [visible](IMap &, const std::shared_ptr<ILayer> &layer) { layer->setVisible(visible); });
}

} // namespace LayerWalk
