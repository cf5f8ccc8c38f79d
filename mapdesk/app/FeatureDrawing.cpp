#include "FeatureDrawing.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace mapdesk {

namespace {

/// A size from the symbol, or nothing when it is not a usable number.
double sizeOf(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0.0;
}

/// What of the map can show in one drawing and how finely it is drawn.
struct View
{
    /// Whether nothing can show (the device or its clip holds no pixel).
    bool empty = false;
    /// Whether features outside `mapArea` are left out; else all are drawn.
    bool culled = false;
    /// Where a feature can show, in map coordinates and in the painter's.
    QRectF mapArea;
    QRectF area;
    /// Distance in the painter's coordinates within which consecutive
    /// vertices are one on the device.
    double tolerance = 0;
};

View viewOf(const QPainter &painter, const Symbol &symbol, const QTransform &transform)
{
    View view;
    const QTransform toDevice = painter.combinedTransform();
    const QPaintDevice *device = painter.device();
    if (!device || toDevice.type() == QTransform::TxProject || transform.type() == QTransform::TxProject)
        return view;
    // Device pixels per unit of the painter's coordinates in its least and
    // most stretched directions: the singular values of the linear part.
    const double a = toDevice.m11(), b = toDevice.m12(), c = toDevice.m21(), d = toDevice.m22();
    const double sumOfSquares = a * a + b * b + c * c + d * d;
    const double product = std::abs(a * d - b * c);
    const double spread = std::sqrt(std::max(0.0, sumOfSquares * sumOfSquares / 4 - product * product));
    const double least = std::sqrt(std::max(0.0, sumOfSquares / 2 - spread));
    const double most = std::sqrt(sumOfSquares / 2 + spread);
    bool deviceInvertible = false;
    bool mapInvertible = false;
    const QTransform fromDevice = toDevice.inverted(&deviceInvertible);
    const QTransform toMap = transform.inverted(&mapInvertible);
    if (!deviceInvertible || !mapInvertible || !(least > 0) || !std::isfinite(most))
        return view;

    QRectF area = fromDevice.mapRect(QRectF(0, 0, device->width(), device->height()));
    if (painter.hasClipping())
        area = area.intersected(painter.clipBoundingRect());
    if (area.isEmpty()) {
        view.empty = true;
        return view;
    }
    // Strokes and dots reach past the edge by half the line width, the dot's
    // radius and its outline, and antialiasing by a pixel more.
    const double pixel = 1 / least;
    const double reach = std::max(sizeOf(symbol.lineWidth) / 2 * pixel, sizeOf(symbol.pointSize) / 2 + pixel) + pixel;
    area.adjust(-reach, -reach, reach, reach);
    view.culled = true;
    view.area = area;
    view.mapArea = toMap.mapRect(area);
    view.tolerance = 0.5 / (most * std::max(1.0, device->devicePixelRatio()));
    return view;
}

/// The subpaths of a path as drawn in the painter's coordinates, one after
/// another in `points`, subpath k ending before ends[k]; and the lines that
/// fell within half a pixel, as dots.
struct Subpaths
{
    std::vector<QPointF> points;
    std::vector<std::size_t> ends;
    std::vector<QPointF> dots;

