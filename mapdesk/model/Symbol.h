#pragma once

#include <QColor>

#include <memory>
#include <vector>

namespace mapdesk {

class Map;

/// How a feature layer is drawn: its colour (areas are filled with it, half
/// transparent, lines and points drawn in it), the width of its lines and
/// the size of its points, both in pixels on the screen. Kept in the
/// document, so that a layer looks the same from one run to the next.
struct Symbol
{
    static constexpr double DefaultLineWidth = 2.0;
    static constexpr double DefaultPointSize = 6.0;
    static constexpr double MaxLineWidth = 50.0;
    static constexpr double MaxPointSize = 100.0;

    QColor colour;
    double lineWidth = DefaultLineWidth;
    double pointSize = DefaultPointSize;

    bool operator==(const Symbol &other) const = default;

    /// Colour `n` of a palette of twelve clearly different ones (then again from the first).
    static QColor paletteColour(std::size_t n);
    /// Gives every feature layer of `maps` without a symbol of its own one
    /// with the default sizes and the colour of the first layer of the same
    /// name, or else the first palette colour that no layer of the maps has
    /// yet (after twelve, the palette again), in table-of-contents order.
    static void giveDefaults(const std::vector<std::shared_ptr<Map>> &maps);
};

} // namespace mapdesk
