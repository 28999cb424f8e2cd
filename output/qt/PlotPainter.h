#pragma once
// The plot panel painted with QPainter: the canvas the drawing code paints
// through, and the pictures made from it (PNG, SVG) for the clipboard, the
// printer and the headless export.

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <optional>
#include <string>

#include "output/PlotDrawing.h"

class QPainter;

namespace Ostra {

// Fonts of the panel: "Arial" at 8 points, its exponent font at 7 points,
// sized for a surface of the given resolution.
class TQtPlotCanvas final : public TernioParser::TPlotCanvas {
public:
  // painter may be null when only measuring.
  TQtPlotCanvas(QPainter* painter, int dpi);

  int TextWidth(std::string_view text, TernioParser::TPlotFont font) override;
  int TextHeight(std::string_view text, TernioParser::TPlotFont font) override;
  void Text(const TernioParser::TLabelItem& item) override;
  void Line(int x0, int y0, int x1, int y1, TernioParser::TColour colour) override;
  void Frame(int x0, int y0, int x1, int y1) override;
  void Polyline(const TernioParser::TPixel* points, size_t count, TernioParser::TColour colour, int width) override;
  void Circles(const TernioParser::TPixel* centres, size_t count, int r, TernioParser::TColour colour) override;

private:
  QPainter* Painter;
  QFont Normal, Small;
  QFontMetrics NormalMetrics, SmallMetrics;
  const QFont& FontOf(TernioParser::TPlotFont f) const {
    return f == TernioParser::TPlotFont::Small ? Small : Normal;
  }
  const QFontMetrics& MetricsOf(TernioParser::TPlotFont f) const {
    return f == TernioParser::TPlotFont::Small ? SmallMetrics : NormalMetrics;
  }
};

QColor ToQColor(TernioParser::TColour c);

// Paints the panel onto painter at width x height pixels (background first),
// optionally headed by a panel title (8-bit text).
void PaintPlot(QPainter& painter, const TernioParser::TPlotPanel& panel, int width, int height,
               const std::optional<std::string>& title = std::nullopt, int dpi = 96, char separator = '.');

// The panel as an opaque picture, as SVG of the same size, and as a PDF
// page of that many pixels at 96 per inch.
QImage PlotImage(const TernioParser::TPlotPanel& panel, int width, int height,
                 const std::optional<std::string>& title = std::nullopt);
QByteArray PlotSvg(const TernioParser::TPlotPanel& panel, int width, int height,
                   const std::optional<std::string>& title = std::nullopt);
QByteArray PlotPdf(const TernioParser::TPlotPanel& panel, int width, int height,
                   const std::optional<std::string>& title = std::nullopt);

// The picture of the panel in the format the file name's ending names
// (.png, .svg, .pdf), written to path. Returns the problem, or empty.
std::string SavePlotPicture(const TernioParser::TPlotPanel& panel, int width, int height, const QString& path);

// For the headless runner: writes both pictures, creating a display-free
// application object first when there is none. Returns the problem, or
// empty.
std::string SavePlotPictures(const TernioParser::TPlotPanel& panel, int width, int height, const std::string& svgPath,
                             const std::string& pngPath);

}  // namespace Ostra
