#include "LayerIndex.h"

#include "ILayer.h"
#include "IMap.h"
#include "LayerWalk.h"

LayerIndex::LayerIndex(IDocument &document)
{
    QString mapName;
    LayerWalk::forEachRecordable(
        document,
        [&mapName](IMap &map) {
            mapName = map.name();
            return true;
        },
        [this, &mapName](IMap &, const std::shared_ptr<ILayer> &layer) {
            m_layers[{mapName, layer->name()}].push_back(layer);
        });
}

const std::vector<std::shared_ptr<ILayer>> &LayerIndex::find(const QString &mapName, const QString &layerName) const
{
    static const std::vector<std::shared_ptr<ILayer>> none;
    const auto found = m_layers.constFind({mapName, layerName});
    return found == m_layers.constEnd() ? none : *found;
}
