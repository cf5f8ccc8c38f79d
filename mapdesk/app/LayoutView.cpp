#include "LayoutView.h"

#include "CoordinateSystem.h"
#include "Document.h"
#include "DocumentEvents.h"
#include "FileDrop.h"
#include "GroupElement.h"
#include "Layer.h"
#include "LayerDrawing.h"
#include "Legend.h"
#include "Map.h"
#include "MapFrameElement.h"
#include "MapPainter.h"
#include "MapRenderer.h"
#include "MapSurroundFrameElement.h"
#include "NorthArrow.h"
#include "PageLayout.h"
#include "ScaleBar.h"
#include "TextElement.h"

#include <QDropEvent>
#include <QImageWriter>
#include <QLocale>
#include <QPageSize>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace mapdesk {

namespace {
/// Draws `text` left-aligned and centred down `box`, `pixels` high, scaled
/// from a large unhinted size so that its width is in proportion to its height.
void drawScaledText(QPainter &painter, const QRectF &box, QFont font, double pixels, const QString &text)
{
    constexpr double kReference = 100.0;
    if (pixels <= 0)
        return;
    font.setPixelSize(static_cast<int>(kReference));
    font.setHintingPreference(QFont::PreferNoHinting);
    const double scale = pixels / kReference;
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(scale, scale);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, box.width() / scale, box.height() / scale), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.restore();
}

constexpr int kMargin = 16;
constexpr int kMaxGroupDepth = 64;
constexpr double kMillimetresPerPoint = 25.4 / 72.0;
/// Inset of a map inside its frame, in millimetres.
constexpr double kFrameInsetMm = 1.0;

/// Visits every map frame on the page, inside groups too.
template <typename Visit>
void forEachMapFrame(const std::vector<std::shared_ptr<Element>> &elements, const Visit &visit, int depth = 0)
{
    if (depth > kMaxGroupDepth)
        return;
    for (const auto &element : elements) {
        if (const auto group = std::dynamic_pointer_cast<GroupElement>(element))
            forEachMapFrame(group->elements(), visit, depth + 1);
        else if (const auto frame = std::dynamic_pointer_cast<MapFrameElement>(element))
            visit(*frame);
    }
}

/// A "nice" length for a scale bar: 1, 2 or 5 times a power of ten, at most `limit`.
double niceLength(double limit)
{
    if (limit <= 0 || !std::isfinite(limit))
        return 0;
    const double power = std::pow(10.0, std::floor(std::log10(limit)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= limit)
            return step * power;
    return power;
}
} // namespace

LayoutView::LayoutView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(look);
    setAcceptDrops(true);
    setObjectName(QStringLiteral("layoutView"));
}

LayoutView::~LayoutView()
{
    delete m_connections.data();
}

void LayoutView::setDocument(std::shared_ptr<Document> document)
{
    delete m_connections.data();
    qDeleteAll(m_renderers);
    m_renderers.clear();
    m_entries.clear();
    m_frameBoxes.clear();
    m_document = std::move(document);
    if (m_document) {
        m_connections = new QObject(this);
        DocumentEvents *events = m_document->events();
        connect(events, &DocumentEvents::viewRefreshed, m_connections, [this](IView *view) { refreshed(view); });
        connect(events, &DocumentEvents::partialRefresh, m_connections,
                [this](IView *view, int, HostObject *data, QRectF area) { partiallyRefreshed(view, data, area); });
    }
    update();
}

QTransform LayoutView::pageTransform() const
{
    const std::shared_ptr<PageLayout> layout = m_document ? m_document->pageLayoutModel() : nullptr;
    if (!layout)
        return {};
    const QSizeF page = layout->pageSize();
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (page.isEmpty() || area.isEmpty())
        return {};
    const double scale = std::min(area.width() / page.width(), area.height() / page.height());
    const QPointF origin = area.center() - QPointF(page.width() * scale / 2, page.height() * scale / 2);
    return QTransform(scale, 0, 0, scale, origin.x(), origin.y());
}

QRect LayoutView::elementRect(const Element &element) const
{
    return pageTransform().mapRect(element.bounds()).toAlignedRect().adjusted(-2, -2, 2, 2);
}

void LayoutView::refreshed(IView *view)
{
    if (!m_document)
        return;
    const std::shared_ptr<PageLayout> layout = m_document->pageLayoutModel();
    if (view == static_cast<IView *>(layout.get())) {
        update();
        return;
    }
    // A map refreshed as a view: the frames that show it draw anew.
    forEachMapFrame(layout->elements(), [&](MapFrameElement &frame) {
        if (view == static_cast<IView *>(frame.mapModel().get()))
            update(elementRect(frame));
    });
}

