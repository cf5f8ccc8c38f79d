#include "MapRenderer.h"

#include "MapPainter.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QPainter>
#include <QPointer>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include <unistd.h>

namespace mapdesk {

/// A drawn part of a layer's image, where it lies in the frame.
struct MapRenderer::Piece
{
    QImage image;
    QPoint offset;
};

/// A layer's image for the frame in use, as the pieces that hold anything,
/// and what it shows.
struct MapRenderer::Kept
{
    LayerDrawing drawing;
    std::vector<Piece> pieces;
    /// The bytes the pieces take.
    qsizetype bytes() const
    {
        qsizetype sum = 0;
        for (const Piece &piece : pieces)
            sum += piece.image.sizeInBytes();
        return sum;
    }
};

/// One composition: the image, the layers' kept images bottom first, the
/// bands not done yet.
struct MapRenderer::Composition
{
    /// A layer's kept image, or else its drawing to draw straight in.
    struct Part
    {
        std::shared_ptr<const Kept> kept;
        LayerDrawing direct;
    };
    QImage image;
    std::vector<Part> parts;
    /// An image composed before for the same frame that shows the parts
    /// from `baseFrom` on already: only the parts under them are drawn, and
    /// it goes over them. None when `baseFrom` is past the last part.
    QImage base;
    std::size_t baseFrom = std::numeric_limits<std::size_t>::max();
    /// The layers of the parts that draw anything, bottom first, and what
    /// they draw: what the image shows, for the composition after it.
    std::vector<Entry> drawn;
    std::atomic<int> left{0};
    /// Set when a newer request makes it useless: its bands stop at the
    /// next layer, and it is never shown.
    std::atomic<bool> superseded{false};
    QElapsedTimer clock;
};

/// A layer being drawn: what, under which ticket, and its cancel flag.
struct MapRenderer::Pending
{
    LayerDrawing drawing;
    std::uint64_t ticket;
    std::shared_ptr<std::atomic<bool>> cancelled;
    /// Whether it was started in the background (a hidden layer, or the
    /// own image of one drawn straight into the composition).
    bool ahead;
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

/// The pixels of `frame` that `drawing` covers with opaque pixels, and so
/// hides whatever lies under it there: the image's extent less a pixel on
/// each side for its rounded or smoothed edges. Empty for anything else.
QRect opaqueAreaOf(const LayerDrawing &drawing, const MapRenderer::Frame &frame)
{
    if (!drawing.image || !drawing.image->opaque() || !drawing.imageExtent)
        return {};
    const QRectF box = frame.transform.mapRect(*drawing.imageExtent);
    const QPoint topLeft(static_cast<int>(std::ceil(box.left())) + 1, static_cast<int>(std::ceil(box.top())) + 1);
    const QPoint bottomRight(static_cast<int>(std::floor(box.right())) - 2,
                             static_cast<int>(std::floor(box.bottom())) - 2);
    return QRect(topLeft, bottomRight) & QRect(QPoint(0, 0), frame.size);
}

/// The most opaque images a composition looks under: with many layers it
/// checks each against only these.
constexpr std::size_t kMostHiding = 16;
/// A drawing partly hidden is drawn piece by piece where it shows when that
/// takes at most this many pieces; else whole.
constexpr int kMostPieces = 8;

/// How long the requests rest before the own images of layers drawn
/// straight into the composition are drawn.
constexpr int kSettledMs = 250;

constexpr int kTile = 64;
/// The shortest time between two images shown while drawing.
constexpr int kPartialMs = 150;
/// The kept images may take this share of the physical memory, within the
/// bounds below.
constexpr qsizetype kBudgetShare = 4;
constexpr qsizetype kLeastBudget = qsizetype(256) << 20;
constexpr qsizetype kMostBudget = qsizetype(4) << 30;
/// Hidden layers are drawn ahead while the kept images take less than this
/// share of the budget, leaving the rest to the shown layers.
constexpr qsizetype kAheadShare = 8;
/// When at least this many shown layers have no image, they are drawn
/// straight into the composed image, which shows them all sooner than
/// drawing each apart; their own images are drawn afterwards.
constexpr std::size_t kDirectAtLeast = 16;
/// Shown layers are drawn first, then the own images of layers drawn
/// straight into the composition, then hidden layers.
constexpr int kShownPriority = 2;
constexpr int kFollowingPriority = 1;
constexpr int kAheadPriority = 0;

/// Whether any pixel of `rect` in `image` (premultiplied) is not fully transparent.
bool anyDrawn(const QImage &image, const QRect &rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const auto *line = reinterpret_cast<const quint32 *>(image.constScanLine(y)) + rect.left();
        if (std::any_of(line, line + rect.width(), [](quint32 pixel) { return pixel != 0; }))
            return true;
    }
    return false;
}

/// Takes out of `scratch` what a layer drew inside `area`: the runs of tiles
/// along each row of tiles that hold anything, copied, so that keeping and
/// composing cost what was drawn, not the layer's whole extent. Leaves
/// `scratch` transparent again, writing only where the layer drew.
std::vector<MapRenderer::Piece> takePieces(QImage &scratch, const QRect &area)
{
    std::vector<QRect> runs;
    for (int y = area.top(); y <= area.bottom(); y += kTile) {
        std::optional<QRect> run;
        for (int x = area.left(); x <= area.right(); x += kTile) {
            const QRect tile = QRect(x, y, kTile, kTile) & area;
            if (anyDrawn(scratch, tile)) {
                run = run ? run->united(tile) : tile;
            } else if (run) {
                runs.push_back(*run);
                run.reset();
            }
        }
        if (run)
            runs.push_back(*run);
    }
    std::vector<MapRenderer::Piece> pieces;
    pieces.reserve(runs.size());
    for (const QRect &run : runs) {
        pieces.push_back({scratch.copy(run), run.topLeft()});
        for (int y = run.top(); y <= run.bottom(); ++y)
            std::memset(scratch.scanLine(y) + qsizetype(4) * run.left(), 0, qsizetype(4) * run.width());
    }
    return pieces;
}

} // namespace

