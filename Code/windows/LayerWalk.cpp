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

namespace LayerWalk {

void forEachRecordable(IDocument &document, const std::function<bool(IMap &)> &takeMap,
                       const std::function<void(IMap &, ILayer &)> &onLayer)
{
    IMaps &maps = required(document.maps());
    const std::int32_t mapCount = maps.count();
    for (std::int32_t m = 0; m < mapCount; ++m) {
        IMap &map = required(maps.item(m));
        if (!takeMap(map))
            continue;
        const std::int32_t layerCount = map.layerCount();
        for (std::int32_t l = 0; l < layerCount; ++l) {
            const std::shared_ptr<ILayer> layer = map.layer(l);
            if (std::dynamic_pointer_cast<IGroupLayer>(layer)) {
                ICompositeLayer &group = *seenAs<ICompositeLayer>(layer);
                const std::int32_t memberCount = group.count();
                for (std::int32_t i = 0; i < memberCount; ++i) {
                    const std::shared_ptr<ILayer> member = group.layer(i);
                    if (std::dynamic_pointer_cast<IFeatureLayer>(member))
                        onLayer(map, *member);
                }
            } else if (std::dynamic_pointer_cast<IFeatureLayer>(layer)) {
                onLayer(map, *layer);
            }
        }
    }
}

void setAllVisible(IDocument &document, bool visible)
{
    forEachRecordable(
        document, [](IMap &) { return true; }, [visible](IMap &, ILayer &layer) { layer.setVisible(visible); });
}

} // namespace LayerWalk
