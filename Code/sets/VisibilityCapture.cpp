#include "VisibilityCapture.h"

#include "ILayer.h"
#include "IMap.h"
#include "LayerWalk.h"

void captureVisibility(
    IDocument &document,
    const std::function<void(const QString &mapName, const QString &layerName, bool visible)> &onLayer)
{
    bool mapNamed = false;
    QString mapName;
    LayerWalk::forEachRecordable(
        document,
        [&](IMap &) {
            mapNamed = false;
            return true;
        },
        [&](IMap &map, const std::shared_ptr<ILayer> &layer) {
            if (!mapNamed) {
                mapName = map.name();
                mapNamed = true;
            }
            const QString layerName = layer->name();
            onLayer(mapName, layerName, layer->visible());
        });
}
