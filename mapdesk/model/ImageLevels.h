#pragma once

#include <QImage>
#include <QSizeF>

#include <mutex>
#include <vector>

namespace mapdesk {

/// A raster layer's image and copies of it halved again and again, each
/// made the first time a drawing asks for it, so that a drawing reads about
/// as many pixels as it draws instead of resampling the whole image. Held
/// premultiplied, the format drawing blends fastest, or without alpha when
/// every pixel is opaque (then it hides what lies under it). Shared by the
/// layer and its drawings on any thread; the image never changes once made.
class ImageLevels
{
public:
    explicit ImageLevels(const QImage &image);
    ImageLevels(const ImageLevels &) = delete;
    ImageLevels &operator=(const ImageLevels &) = delete;

    /// `image` as held here: premultiplied, or without alpha when opaque.
    /// Costs a pass over the pixels; an image already so passes at once.
    static QImage forDrawing(const QImage &image);

    /// The full image.
    const QImage &image() const { return m_image; }
    /// Whether every pixel is opaque.
    bool opaque() const { return !m_image.isNull() && !m_image.hasAlphaChannel(); }
    /// The smallest level that still has at least as many pixels across and
    /// down as `target` (device pixels the whole image is drawn into); the
    /// full image when it is drawn at its own size or larger.
    QImage levelFor(const QSizeF &target) const;

private:
    QImage m_image;
    mutable std::mutex m_mutex;
    /// Halved levels made so far, largest first.
    mutable std::vector<QImage> m_halved;
};

} // namespace mapdesk
