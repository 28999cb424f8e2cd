#pragma once
// The plot model as files: the text of "Save As Text" and the description
// of every tab that the headless runner writes.

#include <string>

#include "output/PlotModel.h"

namespace TernioParser {

// The curves of a panel as TAB-separated columns x1, y1, x2, y2, ... in
// curve-number order, numbers with 10 significant digits, each row ended by
// CR LF. Rows go on until the longest curve is exhausted; a curve without a
// point in a row leaves a single TAB there.
std::string CurvesAsText(const TPlotPanel& panel);

// {"tabs": [...]}: every tab with its index, caption and, for a panel, its
// axes (interval, autoscale, title) and its curves. Texts are converted from
// Windows-1252 to UTF-8.
std::string PlotsAsJson(const TPlotModel& model);

// "#RRGGBB" of a colour value 0x00BBGGRR.
std::string ColourText(TColour c);

}  // namespace TernioParser
