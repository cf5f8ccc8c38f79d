#pragma once

struct QuarnelGIS_Public;

/// The redraw after layers were switched on: updates the document's table of
/// contents; in the page layout refreshes the focus map's legend (through
/// LegendRefresh, which reports its own failures) and redraws the focus map;
/// then redraws the active view. Works on the state record's document; other
/// failures reach the caller.
void RefreshAfterVisibilityChange(QuarnelGIS_Public &state);
