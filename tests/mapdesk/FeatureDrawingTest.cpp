#include "FeatureDrawing.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>

using namespace mapdesk;

namespace {

const QSize kImage(240, 180);
const QRectF kWorld(0, 0, 1200, 900);

/// Every feature drawn whole, as a path: how a layer looks without culling
/// or simplification.
void drawWhole(QPainter &painter, const FeatureData &data, const Symbol &symbol, const QTransform &transform)
{
    QColor fill = symbol.colour;
    fill.setAlpha(150);
    QPen outline(symbol.colour.darker(160));
    outline.setCosmetic(true);
    outline.setWidthF(1.0);
    QPen line(symbol.colour);
    line.setCosmetic(true);
    line.setWidthF(symbol.lineWidth);
    line.setCapStyle(Qt::RoundCap);
    line.setJoinStyle(Qt::RoundJoin);
    for (const Feature &feature : data.features()) {
        QPainterPath areas = transform.map(feature.areas);
        areas.setFillRule(Qt::OddEvenFill);
        painter.setPen(outline);
        painter.setBrush(fill);
        painter.drawPath(areas);
        painter.setPen(line);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(transform.map(feature.lines));
        painter.setPen(outline);
        painter.setBrush(symbol.colour);
        for (const QPointF &point : feature.points)
            painter.drawEllipse(transform.map(point), symbol.pointSize / 2, symbol.pointSize / 2);
    }
}

QPainterPath ring(const QRectF &box, int vertices)
{
    QPainterPath path;
    for (int i = 0; i < vertices; ++i) {
        const double angle = 2 * M_PI * i / vertices;
        const QPointF at =
            box.center() + QPointF(std::cos(angle) * box.width() / 2, std::sin(angle) * box.height() / 2);
        i == 0 ? path.moveTo(at) : path.lineTo(at);
    }
    path.closeSubpath();
    return path;
}

/// Large polygons with holes and of several rings, long winding lines,
/// points on a grid, and thousands of features smaller than a pixel at the
/// full extent.
std::vector<Feature> world()
{
    std::vector<Feature> features;
    for (int i = 0; i < 6; ++i) {
        Feature f;
        const QRectF box(100 + 170 * i, 80 + 60 * i, 160, 200);
        f.areas.addPath(ring(box, 400));
        f.areas.addPath(ring(box.adjusted(40, 50, -40, -50), 300)); // a hole
        if (i % 2)
            f.areas.addPath(ring(QRectF(box.topLeft() + QPointF(0, 300), QSizeF(60, 60)), 50)); // an island
        features.push_back(f);
    }
    Feature curved; // drawn whole
    curved.areas.addEllipse(QRectF(700, 600, 200, 150));
    curved.lines.moveTo(100, 850);
    curved.lines.cubicTo(400, 700, 700, 900, 1100, 800);
    features.push_back(curved);
    for (int i = 0; i < 8; ++i) {
        Feature f;
        f.lines.moveTo(0, 50 + 100 * i);
        for (int x = 1; x <= 2400; ++x)
            f.lines.lineTo(x / 2.0, 50 + 100 * i + 40 * std::sin(x / (30.0 + i)));
        features.push_back(f);
    }
    for (int x = 0; x <= 1200; x += 100) {
        Feature f;
        for (int y = 0; y <= 900; y += 100)
            f.points.append(QPointF(x, y));
        features.push_back(f);
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(0, 1200);
    std::uniform_real_distribution<double> small(-2, 2);
    for (int i = 0; i < 1500; ++i) {
        Feature f;
        const QPointF at(coordinate(random), coordinate(random) * 0.75);
        if (i % 3 == 0) {
            f.areas.moveTo(at);
            for (int k = 0; k < 6; ++k)
                f.areas.lineTo(at + QPointF(small(random), small(random)));
            f.areas.closeSubpath();
        } else if (i % 3 == 1) {
            f.lines.moveTo(at);
            f.lines.lineTo(at + QPointF(small(random), small(random)));
            f.lines.lineTo(at + QPointF(small(random), small(random)));
        } else {
            features.push_back(Feature{}); // without geometry
        }
        features.push_back(f);
    }
    return features;
}

/// A line of 100000 vertices wandering within a few pixels.
std::vector<Feature> denseLine()
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> step(-0.5, 0.5);
    Feature f;
    QPointF at(600, 450);
    f.lines.moveTo(at);
    for (int i = 0; i < 100000; ++i) {
        at += QPointF(step(random), step(random));
        at = QPointF(std::clamp(at.x(), 590.0, 610.0), std::clamp(at.y(), 440.0, 460.0));
        f.lines.lineTo(at);
    }
    return {f};
}

/// Map to image, `area` fitting the image, y up.
QTransform fit(const QRectF &area)
{
    const double scale = std::min(kImage.width() / area.width(), kImage.height() / area.height());
    return QTransform(scale, 0, 0, -scale, kImage.width() / 2.0 - area.center().x() * scale,
                      kImage.height() / 2.0 + area.center().y() * scale);
}

struct View
{
    const char *name;
    std::vector<Feature> (*features)();
    QRectF area;
    std::optional<QRect> clip;
    QTransform world;
};

void PrintTo(const View &view, std::ostream *out)
{
    *out << view.name;
}

template <typename Draw> QImage render(const View &view, const FeatureData &data, Draw draw)
{
    QImage image(kImage, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(view.world);
    if (view.clip)
        painter.setClipRect(*view.clip);
    const Symbol symbol{QColor(30, 110, 190), 3.0, 8.0};
    draw(painter, data, symbol, fit(view.area));
    return image;
}

/// Pixels of `a` whose colour lies outside, by more than `tolerance` in a
/// channel, the range of colours of the pixels of `b` within one pixel of
/// it: an edge moved by less than a pixel, as dropping vertices within half a
/// pixel of others moves it, only passes through colours already there.
int differingPixels(const QImage &a, const QImage &b, int tolerance = 40)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pixel = a.pixel(x, y);
            const int channels[4] = {qRed(pixel), qGreen(pixel), qBlue(pixel), qAlpha(pixel)};
            int low[4] = {255, 255, 255, 255};
            int high[4] = {0, 0, 0, 0};
            for (int v = std::max(0, y - 1); v <= std::min(b.height() - 1, y + 1); ++v) {
                for (int u = std::max(0, x - 1); u <= std::min(b.width() - 1, x + 1); ++u) {
                    const QRgb near = b.pixel(u, v);
                    const int nearChannels[4] = {qRed(near), qGreen(near), qBlue(near), qAlpha(near)};
                    for (int c = 0; c < 4; ++c) {
                        low[c] = std::min(low[c], nearChannels[c]);
                        high[c] = std::max(high[c], nearChannels[c]);
                    }
                }
            }
            int outside = 0;
            for (int c = 0; c < 4; ++c)
                outside = std::max({outside, low[c] - channels[c], channels[c] - high[c]});
            differing += outside > tolerance;
        }
    }
    return differing;
}

} // namespace

