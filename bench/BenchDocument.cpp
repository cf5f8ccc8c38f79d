#include "BenchDocument.h"

#include "BenchData.h"

#include "Document.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "Legend.h"
#include "Map.h"
#include "MapFrameElement.h"
#include "MapSurroundFrameElement.h"
#include "PageLayout.h"
#include "RasterLayer.h"

namespace BenchDocument {

std::shared_ptr<mapdesk::Document> make(int layers)
{
    using namespace mapdesk;
    auto document = Document::create();
    const int perMap = layers / BenchData::mapCount;
    for (int m = 0; m < BenchData::mapCount; ++m) {
        auto map = std::make_shared<Map>(BenchData::mapName(m));
        int layer = 0;
        auto feature = [&layer] {
            // Saved visible where the set hides it and the other way round,
            // so that restoring switches every layer.
            const bool visible = !BenchData::chosenVisible(layer);
            return std::make_shared<FeatureLayer>(BenchData::layerName(layer++), QString(), visible);
        };
        while (layer < perMap) {
            for (int i = 0; i < 6 && layer < perMap; ++i)
                map->addLayer(feature());
            if (layer >= perMap)
                break;
            auto group = std::make_shared<GroupLayer>(QStringLiteral("Group ") + QString::number(layer / 10 + 1));
            for (int i = 0; i < 4 && layer < perMap; ++i)
                group->addLayer(feature());
            if (layer <= 10) {
                auto nested = std::make_shared<GroupLayer>(QStringLiteral("Nested"));
                nested->addLayer(std::make_shared<FeatureLayer>(QStringLiteral("Nested layer")));
                group->addLayer(nested);
            }
            map->addLayer(group);
        }
        map->addLayer(std::make_shared<RasterLayer>(QStringLiteral("Relief")));
        document->addMap(map);
    }

    auto focus = document->focusMapModel();
    auto frame = std::make_shared<MapFrameElement>(QStringLiteral("main"), focus, QRectF(10, 10, 180, 150));
    auto page = document->pageLayoutModel();
    page->addElement(frame);
    page->addElement(
        std::make_shared<MapSurroundFrameElement>(frame, std::make_shared<Legend>(focus), QRectF(200, 10, 60, 150)));
    document->captureDrawnState();
    return document;
}

} // namespace BenchDocument
