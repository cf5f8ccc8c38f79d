#include "MapView.h"

#include "Document.h"
#include "DocumentEvents.h"
#include "FileDrop.h"
#include "LayerDrawing.h"
#include "Map.h"
#include "MapPainter.h"
#include "MapRenderer.h"

#include <QDropEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSet>
#include <QWheelEvent>

#include <cmath>

namespace mapdesk {

namespace {
constexpr int kMargin = 12;

/// How long the pointer rests during a pan before the map is drawn again.
constexpr int kRestMs = 150;
} // namespace

MapView::MapView(QWidget *parent) : QWidget(parent), m_renderer(new MapRenderer(this))
{
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, Qt::white);
    setPalette(look);
    setAcceptDrops(true);
    setObjectName(QStringLiteral("dataView"));
    setMouseTracking(true);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &MapView::redraw);
    connect(m_renderer, &MapRenderer::imageChanged, this, qOverload<>(&QWidget::update));
    connect(m_renderer, &MapRenderer::finished, this, &MapView::redrawn);
}

MapView::~MapView()
{
    delete m_connections.data();
}

void MapView::setDocument(std::shared_ptr<Document> document)
{
    delete m_connections.data();
    m_document = std::move(document);
    m_extent.reset();
    if (m_document) {
        // One receiver per document: deleting it drops every connection at once.
        m_connections = new QObject(this);
        DocumentEvents *events = m_document->events();
        connect(events, &DocumentEvents::viewRefreshed, m_connections, [this](IView *view) {
            if (showsView(view))
                redraw();
        });
        connect(events, &DocumentEvents::partialRefresh, m_connections, [this](IView *view, int, HostObject *, QRectF) {
            if (showsView(view))
                redraw();
        });
        connect(events, &DocumentEvents::focusMapChanged, m_connections, [this] { redraw(); });
        connect(events, &DocumentEvents::activeViewChanged, m_connections, [this] { redraw(); });
    }
    redraw();
}

void MapView::redraw()
{
    m_rest.stop();
    // A view out of sight draws when it shows again.
    m_stale = !isVisible();
    if (m_stale)
        return;
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    // Kept from one drawing to the next: thousands of layers would
    // otherwise cost fresh memory every time.
    std::vector<MapRenderer::Entry> &entries = m_shownEntries;
    std::vector<MapRenderer::Entry> &hidden = m_hiddenEntries;
    entries.clear();
    hidden.clear();
    if (map) {
        MapRenderer::addEntries(map->drawnLayers(), entries);
        MapRenderer::addHiddenEntries(map->dataLayers(), entries, hidden);
    }
    const qreal ratio = devicePixelRatioF();
    m_renderer->render(
        entries, {mapTransform() * QTransform::fromScale(ratio, ratio), (QSizeF(size()) * ratio).toSize()}, hidden);
    update();
}

bool MapView::isDrawing() const
{
    return m_renderer->isDrawing() || m_rest.isActive() || m_stale;
}

bool MapView::showsView(IView *view) const
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    return map && view == static_cast<IView *>(map.get());
}

QTransform MapView::mapTransform() const
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    if (!map)
        return {};
    const bool chosen = m_extent && m_extentMap.lock() == map;
    return MapPainter::fit(chosen ? m_extent : map->fullExtent(),
                           QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin));
}

QRectF MapView::shownExtent() const
{
    bool invertible = false;
    const QTransform toMap = mapTransform().inverted(&invertible);
    // The area the extent is fitted into: what it maps to is shown exactly.
    return invertible ? toMap.mapRect(QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin)) : QRectF();
}

void MapView::zoomToFullExtent()
{
    m_extent.reset();
    redraw();
}

void MapView::zoomToExtent(const std::optional<QRectF> &extent)
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    if (!map || !extent)
        return;
    m_extent = extent;
    m_extentMap = map;
    if (m_panFrom) {
        // The image moves with the pointer; drawing waits until it rests.
        m_rest.start();
        update();
    } else {
        redraw();
    }
}

void MapView::wheelEvent(QWheelEvent *event)
{
    const QRectF shown = shownExtent();
    if (shown.isEmpty() || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    // Each notch shows 80% (in) or 125% (out) of the width; the map point
    // under the pointer stays where it is.
    const double factor = std::pow(0.8, event->angleDelta().y() / 120.0);
    const QPointF at = mapTransform().inverted().map(event->position());
    zoomToExtent(QRectF(at.x() - (at.x() - shown.left()) * factor, at.y() - (at.y() - shown.top()) * factor,
                        shown.width() * factor, shown.height() * factor));
    event->accept();
}

void MapView::setIdentifying(bool identifying)
{
    m_identifying = identifying;
    if (identifying)
        setCursor(Qt::WhatsThisCursor);
    else
        unsetCursor();
}

void MapView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (m_identifying) {
        // A few pixels around the pointer count, so that lines and points can be hit.
        constexpr double kPixels = 4.0;
        bool invertible = false;
        const QTransform toMap = mapTransform().inverted(&invertible);
        if (invertible)
            emit identifyRequested(toMap.map(event->position()), kPixels * std::abs(toMap.m11()));
        return;
    }
    m_panFrom = event->position();
    setCursor(Qt::ClosedHandCursor);
}

double MapView::scaleDenominator() const
{
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    const QTransform transform = mapTransform();
    if (!map || transform.m11() <= 0)
        return 0;
    return MapPainter::scaleDenominator(map->coordinateSystem(), shownExtent().center(), 1.0 / transform.m11(),
                                        logicalDpiX());
}

void MapView::mouseMoveEvent(QMouseEvent *event)
{
    if (bool invertible = false; m_document && m_document->focusMapModel()) {
        const QPointF at = mapTransform().inverted(&invertible).map(event->position());
        if (invertible)
            emit pointerMoved(at);
    }
    if (!m_panFrom)
        return QWidget::mouseMoveEvent(event);
    const QTransform toMap = mapTransform().inverted();
    const QPointF moved = toMap.map(*m_panFrom) - toMap.map(event->position());
    m_panFrom = event->position();
    const QRectF shown = shownExtent();
    if (!shown.isEmpty())
        zoomToExtent(shown.translated(moved));
}

void MapView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_panFrom)
        return QWidget::mouseReleaseEvent(event);
    mouseMoveEvent(event);
    m_panFrom.reset();
    setIdentifying(m_identifying);
    redraw();
}

void MapView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    redraw();
}

void MapView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        redraw();
}

void MapView::paintEvent(QPaintEvent *event)
{
    m_lastPainted = event->region();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const std::shared_ptr<Map> map = m_document ? m_document->focusMapModel() : nullptr;
    if (!map) {
        painter.setPen(Qt::gray);
        painter.drawText(rect(), Qt::AlignCenter, tr("The document has no map"));
        return;
    }
    m_renderer->paintImage(painter, mapTransform());
}

void MapView::dragEnterEvent(QDragEnterEvent *event)
{
    FileDrop::accept(event);
}

void MapView::dragMoveEvent(QDragMoveEvent *event)
{
    FileDrop::accept(event);
}

void MapView::dropEvent(QDropEvent *event)
{
    if (FileDrop::accept(event))
        emit filesDropped(FileDrop::localFiles(event->mimeData()));
}

} // namespace mapdesk
