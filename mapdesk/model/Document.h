#pragma once

#include "IDocument.h"
#include "IVisibilityEvents.h"

#include <QJsonObject>
#include <QString>

#include <memory>
#include <vector>

namespace mapdesk {

class DocumentEvents;
class LayersStamp;
class Map;
class MapCollection;
class PageLayout;

/// An open map document: its ordered maps, the focus map, the page layout and
/// which of the two views is active. Made only through create() or
/// createUntitled(). The document owns its maps, page layout and events
/// object; the application (or whoever opened it) holds the document.
class Document : public std::enable_shared_from_this<Document>,
                 public virtual IDocument,
                 public virtual IVisibilityEvents
{
    struct Passkey
    {
        explicit Passkey() = default;
    };

public:
    enum class ViewKind { Data, Layout };

    /// An empty document: no maps, an empty A4 landscape page, the data view active.
    static std::shared_ptr<Document> create();
    /// A new document with one empty map "Layers" as its focus map.
    static std::shared_ptr<Document> createUntitled();

    explicit Document(Passkey);
    ~Document() override;

    // IDocument
    std::shared_ptr<IPageLayout> pageLayout() override;
    /// The page layout when it is active, else the focus map's data view.
    /// Throws HostError when the data view is active and there is no map.
    std::shared_ptr<IView> activeView() override;
    /// Throws HostError when the document has no map.
    std::shared_ptr<IMap> focusMap() override;
    /// Emits contentsUpdated().
    void updateContents() override;
    std::shared_ptr<IMaps> maps() override;
    std::shared_ptr<void> keptForLayers() override;
    void keepForLayers(std::shared_ptr<void> kept) override;

    DocumentEvents *events() const { return m_events.get(); }
    /// Tells `onChange` whenever the table of contents or a view was brought
    /// up to date: after every change of visibility that anyone shows.
    std::shared_ptr<void> subscribeVisibility(std::function<void()> onChange) override;
    std::shared_ptr<MapCollection> mapCollection() const { return m_maps; }
    /// The maps in order (same as mapCollection()->items()).
    const std::vector<std::shared_ptr<Map>> &mapModels() const;
    /// Appends a map; the first map added becomes the focus map.
    void addMap(std::shared_ptr<Map> map);
    /// Removes a map; when it was the focus map, the first remaining map takes its place.
    bool removeMap(const std::shared_ptr<Map> &map);

    /// The focus map, or nullptr when there is no map.
    std::shared_ptr<Map> focusMapModel() const { return m_focusMap; }
    /// Makes one of the document's maps the focus map; throws HostError for
    /// any other map. Emits focusMapChanged() (and activeViewChanged() while
    /// the data view is active) when the focus map changes.
    void setFocusMap(const std::shared_ptr<Map> &map);

    std::shared_ptr<PageLayout> pageLayoutModel() const { return m_pageLayout; }
    ViewKind activeViewKind() const { return m_activeView; }
    /// Emits activeViewChanged() when the kind changes.
    void setActiveViewKind(ViewKind kind);

    /// The file the document was read from or last saved to; empty for a new one.
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &path) { m_filePath = path; }

    /// Whether the document holds changes not yet saved to its file.
    bool isModified() const { return m_modified; }
    /// Emits modifiedChanged() when the state changes.
    void setModified(bool modified);

    /// Makes every map's drawn-layer list and every legend's item list
    /// match the current flags, without emitting or counting a refresh
    /// (after reading a document or building one in code).
    void captureDrawnState();
    /// Makes the legends of `map` list its layers as they are now, without
    /// emitting or counting a refresh: the application's own edits of the
    /// table of contents show in the legends at once.
    void updateLegendsOf(const Map *map);

    /// The fields of its object in the document file that mapdesk does not
    /// know (written by a later version or by hand), written back on saving.
    const QJsonObject &otherFields() const { return m_otherFields; }
    void setOtherFields(const QJsonObject &fields) { m_otherFields = fields; }

private:
    std::unique_ptr<DocumentEvents> m_events;
    std::shared_ptr<LayersStamp> m_stamp;
    std::shared_ptr<MapCollection> m_maps;
    std::shared_ptr<Map> m_focusMap;
    std::shared_ptr<PageLayout> m_pageLayout;
    ViewKind m_activeView = ViewKind::Data;
    QString m_filePath;
    bool m_modified = false;
    QJsonObject m_otherFields;
};

} // namespace mapdesk
