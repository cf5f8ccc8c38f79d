#include "Symbol.h"

#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "Map.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace mapdesk {

namespace {

constexpr int kMaxDepth = 64;

void collectFeatureLayers(const std::vector<std::shared_ptr<Layer>> &layers, std::vector<FeatureLayer *> &out,
                          int depth)
{
    if (depth > kMaxDepth)
        return;
    for (const auto &layer : layers) {
        if (auto *features = dynamic_cast<FeatureLayer *>(layer.get()))
            out.push_back(features);
        else if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
            collectFeatureLayers(group->members(), out, depth + 1);
    }
}

} // namespace

QColor Symbol::paletteColour(std::size_t n)
{
    static constexpr std::array<QRgb, 12> palette{qRgb(31, 120, 180),  qRgb(227, 26, 28),   qRgb(51, 160, 44),
                                                  qRgb(255, 127, 0),   qRgb(106, 61, 154),  qRgb(177, 89, 40),
                                                  qRgb(166, 206, 227), qRgb(251, 154, 153), qRgb(178, 223, 138),
                                                  qRgb(253, 191, 111), qRgb(202, 178, 214), qRgb(140, 140, 140)};
    return QColor(palette[n % palette.size()]);
}

void Symbol::giveDefaults(const std::vector<std::shared_ptr<Map>> &maps)
{
    std::vector<FeatureLayer *> layers;
    for (const auto &map : maps)
        collectFeatureLayers(map->layers(), layers, 0);
    std::vector<QColor> taken;
    QHash<QString, QColor> byName;
    for (FeatureLayer *layer : layers) {
        if (layer->hasOwnSymbol()) {
            taken.push_back(layer->symbol().colour);
            if (!byName.contains(layer->name()))
                byName.insert(layer->name(), layer->symbol().colour);
        }
    }
    std::size_t next = 0;
    for (FeatureLayer *layer : layers) {
        if (layer->hasOwnSymbol())
            continue;
        // Layers of one name (the same data in two maps) look alike.
        if (const auto named = byName.constFind(layer->name()); named != byName.cend()) {
            Symbol symbol;
            symbol.colour = *named;
            layer->setSymbol(symbol);
            continue;
        }
        // The next colour nobody has; once all are taken, the palette in turn.
        std::size_t pick = next;
        for (std::size_t tried = 0; tried < 12; ++tried) {
            if (std::find(taken.begin(), taken.end(), paletteColour(next + tried)) == taken.end()) {
                pick = next + tried;
                break;
            }
        }
        Symbol symbol;
        symbol.colour = paletteColour(pick);
        layer->setSymbol(symbol);
        taken.push_back(symbol.colour);
        byName.insert(layer->name(), symbol.colour);
        next = pick + 1;
    }
}

} // namespace mapdesk