void LayoutView::partiallyRefreshed(IView *view, HostObject *data, const QRectF &area)
{
    if (!m_document || view != static_cast<IView *>(m_document->pageLayoutModel().get()))
        return;
    if (const auto *element = dynamic_cast<const Element *>(data)) {
        QRect region = elementRect(*element);
        if (!area.isNull())
            region &= pageTransform().mapRect(area).toAlignedRect().adjusted(-2, -2, 2, 2);
        update(region);
    } else if (!area.isNull()) {
        update(pageTransform().mapRect(area).toAlignedRect().adjusted(-2, -2, 2, 2));
    } else {
        update();
    }
}

void LayoutView::paintEvent(QPaintEvent *event)
{
    m_lastPainted = event->region();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const std::shared_ptr<PageLayout> layout = m_document ? m_document->pageLayoutModel() : nullptr;
    if (!layout)
        return;
    const QTransform page = pageTransform();
    const QRectF sheet = page.mapRect(QRectF(QPointF(0, 0), layout->pageSize()));
    painter.fillRect(sheet.translated(4, 4), QColor(60, 60, 60));
    painter.fillRect(sheet, Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(sheet);
    m_onScreen = true;
    m_painted.clear();
    drawPage(painter, page);
    m_onScreen = false;
    // Frames no longer on the page give up their drawing.
    for (auto renderer = m_renderers.begin(); renderer != m_renderers.end();) {
        if (m_painted.contains(renderer.key())) {
            ++renderer;
            continue;
        }
        delete renderer.value();
        m_entries.remove(renderer.key());
        m_frameBoxes.remove(renderer.key());
        renderer = m_renderers.erase(renderer);
    }
}

void LayoutView::drawPage(QPainter &painter, const QTransform &page)
{
    const std::shared_ptr<PageLayout> layout = m_document ? m_document->pageLayoutModel() : nullptr;
    if (!layout)
        return;
    m_page = page;
    for (const std::shared_ptr<Element> &element : layout->elements())
        drawElement(painter, *element, 0);
}

QString LayoutView::exportTo(const QString &path, int dotsPerInch)
{
    const std::shared_ptr<PageLayout> layout = m_document ? m_document->pageLayoutModel() : nullptr;
    if (!layout)
        return tr("there is no page layout to export");
    const QSizeF pageMm = layout->pageSize();
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        QPdfWriter pdf(path);
        pdf.setResolution(dotsPerInch);
        pdf.setPageSize(QPageSize(pageMm, QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&pdf))
            return tr("cannot write the file");
        const double dotsPerMm = dotsPerInch / 25.4;
        drawPage(painter, QTransform::fromScale(dotsPerMm, dotsPerMm));
        return painter.end() ? QString() : tr("cannot write the file");
    }
    const double dotsPerMm = dotsPerInch / 25.4;
    const QSize size(static_cast<int>(std::lround(pageMm.width() * dotsPerMm)),
                     static_cast<int>(std::lround(pageMm.height() * dotsPerMm)));
    if (size.isEmpty() || static_cast<qint64>(size.width()) * size.height() > MaxExportPixels)
        return tr("the page is too large at %1 dpi").arg(dotsPerInch);
    QImage image(size, QImage::Format_ARGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dotsPerMm * 1000)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dotsPerMm * 1000)));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        drawPage(painter, QTransform::fromScale(dotsPerMm, dotsPerMm));
    }
    QImageWriter writer(path);
    if (!writer.write(image))
        return writer.errorString();
    return {};
}

void LayoutView::drawElement(QPainter &painter, Element &element, int depth)
{
    if (depth > kMaxGroupDepth)
        return;
    switch (element.kind()) {
    case Element::Kind::MapFrame:
        drawMapFrame(painter, static_cast<MapFrameElement &>(element));
        break;
    case Element::Kind::MapSurroundFrame:
        drawSurround(painter, static_cast<MapSurroundFrameElement &>(element));
        break;
    case Element::Kind::Text:
        drawText(painter, static_cast<TextElement &>(element));
        break;
    case Element::Kind::Group:
        for (const std::shared_ptr<Element> &member : static_cast<GroupElement &>(element).elements())
            drawElement(painter, *member, depth + 1);
        break;
    }
}

