#include "MapPictures.h"

#include "Document.h"
#include "Map.h"
#include "MapPictureLayers.h"
#include "MapView.h"

#include <algorithm>

namespace mapdesk {

namespace {
/// How many pictures are kept: a set list's worth of recent ones.
constexpr std::size_t kMostKept = 32;
} // namespace

MapPictures::MapPictures(MapView *view, QObject *parent) : QObject(parent), m_view(view) {}

MapPictures::~MapPictures()
{
    m_pool.waitForDone();
}

bool MapPictures::Picture::shows(const MapRenderer::Frame &f, int width, const std::vector<MapRenderer::Entry> &l) const
{
    return frame == f && maxWidth == width
           && std::equal(layers.begin(), layers.end(), l.begin(), l.end(),
                         [](const MapRenderer::Entry &a, const MapRenderer::Entry &b) {
                             return a.layer == b.layer && a.drawing.drawsAs(b.drawing);
                         });
}

void MapPictures::drawFocusMap(IDocument &document, const std::vector<LayerFlag> &flags, int maxWidth,
                               QObject *receiver, Done done)
{
    auto *model = dynamic_cast<Document *>(&document);
    const std::shared_ptr<Map> map = model ? model->focusMapModel() : nullptr;
    if (!map) {
        done(QImage());
        return;
    }
    std::vector<MapRenderer::Entry> layers = drawnWith(*map, flags);
    const bool viewed =
        m_view && m_view->document().get() == model && !m_view->renderer()->requestedFrame().size.isEmpty();
    const MapRenderer::Frame frame = viewed ? m_view->renderer()->requestedFrame() : frameWithoutView(*map);

    const auto found = std::find_if(m_pictures.begin(), m_pictures.end(), [&](const std::shared_ptr<Picture> &p) {
        return p->shows(frame, maxWidth, layers);
    });
    if (found != m_pictures.end()) {
        const std::shared_ptr<Picture> picture = *found;
        m_pictures.erase(found);
        m_pictures.push_front(picture);
        if (picture->ready)
            done(picture->image);
        else
            picture->waiting.emplace_back(receiver, std::move(done));
        return;
    }
    auto picture = std::make_shared<Picture>(Picture{frame, maxWidth, std::move(layers), {}, false, {}});
    picture->waiting.emplace_back(receiver, std::move(done));
    m_pictures.push_front(picture);
    // Pictures still being drawn are kept until they are handed over.
    while (m_pictures.size() > kMostKept && m_pictures.back()->ready)
        m_pictures.pop_back();
    ++m_made;
    const auto handOver = [this, picture](const QImage &image) { made(picture, image); };
    if (viewed) {
        m_view->renderer()->picture(picture->layers, maxWidth, this, handOver);
        return;
    }
    m_pool.start([this, picture, frame, maxWidth] {
        const QImage image = MapRenderer::drawPicture(picture->layers, frame, maxWidth);
        // Queued to this object, which waits for these threads when it goes.
        QMetaObject::invokeMethod(
            this, [this, picture, image] { made(picture, image); }, Qt::QueuedConnection);
    });
}

void MapPictures::made(const std::shared_ptr<Picture> &picture, const QImage &image)
{
    picture->image = image;
    picture->ready = true;
    for (auto &[receiver, done] : std::exchange(picture->waiting, {}))
        if (receiver)
            done(image);
}

} // namespace mapdesk
