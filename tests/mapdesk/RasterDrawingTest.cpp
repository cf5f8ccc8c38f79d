#include "LayerDrawing.h"
#include "MapPainter.h"
#include "RasterLayer.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

using namespace mapdesk;

namespace {

/// A raster of `size` pixels over map units 0 .. width, 0 .. height, with `colour(x, y)` per pixel.
RasterLayer rasterOf(const QSize &size, const std::function<QRgb(int, int)> &colour)
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, colour(x, y));
    RasterLayer layer(QStringLiteral("Raster"));
    layer.setImage(image, QRectF(QPointF(0, 0), QSizeF(size)));
    return layer;
}

/// `scale` device pixels per map unit, north up, the raster's corner at `offset`.
QTransform viewAt(double scale, const QSizeF &extent, double offset)
{
    return QTransform(scale, 0, 0, -scale, offset, offset + extent.height() * scale);
}

/// A transparent image of `size` with what `draw` paints.
QImage drawn(const QSize &size, const std::function<void(QPainter &)> &draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

QImage drawnByMapdesk(const RasterLayer &layer, const QTransform &transform, const QSize &size)
{
    return drawn(size, [&](QPainter &painter) { MapPainter::drawLayer(painter, LayerDrawing::of(layer), transform); });
}

/// The whole image scaled smoothly to where it lies: the picture drawing from levels must keep.
QImage drawnWhole(const RasterLayer &layer, const QTransform &transform, const QSize &size)
{
    return drawn(size, [&](QPainter &painter) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(transform.mapRect(*layer.extent()), layer.image());
    });
}

/// The mean difference of the colour channels over `area`, 0 .. 255.
double meanDifference(const QImage &a, const QImage &b, const QRect &area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q))
                   + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * area.width() * area.height());
}

} // namespace

// Drawn from the level nearest the view's resolution, a raster looks as the
// whole image scaled smoothly does, reduced, at its size and enlarged, with
// transparent pixels too.
TEST(RasterDrawingTest, LooksAsTheWholeImageScaledAtEveryScale)
{
    const QSize size(48, 36);
    const RasterLayer layer = rasterOf(
        size, [](int x, int y) { return x > 40 && y > 30 ? qRgba(0, 0, 0, 0) : qRgb(x * 5, y * 7, 255 - x * 2); });
    for (const double scale : {0.25, 0.5, 0.8, 1.0, 1.7, 4.0}) {
        const QTransform transform = viewAt(scale, size, 3);
        const QSize device = (QSizeF(size) * scale).toSize() + QSize(6, 6);
        const QImage ours = drawnByMapdesk(layer, transform, device);
        const QImage whole = drawnWhole(layer, transform, device);
        EXPECT_LE(meanDifference(ours, whole, ours.rect()), 4.0) << "at " << scale << " pixels per cell";
    }
    // A cell to a pixel is copied as it is.
    const QTransform same = viewAt(1, size, 3);
    EXPECT_EQ(drawnByMapdesk(layer, same, size + QSize(6, 6)), drawnWhole(layer, same, size + QSize(6, 6)));
}

// Enlarged, each cell is a crisp block of its own colour, not a blur into its neighbours.
TEST(RasterDrawingTest, EnlargedCellsAreDrawnCrisp)
{
    const RasterLayer layer =
        rasterOf(QSize(2, 1), [](int x, int) { return x == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255); });
    const QImage image = drawnByMapdesk(layer, viewAt(20, QSizeF(2, 1), 0), QSize(40, 20));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(image.pixel(x, 10), x < 20 ? qRgb(0, 0, 0) : qRgb(255, 255, 255)) << "column " << x;
}

// Reduced far, detail finer than a pixel blends into an even grey instead of
// showing whichever cells the pixels happen to fall on.
TEST(RasterDrawingTest, DetailFinerThanAPixelBlends)
{
    // Every third column white: a third white everywhere at a tenth of the size.
    const RasterLayer layer =
        rasterOf(QSize(300, 300), [](int x, int) { return x % 3 == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); });
    const QImage image = drawnByMapdesk(layer, viewAt(0.1, QSizeF(300, 300), 0), QSize(30, 30));
    for (int x = 1; x < 29; ++x)
        EXPECT_NEAR(qGray(image.pixel(x, 15)), 85, 20) << "column " << x;
}
