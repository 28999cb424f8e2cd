#pragma once
// The pictures of --plots are painted by a plugin of the runner's own,
// ostracalc-plots.so, which holds the plot window's drawing code and the Qt
// libraries under it. The runner loads it only when it draws, so a run
// without --plots loads no Qt library. The plugin and the runner both build
// from this header.

#include <string>

namespace TernioParser {
class TPlotPanel;
}

// The plugin's one entry point: writes the panel's picture at width x height
// pixels as SVG to svgPath and as PNG to pngPath. problem receives what went
// wrong and stays empty when all went well. The number in its name changes
// with its arguments, so that a plugin of another version is not called.
#define OSTRA_PLOT_PICTURES_ENTRY ostra_save_plot_pictures_1
extern "C" void OSTRA_PLOT_PICTURES_ENTRY(const TernioParser::TPlotPanel& panel, int width, int height,
                                          const char* svgPath, const char* pngPath, std::string& problem);

namespace Ostra {

using TPlotPicturesWriter = decltype(&OSTRA_PLOT_PICTURES_ENTRY);

inline constexpr const char PlotPicturesFile[] = "ostracalc-plots.so";

// Loads the plugin from beside the running program (a build) or from the
// installed library folder. Null when it is missing or unusable, with the
// reason in problem.
TPlotPicturesWriter LoadPlotPictures(std::string& problem);

}  // namespace Ostra
