#include "MapRenderer.h"

#include "MapPainter.h"

#include <QPainter>

#include <algorithm>

namespace mapdesk {

/// A layer's image for the frame in use, and what it shows.
struct MapRenderer::Kept
{
    LayerDrawing drawing;
    QImage image;
    QPoint offset;
};

/// A layer being drawn: what, under which ticket, and its cancel flag.
struct MapRenderer::Pending
{
    LayerDrawing drawing;
    std::uint64_t ticket;
    std::shared_ptr<std::atomic<bool>> cancelled;
};

namespace {

/// The pixels of `frame` a layer may touch: its extent, grown by half its
/// widest stroke or dot and a pixel of antialiasing, within the image.
QRect areaOf(const LayerDrawing &drawing, const MapRenderer::Frame &frame)
{
    const std::optional<QRectF> extent = drawing.extent();
    if (!extent)
        return {};
    const double margin = std::max(drawing.symbol.lineWidth, drawing.symbol.pointSize) / 2 + 2;
    const QRectF box = frame.transform.mapRect(*extent).adjusted(-margin, -margin, margin, margin);
    return box.toAlignedRect() & QRect(QPoint(0, 0), frame.size);
}

} // namespace

MapRenderer::MapRenderer(QObject *parent, DrawFunction draw) : QObject(parent), m_draw(std::move(draw))
{
    if (!m_draw)
        m_draw = [](QPainter &painter, const LayerDrawing &layer, const QTransform &transform) {
            MapPainter::drawLayer(painter, layer, transform);
        };
    // Composing has a thread of its own, so that it never waits behind the
    // layers still queued for drawing.
    m_composer.setMaxThreadCount(1);
    m_partial.setSingleShot(true);
    m_partial.setInterval(150);
    connect(&m_partial, &QTimer::timeout, this, &MapRenderer::compose);
}

MapRenderer::~MapRenderer()
{
    for (const std::shared_ptr<Pending> &pending : std::as_const(m_pending))
        pending->cancelled->store(true);
    m_pool.waitForDone();
    m_composer.waitForDone();
}

void MapRenderer::render(std::vector<Entry> layers, const Frame &frame)
{
    if (!(frame == m_frame)) {
        for (const std::shared_ptr<Pending> &pending : std::as_const(m_pending))
            pending->cancelled->store(true);
        m_pending.clear();
        m_kept.clear();
        m_frame = frame;
    }
    ++m_requests;
    m_layers = std::move(layers);
    m_requested.clear();
    m_waiting = 0;
    for (const Entry &entry : m_layers) {
        m_requested.insert(entry.layer);
        if (const std::shared_ptr<Kept> kept = m_kept.value(entry.layer); kept && kept->drawing.drawsAs(entry.drawing))
            continue;
        ++m_waiting;
        if (const std::shared_ptr<Pending> pending = m_pending.value(entry.layer)) {
            if (pending->drawing.drawsAs(entry.drawing))
                continue;
            pending->cancelled->store(true);
        }
        start(entry);
    }
    m_done = false;
    if (m_waiting == 0)
        compose();
    else if (!m_partial.isActive())
        m_partial.start();
}

void MapRenderer::start(const Entry &entry)
{
    auto pending =
        std::make_shared<Pending>(Pending{entry.drawing, ++m_tickets, std::make_shared<std::atomic<bool>>(false)});
    m_pending.insert(entry.layer, pending);
    ++m_started;
    const QRect area = areaOf(entry.drawing, m_frame);
    // The layer is drawn into an image of the area it may touch only.
    const QTransform transform = m_frame.transform * QTransform::fromTranslate(-area.x(), -area.y());
    m_pool.start([this, layer = entry.layer, drawing = entry.drawing, transform, area, ticket = pending->ticket,
                  cancelled = pending->cancelled, draw = m_draw] {
        if (cancelled->load())
            return;
        QImage image;
        if (!area.isEmpty()) {
            image = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            draw(painter, drawing, transform);
        }
        if (cancelled->load())
            return;
        // Queued to this object: dropped if it is gone, which waits for this thread first.
        QMetaObject::invokeMethod(
            this, [this, layer, ticket, image, offset = area.topLeft()] { drawn(layer, ticket, image, offset); },
            Qt::QueuedConnection);
    });
}

void MapRenderer::drawn(const Layer *layer, std::uint64_t ticket, QImage image, QPoint offset)
{
    const std::shared_ptr<Pending> pending = m_pending.value(layer);
    if (!pending || pending->ticket != ticket)
        return;
    m_pending.remove(layer);
    m_kept.insert(layer, std::make_shared<Kept>(Kept{pending->drawing, std::move(image), offset}));
    if (!m_requested.contains(layer))
        return;
    if (--m_waiting == 0)
        compose();
    else if (!m_partial.isActive())
        m_partial.start();
}

void MapRenderer::compose()
{
    if (m_composing) {
        m_composeAgain = true;
        return;
    }
    m_partial.stop();
    // Bottom first: the last layer of the table of contents is drawn first.
    std::vector<std::pair<QImage, QPoint>> parts;
    for (auto entry = m_layers.rbegin(); entry != m_layers.rend(); ++entry) {
        const std::shared_ptr<Kept> kept = m_kept.value(entry->layer);
        if (kept && kept->drawing.drawsAs(entry->drawing) && !kept->image.isNull())
            parts.emplace_back(kept->image, kept->offset);
    }
    m_composing = true;
    m_composeAgain = false;
    m_composer.start(
        [this, parts = std::move(parts), frame = m_frame, request = m_requests, complete = m_waiting == 0] {
            QImage image(frame.size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            {
                QPainter painter(&image);
                for (const auto &[part, offset] : parts)
                    painter.drawImage(offset, part);
            }
            QMetaObject::invokeMethod(
                this, [this, image, frame, request, complete] { composed(image, frame, request, complete); },
                Qt::QueuedConnection);
        });
}

void MapRenderer::composed(const QImage &image, const Frame &frame, std::uint64_t request, bool complete)
{
    m_composing = false;
    m_image = image;
    m_imageFrame = frame;
    emit imageChanged();
    if (complete && request == m_requests && !m_composeAgain) {
        m_done = true;
        emit finished();
    } else if (m_composeAgain) {
        compose();
    }
}

} // namespace mapdesk