namespace {

/// A part of a composition that shows in a band, and where when opaque
/// images above hide some of it (empty: wherever it draws).
struct Shown
{
    const MapRenderer::Composition::Part *part;
    std::vector<QRect> where;
};

/// The parts of `job` that show in `band` (frame pixels), bottom first:
/// looked at top first, those that opaque images above hide wholly are
/// left out, and those partly hidden are drawn only where they show, so
/// that features reaching past an opaque image cost their edges, not their
/// whole. Run by each band on its own thread, off the interface thread.
std::vector<Shown> shownIn(const MapRenderer::Composition &job, const MapRenderer::Frame &frame, const QRect &band)
{
    std::vector<Shown> shown;
    std::vector<QRect> hiding;
    for (std::size_t index = job.parts.size(); index-- > 0;) {
        const MapRenderer::Composition::Part *part = &job.parts[index];
        const LayerDrawing &drawing = part->kept ? part->kept->drawing : part->direct;
        if (index >= job.baseFrom) {
            // In the base image already; what it covers still hides what lies under it.
            if (const QRect opaque = opaqueAreaOf(drawing, frame) & band;
                !opaque.isEmpty() && hiding.size() < kMostHiding)
                hiding.push_back(opaque);
            continue;
        }
        QRect area;
        if (part->kept) {
            for (const MapRenderer::Piece &piece : part->kept->pieces)
                area |= QRect(piece.offset, piece.image.size());
        } else {
            area = areaOf(drawing, frame);
        }
        area &= band;
        if (area.isEmpty() || std::any_of(hiding.begin(), hiding.end(), [&area](const QRect &opaque) {
                return opaque.contains(area);
            }))
            continue;
        shown.push_back({part, {}});
        if (!part->kept && std::any_of(hiding.begin(), hiding.end(), [&area](const QRect &opaque) {
                return opaque.intersects(area);
            })) {
            QRegion where(area);
            for (const QRect &opaque : hiding)
                where -= opaque;
            if (where.rectCount() <= kMostPieces)
                shown.back().where.assign(where.begin(), where.end());
        }
        if (const QRect opaque = opaqueAreaOf(drawing, frame) & band; !opaque.isEmpty() && hiding.size() < kMostHiding)
            hiding.push_back(opaque);
    }
    std::reverse(shown.begin(), shown.end());
    return shown;
}

} // namespace

