#include "Map.h"

#include "DocumentEvents.h"
#include "Envelope.h"
#include "FeatureLayer.h"
#include "GroupLayer.h"
#include "IndexCheck.h"
#include "Layer.h"
#include "LayersStamp.h"
#include "RasterLayer.h"
#include "ScreenDisplay.h"

#include <algorithm>

namespace mapdesk {

namespace {

// Appends the non-group layers under `layers` whose own flag is on, entering
// only groups that are on themselves. Depth is bounded by the reader; a
// group held in itself (only possible in code) would be entered once per
// level up to the same bound.
void collectVisible(const std::vector<std::shared_ptr<Layer>> &layers, std::vector<std::shared_ptr<Layer>> &out,
                    int depth)
{
    constexpr int kMaxDepth = 256;
    if (depth > kMaxDepth)
        return;
    for (const auto &layer : layers) {
        if (!layer->visible())
            continue;
        if (const auto group = std::dynamic_pointer_cast<GroupLayer>(layer))
            collectVisible(group->members(), out, depth + 1);
        else
            out.push_back(layer);
    }
}

/// Every layer with data under `layer`, itself included.
void collectData(Layer &layer, std::vector<Layer *> &out, int depth)
{
    constexpr int kMaxDepth = 256;
    if (depth > kMaxDepth)
        return;
    if (auto *group = dynamic_cast<GroupLayer *>(&layer)) {
        for (const auto &member : group->members())
            collectData(*member, out, depth + 1);
    } else {
        out.push_back(&layer);
    }
}

QString sourceOf(Layer &layer)
{
    if (const auto *features = dynamic_cast<const FeatureLayer *>(&layer))
        return features->sourcePath();
    if (const auto *raster = dynamic_cast<const RasterLayer *>(&layer))
        return raster->sourcePath();
    return layer.name();
}

/// Converts `layers` into `system`; on a fault puts back `before` and names the layer.
QString convert(const std::vector<Layer *> &layers, const CoordinateSystem &system, const CoordinateSystem &before)
{
    for (std::size_t i = 0; i < layers.size(); ++i) {
        if (const QString fault = layers[i]->setMapCoordinateSystem(system); !fault.isEmpty()) {
            for (std::size_t done = 0; done < i; ++done)
                layers[done]->setMapCoordinateSystem(before);
            return QStringLiteral("%1: %2").arg(sourceOf(*layers[i]), fault);
        }
    }
    return {};
}

QRectF envelopeRect(const std::shared_ptr<IEnvelope> &area)
{
    const auto envelope = std::dynamic_pointer_cast<Envelope>(area);
    return envelope ? envelope->rect() : QRectF();
}

} // namespace

Map::Map(QString name) : m_name(std::move(name)), m_display(std::make_shared<ScreenDisplay>()) {}

Map::~Map() = default;

QString Map::name()
{
    return m_name;
}

std::int32_t Map::layerCount()
{
    return hostCount(m_layers.size());
}

std::shared_ptr<ILayer> Map::layer(std::int32_t index)
{
    checkIndex(index, m_layers.size(), "layer");
    return m_layers[static_cast<std::size_t>(index)];
}

std::shared_ptr<IMap> Map::focusMap()
{
    return shared_from_this();
}

std::shared_ptr<IDisplay> Map::screenDisplay()
{
    return m_display;
}

void Map::refresh()
{
    updateDrawnLayers();
    if (m_events)
        emit m_events->viewRefreshed(this);
}

void Map::partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area)
{
    // Only the geography phase draws layers; graphics and other phases leave them as drawn.
    if (phase & IView::Geography)
        updateDrawnLayers();
    if (m_events)
        emit m_events->partialRefresh(this, phase, data.get(), envelopeRect(area));
}

void Map::setName(const QString &name)
{
    m_name = name;
    LayersStamp::letGo(m_stamp);
}

void Map::addLayer(std::shared_ptr<Layer> layer)
{
    insertLayer(layerCount(), std::move(layer));
}

void Map::insertLayer(std::int32_t index, std::shared_ptr<Layer> layer)
{
    checkInsertIndex(index, m_layers.size(), "layer");
    if (layer)
        layer->joinStamp(m_stamp);
    m_layers.insert(m_layers.begin() + index, std::move(layer));
    LayersStamp::letGo(m_stamp);
}

bool Map::removeLayer(const std::shared_ptr<Layer> &layer)
{
    const auto found = std::find(m_layers.begin(), m_layers.end(), layer);
    if (found == m_layers.end())
        return false;
    m_layers.erase(found);
    LayersStamp::letGo(m_stamp);
    return true;
}

void Map::joinStamp(const std::shared_ptr<LayersStamp> &stamp)
{
    m_stamp = stamp;
    for (const auto &layer : m_layers)
        if (layer)
            layer->joinStamp(stamp);
}

std::vector<std::shared_ptr<Layer>> Map::visibleLayers() const
{
    std::vector<std::shared_ptr<Layer>> visible;
    collectVisible(m_layers, visible, 0);
    return visible;
}

std::vector<Layer *> Map::dataLayers() const
{
    std::vector<Layer *> layers;
    for (const auto &layer : m_layers)
        collectData(*layer, layers, 0);
    return layers;
}

void Map::updateDrawnLayers()
{
    m_drawnLayers = visibleLayers();
}

std::optional<QRectF> Map::fullExtent() const
{
    std::optional<QRectF> all;
    for (const auto &layer : m_layers)
        all = Layer::united(all, layer->extent());
    return all;
}

QString Map::setCoordinateSystem(const CoordinateSystem &system)
{
    std::vector<Layer *> layers;
    for (const auto &layer : m_layers)
        collectData(*layer, layers, 0);
    if (const QString fault = convert(layers, system, m_system); !fault.isEmpty())
        return fault;
    m_system = system;
    return {};
}

QString Map::adopt(Layer &layer)
{
    std::vector<Layer *> layers;
    collectData(layer, layers, 0);
    CoordinateSystem system = m_system;
    for (std::size_t i = 0; i < layers.size() && !system.isValid(); ++i)
        system = layers[i]->dataCoordinateSystem();
    // A map taking its first system: its layers (with none of their own) are drawn in it too.
    const CoordinateSystem before = m_system;
    if (!before.isValid() && system.isValid()) {
        if (const QString fault = setCoordinateSystem(system); !fault.isEmpty())
            return fault;
    }
    if (const QString fault = convert(layers, system, {}); !fault.isEmpty()) {
        setCoordinateSystem(before);
        return fault;
    }
    return {};
}

void Map::setEvents(DocumentEvents *events)
{
    m_events = events;
}

DocumentEvents *Map::events() const
{
    return m_events;
}

} // namespace mapdesk
