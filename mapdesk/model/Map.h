#pragma once

#include "CoordinateSystem.h"
#include "IMap.h"
#include "IView.h"

#include <QJsonObject>
#include <QPointer>
#include <QRectF>

#include <memory>
#include <optional>
#include <vector>

namespace mapdesk {

class DocumentEvents;
class Layer;
class LayersStamp;
class ScreenDisplay;

/// A map of a document: its name, its ordered top-level layers (the first
/// is the top of the table of contents, drawn last) and its data view. As a
/// view its focus map is itself. The document owns its maps; a map owns its
/// layers. A map keeps the list of layers it draws as of its last refresh,
/// so that nothing changes on screen before a refresh.
class Map : public std::enable_shared_from_this<Map>, public virtual IMap, public virtual IView
{
public:
    explicit Map(QString name = {});
    ~Map() override;

    // IMap
    QString name() override;
    std::int32_t layerCount() override;
    /// Layer at index 0 .. layerCount() - 1; throws HostError (E_FAIL) outside that range.
    std::shared_ptr<ILayer> layer(std::int32_t index) override;

    // IView
    /// This map itself.
    std::shared_ptr<IMap> focusMap() override;
    std::shared_ptr<IDisplay> screenDisplay() override;
    /// Takes the drawn-layer list anew and emits viewRefreshed(this).
    void refresh() override;
    /// Takes the drawn-layer list anew when `phase` includes the geography
    /// phase, then emits partialRefresh(this, phase, data, area).
    void partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area) override;

    void setName(const QString &name);
    const std::vector<std::shared_ptr<Layer>> &layers() const { return m_layers; }
    void addLayer(std::shared_ptr<Layer> layer);
    /// Inserts at `index` (0 .. layerCount()); throws HostError outside that range.
    void insertLayer(std::int32_t index, std::shared_ptr<Layer> layer);
    /// Removes a top-level layer; false when it is not one.
    bool removeLayer(const std::shared_ptr<Layer> &layer);

    /// The non-group layers, in table-of-contents order (top first), whose own
    /// flag and every enclosing group's flag are on now. Walks nested groups.
    std::vector<std::shared_ptr<Layer>> visibleLayers() const;
    /// Every layer with data (no group), hidden ones too, in table-of-contents
    /// order: what the map may draw.
    std::vector<Layer *> dataLayers() const;
    /// visibleLayers() as of the last refresh or updateDrawnLayers(): what the
    /// map's views draw (top first, so draw in reverse).
    const std::vector<std::shared_ptr<Layer>> &drawnLayers() const { return m_drawnLayers; }
    /// Takes visibleLayers() as the drawn list without emitting anything.
    void updateDrawnLayers();

    /// The map's coordinate system, in which every layer is drawn; empty
    /// while none is known (the layers are then drawn as they are).
    CoordinateSystem coordinateSystem() const { return m_system; }
    /// Makes `system` the map's and converts every layer into it. When a
    /// layer cannot be, nothing changes and the fault is returned, naming
    /// the layer's file; empty when done.
    QString setCoordinateSystem(const CoordinateSystem &system);
    /// Makes `system` the map's without converting its layers: for a reader
    /// that reads each layer's data straight into it.
    void takeCoordinateSystem(const CoordinateSystem &system) { m_system = system; }
    /// Prepares `layer` (with its members) to join the map: a map without a
    /// system takes the layer's, and the layer is converted into the map's.
    /// Returns the fault, naming the file, when it cannot be; the map then
    /// stays as it was.
    QString adopt(Layer &layer);

    /// Union of all layers' extents (hidden ones included); empty when no layer has data.
    std::optional<QRectF> fullExtent() const;
    /// The map's screen display, the same object every time.
    std::shared_ptr<ScreenDisplay> display() const { return m_display; }

    /// Where refreshes are announced; set by the document that holds the map.
    void setEvents(DocumentEvents *events);
    DocumentEvents *events() const;

    /// The fields of its object in the document file that mapdesk does not
    /// know (written by a later version or by hand), written back on saving.
    const QJsonObject &otherFields() const { return m_otherFields; }
    void setOtherFields(const QJsonObject &fields) { m_otherFields = fields; }

    /// Makes the map and its layers part of the document whose stamp this
    /// is: changes of its name and layers let go of what the document keeps.
    void joinStamp(const std::shared_ptr<LayersStamp> &stamp);

private:
    QString m_name;
    std::vector<std::shared_ptr<Layer>> m_layers;
    std::vector<std::shared_ptr<Layer>> m_drawnLayers;
    std::shared_ptr<ScreenDisplay> m_display;
    QPointer<DocumentEvents> m_events;
    CoordinateSystem m_system;
    QJsonObject m_otherFields;
    std::shared_ptr<LayersStamp> m_stamp;
};

} // namespace mapdesk