void MapRenderer::paintBand(const Composition &job, const Frame &frame, uchar *bits, int top, int bottom,
                            const DrawFunction &draw)
{
    if (bottom <= top)
        return;
    QImage strip(bits + static_cast<qsizetype>(top) * job.image.bytesPerLine(), job.image.width(), bottom - top,
                 job.image.bytesPerLine(), job.image.format());
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    const QRect area(0, top, job.image.width(), bottom - top);
    drawShown(painter, job, frame, area, frame.transform * QTransform::fromTranslate(0, -top), QPoint(0, -top), {},
              draw);
    if (!job.base.isNull() && !job.superseded.load(std::memory_order_relaxed))
        painter.drawImage(QPoint(0, 0), job.base, area);
}

void MapRenderer::drawShown(QPainter &painter, const Composition &job, const Frame &frame, const QRect &area,
                            const QTransform &transform, const QPoint &shift, const QRect &clip,
                            const DrawFunction &draw)
{
    for (const Shown &shown : shownIn(job, frame, area)) {
        if (job.superseded.load(std::memory_order_relaxed))
            return;
        const Composition::Part &part = *shown.part;
        if (part.kept) {
            for (const Piece &piece : part.kept->pieces)
                if (area.intersects(QRect(piece.offset, piece.image.size())))
                    painter.drawImage(piece.offset + shift, piece.image);
            continue;
        }
        if (shown.where.empty()) {
            draw(painter, part.direct, transform);
            continue;
        }
        for (const QRect &where : shown.where) {
            painter.setClipRect((where & area).translated(shift));
            draw(painter, part.direct, transform);
        }
        if (clip.isEmpty())
            painter.setClipping(false);
        else
            painter.setClipRect(clip);
    }
}

QSize MapRenderer::pictureSize(const QSize &frame, int maxWidth)
{
    if (frame.isEmpty() || maxWidth <= 0)
        return {};
    if (frame.width() <= maxWidth)
        return frame;
    return QSize(maxWidth, std::max(1, int(std::lround(double(frame.height()) * maxWidth / frame.width()))));
}

QImage MapRenderer::drawPicture(const std::vector<Entry> &layers, const Frame &frame, int maxWidth,
                                const DrawFunction &draw)
{
    if (frame.size.isEmpty())
        return {};
    const DrawFunction drawing =
        draw ? draw : [](QPainter &painter, const LayerDrawing &layer, const QTransform &transform) {
            MapPainter::drawLayer(painter, layer, transform);
        };
    Composition job;
    for (auto entry = layers.rbegin(); entry != layers.rend(); ++entry)
        job.parts.push_back({nullptr, entry->drawing});
    job.image = QImage(pictureSize(frame.size, maxWidth), QImage::Format_RGB32);
    paintPictureBand(job, frame, 0, job.image.height(), drawing);
    return job.image;
}

void MapRenderer::picture(const std::vector<Entry> &layers, int maxWidth, QObject *receiver, PictureDone done)
{
    if (m_frame.size.isEmpty()) {
        done(QImage());
        return;
    }
    // What is kept is taken now, on the interface thread: the images are
    // never changed once kept, only let go, so the composing threads may
    // read them while the renderer goes on. A raster layer is drawn from
    // the reduced copy of its image nearest the picture's resolution, which
    // it keeps itself (ImageLevels): that reads a fraction of the pixels of
    // its image kept for the view.
    auto job = std::make_shared<Composition>();
    job->parts.reserve(layers.size());
    for (auto entry = layers.rbegin(); entry != layers.rend(); ++entry) {
        const std::shared_ptr<Kept> kept = entry->drawing.image ? nullptr : m_kept.value(entry->layer);
        if (kept && kept->drawing.drawsAs(entry->drawing))
            job->parts.push_back({kept, {}});
        else
            job->parts.push_back({nullptr, entry->drawing});
    }
    // Composed straight at the picture's size: each kept image is scaled
    // down as it is drawn, so that composing costs the picture's pixels, not
    // the view's.
    job->image = QImage(pictureSize(m_frame.size, maxWidth), QImage::Format_RGB32);
    const int bands = std::max(1, m_composer.maxThreadCount());
    const int height = job->image.height();
    job->left = bands;
    const QPointer<QObject> to(receiver);
    auto handOver = std::make_shared<PictureDone>(std::move(done));
    for (int band = 0; band < bands; ++band) {
        const int top = height * band / bands;
        const int bottom = height * (band + 1) / bands;
        m_composer.start([this, job, top, bottom, frame = m_frame, draw = m_draw, to, handOver] {
            paintPictureBand(*job, frame, top, bottom, draw);
            if (--job->left != 0)
                return;
            // Queued to the renderer, which waits for these threads when it
            // goes; the receiver is looked at on the interface thread.
            QMetaObject::invokeMethod(
                this,
                [to, handOver, picture = job->image] {
                    if (to)
                        (*handOver)(picture);
                },
                Qt::QueuedConnection);
        });
    }
}

