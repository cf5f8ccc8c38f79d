#include "MapPictureLayers.h"

#include "GroupLayer.h"
#include "Layer.h"
#include "LayerDrawing.h"
#include "Map.h"
#include "MapPainter.h"

#include <QHash>

namespace mapdesk {

namespace {
/// The view's usual size and margin, for pictures without a view.
constexpr QSize kViewSize(640, 480);
constexpr int kMargin = 12;

void collectDrawn(const std::vector<std::shared_ptr<Layer>> &layers, const QHash<const ILayer *, bool> &flags,
                  std::vector<MapRenderer::Entry> &out, int depth)
{
    constexpr int kMaxDepth = 256;
    if (depth > kMaxDepth)
        return;
    for (const std::shared_ptr<Layer> &layer : layers) {
        const ILayer *asHost = layer.get();
        if (!flags.value(asHost, layer->visible()))
            continue;
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
            collectDrawn(group->members(), flags, out, depth + 1);
        else
            out.push_back({layer.get(), LayerDrawing::of(*layer)});
    }
}
} // namespace

std::vector<MapRenderer::Entry> drawnWith(const Map &map, const std::vector<IMapPictures::LayerFlag> &flags)
{
    QHash<const ILayer *, bool> flagOf;
    flagOf.reserve(qsizetype(flags.size()));
    for (const IMapPictures::LayerFlag &flag : flags)
        if (flag.layer)
            flagOf.insert(flag.layer.get(), flag.visible);
    std::vector<MapRenderer::Entry> drawn;
    collectDrawn(map.layers(), flagOf, drawn, 0);
    return drawn;
}

MapRenderer::Frame frameWithoutView(const Map &map)
{
    const QRectF target = QRectF(QPointF(0, 0), QSizeF(kViewSize)).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    return {MapPainter::fit(map.fullExtent(), target), kViewSize};
}

} // namespace mapdesk
