#pragma once

#include <QFont>
#include <QRectF>
#include <QStringList>

namespace mapdesk {

/// How a legend sits in its frame on the page, in millimetres: the height of
/// its text, with which its symbols, lines and gaps scale, and its columns.
/// fit() picks the largest text up to the usual size at which every item shows
/// in one column, shrinking it down to a readable minimum; past that minimum
/// it uses more columns, each again at the largest size that fits. A frame too
/// small even for that gets the minimum size, and items past its edge are cut.
struct LegendLayout
{
    static constexpr double NormalTextMm = 3.2;
    static constexpr double MinimumTextMm = 2.0;
    static constexpr double PaddingMm = 1.5;

    double textMm = NormalTextMm;
    int columns = 1;
    int rows = 0;         ///< items in a full column
    bool allShown = true; ///< every item lies inside the frame

    /// The layout for `names` in a frame of `frameMm`, measured with `font`
    /// (its family and style; the size is the layout's).
    static LegendLayout fit(const QStringList &names, const QSizeF &frameMm, const QFont &font);

    /// One line of text: the title's and each item's.
    double lineMm() const { return textMm * 1.35; }
    /// The place of the title within `frame` (millimetres on the page).
    QRectF titleRect(const QRectF &frame) const;
    /// The place of item `index` (symbol and name) within `frame`.
    QRectF itemRect(int index, const QRectF &frame) const;
    /// The symbol's place within an item's rectangle.
    QRectF swatchRect(const QRectF &item) const;
    /// Where an item's name starts, from the left of its rectangle.
    double textOffsetMm() const { return textMm * 2.2; }
    /// The space between columns.
    double columnGapMm() const { return textMm; }

    bool operator==(const LegendLayout &) const = default;
};

} // namespace mapdesk
