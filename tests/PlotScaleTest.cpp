// Axis tick layout, panel layout and the paint sequence, measured with a
// fixed text metric instead of a display.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <set>

#include "output/PlotDrawing.h"

using namespace TernioParser;

namespace {

// Digits 7 pixels wide (6 in the small font), minus 5 (4), blank, dot and
// middle dot 3; heights 13 and 11.
class TFixedMetrics : public TTextMetrics {
public:
  int TextWidth(std::string_view text, TPlotFont font) override {
    int w = 0;
    for (char c : text) {
      if (c == '-') w += font == TPlotFont::Small ? 4 : 5;
      else if (c == '.' || c == ' ' || c == '\xB7' || c == ',') w += 3;
      else w += font == TPlotFont::Small ? 6 : 7;
    }
    return w;
  }
  int TextHeight(std::string_view, TPlotFont font) override { return font == TPlotFont::Small ? 11 : 13; }
};

struct TAxisCase {
  double Min, Max;
  bool Vertical;
  int Length;
};

TScaleBase Axis(const TAxisCase& c, TFixedMetrics& m) {
  TScaleBase a(c.Vertical);
  a.SetMetrics(m);
  a.SetInterval(c.Min, c.Max);
  a.SetLength(c.Length);
  a.Recompute();
  return a;
}

std::string Texts(const std::vector<TLabelItem>& items) {
  std::string s;
  for (const auto& i : items) s += (s.empty() ? "" : "|") + i.Text;
  return s;
}

TEST(PlotScale, FloorWithTolerance) {
  EXPECT_EQ(FloorTolerant(2.5), 2);
  EXPECT_EQ(FloorTolerant(-0.5), -1);
  EXPECT_EQ(FloorTolerant(2.999999995), 3);
  EXPECT_EQ(FloorTolerant(2.99999998), 2);
  EXPECT_EQ(FloorTolerant(std::log10(1000.0)), 3);
}

TEST(PlotScale, ZeroToTenTakesTheFinestStepThatFits) {
  TFixedMetrics m;
  // Steps 100, 50, 20, 10, 5, 2, 1 fit into 60 % of 600 pixels; 0.5 needs
  // 21 labels of 24 pixels and does not.
  TScaleBase a = Axis({0, 10, false, 600}, m);
  EXPECT_EQ(a.Decade, 1);
  EXPECT_EQ(a.MajorStep, 1);
  EXPECT_EQ(a.MinorStep, 0.2);
  EXPECT_EQ(a.MajorCount, 11);
  EXPECT_EQ(a.FirstMajor, 0);
  EXPECT_EQ(a.LastMajor, 10);
  EXPECT_EQ(a.StepDecade, 0);
  EXPECT_EQ(a.LabelWidth, 14);
  EXPECT_EQ(a.LabelHeight, 13);
  EXPECT_EQ(a.Room, 13);
  EXPECT_EQ(a.FirstMinor, 0);
  EXPECT_EQ(a.MinorCount, 51);
  EXPECT_EQ(a.Usable, 586);
  EXPECT_DOUBLE_EQ(a.Factor, 58.6);
  EXPECT_DOUBLE_EQ(a.Offset, 7);
  EXPECT_FALSE(a.Dirty);
  const auto labels = a.Labels(0, 0, m);
  EXPECT_EQ(Texts(labels), "0|1|2|3|4|5|6|7|8|9|10");
  // Centred under the tick: trunc(k * 58.6 + 7) minus half the text width.
  EXPECT_EQ(labels[0].X, 7 - 3);
  EXPECT_EQ(labels[1].X, 65 - 3);
  EXPECT_EQ(labels[10].X, 593 - 7);
  EXPECT_EQ(labels[10].Y, 0);
  // A shorter axis stops earlier.
  TScaleBase b = Axis({0, 10, false, 200}, m);
  EXPECT_EQ(b.MajorStep, 2);
  EXPECT_EQ(b.MinorStep, 0.5);
  EXPECT_EQ(b.MajorCount, 6);
}

TEST(PlotScale, LargeNumbersGetScientificLabels) {
  TFixedMetrics m;
  TScaleBase a = Axis({0, 10000, false, 600}, m);
  EXPECT_EQ(a.Decade, 4);
  EXPECT_EQ(a.MajorStep, 2000);
  EXPECT_EQ(a.MinorStep, 500);
  EXPECT_EQ(a.StepDecade, 3);
  EXPECT_EQ(a.MajorCount, 6);
  // Two digits, the separator, " .10" and one small exponent digit.
  EXPECT_EQ(a.LabelWidth, 2 * 7 + 3 + 20 + 6);
  EXPECT_EQ(a.LabelHeight, 13 / 2 + 11);
  const auto labels = a.Labels(0, 0, m);
  ASSERT_EQ(labels.size(), 18u);
  EXPECT_EQ(labels[0].Text, "0.0");
  EXPECT_EQ(labels[2].Text, "0");
  EXPECT_EQ(labels[3].Text, "2.0");
  EXPECT_EQ(labels[4].Text,
            " \xB7"
            "10");
  EXPECT_EQ(labels[5].Text, "3");
  EXPECT_EQ(labels[5].Font, TPlotFont::Small);
  EXPECT_EQ(labels[15].Text, "1.0");
  EXPECT_EQ(labels[17].Text, "4");
  // 2000 maps to trunc(2000 * 557 / 10000 + 21.5) = 132; the whole label
  // (17 + 20 + 6 pixels) is centred there; the exponent is raised by half
  // the text height.
  EXPECT_EQ(labels[3].X, 132 - 21);
  EXPECT_EQ(labels[3].Y, 4);
  EXPECT_EQ(labels[4].X, 111 + 17);
  EXPECT_EQ(labels[5].X, 128 + 20);
  EXPECT_EQ(labels[5].Y, 4 - 6);
}

TEST(PlotScale, NegativeValuesLeaveRoomForTheSign) {
  TFixedMetrics m;
  TScaleBase a = Axis({-1, 1, true, 150}, m);
  EXPECT_EQ(a.Decade, 0);
  EXPECT_EQ(a.MajorStep, 0.5);
  EXPECT_EQ(a.MinorStep, 0.1);
  EXPECT_EQ(a.MajorCount, 5);
  EXPECT_EQ(a.StepDecade, -1);
  EXPECT_TRUE(a.HasNegatives);
  EXPECT_EQ(a.LabelWidth, 2 * 7 + 5 + 3);
  EXPECT_EQ(a.Room, 22);
  EXPECT_EQ(a.Usable, 137);
  EXPECT_DOUBLE_EQ(a.Factor, -68.5);
  EXPECT_DOUBLE_EQ(a.Offset, 75);
  const auto labels = a.Labels(1, 10, m);
  EXPECT_EQ(Texts(labels), "-1.0|-0.5|0.0|0.5|1.0");
  // Labels of values >= 0 move right by the minus width.
  EXPECT_EQ(labels[0].X, 1);
  EXPECT_EQ(labels[2].X, 6);
  EXPECT_EQ(labels[4].X, 6);
  // Values grow upward, each label centred on its tick.
  EXPECT_EQ(labels[0].Y, 10 - 13 + 143 + 6);
  EXPECT_EQ(labels[4].Y, 10 - 13 + 6 + 6);
  // The y labels right-align their integer parts.
  TScaleBase b = Axis({0, 150, true, 150}, m);
  const auto right = b.Labels(1, 0, m);
  ASSERT_GE(right.size(), 3u);
  EXPECT_EQ(right[0].Text, "0");
  EXPECT_EQ(right[0].X, 1 + 2 * 7);
  const auto hundred = std::find_if(right.begin(), right.end(), [](const TLabelItem& i) { return i.Text == "100"; });
  ASSERT_NE(hundred, right.end());
  EXPECT_EQ(hundred->X, 1);
}

TEST(PlotScale, TooFineAnIntervalHasTicksButNoLabels) {
  TFixedMetrics m;
  TScaleBase a = Axis({1, 1 + 2e-16, false, 600}, m);
  EXPECT_TRUE(a.Unusable);
  EXPECT_TRUE(a.Dirty);
  EXPECT_GT(a.MajorCount, 0);
  EXPECT_TRUE(a.Labels(0, 0, m).empty());
  // A title is still drawn.
  a.SetTitle(std::string("t"));
  EXPECT_EQ(Texts(a.Labels(0, 0, m)), "t");
}

TEST(PlotScale, TitlesAndDirtyMarks) {
  TFixedMetrics m;
  TScaleBase a = Axis({0, 10, false, 600}, m);
  a.SetInterval(10, 0);  // ordered: unchanged
  EXPECT_FALSE(a.Dirty);
  a.SetTitle(std::string(""));
  EXPECT_TRUE(a.Dirty);
  a.Recompute();
  EXPECT_EQ(a.Room, 13 + 13);
  EXPECT_EQ(a.LabelRoom(), 26);
  a.SetTitle(std::string("other"));
  EXPECT_FALSE(a.Dirty);
  const auto items = a.Labels(0, 100, m);
  EXPECT_EQ(items.back().Text, "other");
  EXPECT_EQ(items.back().X, (600 - 35) / 2);
  EXPECT_EQ(items.back().Y, 113);
  TScaleBase v = Axis({0, 10, true, 300}, m);
  v.SetTitle(std::string("volts"));
  v.Recompute();
  const auto vi = v.Labels(1, 20, m);
  EXPECT_EQ(vi.back().Font, TPlotFont::Rotated);
  EXPECT_EQ(vi.back().X, 1);
  EXPECT_EQ(vi.back().Y, 20 + 150 + 35 / 2);
  // Labels of an axis with a title move right by the text height and a
  // third of it.
  EXPECT_EQ(vi.front().X, 1 + 13 + 4 + 7);
  EXPECT_EQ(v.Room, v.LabelWidth + 13 + 4);
}

TEST(PlotScale, HostileIntervalsStayBounded) {
  TFixedMetrics m;
  for (auto c : {TAxisCase{0, INFINITY, false, 600},
                 TAxisCase{NAN, 1, true, 300},
                 TAxisCase{-1e308, 1e308, false, 600},
                 TAxisCase{0, 1e-320, true, 300},
                 TAxisCase{5, 5, false, 0},
                 TAxisCase{0, 1, false, -20}}) {
    TScaleBase a = Axis(c, m);
    EXPECT_LE(a.MajorCount, 100000);
    EXPECT_LE(a.MinorCount, 100000);
    a.Labels(0, 0, m);
  }
}

// Records what a paint draws.
class TRecordingCanvas : public TPlotCanvas {
public:
  TFixedMetrics Metrics;
  std::vector<TLabelItem> Texts;
  struct TLine {
    int X0, Y0, X1, Y1;
    TColour Colour;
  };
  std::vector<TLine> Lines;
  std::vector<std::array<int, 4>> Frames;
  std::vector<std::vector<TPixel>> Polylines;
  std::vector<std::vector<TPixel>> Dots;
  std::vector<int> Radii;
  int TextWidth(std::string_view t, TPlotFont f) override { return Metrics.TextWidth(t, f); }
  int TextHeight(std::string_view t, TPlotFont f) override { return Metrics.TextHeight(t, f); }
  void Text(const TLabelItem& item) override { Texts.push_back(item); }
  void Line(int x0, int y0, int x1, int y1, TColour c) override { Lines.push_back({x0, y0, x1, y1, c}); }
  void Frame(int x0, int y0, int x1, int y1) override { Frames.push_back({x0, y0, x1, y1}); }
  void Polyline(const TPixel* p, size_t n, TColour, int) override { Polylines.emplace_back(p, p + n); }
  void Circles(const TPixel* p, size_t n, int r, TColour) override {
    Dots.emplace_back(p, p + n);
    Radii.push_back(r);
  }
};

std::unique_ptr<TGraphicFunc> MakeCurve(std::vector<double> x, std::vector<double> y, bool connected = true,
                                        int thickness = 2) {
  auto c = std::make_unique<TGraphicFunc>();
  c->X = std::move(x);
  c->Y = std::move(y);
  c->Connected = connected;
  c->Thickness = thickness;
  return c;
}

TEST(PlotDrawing, LayoutAndPaintOrder) {
  TPlotPanel panel;
  panel.Curves.push_back(MakeCurve({0, 10}, {0, 10}));
  panel.RecomputeIntervals();
  TPlotLayout l;
  TRecordingCanvas canvas;
  l.Update(panel, 600, 400, canvas);
  // Gap 13 / 3 = 4; x labels 13 high; the y labels as wide as the axis says.
  EXPECT_EQ(l.Gap, 4);
  EXPECT_EQ(l.YAxis.Length, 400 - 13 - 0 - 4);
  EXPECT_EQ(l.YAxis.Room, l.YAxis.LabelWidth);
  EXPECT_EQ(l.XAxis.Length, 600 - l.YAxis.Room - 7);
  EXPECT_EQ(l.Left, l.YAxis.Room + 7 + 1);
  EXPECT_EQ(l.Right, 599);
  EXPECT_EQ(l.Top, 5);
  EXPECT_EQ(l.Bottom, 400 - 13 - 4);
  PaintPanel(canvas, panel, l);
  ASSERT_EQ(canvas.Frames.size(), 1u);
  EXPECT_EQ(canvas.Frames[0], (std::array<int, 4>{l.Left - 1, l.Top - 1, l.Right, l.Bottom}));
  // y labels first, then x labels.
  ASSERT_FALSE(canvas.Texts.empty());
  EXPECT_LT(canvas.Texts.front().X, l.Left);
  EXPECT_GT(canvas.Texts.front().Y, canvas.Texts[1].Y);
  EXPECT_EQ(canvas.Texts.back().Text, "10");
  EXPECT_EQ(canvas.Texts.back().Y, l.Bottom + l.Gap);
  // Every x major tick: black mark, silver grid, black mark, at one column.
  const int px = TruncToInt(l.Left - 1 + l.XAxis.Offset + l.XAxis.Factor * 5);
  bool found = false;
  for (size_t i = 0; i + 2 < canvas.Lines.size(); ++i) {
    const auto& a = canvas.Lines[i];
    if (a.X0 != px || a.Y0 != l.Bottom) continue;
    found = true;
    EXPECT_EQ(a.Y1, l.Bottom - 3);
    EXPECT_EQ(a.Colour, 0u);
    EXPECT_EQ(canvas.Lines[i + 1].Colour, GridColour);
    EXPECT_EQ(canvas.Lines[i + 1].Y1, l.Top + 4);
    EXPECT_EQ(canvas.Lines[i + 2].Y1, l.Top);
    break;
  }
  EXPECT_TRUE(found);
  // The curve's ends, inset by half a label from the frame.
  ASSERT_EQ(canvas.Polylines.size(), 1u);
  const auto& pts = canvas.Polylines[0];
  ASSERT_EQ(pts.size(), 2u);
  EXPECT_EQ(pts[0].X, TruncToInt(l.Left + l.XAxis.Offset));
  EXPECT_EQ(pts[0].Y, TruncToInt(l.Top + l.YAxis.Offset));
  EXPECT_LT(pts[1].Y, pts[0].Y);
}

// The title of the y axis stands the layout's gap away from the widest
// label, and the labels stay clear of the frame, however wide they are.
TEST(PlotDrawing, YTitleKeepsAGapFromTheLabels) {
  struct TCase {
    const char* Name;
    double Min, Max;
    bool Scientific;
  };
  for (const TCase c : {TCase{"narrow", 0, 10, false},
                        TCase{"signed", -1, 1, false},
                        TCase{"many decimals", 100, 100.001, false},
                        TCase{"small negative", -0.0045, -0.0001, false},
                        TCase{"exponent", 0, 5e6, true},
                        TCase{"negative exponent", -123456.5, 3, true}}) {
    SCOPED_TRACE(c.Name);
    TPlotPanel panel;
    panel.XMin = 0, panel.XMax = 1;
    panel.YMin = c.Min, panel.YMax = c.Max;
    panel.YTitle = "U / V";
    TPlotLayout l;
    TRecordingCanvas canvas;
    l.Update(panel, 600, 400, canvas);
    EXPECT_EQ(l.YAxis.Scientific(), c.Scientific);
    const auto items = l.YAxis.Labels(1, l.Top, canvas);
    ASSERT_GE(items.size(), 2u);
    const TLabelItem& title = items.back();
    ASSERT_EQ(title.Font, TPlotFont::Rotated);
    const int titleRight = title.X + canvas.TextHeight(title.Text, TPlotFont::Rotated);
    int labelsLeft = INT_MAX, labelsRight = INT_MIN;
    for (size_t i = 0; i + 1 < items.size(); ++i) {
      labelsLeft = std::min(labelsLeft, items[i].X);
      labelsRight = std::max(labelsRight, items[i].X + canvas.TextWidth(items[i].Text, items[i].Font));
    }
    EXPECT_GE(l.Gap, 3);
    EXPECT_GE(labelsLeft - titleRight, l.Gap);
    EXPECT_LT(labelsRight, l.Left - 1);
  }
}

TEST(PlotDrawing, EmptyIntervalPaintsNothingAndPointsAreClamped) {
  TPlotPanel panel;
  panel.Curves.push_back(MakeCurve({0, 1}, {3, 3}));
  panel.AutoscaleY = false;
  panel.YMin = panel.YMax = 3;
  TPlotLayout l;
  TRecordingCanvas canvas;
  l.Update(panel, 300, 200, canvas);
  PaintPanel(canvas, panel, l);
  EXPECT_TRUE(canvas.Frames.empty() && canvas.Texts.empty() && canvas.Polylines.empty());

  panel.YMin = 0, panel.YMax = 1;
  panel.Curves[0] = MakeCurve({-100, 0.5, 100, NAN}, {0.5, 100, -100, 0.5});
  l.Update(panel, 300, 200, canvas);
  std::vector<TPixel> px;
  CurvePixels(*panel.Curves[0], l, false, px);
  EXPECT_EQ(px[0].X, l.Left);
  EXPECT_EQ(px[1].Y, l.Top);
  EXPECT_EQ(px[2].X, l.Right);
  EXPECT_EQ(px[2].Y, l.Bottom);
  EXPECT_EQ(px[3].X, l.Left);
  // Dots: only the points inside, radius from the thickness.
  panel.Curves[0] = MakeCurve({-100, 0.5, 0.25}, {0.5, 0.5, 100}, false, 10);
  PaintPanel(canvas, panel, l);
  ASSERT_EQ(canvas.Dots.size(), 1u);
  EXPECT_EQ(canvas.Dots[0].size(), 1u);
  EXPECT_EQ(canvas.Radii[0], 5);
  EXPECT_EQ(DotRadius(3), 1);
  EXPECT_EQ(DotRadius(4), 2);
}

// The pixels a 1-pixel polyline covers (lines include both ends), on an
// 800 x 600 surface.
std::vector<bool> Rasterize(const std::vector<TPixel>& pts) {
  struct TBits {
    std::vector<bool> Bits = std::vector<bool>(800 * 600);
    void insert(std::pair<int, int> p) { Bits[p.second * 800 + p.first] = true; }
  } s;
  auto line = [&](TPixel a, TPixel b) {
    int dx = std::abs(b.X - a.X), dy = -std::abs(b.Y - a.Y), sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      s.insert({a.X, a.Y});
      if (a.X == b.X && a.Y == b.Y) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, a.X += sx;
      if (e2 <= dx) err += dx, a.Y += sy;
    }
  };
  if (pts.size() == 1) s.insert({pts[0].X, pts[0].Y});
  for (size_t i = 1; i < pts.size(); ++i) line(pts[i - 1], pts[i]);
  return s.Bits;
}

