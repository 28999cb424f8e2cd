// Plot pictures painted offscreen: frame, ticks, grid and curve pixels where
// the layout puts them, and the reduced drawing of large curves pixel for
// pixel the same as drawing every point.

#include <QElapsedTimer>
#include <QtTest>
#include <cmath>
#include <random>

#include "output/qt/PlotPainter.h"

using namespace TernioParser;

namespace {

std::unique_ptr<TGraphicFunc> MakeCurve(size_t n, double noise, bool connected, int thickness, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> d(0, 1);
  auto c = std::make_unique<TGraphicFunc>();
  c->X.resize(n);
  c->Y.resize(n);
  for (size_t i = 0; i < n; ++i) {
    c->X[i] = static_cast<double>(i) / static_cast<double>(n);
    c->Y[i] = std::sin(c->X[i] * 12) + noise * d(random);
  }
  c->Connected = connected;
  c->Thickness = thickness;
  c->Colour = CurveColours[0];
  return c;
}

QRgb Rgb(TColour c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The layout the picture of the panel was painted with.
TPlotLayout LayoutOf(const TPlotPanel& panel, int w, int h) {
  Ostra::TQtPlotCanvas measure(nullptr, 96);
  TPlotLayout l;
  l.Update(panel, w, h, measure);
  return l;
}

}  // namespace

class PlotRenderTest : public QObject {
  Q_OBJECT
private slots:
  void frameTicksAndCurve();
  void emptyIntervalPaintsNothing();
  void dotsAreCircles();
  void reducedDrawingIsTheSamePicture_data();
  void reducedDrawingIsTheSamePicture();
  void svgHasTheSameSize();
  void yTitleStandsClearOfTheLabels_data();
  void yTitleStandsClearOfTheLabels();
};

void PlotRenderTest::frameTicksAndCurve() {
  TPlotPanel panel;
  auto c = std::make_unique<TGraphicFunc>();
  c->X = {0, 10};
  c->Y = {0, 10};
  c->Colour = 0x0000FF;  // red
  panel.Curves.push_back(std::move(c));
  panel.RecomputeIntervals();
  const QImage image = Ostra::PlotImage(panel, 600, 400);
  QCOMPARE(image.size(), QSize(600, 400));
  const TPlotLayout l = LayoutOf(panel, 600, 400);
  const int midY = (l.Top + l.Bottom) / 2;
  // The frame: black on all four sides.
  QCOMPARE(image.pixel(l.Left - 1, midY), qRgb(0, 0, 0));
  QCOMPARE(image.pixel(l.Right, midY), qRgb(0, 0, 0));
  QCOMPARE(image.pixel((l.Left + l.Right) / 2 + 3, l.Top - 1), qRgb(0, 0, 0));
  QCOMPARE(image.pixel((l.Left + l.Right) / 2 + 3, l.Bottom), qRgb(0, 0, 0));
  // A major x tick: black marks at both edges, the silver grid between
  // (looked at between the rows of the y grid, which is painted later).
  const int px = TruncToInt(l.Left - 1 + l.XAxis.Offset + l.XAxis.Factor * 3);
  const double yBetween = l.YAxis.FirstMajor + 2.5 * l.YAxis.MajorStep;
  const int between = TruncToInt(l.Top + l.YAxis.Offset + l.YAxis.Factor * yBetween);
  QCOMPARE(image.pixel(px, l.Bottom - 1), qRgb(0, 0, 0));
  QCOMPARE(image.pixel(px, l.Top + 1), qRgb(0, 0, 0));
  QCOMPARE(image.pixel(px, between), qRgb(0xC0, 0xC0, 0xC0));
  QCOMPARE(image.pixel(px + 2, between), qRgb(255, 255, 255));
  // A major y tick likewise, along the rows.
  const int py = TruncToInt(l.Top + l.YAxis.Offset + l.YAxis.Factor * 7);
  QCOMPARE(image.pixel(l.Left + 1, py), qRgb(0, 0, 0));
  QCOMPARE(image.pixel(l.Right - 1, py), qRgb(0, 0, 0));
  QCOMPARE(image.pixel(TruncToInt(l.Left - 1 + l.XAxis.Offset + l.XAxis.Factor * 4.5), py), qRgb(0xC0, 0xC0, 0xC0));
  // The curve passes through its mapped middle point, in its colour.
  const int cx = TruncToInt(l.PixelX(5)), cy = TruncToInt(l.PixelY(5));
  QCOMPARE(image.pixel(cx, cy), qRgb(0xFF, 0, 0));
  // Labels: dark pixels left of the frame and below it, white elsewhere in
  // the margins.
  int dark = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < l.Left - 1; ++x) dark += qGray(image.pixel(x, y)) < 128;
  QVERIFY(dark > 50);
  dark = 0;
  for (int y = l.Bottom + 1; y < 400; ++y)
    for (int x = 0; x < 600; ++x) dark += qGray(image.pixel(x, y)) < 128;
  QVERIFY(dark > 50);
  QCOMPARE(image.pixel(599, 399), qRgb(255, 255, 255));
}

void PlotRenderTest::emptyIntervalPaintsNothing() {
  TPlotPanel panel;
  panel.Curves.push_back(MakeCurve(10, 0, true, 2, 1));
  panel.AutoscaleX = false;
  panel.XMin = panel.XMax = 1;
  panel.RecomputeIntervals();
  QImage white(300, 200, QImage::Format_RGB32);
  white.fill(Qt::white);
  QCOMPARE(Ostra::PlotImage(panel, 300, 200), white);
}

