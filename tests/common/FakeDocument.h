#pragma once

#include "HostError.h"
#include "IApplication.h"
#include "ICompositeLayer.h"
#include "IDisplay.h"
#include "IDocument.h"
#include "IElement.h"
#include "IEnvelope.h"
#include "IFeatureLayer.h"
#include "IGeometry.h"
#include "IGraphicsContainer.h"
#include "IGroupLayer.h"
#include "ILegend.h"
#include "IMap.h"
#include "IMapFrame.h"
#include "IMapSurround.h"
#include "IMapSurroundFrame.h"
#include "IMaps.h"
#include "IPageLayout.h"
#include "IView.h"
#include "IVisibilityEvents.h"

#include <QHash>
#include <QString>

#include <initializer_list>
#include <memory>
#include <vector>

/// Small in-memory host documents for testing the add-in's core without
/// mapdesk's document model. Every fake keeps its state in public members,
/// counts its interface calls and throws HostError at the calls a test arms.
/// Containers own what they hold: the document its maps and page layout, a
/// map or group its layers, the page its elements.
namespace fake {

/// The interface calls made on one fake, counted by method name, and the
/// faults armed on them. A name the fake lacks is a typo and throws std::logic_error.
class Calls
{
public:
    static constexpr int Every = -1;
    Calls(std::initializer_list<const char *> names) { add(names); }
    void add(std::initializer_list<const char *> names);
    /// Calls made so far, failed ones included.
    int count(const char *name) const;
    /// Makes `name` throw HostError (E_FAIL): every call, or only the one for
    /// `index`: layer(i) and item(i) for index i, next() for the element at
    /// position i, any other method at its i-th call (from 0).
    void fail(const char *name, int index = Every);
    void heal() { m_faults.clear(); }