void MapRenderer::paintPictureBand(const Composition &job, const Frame &frame, int top, int bottom,
                                   const DrawFunction &draw)
{
    if (bottom <= top)
        return;
    QImage strip(const_cast<uchar *>(job.image.constBits()) + static_cast<qsizetype>(top) * job.image.bytesPerLine(),
                 job.image.width(), bottom - top, job.image.bytesPerLine(), job.image.format());
    // The view's white ground.
    strip.fill(Qt::white);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double scale = double(job.image.width()) / frame.size.width();
    painter.translate(0, -top);
    painter.scale(scale, scale);
    // The rows of the frame this band shows, with a row to spare each side.
    const int first = std::max(0, int(std::floor(top / scale)) - 1);
    const int last = std::min(frame.size.height(), int(std::ceil(bottom / scale)) + 1);
    const QRect area(0, first, frame.size.width(), last - first);
    painter.setClipRect(area);
    drawShown(painter, job, frame, area, frame.transform, QPoint(), area, draw);
}

/// Transparent images of the frame's size that layers are drawn into, one
/// per drawing at a time, handed back transparent; fresh memory for every
/// layer would cost more than drawing most layers.
class MapRenderer::Scratch
{
public:
    QImage take(const QSize &size)
    {
        QMutexLocker lock(&m_mutex);
        for (auto image = m_free.begin(); image != m_free.end(); ++image) {
            if (image->size() == size) {
                QImage taken = std::move(*image);
                m_free.erase(image);
                return taken;
            }
        }
        lock.unlock();
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    }
    void give(QImage image, int most)
    {
        const QMutexLocker lock(&m_mutex);
        if (static_cast<int>(m_free.size()) >= most)
            m_free.erase(m_free.begin());
        m_free.push_back(std::move(image));
    }

private:
    QMutex m_mutex;
    std::vector<QImage> m_free;
};

MapRenderer::MapRenderer(QObject *parent, DrawFunction draw)
    : QObject(parent), m_draw(std::move(draw)), m_scratch(std::make_shared<Scratch>())
{
    if (!m_draw)
        m_draw = [](QPainter &painter, const LayerDrawing &layer, const QTransform &transform) {
            MapPainter::drawLayer(painter, layer, transform);
        };
    // Composing has threads of its own, so that it never waits behind the
    // layers still queued for drawing.
    m_partial.setSingleShot(true);
    m_partial.setInterval(kPartialMs);
    connect(&m_partial, &QTimer::timeout, this, &MapRenderer::compose);
    m_settled.setSingleShot(true);
    m_settled.setInterval(kSettledMs);
    connect(&m_settled, &QTimer::timeout, this, [this] {
        m_followingReady = true;
        drawAhead();
    });
}

MapRenderer::~MapRenderer()
{
    for (const std::shared_ptr<Pending> &pending : std::as_const(m_pending))
        pending->cancelled->store(true);
    m_pool.waitForDone();
    m_composer.waitForDone();
}

void MapRenderer::addEntries(const std::vector<std::shared_ptr<Layer>> &layers, std::vector<Entry> &entries)
{
    entries.reserve(entries.size() + layers.size());
    for (const std::shared_ptr<Layer> &layer : layers)
        if (layer)
            entries.push_back({layer.get(), LayerDrawing::of(*layer)});
}

void MapRenderer::addHiddenEntries(const std::vector<Layer *> &dataLayers, const std::vector<Entry> &shown,
                                   std::vector<Entry> &hidden)
{
    QSet<const Layer *> on;
    on.reserve(static_cast<qsizetype>(shown.size()));
    for (const Entry &entry : shown)
        on.insert(entry.layer);
    for (Layer *layer : dataLayers)
        if (!on.contains(layer))
            hidden.push_back({layer, LayerDrawing::of(*layer)});
}

qsizetype MapRenderer::defaultImageBudget()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return kLeastBudget;
    return std::clamp(qsizetype(pages) * qsizetype(pageSize) / kBudgetShare, kLeastBudget, kMostBudget);
}

