#pragma once

#include "MapRenderer.h"

#include <QHash>
#include <QPointer>
#include <QRegion>
#include <QSet>
#include <QTransform>
#include <QWidget>

#include <memory>
#include <vector>

class HostObject;
class IView;

namespace mapdesk {

class Document;
class Element;
class MapFrameElement;
class MapSurroundFrameElement;
class TextElement;
class GroupElement;
class Map;

/// The layout view: the document's page with its graphic elements in order.
/// Map frames draw their maps as of the maps' last refresh; legends list the
/// layers they took at their own last refresh; north arrows and scale bars
/// are simple drawings; text elements show their text; group elements draw
/// their members. A whole refresh of the page redraws it all; a partial
/// refresh redraws only the element (or area) it names. Shares the document
/// with the application. On screen, each map frame's layers are drawn off
/// the interface thread (MapRenderer); exports draw them directly.
class LayoutView : public QWidget
{
    Q_OBJECT

public:
    explicit LayoutView(QWidget *parent = nullptr);
    ~LayoutView() override;

    /// Shows `document` (may be null) and follows its refreshes.
    void setDocument(std::shared_ptr<Document> document);
    /// From page millimetres (y down) to widget pixels, as drawn now.
    QTransform pageTransform() const;
    /// The widget rectangle an element covers, with room for its outline.
    QRect elementRect(const Element &element) const;
    /// Largest image Export Layout writes, in pixels.
    static constexpr qint64 MaxExportPixels = 200'000'000;
    /// Writes the page as drawn here (without the view's grey surround) to
    /// `path`: a PDF page of the page's size when the name ends in ".pdf",
    /// else an image in the format its suffix names (PNG, JPEG, ...), at
    /// `dotsPerInch`. Returns the fault, empty when written.
    QString exportTo(const QString &path, int dotsPerInch);
    /// Widget pixels drawn in the last paint (to check what a refresh redrew).
    const QRegion &lastPaintedRegion() const { return m_lastPainted; }
    /// Whether a map frame's drawing is not complete yet.
    bool isDrawing() const;

    QSize sizeHint() const override { return {640, 480}; }

signals:
    /// Local files were dropped on the view.
    void filesDropped(const QStringList &paths);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void refreshed(IView *view);
    void partiallyRefreshed(IView *view, HostObject *data, const QRectF &area);
    /// Draws the page's elements through `page` (from millimetres to the device).
    void drawPage(QPainter &painter, const QTransform &page);
    void drawElement(QPainter &painter, Element &element, int depth);
    void drawMapFrame(QPainter &painter, MapFrameElement &frame);
    /// Draws `map` into `box` (widget pixels) through `fitted` from the
    /// frame's renderer, asking it for a new drawing when what it shows changed.
    void drawRendered(QPainter &painter, const MapFrameElement &frame, const Map &map, const QTransform &fitted,
                      const QRect &box);
    void drawSurround(QPainter &painter, MapSurroundFrameElement &element);
    void drawText(QPainter &painter, TextElement &text);

    std::shared_ptr<Document> m_document;
    QPointer<QObject> m_connections;
    QRegion m_lastPainted;
    /// The page's transform of the drawing under way.
    QTransform m_page;
    /// On screen, map frames show their maps drawn off the interface thread
    /// by a renderer each (owned by the view); exports draw them directly.
    bool m_onScreen = false;
    QHash<const MapFrameElement *, MapRenderer *> m_renderers;
    QHash<const MapFrameElement *, std::vector<MapRenderer::Entry>> m_entries;
    QHash<const MapFrameElement *, QRect> m_frameBoxes;
    /// The frames met by the paint under way.
    QSet<const MapFrameElement *> m_painted;
};

} // namespace mapdesk
