#pragma once

#include "ImageLevels.h"
#include "Layer.h"

#include <QImage>
#include <QSize>

#include <memory>

namespace mapdesk {

/// A layer showing one image read with GDAL (GeoTIFF, PNG/JPEG with a world
/// file, ...), placed by its geotransform. An image without georeferencing
/// covers x 0 .. width, y 0 .. height. Large images are read reduced so that
/// neither side exceeds MaxImageSide pixels. A source that cannot be read
/// leaves the layer in its map with a null image and an error text.
class RasterLayer : public Layer
{
public:
    static constexpr int MaxImageSide = 2048;

    explicit RasterLayer(QString name, QString sourcePath = {}, bool visible = true);
    ~RasterLayer() override;

    Kind kind() const override { return Kind::Raster; }

    /// Absolute path of the image file; empty for a layer filled in memory.
    QString sourcePath() const { return m_sourcePath; }
    void setSourcePath(const QString &path);
    /// An image as read from its file, not yet the layer's: made on any
    /// thread by read(), taken by install() on the thread that owns the layer.
    struct ReadResult
    {
        QImage image;
        QSize sourceSize;
        std::optional<QRectF> extent;
        CoordinateSystem dataSystem;
        CoordinateSystem mapSystem;
        /// Why the image cannot be shown; empty when it was read.
        QString errorText;
    };
    /// Reads the image at `path`, warped into `mapSystem` when its own system
    /// differs. Touches no layer: safe on any thread.
    static ReadResult read(const QString &path, const CoordinateSystem &mapSystem);
    /// The coordinate system read() would find for the image, without
    /// reading its pixels; empty when it names none or cannot be opened.
    static CoordinateSystem readCoordinateSystem(const QString &path);
    /// Makes `result` the layer's image, replacing what was held.
    void install(ReadResult result);
    /// Reads the image in the map's system and installs it (read() and
    /// install()). Returns false and sets errorText() when the source cannot
    /// be read.
    bool load();
    /// Leaves the data unread, with `reason` as the error text (reading was
    /// cancelled); the source stays, so that saving keeps the layer whole.
    void setNotLoaded(const QString &reason);
    /// Replaces the image and its extent (layers made in memory); clears the error text.
    void setImage(const QImage &image, const QRectF &extent);

    /// The image, north up, premultiplied ARGB32 (transparent where the
    /// source has no data), or RGB32 when every pixel is opaque.
    const QImage &image() const { return m_image; }
    /// The image with its reduced copies, for drawing; null without an image.
    std::shared_ptr<const ImageLevels> levels() const { return m_levels; }
    /// Size of the source in pixels (the image may be reduced).
    QSize sourceSize() const { return m_sourceSize; }

    QString errorText() const override { return m_errorText; }
    QString warningText() const override;
    CoordinateSystem dataCoordinateSystem() const override { return m_dataSystem; }
    /// Reads the image again, warped into `map` when the image's own system differs.
    QString setMapCoordinateSystem(const CoordinateSystem &map) override;
    /// The area the image covers, in map coordinates.
    std::optional<QRectF> extent() const override { return m_extent; }

private:
    QString m_sourcePath;
    QString m_errorText;
    QImage m_image;
    std::shared_ptr<const ImageLevels> m_levels;
    QSize m_sourceSize;
    std::optional<QRectF> m_extent;
    CoordinateSystem m_dataSystem;
    CoordinateSystem m_mapSystem;
};

} // namespace mapdesk