    std::size_t count() const { return ends.size(); }
    std::size_t begin(std::size_t k) const { return k == 0 ? 0 : ends[k - 1]; }
    const QPointF *at(std::size_t k) const { return points.data() + begin(k); }
    int size(std::size_t k) const { return static_cast<int>(ends[k] - begin(k)); }
};

double squaredDistance(const QPointF &p, const QPointF &q)
{
    const QPointF d = p - q;
    return d.x() * d.x() + d.y() * d.y();
}

/// How a subpath is taken: as a ring (closed), a line, or a line that
/// becomes a dot when it falls within half a pixel of a point.
enum class Shape { Ring, Line, LineOrDot };

/// Appends elements [first, end) of `path` to `out` as one subpath through
/// `transform`, leaving out each vertex within `tolerance` of the last one
/// kept, but keeping the first and the last; a ring is closed. What falls
/// into about a pixel still shows as it would drawn whole: a line that would
/// end where it starts keeps its farthest vertex too, a ring left with fewer
/// than three corners becomes its bounding box, and with Shape::LineOrDot a
/// line whose vertices all lie within `tolerance` of their middle goes to
/// out.dots as that middle instead.
void appendSubpath(const QPainterPath &path, int first, int end, const QTransform &transform, double tolerance,
                   Shape shape, Subpaths &out)
{
    const double tolerance2 = tolerance * tolerance;
    const std::size_t start = out.points.size();
    const QPainterPath::Element &head = path.elementAt(first);
    const QPointF origin = transform.map(QPointF(head.x, head.y));
    out.points.push_back(origin);
    QPointF kept = origin;
    QPointF farthest = origin;
    double farthest2 = 0;
    QPointF low = origin;
    QPointF high = origin;
    for (int i = first + 1; i < end; ++i) {
        const QPainterPath::Element &element = path.elementAt(i);
        const QPointF p = transform.map(QPointF(element.x, element.y));
        if (i == end - 1 || squaredDistance(p, kept) > tolerance2) {
            out.points.push_back(p);
            kept = p;
        }
        const double distance2 = squaredDistance(p, origin);
        if (distance2 > farthest2) {
            farthest2 = distance2;
            farthest = p;
        }
        low = QPointF(std::min(low.x(), p.x()), std::min(low.y(), p.y()));
        high = QPointF(std::max(high.x(), p.x()), std::max(high.y(), p.y()));
    }
    if (shape == Shape::Ring) {
        if (out.points.back() != origin)
            out.points.push_back(origin);
        if (out.points.size() - start < 4 && farthest2 > 0) {
            out.points.resize(start);
            out.points.insert(out.points.end(),
                              {low, QPointF(high.x(), low.y()), high, QPointF(low.x(), high.y()), low});
        }
    } else if (shape == Shape::LineOrDot && farthest2 > 0 && squaredDistance(low, high) <= 4 * tolerance2) {
        out.points.resize(start);
        out.dots.push_back((low + high) / 2);
        return;
    } else if (farthest2 > 0
               && std::all_of(out.points.begin() + static_cast<std::ptrdiff_t>(start), out.points.end(),
                              [&](const QPointF &p) { return p == origin; })) {
        out.points.insert(out.points.end() - 1, farthest);
    }
    out.ends.push_back(out.points.size());
}

/// Takes `path`'s subpaths into `out` (emptied first) through `transform`,
/// simplified to `tolerance`. False when the path has curves: those are
/// drawn whole.
bool takeSubpaths(const QPainterPath &path, const QTransform &transform, double tolerance, Shape shape, Subpaths &out)
{
    out.points.clear();
    out.ends.clear();
    out.dots.clear();
    const int count = path.elementCount();
    int first = 0;
    while (first < count) {
        int end = first + 1;
        for (; end < count && !path.elementAt(end).isMoveTo(); ++end) {
            if (path.elementAt(end).isCurveTo())
                return false;
        }
        appendSubpath(path, first, end, transform, tolerance, shape, out);
        first = end;
    }
    return true;
}

/// A disc drawn once at each quarter of a pixel's offsets and then copied
/// where it is wanted: many times faster than drawing each, and within an
/// eighth of a pixel of it. Only for a painter drawing in device pixels.
class DotStamp
{
public:
    /// Largest radius stamped; larger dots are few on a screen and drawn.
    static constexpr double kMaxRadius = 32;

    DotStamp(double radius, const QPen &pen, const QBrush &brush, bool antialiased)
        : m_margin(static_cast<int>(std::ceil(radius + pen.widthF())) + 2)
    {
        const int side = 2 * m_margin + 1;
        for (int row = 0; row < kSteps; ++row) {
            for (int column = 0; column < kSteps; ++column) {
                QImage &image = m_images[static_cast<std::size_t>(row * kSteps + column)];
                image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::transparent);
                QPainter painter(&image);
                painter.setRenderHint(QPainter::Antialiasing, antialiased);
                painter.setPen(pen);
                painter.setBrush(brush);
                painter.drawEllipse(QPointF(m_margin + (column + 0.5) / kSteps, m_margin + (row + 0.5) / kSteps),
                                    radius, radius);
            }
        }
    }

