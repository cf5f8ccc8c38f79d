#pragma once

#include <memory>

class IElement;
class IMap;
class IView;
struct QuarnelGIS_Public;

/// The legend part of the redraw. Each function traps and reports its own
/// failures under the main window's module name, where users have always
/// seen them, and returns normally.
namespace LegendRefresh {
/// The last legend element of `map` (the very same map object) in the page
/// layout of the application's current document; empty when there is none.
std::shared_ptr<IElement> GetLegendElement(QuarnelGIS_Public &state, std::shared_ptr<IMap> map);
/// Refreshes a legend element, fits it to its bounds and redraws it.
void RefreshLegend(QuarnelGIS_Public &state, std::shared_ptr<IElement> element, std::shared_ptr<IView> view);
} // namespace LegendRefresh
