#pragma once

#include "MapRenderer.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class IView;

namespace mapdesk {

class Document;
class Map;

/// The data view: draws the document's focus map, its layers bottom-up in
/// map coordinates fitted to the widget. It draws the layers the map took at
/// its last refresh (a layer is drawn only when it and every group above it
/// were visible then) and redraws when the map or the document announces a
/// refresh. Shares the document with the application.
///
/// The layers are drawn off the interface thread by its MapRenderer, which
/// keeps each layer's image; until a drawing is complete the view shows the
/// last image, moved and scaled to the present extent.
///
/// It starts on the map's full extent; the wheel zooms around the pointer,
/// dragging with the left button pans (the image moves at once and is drawn
/// again when the pointer rests), and zoomToFullExtent() or zoomToExtent()
/// (a layer's) set what is shown. Another focus map or document starts on
/// its full extent again.
class MapView : public QWidget
{
    Q_OBJECT

public:
    explicit MapView(QWidget *parent = nullptr);
    ~MapView() override;

    /// Shows `document` (may be null) and follows its refreshes.
    void setDocument(std::shared_ptr<Document> document);
    /// The document shown; null when none.
    const std::shared_ptr<Document> &document() const { return m_document; }
    /// The transform from map coordinates to the widget in use now.
    QTransform mapTransform() const;
    /// The part of the map shown inside the view's margins (map
    /// coordinates), as zoomed and panned.
    QRectF shownExtent() const;
    /// Shows the focus map's full extent.
    void zoomToFullExtent();
    /// Shows `extent` (map coordinates) whole; no extent changes nothing.
    void zoomToExtent(const std::optional<QRectF> &extent);
    /// While identifying, a click of the left button asks what is there
    /// (identifyRequested()) instead of starting a pan.
    void setIdentifying(bool identifying);
    bool isIdentifying() const { return m_identifying; }
    /// The scale denominator N of the view's "1:N" (from the map's units and
    /// the screen's resolution); 0 when the map has no coordinate system.
    double scaleDenominator() const;
    /// Widget pixels drawn in the last paint (to check what a refresh redrew).
    const QRegion &lastPaintedRegion() const { return m_lastPainted; }
    /// Whether what is shown is not drawn completely yet (or, out of sight,
    /// not drawn since it was asked to be).
    bool isDrawing() const;
    /// The renderer drawing the layers (owned by the view).
    MapRenderer *renderer() const { return m_renderer; }

    QSize sizeHint() const override { return {640, 480}; }

signals:
    /// Local files were dropped on the view.
    void filesDropped(const QStringList &paths);
    /// The pointer moved over the view to `at` (map coordinates).
    void pointerMoved(const QPointF &at);
    /// A click while identifying at `at`; `tolerance` is a few pixels in map units.
    void identifyRequested(const QPointF &at, double tolerance);
    /// The view was drawn anew and completely (after a zoom, a pan, a
    /// refresh or a resize).
    void redrawn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool showsView(IView *view) const;
    /// Asks the renderer for the focus map's drawn layers at the present extent.
    void redraw();

    MapRenderer *m_renderer = nullptr;
    /// The shown and hidden layers of the last drawing asked for.
    std::vector<MapRenderer::Entry> m_shownEntries;
    std::vector<MapRenderer::Entry> m_hiddenEntries;
    /// Restarted by every move of a pan; the map is drawn again when it runs out.
    QTimer m_rest;
    /// Asked to draw while out of sight.
    bool m_stale = false;
    std::shared_ptr<Document> m_document;
    QPointer<QObject> m_connections;
    QRegion m_lastPainted;
    /// What the user zoomed or panned to, for the map it was chosen on; empty: the full extent.
    std::optional<QRectF> m_extent;
    std::weak_ptr<Map> m_extentMap;
    std::optional<QPointF> m_panFrom;
    bool m_identifying = false;
};

} // namespace mapdesk