    void draw(QPainter &painter, const QPointF &at) const
    {
        // Far off the device the position would not fit an int; nothing shows there.
        constexpr double kFar = 1e9;
        if (!(std::abs(at.x()) < kFar && std::abs(at.y()) < kFar))
            return;
        const double x = std::floor(at.x());
        const double y = std::floor(at.y());
        const int column = std::clamp(static_cast<int>((at.x() - x) * kSteps), 0, kSteps - 1);
        const int row = std::clamp(static_cast<int>((at.y() - y) * kSteps), 0, kSteps - 1);
        painter.drawImage(QPoint(static_cast<int>(x) - m_margin, static_cast<int>(y) - m_margin),
                          m_images[static_cast<std::size_t>(row * kSteps + column)]);
    }

private:
    static constexpr int kSteps = 4;
    int m_margin;
    std::array<QImage, kSteps * kSteps> m_images;
};

/// The painter's pen and brush for each kind of shape, set only when the
/// kind changes from one shape to the next.
class Styles
{
public:
    enum Kind { None, Area, AreaFill, AreaOutline, Line, Dot };

    Styles(QPainter &painter, const Symbol &symbol) : m_painter(painter), m_colour(symbol.colour)
    {
        m_fill = m_colour;
        m_fill.setAlpha(150);
        m_outline = QPen(m_colour.darker(160));
        m_outline.setCosmetic(true);
        m_outline.setWidthF(1.0);
        m_line = QPen(m_colour);
        m_line.setCosmetic(true);
        m_line.setWidthF(symbol.lineWidth);
        m_line.setCapStyle(Qt::RoundCap);
        m_line.setJoinStyle(Qt::RoundJoin);
    }

    const QColor &colour() const { return m_colour; }
    const QPen &outline() const { return m_outline; }
    double lineWidth() const { return m_line.widthF(); }

    void use(Kind kind)
    {
        if (kind == m_kind)
            return;
        m_kind = kind;
        switch (kind) {
        case Area:
            m_painter.setPen(m_outline);
            m_painter.setBrush(m_fill);
            break;
        case AreaFill:
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(m_fill);
            break;
        case AreaOutline:
            m_painter.setPen(m_outline);
            m_painter.setBrush(Qt::NoBrush);
            break;
        case Line:
            m_painter.setPen(m_line);
            m_painter.setBrush(Qt::NoBrush);
            break;
        case Dot:
            m_painter.setPen(m_outline);
            m_painter.setBrush(m_colour);
            break;
        case None:
            break;
        }
    }

private:
    QPainter &m_painter;
    QColor m_colour;
    QColor m_fill;
    QPen m_outline;
    QPen m_line;
    Kind m_kind = None;
};

/// Draws one feature's parts; keeps its buffers from one feature to the next.
class FeaturePainter
{
public:
    /// With `devicePixels` the painter draws in device pixels, and dots are
    /// stamped.
    FeaturePainter(QPainter &painter, const Symbol &symbol, const QTransform &transform, const View &view,
                   bool devicePixels)
        : m_painter(painter), m_styles(painter, symbol), m_transform(transform), m_view(view),
          m_radius(symbol.pointSize / 2), m_devicePixels(devicePixels)
    {
    }

    void draw(const Feature &feature)
    {
        if (!feature.areas.isEmpty())
            drawAreas(feature.areas);
        if (!feature.lines.isEmpty())
            drawLines(feature.lines);
        if (!feature.points.isEmpty())
            drawPoints(feature.points);
    }

private:
    void drawAreas(const QPainterPath &areas)
    {
        if (!takeSubpaths(areas, m_transform, m_view.tolerance, Shape::Ring, m_parts)) {
            QPainterPath whole = m_transform.map(areas);
            whole.setFillRule(Qt::OddEvenFill);
            m_styles.use(Styles::Area);
            m_painter.drawPath(whole);
            return;
        }
        if (m_parts.count() == 1) {
            m_styles.use(Styles::Area);
            m_painter.drawPolygon(m_parts.at(0), m_parts.size(0), Qt::OddEvenFill);
            return;
        }
        // Several rings fill together, holes staying holes: one polygon that
        // goes out from the first ring's start to each other ring and back
        // the same way, so that the ways there and back cancel out. The
        // outlines are drawn on their own, without those ways.
        m_bridged.clear();
        const QPointF anchor = m_parts.points.front();
        for (std::size_t k = 0; k < m_parts.count(); ++k) {
            m_bridged.insert(m_bridged.end(), m_parts.at(k), m_parts.at(k) + m_parts.size(k));
            if (k > 0)
                m_bridged.push_back(anchor);
        }
        m_styles.use(Styles::AreaFill);
        m_painter.drawPolygon(m_bridged.data(), static_cast<int>(m_bridged.size()), Qt::OddEvenFill);
        m_styles.use(Styles::AreaOutline);
        for (std::size_t k = 0; k < m_parts.count(); ++k)
            m_painter.drawPolyline(m_parts.at(k), m_parts.size(k));
    }

