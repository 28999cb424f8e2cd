// ostracalc-plots.so: the picture writer of the runner's --plots, the plot
// window's drawing code on a display-free application object.

#include <exception>

#include "PlotPictures.h"
#include "output/qt/PlotPainter.h"

extern "C" __attribute__((visibility("default"))) void OSTRA_PLOT_PICTURES_ENTRY(
    const TernioParser::TPlotPanel& panel, int width, int height, const char* svgPath, const char* pngPath,
    std::string& problem) {
  try {
    problem = Ostra::SavePlotPictures(panel, width, height, svgPath, pngPath);
  } catch (const std::exception& e) {
    // Nothing is thrown across the plugin's edge.
    problem = e.what();
  }
}
