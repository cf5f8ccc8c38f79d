#pragma once

#include "LayerDrawing.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <QTransform>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace mapdesk {

class Layer;

/// Draws a map's layers off the interface thread and composes them into one
/// image for a view. Each layer is drawn, in parallel with the others, into
/// an image of its own that is kept for as long as the view's transform and
/// size stay: a layer switched on or off, or moved in the table of contents,
/// is only composed anew; a layer whose data or symbol changed is drawn
/// again alone; a new transform or size draws every layer again and cancels
/// drawing for the old one. Images appear as they are drawn (composed at
/// most every few tenths of a second while drawing); a new request stops
/// the composition under way for an older one, unless that composition
/// itself replaced one stopped so. When many shown layers
/// have no image yet, they are drawn straight into the composed image, which
/// shows them all sooner, and get their own images once requests have rested
/// a moment. When the layers of a request are those the image shows with
/// others under them (a document's layers arriving, top first), only those
/// others are drawn, and the image goes over them. Hidden layers are drawn
/// ahead while memory allows. Every kept
/// image counts against one budget: shown layers' images take the place of
/// hidden ones', a shown layer whose image does not fit is drawn straight
/// into every composition instead, and the images of layers no longer named
/// (removed from the map) are freed at once. Layers that an opaque image
/// above hides are left out of the composition.
/// Owned by the view it draws for; owns its threads and waits for them.
class MapRenderer : public QObject
{
    Q_OBJECT

public:
    /// Where the layers are drawn: map coordinates to image pixels, and the
    /// image's size in pixels.
    struct Frame
    {
        QTransform transform;
        QSize size;
        bool operator==(const Frame &other) const = default;
    };
    /// A layer to draw, its table-of-contents identity and what it draws.
    struct Entry
    {
        const Layer *layer;
        LayerDrawing drawing;
    };
    /// Draws one layer into a painter (on a worker thread).
    using DrawFunction = std::function<void(QPainter &, const LayerDrawing &, const QTransform &)>;

    /// `draw` draws one layer; MapPainter's by default.
    explicit MapRenderer(QObject *parent = nullptr, DrawFunction draw = {});
    ~MapRenderer() override;

    /// Asks for `layers` (top first) drawn into `frame`; layers with a kept
    /// image for this frame that draws the same are not drawn again. The
    /// `hidden` layers keep their images, and are drawn ahead when there is
    /// time and memory, so that switching them on finds their images kept.
    /// The images of layers in neither list are freed.
    void render(const std::vector<Entry> &layers, const Frame &frame, const std::vector<Entry> &hidden = {});
    /// Whether hidden layers are drawn ahead (by default they are).
    void setDrawingAhead(bool ahead) { m_drawAhead = ahead; }
    /// How long requests must rest before the layers drawn straight into
    /// the composition get their own images (a quarter of a second unless set).
    void setRestBeforeOwnImages(std::chrono::milliseconds rest) { m_settled.setInterval(rest); }
    /// The bytes all kept images together may take, from the next image
    /// kept on; defaultImageBudget() unless set.
    void setImageBudget(qsizetype bytes);
    qsizetype imageBudget() const { return m_budget; }
    /// The bytes the kept images take now.
    qsizetype keptBytes() const { return m_keptBytes; }
    /// A share of the machine's physical memory, within sensible bounds.
    static qsizetype defaultImageBudget();
    /// Whether any layer, shown or hidden, is still being drawn.
    bool isBusy() const { return !m_pending.isEmpty() || !m_done || m_settled.isActive(); }
    /// Appends an entry for each of `layers` (top first; null ones skipped).
    static void addEntries(const std::vector<std::shared_ptr<Layer>> &layers, std::vector<Entry> &entries);
    /// Appends an entry for each of a map's `dataLayers` not in `shown`.
    static void addHiddenEntries(const std::vector<Layer *> &dataLayers, const std::vector<Entry> &shown,
                                 std::vector<Entry> &hidden);
    /// Paints the latest image through `toDevice` (map coordinates to the
    /// painter's): from the frame it was drawn for to the present one, so
    /// that it moves and scales with a pan or a zoom until the next is drawn.
    void paintImage(QPainter &painter, const QTransform &toDevice) const;
    /// The frame of the last request.
    const Frame &requestedFrame() const { return m_frame; }
    /// The latest composed image and the frame it was drawn for; it lags
    /// behind the request while drawing.
    const QImage &image() const { return m_image; }
    const Frame &imageFrame() const { return m_imageFrame; }
    /// Whether the image does not show the last request yet.
    bool isDrawing() const { return !m_done; }
    /// How many layer drawings were started since construction.
    int layersDrawn() const { return m_started; }