TEST(PlotDrawing, ReducedCurveCoversTheSamePixels) {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, 1);
  TRecordingCanvas canvas;
  for (int shape = 0; shape < 3; ++shape) {
    std::vector<double> x, y;
    const int n = shape == 2 ? 20000 : 200000;
    for (int i = 0; i < n; ++i) {
      x.push_back(shape == 2 ? noise(random) : i);
      y.push_back(std::sin(i * 1e-4) + (shape == 1 ? 0 : 0.3 * noise(random)));
    }
    TPlotPanel panel;
    panel.Curves.push_back(MakeCurve(x, y));
    panel.RecomputeIntervals();
    TPlotLayout l;
    l.Update(panel, 800, 600, canvas);
    std::vector<TPixel> all, reduced;
    CurvePixels(*panel.Curves[0], l, false, all);
    CurvePixels(*panel.Curves[0], l, true, reduced);
    EXPECT_EQ(all.size(), static_cast<size_t>(n));
    if (shape < 2) {
      EXPECT_LE(reduced.size(), 5u * 800);
    }
    EXPECT_EQ(reduced.front(), all.front());
    EXPECT_EQ(reduced.back(), all.back());
    EXPECT_EQ(Rasterize(reduced), Rasterize(all)) << "shape " << shape;
  }
}

}  // namespace
