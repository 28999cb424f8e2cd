#pragma once
// Drawing a curve panel: the layout of the plot rectangle and the axes, and
// the paint of labels, frame, ticks, grid and curves onto any canvas. The
// window, the clipboard picture, the printout and the headless export all
// paint through this code; only the canvas differs.

#include <cstdint>
#include <string>
#include <vector>

#include "output/PlotModel.h"
#include "output/PlotScale.h"

namespace TernioParser {

struct TPixel {
  int X = 0, Y = 0;
  bool operator==(const TPixel&) const = default;
};

// Where the drawing goes. Coordinates are pixels; lines and rectangles cover
// both of their end pixels.
class TPlotCanvas : public TTextMetrics {
public:
  virtual void Text(const TLabelItem& item) = 0;
  virtual void Line(int x0, int y0, int x1, int y1, TColour colour) = 0;
  // The outline of the rectangle with the corners (x0, y0) and (x1, y1).
  virtual void Frame(int x0, int y0, int x1, int y1) = 0;
  // Connected points, with a pen of the given width.
  virtual void Polyline(const TPixel* points, size_t count, TColour colour, int width) = 0;
  // Circle outlines of radius r around each point, 1 pixel wide.
  virtual void Circles(const TPixel* centres, size_t count, int r, TColour colour) = 0;
};

inline constexpr TColour GridColour = 0xC0C0C0;

// The layout of one panel at one size.
class TPlotLayout {
public:
  TScaleBase XAxis{false}, YAxis{true};
  int Width = 0, Height = 0;
  int TextHeight = 0, DigitWidth = 0, Gap = 0;
  int TitleWidth = 0, TitleHeight = 0;
  int Left = 0, Right = 0, Top = 0, Bottom = 0;
  std::optional<std::string> PanelTitle;

  // Takes the intervals and titles of the panel and lays out at the size.
  void Update(const TPlotPanel& panel, int width, int height, TTextMetrics& metrics, char separator = '.');

  // Curve mapping, data to pixels (untruncated).
  double PixelX(double x) const { return Left + XAxis.Offset + XAxis.Factor * x; }
  double PixelY(double y) const { return Top + YAxis.Offset + YAxis.Factor * y; }
  // Back from pixels to data.
  double DataX(int px) const { return (px - Left - XAxis.Offset) / XAxis.Factor; }
  double DataY(int py) const { return (py - Top - YAxis.Offset) / YAxis.Factor; }
  bool StrictlyInside(int x, int y) const { return Left < x && x < Right && Top < y && y < Bottom; }
};

// Paints the panel as laid out: nothing when an interval is empty.
void PaintPanel(TPlotCanvas& canvas, const TPlotPanel& panel, TPlotLayout& layout);

// The pixels of a connected curve, clamped to the plot rectangle. With
// reduce, each run of consecutive points in one pixel column keeps only its
// first, lowest, highest and last pixel, and repeated pixels are dropped:
// the polyline covers the same pixels as the one through every point.
void CurvePixels(const TGraphicFunc& curve, const TPlotLayout& layout, bool reduce, std::vector<TPixel>& out);
// The centres of the dots of an unconnected curve: the points inside the
// plot rectangle, with reduce each pixel once.
void DotPixels(const TGraphicFunc& curve, const TPlotLayout& layout, bool reduce, std::vector<TPixel>& out);
// The dot radius of an unconnected curve.
inline int DotRadius(int thickness) { return thickness < 4 ? 1 : thickness / 2; }

// Set false to paint every point (for comparison).
extern bool ReduceCurves;

}  // namespace TernioParser