void LayoutView::drawMapFrame(QPainter &painter, MapFrameElement &frame)
{
    const QTransform page = m_page;
    const QRectF box = page.mapRect(frame.bounds());
    painter.save();
    painter.fillRect(box, Qt::white);
    painter.setClipRect(box, Qt::IntersectClip);
    if (const std::shared_ptr<Map> map = frame.mapModel()) {
        const QRectF inner =
            page.mapRect(frame.bounds().adjusted(kFrameInsetMm, kFrameInsetMm, -kFrameInsetMm, -kFrameInsetMm));
        const QTransform fitted = MapPainter::fit(map->fullExtent(), inner);
        if (m_onScreen)
            drawRendered(painter, frame, *map, fitted, box.toAlignedRect());
        else
            MapPainter::draw(painter, map->drawnLayers(), fitted);
    }
    painter.restore();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
}

void LayoutView::drawRendered(QPainter &painter, const MapFrameElement &frame, const Map &map, const QTransform &fitted,
                              const QRect &box)
{
    m_painted.insert(&frame);
    m_frameBoxes.insert(&frame, box);
    MapRenderer *&renderer = m_renderers[&frame];
    if (!renderer) {
        renderer = new MapRenderer(this);
        // A frame keeps the images of its map's hidden layers but draws
        // none ahead: the data view does that for the map shown.
        renderer->setDrawingAhead(false);
        // The frame's box as last painted: the element itself may be gone.
        connect(renderer, &MapRenderer::imageChanged, this,
                [this, key = &frame] { update(m_frameBoxes.value(key).adjusted(-2, -2, 2, 2)); });
    }
    // Asked again only when the frame or what it shows changed: asking
    // composes anew, and a new image paints again.
    const qreal ratio = devicePixelRatioF();
    const MapRenderer::Frame wanted{fitted * QTransform::fromTranslate(-box.x(), -box.y())
                                        * QTransform::fromScale(ratio, ratio),
                                    (QSizeF(box.size()) * ratio).toSize()};
    std::vector<MapRenderer::Entry> &entries = m_entries[&frame];
    bool same = renderer->requestedFrame() == wanted && entries.size() == map.drawnLayers().size();
    for (std::size_t i = 0; same && i < entries.size(); ++i) {
        const std::shared_ptr<Layer> &layer = map.drawnLayers()[i];
        same = layer && entries[i].layer == layer.get() && entries[i].drawing.drawsAs(LayerDrawing::of(*layer));
    }
    if (!same) {
        entries.clear();
        MapRenderer::addEntries(map.drawnLayers(), entries);
        std::vector<MapRenderer::Entry> hidden;
        MapRenderer::addHiddenEntries(map.dataLayers(), entries, hidden);
        renderer->render(entries, wanted, hidden);
    }
    renderer->paintImage(painter, fitted);
}

bool LayoutView::isDrawing() const
{
    return std::any_of(m_renderers.begin(), m_renderers.end(),
                       [](const MapRenderer *renderer) { return renderer->isDrawing(); });
}