void MapRenderer::setImageBudget(qsizetype bytes)
{
    m_budget = bytes;
    m_full = false;
}

void MapRenderer::paintImage(QPainter &painter, const QTransform &toDevice) const
{
    if (m_image.isNull() || !m_imageFrame.transform.isInvertible())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(m_imageFrame.transform.inverted() * toDevice, true);
    painter.drawImage(QPointF(0, 0), m_image);
    painter.restore();
}

void MapRenderer::render(const std::vector<Entry> &layers, const Frame &frame, const std::vector<Entry> &hidden)
{
    if (!(frame == m_frame)) {
        for (const std::shared_ptr<Pending> &pending : std::as_const(m_pending))
            pending->cancelled->store(true);
        m_pending.clear();
        m_aheadInFlight = 0;
        m_kept.clear();
        m_keptBytes = 0;
        m_full = false;
        m_frame = frame;
    }
    ++m_requests;
    // What is being composed shows an older request: the new one's
    // composition need not wait for it, nor share the processor with it.
    if (m_composition && m_mayStop)
        m_composition->superseded = true;
    // Copied into the storage kept from the last request.
    m_layers = layers;
    m_ahead = hidden;
    m_shown.clear();
    for (const Entry &entry : m_layers)
        m_shown.insert(entry.layer);
    m_named = m_shown;
    for (const Entry &entry : m_ahead)
        m_named.insert(entry.layer);
    // Layers named in neither list are gone: their images are freed and
    // their drawings given up now, not at the next pan or zoom.
    std::vector<const Layer *> gone;
    for (auto kept = m_kept.cbegin(); kept != m_kept.cend(); ++kept)
        if (!m_named.contains(kept.key()))
            gone.push_back(kept.key());
    for (const Layer *layer : gone)
        forget(layer);
    gone.clear();
    for (auto pending = m_pending.cbegin(); pending != m_pending.cend(); ++pending)
        if (!m_named.contains(pending.key()))
            gone.push_back(pending.key());
    for (const Layer *layer : gone)
        cancel(layer);
    m_waitingFor.clear();
    m_direct.clear();
    m_following.clear();
    m_followingNext = 0;
    m_followingReady = false;
    m_settled.stop();
    std::vector<const Entry *> missing;
    // The opaque images above, top first: a layer wholly under one shows
    // nothing, and is drawn only once something above it changes.
    std::vector<QRect> hiding;
    std::size_t coveredMissing = 0;
    for (const Entry &entry : m_layers) {
        const QRect area = areaOf(entry.drawing, m_frame);
        const bool covered = !area.isEmpty() && std::any_of(hiding.begin(), hiding.end(), [&area](const QRect &opaque) {
            return opaque.contains(area);
        });
        if (const QRect opaque = opaqueAreaOf(entry.drawing, m_frame); !opaque.isEmpty() && hiding.size() < kMostHiding)
            hiding.push_back(opaque);
        if (const std::shared_ptr<Kept> kept = m_kept.value(entry.layer)) {
            if (kept->drawing.drawsAs(entry.drawing))
                continue;
            // What it shows changed: of no more use.
            forget(entry.layer);
        }
        if (covered)
            ++coveredMissing;
        else
            missing.push_back(&entry);
    }
    // With the budget full, layers without images are drawn straight into
    // the composition, and no own images are drawn for them.
    const bool direct = m_full || missing.size() + coveredMissing >= kDirectAtLeast;
    for (const Entry *entry : missing) {
        const std::shared_ptr<Pending> pending = m_pending.value(entry->layer);
        const bool drawing = pending && pending->drawing.drawsAs(entry->drawing);
        if (pending && !drawing)
            cancel(entry->layer);
        if (direct) {
            m_direct.insert(entry->layer);
            if (!drawing && !m_full)
                m_following.push_back(*entry);
        } else {
            m_waitingFor.insert(entry->layer);
            if (!drawing)
                start(*entry, kShownPriority);
        }
    }
    // Hidden layers are drawn ahead, a few at a time behind the shown ones,
    // while the kept images stay within their share of the budget, so that
    // switching them on only composes.
    m_aheadNext = 0;
    drawAhead();
    m_done = false;
    if (m_waitingFor.isEmpty())
        compose();
    else if (!m_partial.isActive())
        m_partial.start();
}

