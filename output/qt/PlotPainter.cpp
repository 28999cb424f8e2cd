#include "output/qt/PlotPainter.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygon>
#include <QSvgGenerator>
#include <vector>

#include "engine/qt/CodePage.h"

using namespace TernioParser;

namespace Ostra {

namespace {

// A point size in pixels of a surface: point size x dots per inch / 72,
// rounded.
int PixelSize(int points, int dpi) { return (points * dpi + 36) / 72; }

QFont PanelFont(int points, int dpi) {
  QFont f("Arial");
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(std::max(1, PixelSize(points, dpi)));
  return f;
}

}  // namespace

QColor ToQColor(TColour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

TQtPlotCanvas::TQtPlotCanvas(QPainter* painter, int dpi)
    : Painter(painter), Normal(PanelFont(8, dpi)), Small(PanelFont(7, dpi)), NormalMetrics(Normal),
      SmallMetrics(Small) {}

int TQtPlotCanvas::TextWidth(std::string_view text, TPlotFont font) {
  return MetricsOf(font).horizontalAdvance(FromCodePage(text));
}

int TQtPlotCanvas::TextHeight(std::string_view, TPlotFont font) { return MetricsOf(font).height(); }

void TQtPlotCanvas::Text(const TLabelItem& item) {
  if (!Painter) return;
  const QFontMetrics& m = MetricsOf(item.Font);
  Painter->setFont(FontOf(item.Font));
  Painter->setPen(Qt::black);
  const QString s = FromCodePage(item.Text);
  if (item.Font == TPlotFont::Rotated) {
    Painter->save();
    Painter->translate(item.X, item.Y);
    Painter->rotate(-90);
    Painter->drawText(0, m.ascent(), s);
    Painter->restore();
  } else {
    Painter->drawText(item.X, item.Y + m.ascent(), s);
  }
}

void TQtPlotCanvas::Line(int x0, int y0, int x1, int y1, TColour colour) {
  if (!Painter) return;
  Painter->setPen(QPen(ToQColor(colour), 0));
  Painter->drawLine(x0, y0, x1, y1);
}

void TQtPlotCanvas::Frame(int x0, int y0, int x1, int y1) {
  if (!Painter) return;
  Painter->setPen(QPen(Qt::black, 0));
  Painter->setBrush(Qt::NoBrush);
  Painter->drawRect(QRect(x0, y0, x1 - x0, y1 - y0));
}

void TQtPlotCanvas::Polyline(const TPixel* points, size_t count, TColour colour, int width) {
  if (!Painter || count < 2) return;
  if (width <= 1) {
    // One pixel wide: the plain cosmetic pen, which draws without outlines.
    Painter->setPen(QPen(ToQColor(colour), 0));
    QPolygon polygon(static_cast<int>(count));
    for (size_t i = 0; i < count; ++i) polygon[static_cast<int>(i)] = QPoint(points[i].X, points[i].Y);
    Painter->drawPolyline(polygon);
    return;
  }
  // A wide pen strokes each segment on its own: with round ends that covers
  // what the joined line covers, without stroking one long self-crossing
  // outline.
  QPen pen(ToQColor(colour), width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  Painter->setPen(pen);
  std::vector<QLine> lines;
  lines.reserve(count - 1);
  for (size_t i = 1; i < count; ++i) lines.emplace_back(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
  Painter->drawLines(lines.data(), static_cast<int>(lines.size()));
}

void TQtPlotCanvas::Circles(const TPixel* centres, size_t count, int r, TColour colour) {
  if (!Painter) return;
  Painter->setPen(QPen(ToQColor(colour), 0));
  Painter->setBrush(Qt::NoBrush);
  for (size_t i = 0; i < count; ++i) Painter->drawEllipse(QPoint(centres[i].X, centres[i].Y), r, r);
}

void PaintPlot(QPainter& painter, const TPlotPanel& panel, int width, int height,
               const std::optional<std::string>& title, int dpi, char separator) {
  painter.fillRect(QRect(0, 0, width, height), Qt::white);
  painter.setRenderHint(QPainter::Antialiasing, false);
  TQtPlotCanvas canvas(&painter, dpi);
  TPlotLayout layout;
  layout.PanelTitle = title;
  layout.Update(panel, width, height, canvas, separator);
  PaintPanel(canvas, panel, layout);
}

QImage PlotImage(const TPlotPanel& panel, int width, int height, const std::optional<std::string>& title) {
  QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  PaintPlot(p, panel, width, height, title);
  return image;
}

QByteArray PlotSvg(const TPlotPanel& panel, int width, int height, const std::optional<std::string>& title) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(width, height));
  svg.setViewBox(QRect(0, 0, width, height));
  svg.setResolution(96);
  svg.setTitle("Calculator Plot");
  QPainter p(&svg);
  PaintPlot(p, panel, width, height, title);
  p.end();
  return bytes;
}

QByteArray PlotPdf(const TPlotPanel& panel, int width, int height, const std::optional<std::string>& title) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter pdf(&buffer);
  pdf.setTitle("Calculator Plot");
  pdf.setCreator("Ostra Calculator");
  pdf.setResolution(96);
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setPageSize(
      QPageSize(QSizeF(width * 72.0 / 96, height * 72.0 / 96), QPageSize::Point, QString(), QPageSize::ExactMatch));
  QPainter p(&pdf);
  PaintPlot(p, panel, width, height, title);
  p.end();
  return bytes;
}

std::string SavePlotPicture(const TPlotPanel& panel, int width, int height, const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  if (suffix == "png") {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    PlotImage(panel, width, height).save(&buffer, "PNG");
  } else if (suffix == "svg") {
    bytes = PlotSvg(panel, width, height);
  } else if (suffix == "pdf") {
    bytes = PlotPdf(panel, width, height);
  } else {
    return path.toStdString() + ": not a picture file name (.png, .svg, .pdf)";
  }
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
    return path.toStdString() + ": " + f.errorString().toStdString();
  return "";
}

std::string SavePlotPictures(const TPlotPanel& panel, int width, int height, const std::string& svgPath,
                             const std::string& pngPath) {
  if (!QGuiApplication::instance()) {
    // The runner shows no window: the display-free platform always works,
    // and the platform's notes have no place among the program's output.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static int argc = 1;
    static char name[] = "ostracalc-cli";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends.
    new QGuiApplication(argc, argv);
  }
  for (const std::string& path : {svgPath, pngPath}) {
    std::string problem = SavePlotPicture(panel, width, height, QString::fromLocal8Bit(path.c_str()));
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace Ostra