void PlotRenderTest::dotsAreCircles() {
  TPlotPanel panel;
  auto c = std::make_unique<TGraphicFunc>();
  c->X = {0, 5, 10};
  c->Y = {0, 5, 10};
  c->Connected = false;
  c->Thickness = 10;
  c->Colour = 0x00FF00;
  panel.Curves.push_back(std::move(c));
  panel.RecomputeIntervals();
  const QImage image = Ostra::PlotImage(panel, 400, 300);
  const TPlotLayout l = LayoutOf(panel, 400, 300);
  const int cx = TruncToInt(l.PixelX(5)), cy = TruncToInt(l.PixelY(5));
  // Radius 5: the outline, not the centre.
  QCOMPARE(image.pixel(cx + 5, cy), qRgb(0, 0xFF, 0));
  QCOMPARE(image.pixel(cx - 5, cy), qRgb(0, 0xFF, 0));
  QVERIFY(image.pixel(cx, cy) != qRgb(0, 0xFF, 0));
}

void PlotRenderTest::reducedDrawingIsTheSamePicture_data() {
  QTest::addColumn<int>("points");
  QTest::addColumn<double>("noise");
  QTest::addColumn<bool>("connected");
  QTest::addColumn<int>("thickness");
  QTest::newRow("1e6 noisy, width 1") << 1000000 << 0.3 << true << 1;
  QTest::newRow("1e5 noisy, width 2") << 100000 << 0.3 << true << 2;
  QTest::newRow("1e6 smooth, width 3") << 1000000 << 0.0 << true << 3;
  QTest::newRow("1e5 smooth, width 8") << 100000 << 0.0 << true << 8;
  QTest::newRow("1e5 dots") << 100000 << 0.3 << false << 4;
}

void PlotRenderTest::reducedDrawingIsTheSamePicture() {
  QFETCH(int, points);
  QFETCH(double, noise);
  QFETCH(bool, connected);
  QFETCH(int, thickness);
  TPlotPanel panel;
  panel.Curves.push_back(MakeCurve(points, noise, connected, thickness, 3));
  panel.Curves.push_back(MakeCurve(points / 10, noise / 2, connected, thickness, 4));
  panel.Curves[1]->Colour = CurveColours[1];
  for (double& y : panel.Curves[1]->Y) y += 0.5;
  panel.RecomputeIntervals();
  ReduceCurves = false;
  QElapsedTimer t;
  t.start();
  const QImage every = Ostra::PlotImage(panel, 800, 600);
  const qint64 full = t.elapsed();
  ReduceCurves = true;
  t.restart();
  const QImage reduced = Ostra::PlotImage(panel, 800, 600);
  const qint64 fast = t.elapsed();
  qInfo("every point %lld ms, reduced %lld ms", static_cast<long long>(full), static_cast<long long>(fast));
  int differing = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) differing += every.pixel(x, y) != reduced.pixel(x, y);
  QCOMPARE(differing, 0);
  // The picture shows the curve at all.
  int coloured = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) coloured += reduced.pixel(x, y) == Rgb(CurveColours[0]);
  QVERIFY(coloured > 1000);
}

void PlotRenderTest::svgHasTheSameSize() {
  TPlotPanel panel;
  panel.Curves.push_back(MakeCurve(100, 0, true, 2, 1));
  panel.RecomputeIntervals();
  const QByteArray svg = Ostra::PlotSvg(panel, 800, 600);
  QVERIFY(svg.startsWith("<?xml"));
  QVERIFY(svg.contains("viewBox=\"0 0 800 600\""));
  QVERIFY(svg.contains("polyline"));
}

void PlotRenderTest::yTitleStandsClearOfTheLabels_data() {
  QTest::addColumn<double>("min");
  QTest::addColumn<double>("max");
  QTest::newRow("narrow") << 0.0 << 10.0;
  QTest::newRow("many decimals") << 100.0 << 100.001;
  QTest::newRow("exponent") << 0.0 << 5e6;
  QTest::newRow("negative, exponent") << -123456.5 << 3.0;
}

void PlotRenderTest::yTitleStandsClearOfTheLabels() {
  QFETCH(double, min);
  QFETCH(double, max);
  TPlotPanel panel;
  panel.XMin = 0, panel.XMax = 1;
  panel.YMin = min, panel.YMax = max;
  panel.YTitle = "y (U / V)";
  const QImage image = Ostra::PlotImage(panel, 600, 400);
  const TPlotLayout l = LayoutOf(panel, 600, 400);
  // The title is painted from column 1 over the text height; then come the
  // gap and the labels, which end before the frame.
  const int titleEnd = 1 + l.TextHeight, labelsStart = titleEnd + l.Gap;
  QVERIFY(l.Gap >= 3);
  QVERIFY(labelsStart < l.Left - 1);
  auto dark = [&](int x0, int x1) {
    int n = 0;
    for (int y = 0; y < l.Bottom; ++y)
      for (int x = x0; x < x1; ++x) n += image.pixel(x, y) != qRgb(255, 255, 255);
    return n;
  };
  QVERIFY(dark(1, titleEnd) > 10);
  QCOMPARE(dark(titleEnd, labelsStart), 0);
  QVERIFY(dark(labelsStart, l.Left - 1) > 50);
}

QTEST_MAIN(PlotRenderTest)
#include "PlotRenderTest.moc"
