#include "SetLayers.h"

#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"

#include <QHash>
#include <QSet>

#include <algorithm>

SetLayers SetLayers::of(const QByteArray &file, const QString &setName, IDocument &document)
{
    return of(SetFileEdits::layerFlags(file, setName), document);
}

SetLayers SetLayers::of(std::vector<Layer> recorded, IDocument &document)
{
    SetLayers layers;
    const VisibilitySnapshot now = VisibilitySnapshot::of(document);

    for (Layer &layer : groupedByMap(std::move(recorded)))
        layers.recorded.push_back({layer, now.shown(layer.mapName, layer.layerName)});

    QSet<std::pair<QString, QString>> listed;
    for (const Row &row : layers.recorded)
        listed.insert({row.layer.mapName, row.layer.layerName});
    captureVisibility(document, [&](const QString &mapName, const QString &layerName, bool) {
        if (listed.contains({mapName, layerName}))
            return;
        listed.insert({mapName, layerName});
        const std::optional<VisibilitySnapshot::Shown> shown = now.shown(mapName, layerName);
        layers.unrecorded.push_back({{mapName, layerName, shown && shown->allVisible}, shown});
    });
    return layers;
}

std::vector<SetLayers::Layer> groupedByMap(std::vector<SetLayers::Layer> layers)
{
    QHash<QString, std::size_t> mapOrder;
    for (const SetLayers::Layer &layer : layers)
        if (!mapOrder.contains(layer.mapName))
            mapOrder.insert(layer.mapName, mapOrder.size());
    std::stable_sort(layers.begin(), layers.end(), [&](const SetLayers::Layer &a, const SetLayers::Layer &b) {
        return mapOrder.value(a.mapName) < mapOrder.value(b.mapName);
    });
    return layers;
}