class FeatureDrawingTest : public testing::TestWithParam<View>
{
};

TEST_P(FeatureDrawingTest, LooksAsEveryFeatureDrawnWhole)
{
    const FeatureData data(GetParam().features());
    const QImage expected = render(GetParam(), data, drawWhole);
    const QImage drawn = render(GetParam(), data, FeatureDrawing::draw);

    const int differing = differingPixels(expected, drawn) + differingPixels(drawn, expected);
    int inked = 0;
    for (int y = 0; y < kImage.height(); ++y) {
        for (int x = 0; x < kImage.width(); ++x)
            inked += drawn.pixel(x, y) != qRgb(255, 255, 255);
    }
    EXPECT_GT(inked, 20);
    // About a thousandth of the image: a lost dot or a filled hole is many more.
    EXPECT_LE(differing, kImage.width() * kImage.height() / 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Views, FeatureDrawingTest,
    testing::Values(View{"FullExtent", world, kWorld, {}, {}},
                    View{"ZoomedOnACorner", world, QRectF(0, 0, 120, 90), {}, {}},
                    View{"ThroughPolygonsWithHoles", world, QRectF(400, 200, 120, 90), {}, {}},
                    View{"LinesCrossingTheEdge", world, QRectF(300, 130, 60, 45), {}, {}},
                    View{"DotsJustOutside", world, QRectF(302, 302, 400, 300), {}, {}},
                    View{"ClippedToAWindow", world, kWorld, QRect(50, 40, 90, 70), {}},
                    View{"ScaledByThePainter", world, kWorld, {}, QTransform(3, 0, 0, 3, -200, -150)},
                    View{"ShiftedByThePainter", world, QRectF(0, 0, 600, 450), QRect(20, 10, 200, 150),
                         QTransform::fromTranslate(-10.4, 5.7)},
                    View{"ADenseLine", denseLine, kWorld, {}, {}}),
    [](const testing::TestParamInfo<View> &info) { return std::string(info.param.name); });

TEST(FeatureDrawingFileTest, DotsAndShortLinesStayShapesInAVectorFile)
{
    std::vector<Feature> features(2);
    features[0].points = {QPointF(10, 10), QPointF(50, 40)};
    features[1].lines.moveTo(30, 30);
    features[1].lines.lineTo(30.001, 30);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.setRenderHint(QPainter::Antialiasing);
        FeatureDrawing::draw(painter, FeatureData(features), Symbol{Qt::red, 3.0, 8.0}, QTransform());
    }
    EXPECT_GT(pdf.data().size(), 0);
    EXPECT_FALSE(pdf.data().contains("/Subtype /Image")) << "dots drawn as pictures";
}