    // For the fakes: count the call, throw when armed, answer.
    void made(const char *name) { madeAt(name, count(name)); }
    void madeAt(const char *name, int index);
    template <typename T> T answer(const char *name, T result)
    {
        made(name);
        return result;
    }
    /// items[index], or HostError (E_FAIL) outside the range, as the host does.
    template <typename T> T item(const char *name, const std::vector<T> &items, std::int32_t index)
    {
        madeAt(name, index);
        checkIndex(index, items.size());
        return items[static_cast<std::size_t>(index)];
    }

private:
    static void checkIndex(std::int32_t index, std::size_t size);
    QString known(const char *name) const;
    QHash<QString, int> m_counts;
    QMultiHash<QString, int> m_faults;
};

/// Base of the layers: a name and the layer's own flag; every setVisible value is kept in order.
class LayerBase : public virtual ILayer
{
public:
    QString name() override { return calls.answer("name", title); }
    bool visible() override { return calls.answer("visible", on); }
    void setVisible(bool visible) override;
    QString title;
    bool on;
    std::vector<bool> setVisibleCalls;
    Calls calls{"name", "visible", "setVisible"};

protected:
    LayerBase(QString title, bool on) : title(std::move(title)), on(on) {}
};

/// A layer of vector features, the kind the add-in records.
class Layer : public LayerBase, public virtual IFeatureLayer
{
public:
    explicit Layer(QString title, bool on = true) : LayerBase(std::move(title), on) {}
};

/// A layer of another kind (a raster): a layer only.
class RasterLayer : public LayerBase
{
public:
    explicit RasterLayer(QString title, bool on = true) : LayerBase(std::move(title), on) {}
};

class GroupLayer : public LayerBase, public virtual IGroupLayer, public virtual ICompositeLayer
{
public:
    explicit GroupLayer(QString title, bool on = true) : LayerBase(std::move(title), on)
    {
        calls.add({"count", "layer"});
    }
    std::int32_t count() override { return calls.answer("count", static_cast<std::int32_t>(members.size())); }
    std::shared_ptr<ILayer> layer(std::int32_t index) override { return calls.item("layer", members, index); }
    std::vector<std::shared_ptr<ILayer>> members;
};

class Display : public IDisplay
{
};
class Envelope : public IEnvelope
{
};
class Geometry : public IGeometry
{
public:
    std::shared_ptr<IEnvelope> envelope() override { return bounds; }
    std::shared_ptr<Envelope> bounds = std::make_shared<Envelope>();
};

struct PartialRefresh
{
    int phase;
    HostObjectPtr data;
    std::shared_ptr<IEnvelope> area;
};

/// What a map's data view and the page layout share: a display of their own,
/// refreshes counted in `calls`, partial refreshes recorded in order.
class View : public virtual IView
{
public:
    std::shared_ptr<IDisplay> screenDisplay() override { return calls.answer("screenDisplay", display); }
    void refresh() override { calls.made("refresh"); }
    void partialRefresh(int phase, HostObjectPtr data, std::shared_ptr<IEnvelope> area) override;
    std::shared_ptr<Display> display = std::make_shared<Display>();
    std::vector<PartialRefresh> partialRefreshes;
    Calls calls{"focusMap", "screenDisplay", "refresh", "partialRefresh"};
};

/// A map with its top-level layers; as a view its focus map is itself.
class Map : public View, public virtual IMap, public std::enable_shared_from_this<Map>
{
public:
    explicit Map(QString title) : title(std::move(title)) { calls.add({"name", "layerCount", "layer"}); }
    QString name() override { return calls.answer("name", title); }
    std::int32_t layerCount() override { return calls.answer("layerCount", static_cast<std::int32_t>(layers.size())); }
    std::shared_ptr<ILayer> layer(std::int32_t index) override { return calls.item("layer", layers, index); }
    std::shared_ptr<IMap> focusMap() override { return calls.answer("focusMap", shared_from_this()); }
    QString title;
    std::vector<std::shared_ptr<ILayer>> layers;
};

class Maps : public IMaps
{
public:
    std::int32_t count() override { return calls.answer("count", static_cast<std::int32_t>(items.size())); }
    std::shared_ptr<IMap> item(std::int32_t index) override { return calls.item("item", items, index); }
    std::vector<std::shared_ptr<IMap>> items;
    Calls calls{"count", "item"};
};

/// Base of the page's elements, each with a geometry and envelope of its own.
class Element : public virtual IElement
{
public:
    std::shared_ptr<IGeometry> geometry() override { return calls.answer("geometry", shape); }
    std::shared_ptr<Geometry> shape = std::make_shared<Geometry>();
    Calls calls{"geometry"};
};

class MapFrame : public Element, public virtual IMapFrame
{
public:
    explicit MapFrame(std::shared_ptr<IMap> shown) : shown(std::move(shown)) { calls.add({"map"}); }
    std::shared_ptr<IMap> map() override { return calls.answer("map", shown); }
    std::shared_ptr<IMap> shown;
};

struct Fit
{
    std::shared_ptr<IDisplay> display;
    std::shared_ptr<IEnvelope> bounds;
};

/// A surround that is not a legend (a north arrow); refreshes are counted, fits recorded.
class Surround : public virtual IMapSurround
{
public:
    void fitToBounds(std::shared_ptr<IDisplay> display, std::shared_ptr<IEnvelope> bounds, bool &changed) override;
    void refresh() override { calls.made("refresh"); }
    std::vector<Fit> fits;
    Calls calls{"fitToBounds", "refresh"};
};

class Legend : public Surround, public virtual ILegend
{
};

class SurroundFrame : public Element, public virtual IMapSurroundFrame
{
public:
    SurroundFrame(std::shared_ptr<IMapFrame> frame, std::shared_ptr<IMapSurround> surround)
        : frame(std::move(frame)), surround(std::move(surround))
    {
        calls.add({"mapSurround", "mapFrame"});
    }
    std::shared_ptr<IMapSurround> mapSurround() override { return calls.answer("mapSurround", surround); }
    std::shared_ptr<IMapFrame> mapFrame() override { return calls.answer("mapFrame", frame); }
    std::shared_ptr<IMapFrame> frame;
    std::shared_ptr<IMapSurround> surround;
};

/// A group element; the page's container never hands out its members.
class GroupElement : public Element
{
public:
    std::vector<std::shared_ptr<IElement>> members;
};

class Document;

/// The page layout: its top-level elements, walked in order; as a view its
/// focus map is its document's (nullptr once the document is gone).
class PageLayout : public View, public virtual IPageLayout, public virtual IGraphicsContainer
{
public:
    PageLayout() { calls.add({"reset", "next"}); }
    std::shared_ptr<IMap> focusMap() override;
    void reset() override { cursor = calls.answer("reset", std::size_t{0}); }
    std::shared_ptr<IElement> next() override;
    /// The n-th legend on the page (from 0, grouped ones included), or nullptr.
    std::shared_ptr<Legend> legend(std::size_t n) const;
    std::vector<std::shared_ptr<IElement>> elements;
    std::size_t cursor = 0;
    std::weak_ptr<Document> document;
};

/// A document: its maps, its focus map (nullptr when it has none), its page
/// layout, and which view is active: the page layout or the focus map.
class Document : public virtual IDocument, public virtual IVisibilityEvents
{
public:
    /// No maps, an empty page, the data view active.
    static std::shared_ptr<Document> create();
    std::shared_ptr<IPageLayout> pageLayout() override { return calls.answer("pageLayout", layout); }
    std::shared_ptr<IView> activeView() override;
    std::shared_ptr<IMap> focusMap() override { return calls.answer("focusMap", focus); }
    /// Also tells the visibility listeners, as a host does once its table
    /// of contents shows a change.
    void updateContents() override;
    std::shared_ptr<IMaps> maps() override { return calls.answer("maps", mapList); }
    std::shared_ptr<void> keptForLayers() override { return calls.answer("keptForLayers", kept); }
    /// Kept only when `keeps`; a test lets it go as a host would.
    void keepForLayers(std::shared_ptr<void> value) override
    {
        if (keeps)
            kept = std::move(value);
    }
    std::shared_ptr<void> subscribeVisibility(std::function<void()> onChange) override;

