#pragma once

#include "FeatureData.h"
#include "Symbol.h"

#include <QTransform>

class QPainter;

namespace mapdesk {

/// Draws a feature layer's features by its symbol: areas filled half
/// transparent and outlined, lines stroked, points as dots. Safe to call on
/// any thread, each with its own painter.
class FeatureDrawing
{
public:
    /// Draws `data` through `transform` (map to device coordinates, y flipped).
    static void draw(QPainter &painter, const FeatureData &data, const Symbol &symbol, const QTransform &transform);
};

} // namespace mapdesk