    /// Hands over a picture.
    using PictureDone = std::function<void(const QImage &)>;
    /// A small picture of `layers` (top first) in the frame of the last
    /// request, as the view would show them, at most `maxWidth` pixels wide
    /// and of the frame's proportions, on the view's white ground: composed
    /// on the composing threads from the feature layers' kept images for
    /// that frame, scaled down as they are drawn, and the raster layers'
    /// reduced images; only the feature layers without a kept image are
    /// drawn. `done` gets it on the interface thread
    /// unless `receiver` is gone by then.
    void picture(const std::vector<Entry> &layers, int maxWidth, QObject *receiver, PictureDone done);
    /// The same picture drawn here and now from nothing kept, for a program
    /// without a view.
    static QImage drawPicture(const std::vector<Entry> &layers, const Frame &frame, int maxWidth,
                              const DrawFunction &draw = {});
    /// The size of a picture of `frame` at most `maxWidth` pixels wide.
    static QSize pictureSize(const QSize &frame, int maxWidth);

signals:
    /// image() changed: more layers drawn, or the request complete.
    void imageChanged();
    /// image() shows every layer of the last request.
    void finished();

public:
    /// A drawn part of a layer's image.
    struct Piece;
    /// One composition of the kept images and the layers drawn straight in.
    struct Composition;

private:
    /// Composes rows `top` to `bottom` of `job`'s image (at `bits`).
    static void paintBand(const Composition &job, const Frame &frame, uchar *bits, int top, int bottom,
                          const DrawFunction &draw);
    /// Composes rows `top` to `bottom` of `job`'s picture, a scaled-down
    /// `frame`, on the view's white ground.
    static void paintPictureBand(const Composition &job, const Frame &frame, int top, int bottom,
                                 const DrawFunction &draw);
    /// Draws the parts of `job` that show in `area` (frame pixels) with
    /// `painter`, layers through `transform`, kept pieces moved by `shift`;
    /// `clip` is the painter's clip to go back to after a part drawn piece
    /// by piece (empty: none).
    static void drawShown(QPainter &painter, const Composition &job, const Frame &frame, const QRect &area,
                          const QTransform &transform, const QPoint &shift, const QRect &clip,
                          const DrawFunction &draw);
    struct Kept;
    struct Pending;
    class Scratch;
    void start(const Entry &entry, int priority);
    /// Starts drawing the next own images of layers drawn straight into
    /// the image, then of hidden layers as far as the budget goes.
    void drawAhead();
    /// Starts drawing `entry` in the background unless its image is kept or under way.
    void startInBackground(const Entry &entry, int priority);
    /// Gives up drawing `layer`'s image.
    void cancel(const Layer *layer);
    void drawn(const Layer *layer, std::uint64_t ticket, std::vector<Piece> pieces);
    /// Keeps `kept` as `layer`'s image if it fits the budget, with
    /// `makeRoom` after freeing the images of layers not shown; false when
    /// it does not fit (then `layer` keeps no image).
    bool keep(const Layer *layer, std::shared_ptr<Kept> kept, bool makeRoom);
    /// Frees `layer`'s kept image, if any.
    void forget(const Layer *layer);
    void compose();
    void composed(const QImage &image, const Frame &frame, std::uint64_t request, bool complete, qint64 tookMs);

    DrawFunction m_draw;
    std::shared_ptr<Scratch> m_scratch;
    QThreadPool m_pool;
    QThreadPool m_composer;
    Frame m_frame;
    std::vector<Entry> m_layers;
    QHash<const Layer *, std::shared_ptr<Kept>> m_kept;
    QHash<const Layer *, std::shared_ptr<Pending>> m_pending;
    /// The shown layers, and every layer named by the last request.
    QSet<const Layer *> m_shown;
    QSet<const Layer *> m_named;
    /// The shown layers whose images the composition waits for.
    QSet<const Layer *> m_waitingFor;
    /// The shown layers drawn straight into the composition, and those of
    /// them whose own images are to be drawn once it is done.
    QSet<const Layer *> m_direct;
    std::vector<Entry> m_following;
    std::size_t m_followingNext = 0;
    bool m_followingReady = false;
    std::uint64_t m_tickets = 0;
    std::uint64_t m_requests = 0;
    bool m_composeAgain = false;
    /// The composition under way (null when none is), told to stop when a
    /// new request comes; not the one that replaced a stopped one, so that
    /// requests that keep coming faster than composing still let images
    /// through.
    std::shared_ptr<Composition> m_composition;
    bool m_mayStop = true;
    bool m_done = true;
    bool m_drawAhead = true;
    /// The bytes of every kept image, and how many they may be.
    qsizetype m_keptBytes = 0;
    qsizetype m_budget = defaultImageBudget();
    /// An image was refused for want of room since room was last made:
    /// nothing more is drawn only to be kept.
    bool m_full = false;
    /// The hidden layers to draw ahead, the next of them, and how many are being drawn.
    std::vector<Entry> m_ahead;
    std::size_t m_aheadNext = 0;
    int m_aheadInFlight = 0;
    int m_started = 0;
    QTimer m_partial;
    /// Runs from a complete image until the own images of the layers drawn
    /// straight into it are started; a new request starts it again.
    QTimer m_settled;
    QImage m_image;
    Frame m_imageFrame;
    /// The layers that m_image shows, bottom first, and what each draws.
    std::vector<Entry> m_imageLayers;
};

} // namespace mapdesk