void MapRenderer::start(const Entry &entry, int priority)
{
    const QRect area = areaOf(entry.drawing, m_frame);
    auto pending = std::make_shared<Pending>(
        Pending{entry.drawing, ++m_tickets, std::make_shared<std::atomic<bool>>(false), priority != kShownPriority});
    m_pending.insert(entry.layer, pending);
    ++m_started;
    m_pool.start(
        [this, layer = entry.layer, drawing = entry.drawing, transform = m_frame.transform, size = m_frame.size, area,
         ticket = pending->ticket, cancelled = pending->cancelled, draw = m_draw, scratch = m_scratch,
         threads = m_pool.maxThreadCount()] {
            if (cancelled->load())
                return;
            std::vector<Piece> pieces;
            if (!area.isEmpty()) {
                QImage image = scratch->take(size);
                {
                    QPainter painter(&image);
                    painter.setClipRect(area);
                    draw(painter, drawing, transform);
                }
                pieces = takePieces(image, area);
                scratch->give(std::move(image), threads);
            }
            if (cancelled->load())
                return;
            // Queued to this object: dropped if it is gone, which waits for this thread first.
            QMetaObject::invokeMethod(
                this,
                [this, layer, ticket, pieces = std::move(pieces)]() mutable {
                    drawn(layer, ticket, std::move(pieces));
                },
                Qt::QueuedConnection);
        },
        priority);
}

void MapRenderer::drawAhead()
{
    const int most = 2 * std::max(1, m_pool.maxThreadCount());
    // First the own images of the layers drawn straight into the image,
    // once it is shown; started a few at a time, so that thousands of them
    // never hold up the interface thread.
    while (m_followingReady && !m_full && m_aheadInFlight < most && m_followingNext < m_following.size())
        startInBackground(m_following[m_followingNext++], kFollowingPriority);
    while (m_drawAhead && !m_full && m_aheadInFlight < most && m_aheadNext < m_ahead.size()
           && m_keptBytes < m_budget / kAheadShare)
        startInBackground(m_ahead[m_aheadNext++], kAheadPriority);
}

void MapRenderer::startInBackground(const Entry &entry, int priority)
{
    if (const std::shared_ptr<Kept> kept = m_kept.value(entry.layer); kept && kept->drawing.drawsAs(entry.drawing))
        return;
    if (const std::shared_ptr<Pending> pending = m_pending.value(entry.layer)) {
        if (pending->drawing.drawsAs(entry.drawing))
            return;
        cancel(entry.layer);
    }
    start(entry, priority);
    ++m_aheadInFlight;
}

void MapRenderer::cancel(const Layer *layer)
{
    const std::shared_ptr<Pending> pending = m_pending.take(layer);
    pending->cancelled->store(true);
    if (pending->ahead)
        --m_aheadInFlight;
}

void MapRenderer::drawn(const Layer *layer, std::uint64_t ticket, std::vector<Piece> pieces)
{
    const std::shared_ptr<Pending> pending = m_pending.value(layer);
    if (!pending || pending->ticket != ticket)
        return;
    m_pending.remove(layer);
    if (pending->ahead) {
        --m_aheadInFlight;
        drawAhead();
    }
    const bool shown = m_shown.contains(layer);
    if (!keep(layer, std::make_shared<Kept>(Kept{pending->drawing, std::move(pieces)}), shown)) {
        m_full = true;
        // Still shown, from the drawing it makes.
        if (shown)
            m_direct.insert(layer);
    }
    if (!m_waitingFor.remove(layer))
        return;
    if (m_waitingFor.isEmpty())
        compose();
    else if (!m_partial.isActive())
        m_partial.start();
}

bool MapRenderer::keep(const Layer *layer, std::shared_ptr<Kept> kept, bool makeRoom)
{
    forget(layer);
    const qsizetype bytes = kept->bytes();
    if (makeRoom && m_keptBytes + bytes > m_budget) {
        // Hidden layers' images make room for shown ones', when that is enough.
        qsizetype hidden = 0;
        for (auto other = m_kept.cbegin(); other != m_kept.cend(); ++other)
            if (!m_shown.contains(other.key()))
                hidden += other.value()->bytes();
        if (m_keptBytes - hidden + bytes > m_budget)
            return false;
        for (auto other = m_kept.begin(); other != m_kept.end() && m_keptBytes + bytes > m_budget;) {
            if (m_shown.contains(other.key())) {
                ++other;
                continue;
            }
            m_keptBytes -= other.value()->bytes();
            other = m_kept.erase(other);
        }
    }
    if (m_keptBytes + bytes > m_budget)
        return false;
    m_keptBytes += bytes;
    m_kept.insert(layer, std::move(kept));
    return true;
}