    /// The first map called `name`, and the first layer called `name` in it
    /// (depth first, groups included); nullptr when there is none.
    std::shared_ptr<Map> map(const QString &name) const;
    std::shared_ptr<LayerBase> layer(const QString &mapName, const QString &name) const;

    std::shared_ptr<Maps> mapList = std::make_shared<Maps>();
    std::shared_ptr<PageLayout> layout = std::make_shared<PageLayout>();
    std::shared_ptr<IMap> focus;
    bool layoutActive = false;
    bool keeps = false;
    std::shared_ptr<void> kept;
    Calls calls{"pageLayout", "activeView", "focusMap", "updateContents", "maps", "keptForLayers"};
    std::vector<std::weak_ptr<std::function<void()>>> visibilityListeners;
};

/// The running application; a test swaps `current` to switch documents.
class Application : public IApplication
{
public:
    explicit Application(std::shared_ptr<IDocument> current = nullptr) : current(std::move(current)) {}
    std::shared_ptr<IDocument> document() override { return calls.answer("document", current); }
    std::shared_ptr<IDocument> current;
    Calls calls{"document"};
};

/// A layer as a builder lists it: a visible feature layer unless made otherwise.
struct Entry
{
    enum Kind { Feature, Raster, Group };
    Entry(const char *name) : name(QString::fromUtf8(name)) {}
    Entry(QString name) : name(std::move(name)) {}
    Kind kind = Feature;
    QString name;
    bool on = true;
    std::vector<Entry> members;
};
Entry raster(QString name);
Entry group(QString name, std::vector<Entry> members);
Entry hidden(Entry entry);

/// Builds a document map by map. The page gets a map frame per map, in map
/// order, then the surrounds in the order asked for. The first map is the
/// focus map and the data view is active (set `focus`, `layoutActive` after).
class DocumentBuilder
{
public:
    /// Starts a map; the layers that follow go into it.
    DocumentBuilder &map(QString name);
    DocumentBuilder &layer(Entry entry);
    DocumentBuilder &raster(QString name) { return layer(fake::raster(std::move(name))); }
    DocumentBuilder &group(QString name, std::vector<Entry> members)
    {
        return layer(fake::group(std::move(name), std::move(members)));
    }
    DocumentBuilder &withLegendOf(QString mapName) { return surround(Kind::Legend, std::move(mapName)); }
    DocumentBuilder &withNorthArrowOf(QString mapName) { return surround(Kind::NorthArrow, std::move(mapName)); }
    /// A legend inside a group element.
    DocumentBuilder &withGroupedLegendOf(QString mapName) { return surround(Kind::GroupedLegend, std::move(mapName)); }
    /// Throws std::invalid_argument for a surround of a map it lacks.
    std::shared_ptr<Document> build() const;

private:
    enum class Kind { Legend, NorthArrow, GroupedLegend };
    DocumentBuilder &surround(Kind kind, QString mapName);
    std::vector<std::pair<QString, std::vector<Entry>>> m_maps;
    std::vector<std::pair<Kind, QString>> m_surrounds;
};

/// The two maps the add-in's window tests use, "Layers" as the focus map:
///   "Layers":   group "Transport" { Streets, hidden Rails, raster Relief,
///                                   group "Nested" { Deep } }, Rivers, raster Hills
///   "Overview": Streets
/// The page: a frame per map, legends of Layers, Overview and Layers again,
/// and a legend of Layers inside a group element.
std::shared_ptr<Document> standardDocument();

/// `maps` maps "Map 1".. of `layers` feature layers "Layer 1".. each, packed
/// into groups "Group 1".. of `groupSize` when it is above 0; a legend per map.
std::shared_ptr<Document> generatedDocument(int maps, int layers, int groupSize = 0);

} // namespace fake