void LayoutView::drawSurround(QPainter &painter, MapSurroundFrameElement &element)
{
    const std::shared_ptr<MapSurround> surround = element.surroundModel();
    if (!surround)
        return;
    const QTransform page = m_page;
    const double pixelsPerMm = page.m11();
    const QRectF box = page.mapRect(element.bounds());
    painter.save();
    painter.setClipRect(box.adjusted(-1, -1, 1, 1), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(std::max(6, static_cast<int>(std::lround(3.2 * pixelsPerMm))));

    switch (surround->kind()) {
    case MapSurround::Kind::Legend: {
        const auto &legend = static_cast<Legend &>(*surround);
        painter.fillRect(box, Qt::white);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(box);
        // Laid out in millimetres on the page to fit the frame. The text is
        // drawn scaled from one large size, so that its width follows the
        // page's scale exactly as the layout measured it, whatever the zoom.
        const QRectF frame = element.bounds();
        const LegendLayout layout = legend.layoutFor(frame.size(), font);
        const double textPixels = layout.textMm * pixelsPerMm;
        QFont title = font;
        title.setBold(true);
        drawScaledText(painter, page.mapRect(layout.titleRect(frame)), title, textPixels, tr("Legend"));
        int index = 0;
        for (const std::shared_ptr<Layer> &layer : legend.items()) {
            const QRectF item = layout.itemRect(index++, frame);
            MapPainter::drawSwatch(painter, *layer, page.mapRect(layout.swatchRect(item)));
            painter.setPen(Qt::black);
            drawScaledText(painter, page.mapRect(item.adjusted(layout.textOffsetMm(), 0, 0, 0)), font, textPixels,
                           layer->name());
        }
        break;
    }
    case MapSurround::Kind::NorthArrow: {
        const double side = std::min(box.width(), box.height());
        const QRectF square(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
        const double letter = side * 0.3;
        QPainterPath arrow;
        arrow.moveTo(square.center().x(), square.top() + letter);
        arrow.lineTo(square.right() - side * 0.3, square.bottom());
        arrow.lineTo(square.center().x(), square.bottom() - side * 0.2);
        arrow.lineTo(square.left() + side * 0.3, square.bottom());
        arrow.closeSubpath();
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::black);
        painter.drawPath(arrow);
        QFont bold = font;
        bold.setBold(true);
        bold.setPixelSize(std::max(6, static_cast<int>(letter * 0.9)));
        painter.setFont(bold);
        painter.drawText(QRectF(square.left(), square.top(), side, letter), Qt::AlignCenter, QStringLiteral("N"));
        break;
    }
    case MapSurround::Kind::ScaleBar: {
        // The scale is the one at which the bar's map frame draws its map.
        const std::shared_ptr<MapFrameElement> frame = element.mapFrameModel();
        const std::shared_ptr<Map> map = frame ? frame->mapModel() : nullptr;
        // In metres on the ground when the map's coordinate system is known, else in map units.
        double unitsPerPixel = 0;
        double metresPerUnit = 0;
        if (map) {
            const QRectF inner =
                page.mapRect(frame->bounds().adjusted(kFrameInsetMm, kFrameInsetMm, -kFrameInsetMm, -kFrameInsetMm));
            const QTransform mapping = MapPainter::fit(map->fullExtent(), inner);
            if (!mapping.isIdentity() && mapping.m11() > 0)
                unitsPerPixel = 1.0 / mapping.m11();
            if (const auto extent = map->fullExtent())
                metresPerUnit = MapPainter::metresPerUnit(map->coordinateSystem(), extent->center());
        }
        if (metresPerUnit > 0)
            unitsPerPixel *= metresPerUnit;
        const double length = niceLength(box.width() * 0.8 * unitsPerPixel);
        const double barWidth = unitsPerPixel > 0 ? length / unitsPerPixel : box.width() * 0.8;
        const double barHeight = std::max(3.0, box.height() * 0.2);
        const double left = box.left() + (box.width() - barWidth) / 2;
        const double top = box.top() + box.height() * 0.2;
        painter.setPen(QPen(Qt::black, 0));
        for (int part = 0; part < 4; ++part) {
            painter.setBrush(part % 2 == 0 ? Qt::black : Qt::white);
            painter.drawRect(QRectF(left + barWidth * part / 4, top, barWidth / 4, barHeight));
        }
        painter.setFont(font);
        const double labelTop = top + barHeight;
        const double labelHeight = box.bottom() - labelTop;
        painter.drawText(QRectF(left - barWidth / 4, labelTop, barWidth / 2, labelHeight), Qt::AlignCenter,
                         QStringLiteral("0"));
        painter.drawText(QRectF(left + barWidth * 3 / 4, labelTop, barWidth / 2, labelHeight), Qt::AlignCenter,
                         unitsPerPixel <= 0  ? QStringLiteral("?")
                         : metresPerUnit > 0 ? MapPainter::lengthText(length)
                                             : QLocale().toString(length, 'g', 6));
        break;
    }
    }
    painter.restore();
}

void LayoutView::drawText(QPainter &painter, TextElement &text)
{
    const QTransform page = m_page;
    const QRectF box = page.mapRect(text.bounds());
    painter.save();
    QFont font = painter.font();
    font.setPixelSize(std::max(4, static_cast<int>(std::lround(text.pointSize() * kMillimetresPerPoint * page.m11()))));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text.text());
    painter.restore();
}

void LayoutView::dragEnterEvent(QDragEnterEvent *event)
{
    FileDrop::accept(event);
}

void LayoutView::dragMoveEvent(QDragMoveEvent *event)
{
    FileDrop::accept(event);
}

void LayoutView::dropEvent(QDropEvent *event)
{
    if (FileDrop::accept(event))
        emit filesDropped(FileDrop::localFiles(event->mimeData()));
}

} // namespace mapdesk