void MapRenderer::forget(const Layer *layer)
{
    if (const std::shared_ptr<Kept> kept = m_kept.take(layer)) {
        m_keptBytes -= kept->bytes();
        m_full = false;
    }
}

void MapRenderer::compose()
{
    if (m_composition) {
        m_composeAgain = true;
        return;
    }
    m_partial.stop();
    // Bottom first: the last layer of the table of contents is drawn first.
    auto job = std::make_shared<Composition>();
    // Where each part that draws anything is in the parts.
    std::vector<std::size_t> drawnAt;
    for (auto entry = m_layers.rbegin(); entry != m_layers.rend(); ++entry) {
        const std::shared_ptr<Kept> kept = m_kept.value(entry->layer);
        if (kept && kept->drawing.drawsAs(entry->drawing))
            job->parts.push_back({kept, {}});
        else if (m_direct.contains(entry->layer))
            job->parts.push_back({nullptr, entry->drawing});
        else
            continue;
        if (entry->drawing.extent()) {
            drawnAt.push_back(job->parts.size() - 1);
            job->drawn.push_back(*entry);
        }
    }
    // The image shown for this frame still shows the topmost layers as they
    // are, with nothing between them (while a document's layers arrive, top
    // first, each new one lies under those before): it goes over the layers
    // under them, which are all that is drawn.
    const auto sameEntry = [](const Entry &shown, const Entry &now) {
        return shown.layer == now.layer && shown.drawing.drawsAs(now.drawing);
    };
    if (m_imageFrame == m_frame && !m_imageLayers.empty() && m_imageLayers.size() <= job->drawn.size()) {
        const std::size_t under = job->drawn.size() - m_imageLayers.size();
        if (std::equal(m_imageLayers.begin(), m_imageLayers.end(), job->drawn.begin() + qsizetype(under), sameEntry)) {
            job->base = m_image;
            job->baseFrom = drawnAt[under];
        }
    }
    // Each band clears its own rows.
    job->image = QImage(m_frame.size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    job->clock.start();
    m_composition = job;
    m_composeAgain = false;
    // Bands of the image composed side by side, one per thread; the last
    // band done hands the image over.
    const int bands = std::max(1, m_composer.maxThreadCount());
    const int height = job->image.height();
    job->left = bands;
    uchar *const bits = job->image.bits();
    for (int band = 0; band < bands; ++band) {
        const int top = height * band / bands;
        const int bottom = height * (band + 1) / bands;
        m_composer.start([this, job, bits, top, bottom, frame = m_frame, request = m_requests,
                          complete = m_waitingFor.isEmpty(), draw = m_draw] {
            paintBand(*job, frame, bits, top, bottom, draw);
            if (--job->left == 0)
                QMetaObject::invokeMethod(
                    this,
                    [this, job, frame, request, complete] {
                        composed(job->image, frame, request, complete, job->clock.elapsed());
                    },
                    Qt::QueuedConnection);
        });
    }
}

void MapRenderer::composed(const QImage &image, const Frame &frame, std::uint64_t request, bool complete, qint64 tookMs)
{
    const std::shared_ptr<Composition> job = std::exchange(m_composition, nullptr);
    const bool superseded = job->superseded;
    m_mayStop = !superseded;
    if (superseded) {
        // The request that made it useless composes now, or once the
        // layers it waits for are drawn.
        if (m_composeAgain)
            compose();
        return;
    }
    m_imageLayers = std::move(job->drawn);
    // Partial images while drawing come no more often than composing allows.
    m_partial.setInterval(std::max<qint64>(kPartialMs, 3 * tookMs));
    m_image = image;
    m_imageFrame = frame;
    emit imageChanged();
    if (complete && request == m_requests && !m_composeAgain) {
        m_done = true;
        // The layers drawn straight into it get their own images once no
        // new request has come for a while: while a document's layers are
        // read, each refresh would otherwise start them anew, taking the
        // processor from the reading.
        m_settled.start();
        emit finished();
    } else if (m_composeAgain) {
        compose();
    }
}

} // namespace mapdesk
