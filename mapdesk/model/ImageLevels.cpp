#include "ImageLevels.h"

#include <algorithm>

namespace mapdesk {

QImage ImageLevels::forDrawing(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < premultiplied.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(premultiplied.constScanLine(y));
        if (!std::all_of(line, line + premultiplied.width(), [](QRgb pixel) { return qAlpha(pixel) == 255; }))
            return premultiplied;
    }
    // Opaque throughout: without alpha, drawing copies instead of blending.
    premultiplied.reinterpretAsFormat(QImage::Format_RGB32);
    return premultiplied;
}

ImageLevels::ImageLevels(const QImage &image) : m_image(forDrawing(image)) {}

QImage ImageLevels::levelFor(const QSizeF &target) const
{
    const auto halvedFits = [&target](const QImage &level) {
        return level.width() / 2 >= target.width() && level.height() / 2 >= target.height() && level.width() > 1
               && level.height() > 1;
    };
    if (m_image.isNull() || !halvedFits(m_image))
        return m_image;
    const std::lock_guard lock(m_mutex);
    const QImage *level = &m_image;
    for (std::size_t next = 0; halvedFits(*level); ++next) {
        // Averaged down, so that fine detail blends instead of flickering.
        if (next == m_halved.size())
            m_halved.push_back(level->scaled(level->width() / 2, level->height() / 2, Qt::IgnoreAspectRatio,
                                             Qt::SmoothTransformation));
        level = &m_halved[next];
    }
    return *level;
}

} // namespace mapdesk