    void drawLines(const QPainterPath &lines)
    {
        // A pen narrower than a pixel still draws a pixel wide line.
        const double width = m_styles.lineWidth();
        const bool stamped = m_devicePixels && width >= 1 && width / 2 <= DotStamp::kMaxRadius;
        if (!takeSubpaths(lines, m_transform, m_view.tolerance, stamped ? Shape::LineOrDot : Shape::Line, m_parts)) {
            m_styles.use(Styles::Line);
            m_painter.drawPath(m_transform.map(lines));
            return;
        }
        if (m_parts.count() > 0)
            m_styles.use(Styles::Line);
        for (std::size_t k = 0; k < m_parts.count(); ++k)
            m_painter.drawPolyline(m_parts.at(k), m_parts.size(k));
        if (m_parts.dots.empty())
            return;
        // A round-capped line shorter than a pixel is a dot of its width.
        if (!m_lineDot) {
            m_lineDot.emplace(m_styles.lineWidth() / 2, Qt::NoPen, m_styles.colour(),
                              m_painter.testRenderHint(QPainter::Antialiasing));
        }
        for (const QPointF &dot : m_parts.dots)
            m_lineDot->draw(m_painter, dot);
    }

    void drawPoints(const QList<QPointF> &points)
    {
        // Stamps cost sixteen dots to make: worth it only for a layer of many.
        const bool stamped = m_devicePixels && m_radius >= 0 && m_radius <= DotStamp::kMaxRadius
                             && (m_pointDot || m_dotsDrawn >= kStampAfter);
        m_dotsDrawn += points.size();
        if (stamped && !m_pointDot) {
            m_pointDot.emplace(m_radius, m_styles.outline(), m_styles.colour(),
                               m_painter.testRenderHint(QPainter::Antialiasing));
        }
        if (!stamped)
            m_styles.use(Styles::Dot);
        for (const QPointF &point : points) {
            const QPointF at = m_transform.map(point);
            if (m_view.culled && !m_view.area.contains(at))
                continue;
            if (stamped)
                m_pointDot->draw(m_painter, at);
            else
                m_painter.drawEllipse(at, m_radius, m_radius);
        }
    }

    QPainter &m_painter;
    Styles m_styles;
    const QTransform &m_transform;
    const View &m_view;
    const double m_radius;
    const bool m_devicePixels;
    Subpaths m_parts;
    std::vector<QPointF> m_bridged;
    std::optional<DotStamp> m_pointDot;
    std::optional<DotStamp> m_lineDot;
    /// Dots drawn so far; stamps are made once this many were drawn.
    static constexpr qsizetype kStampAfter = 64;
    qsizetype m_dotsDrawn = 0;
};

} // namespace

void FeatureDrawing::draw(QPainter &painter, const FeatureData &data, const Symbol &symbol, const QTransform &transform)
{
    painter.save();
    // A painter onto pixels (not a vector file) that only shifts draws in
    // device pixels: features are mapped there directly and dots can be
    // stamped.
    const QTransform toDevice = painter.combinedTransform();
    const QPaintEngine *engine = painter.paintEngine();
    const bool devicePixels = toDevice.type() <= QTransform::TxTranslate && painter.device()
                              && painter.device()->devicePixelRatio() == 1 && engine
                              && engine->type() == QPaintEngine::Raster;
    QTransform mapping = transform;
    if (devicePixels) {
        painter.resetTransform();
        mapping = transform * toDevice;
    }
    const View view = viewOf(painter, symbol, mapping);
    if (!view.empty) {
        FeaturePainter feature(painter, symbol, mapping, view, devicePixels);
        const std::vector<Feature> &features = data.features();
        if (view.culled) {
            for (const std::size_t i : data.featuresMeeting(view.mapArea))
                feature.draw(features[i]);
        } else {
            for (const Feature &each : features)
                feature.draw(each);
        }
    }
    painter.restore();
}

} // namespace mapdesk
