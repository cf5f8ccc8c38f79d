#pragma once

#include "FeatureData.h"
#include "Symbol.h"

#include <QTransform>

class QPainter;

namespace mapdesk {

/// Draws a feature layer's features by its symbol: areas filled half
/// transparent and outlined, lines stroked, points as dots. Draws only the
/// features that can show on the painter's device (or in its clip), and
/// their lines and rings without the vertices that fall within half a pixel
/// of the one before, so that a large layer draws in about the time its
/// visible part needs. Safe to call on any thread, each with its own painter.
class FeatureDrawing
{
public:
    /// Draws `data` through `transform` (map to the painter's coordinates, y
    /// flipped), in the order of its features.
    static void draw(QPainter &painter, const FeatureData &data, const Symbol &symbol, const QTransform &transform);
};

} // namespace mapdesk
