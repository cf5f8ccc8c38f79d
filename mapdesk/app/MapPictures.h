#pragma once

#include "IMapPictures.h"
#include "MapRenderer.h"

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <deque>
#include <memory>
#include <vector>

namespace mapdesk {

class MapView;

/// mapdesk's pictures of a document's focus map with some layers switched
/// (IMapPictures). For the document the data view shows, a picture has the
/// view's extent and is composed from the layer images its renderer keeps,
/// drawing only the layers it has no image of; any other document's focus
/// map is drawn whole at its full extent in a frame of the view's usual
/// size. Recent pictures are kept by what they show (the layers drawn, their
/// data and symbols, the frame and the width), so that asking again for an
/// unchanged picture draws nothing, and a request equal to one being drawn
/// waits for it. The host owns it; it follows the view without owning it.
class MapPictures : public QObject, public IMapPictures
{
    Q_OBJECT

public:
    explicit MapPictures(MapView *view = nullptr, QObject *parent = nullptr);
    /// Waits for the pictures being drawn without a view.
    ~MapPictures() override;

    void drawFocusMap(IDocument &document, const std::vector<LayerFlag> &flags, int maxWidth, QObject *receiver,
                      Done done) override;

    /// How many pictures were composed or drawn since construction.
    int picturesMade() const { return m_made; }

private:
    struct Picture
    {
        MapRenderer::Frame frame;
        int maxWidth;
        std::vector<MapRenderer::Entry> layers;
        QImage image;
        bool ready = false;
        std::vector<std::pair<QPointer<QObject>, Done>> waiting;
        bool shows(const MapRenderer::Frame &f, int width, const std::vector<MapRenderer::Entry> &l) const;
    };
    void made(const std::shared_ptr<Picture> &picture, const QImage &image);

    QPointer<MapView> m_view;
    std::deque<std::shared_ptr<Picture>> m_pictures; ///< most recently asked for first
    QThreadPool m_pool;                              ///< draws the pictures made without a view
    int m_made = 0;
};

} // namespace mapdesk
