#include "LegendLayout.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace mapdesk {

namespace {
// Names are measured once at this pixel size; widths scale with the text.
constexpr double kMeasureSize = 100.0;
// Hinting makes small text a little wider than it scales to.
constexpr double kWidthSlack = 1.08;
constexpr double kStepMm = 0.1;

struct Widths
{
    double title = 0; ///< per millimetre of text height
    double widest = 0;
};

Widths measure(const QStringList &names, QFont font)
{
    font.setPixelSize(static_cast<int>(kMeasureSize));
    font.setHintingPreference(QFont::PreferNoHinting);
    Widths widths;
    const QFontMetricsF metrics(font);
    for (const QString &name : names)
        widths.widest = std::max(widths.widest, metrics.horizontalAdvance(name) * kWidthSlack / kMeasureSize);
    font.setBold(true);
    widths.title = QFontMetricsF(font).horizontalAdvance(QStringLiteral("Legend")) * kWidthSlack / kMeasureSize;
    return widths;
}

bool fits(const LegendLayout &layout, const Widths &widths, const QSizeF &frame)
{
    const double s = layout.textMm;
    const double inner = frame.width() - 2 * LegendLayout::PaddingMm;
    const double column = layout.textOffsetMm() + widths.widest * s;
    const double width = layout.columns * column + (layout.columns - 1) * layout.columnGapMm();
    const double height = 2 * LegendLayout::PaddingMm + layout.lineMm() * (1 + layout.rows);
    return width <= inner && widths.title * s <= inner && height <= frame.height();
}
} // namespace

LegendLayout LegendLayout::fit(const QStringList &names, const QSizeF &frameMm, const QFont &font)
{
    const Widths widths = measure(names, font);
    const int count = static_cast<int>(names.size());
    const int steps = static_cast<int>(std::lround((NormalTextMm - MinimumTextMm) / kStepMm));
    for (int columns = 1; columns <= std::max(1, count); ++columns) {
        LegendLayout layout;
        layout.columns = columns;
        layout.rows = (count + columns - 1) / columns;
        for (int step = 0; step <= steps; ++step) {
            layout.textMm = NormalTextMm - step * kStepMm;
            if (fits(layout, widths, frameMm))
                return layout;
        }
    }
    // Nothing fits: the smallest text, in as many columns as the height needs.
    LegendLayout layout;
    layout.textMm = MinimumTextMm;
    const int rowsThatFit = std::max(1, static_cast<int>((frameMm.height() - 2 * PaddingMm) / layout.lineMm()) - 1);
    layout.rows = std::min(std::max(count, 1), rowsThatFit);
    layout.columns = std::max(1, (count + layout.rows - 1) / layout.rows);
    if (count == 0)
        layout.rows = 0;
    layout.allShown = false;
    return layout;
}

QRectF LegendLayout::titleRect(const QRectF &frame) const
{
    return QRectF(frame.left() + PaddingMm, frame.top() + PaddingMm, frame.width() - 2 * PaddingMm, lineMm());
}

QRectF LegendLayout::itemRect(int index, const QRectF &frame) const
{
    const int perColumn = std::max(1, rows);
    const int column = index / perColumn;
    const int row = index % perColumn;
    const double width = (frame.width() - 2 * PaddingMm - (columns - 1) * columnGapMm()) / columns;
    return QRectF(frame.left() + PaddingMm + column * (width + columnGapMm()),
                  frame.top() + PaddingMm + lineMm() * (1 + row), width, lineMm());
}

QRectF LegendLayout::swatchRect(const QRectF &item) const
{
    return QRectF(item.left(), item.top() + (item.height() - textMm) / 2, textMm * 1.6, textMm);
}

} // namespace mapdesk
