#include "output/PlotDrawing.h"

#include <algorithm>
#include <cmath>

namespace TernioParser {

bool ReduceCurves = true;

void TPlotLayout::Update(const TPlotPanel& panel, int width, int height, TTextMetrics& m, char separator) {
  Width = width, Height = height;
  TextHeight = m.TextHeight("0", TPlotFont::Normal);
  DigitWidth = m.TextWidth("0", TPlotFont::Normal);
  Gap = TextHeight / 3;
  TitleWidth = PanelTitle ? m.TextWidth(*PanelTitle, TPlotFont::Normal) : 0;
  TitleHeight = PanelTitle ? m.TextHeight(*PanelTitle, TPlotFont::Normal) : 0;
  for (TScaleBase* axis : {&XAxis, &YAxis}) {
    if (axis->DecimalSeparator != separator || axis->TextHeight == 0) {
      axis->DecimalSeparator = separator;
      axis->SetMetrics(m);
    }
  }
  XAxis.SetInterval(panel.XMin, panel.XMax);
  YAxis.SetInterval(panel.YMin, panel.YMax);
  XAxis.SetTitle(panel.XTitle);
  YAxis.SetTitle(panel.YTitle);

  const int xRoom = XAxis.LabelRoom();
  YAxis.SetLength(Height - xRoom - TitleHeight - Gap);
  YAxis.Recompute();
  const int yRoom = YAxis.LabelRoom();
  XAxis.SetLength(Width - yRoom - DigitWidth);
  XAxis.Recompute();
  Left = yRoom + DigitWidth + 1;
  Right = Width - 1;
  Top = TitleHeight + Gap + 1;
  Bottom = Height - xRoom - Gap;
}

namespace {

// The pixel of a mapped value, truncated toward zero and clamped into
// [lo, hi]; outside tells that it had to be clamped. NaN counts as below.
int Clamp(double v, int lo, int hi, bool& outside) {
  if (!(v > lo - 1.0)) {
    outside = true;
    return lo;
  }
  if (!(v < hi + 1.0)) {
    outside = true;
    return hi;
  }
  const int p = static_cast<int>(v);
  if (p < lo || p > hi) {
    outside = true;
    return p < lo ? lo : hi;
  }
  return p;
}

}  // namespace

void CurvePixels(const TGraphicFunc& c, const TPlotLayout& l, bool reduce, std::vector<TPixel>& out) {
  out.clear();
  const int32_t n = c.Count();
  if (n <= 0) return;
  const double ax = l.Left + l.XAxis.Offset, fx = l.XAxis.Factor;
  const double ay = l.Top + l.YAxis.Offset, fy = l.YAxis.Factor;
  const double* xs = c.X.data();
  const double* ys = c.Y.data();
  // Truncation toward zero, then clamping, is clamping into
  // [lo, hi + 0.5] and truncating (NaN goes to lo): branch-free.
  const double left = l.Left, right = l.Right + 0.5, top = l.Top, bottom = l.Bottom + 0.5;
  auto pixel = [&](int32_t i) {
    double vx = ax + fx * xs[i], vy = ay + fy * ys[i];
    vx = vx > left ? vx : left;
    vx = vx < right ? vx : right;
    vy = vy > top ? vy : top;
    vy = vy < bottom ? vy : bottom;
    return TPixel{static_cast<int>(vx), static_cast<int>(vy)};
  };
  if (!reduce) {
    out.reserve(n);
    for (int32_t i = 0; i < n; ++i) out.push_back(pixel(i));
    return;
  }
  // A run of consecutive points in one pixel column draws the vertical
  // stretch between its lowest and highest pixel. It is kept as its first
  // pixel, the two extremes in the order the curve reaches them, and its
  // last pixel reached from the same side as before, so that even the
  // joins of a wide pen stay as they were.
  TPixel first = pixel(0), last = first;
  int lo = first.Y, hi = first.Y, firstMove = 0, lastMove = 0;
  auto add = [&](int x, int y) {
    if (out.empty() || out.back().X != x || out.back().Y != y) out.push_back({x, y});
  };
  auto flush = [&] {
    add(first.X, first.Y);
    if (firstMove != 0) {
      const int a = firstMove < 0 ? lo : hi, b = firstMove < 0 ? hi : lo;
      add(first.X, a);
      add(first.X, b);
      // The last pixel must be reached moving as the curve did.
      const int arrival = last.Y != b ? (last.Y < b ? -1 : 1) : (b < a ? -1 : 1);
      if (arrival != lastMove) add(first.X, a);
    }
    add(last.X, last.Y);
  };
  for (int32_t i = 1; i < n; ++i) {
    const TPixel p = pixel(i);
    if (p.X != first.X) {
      flush();
      first = last = p;
      lo = hi = p.Y;
      firstMove = lastMove = 0;
      continue;
    }
    if (p.Y != last.Y) {
      lastMove = p.Y < last.Y ? -1 : 1;
      if (firstMove == 0) firstMove = lastMove;
    }
    last = p;
    lo = std::min(lo, p.Y);
    hi = std::max(hi, p.Y);
  }
  flush();
}

void DotPixels(const TGraphicFunc& c, const TPlotLayout& l, bool reduce, std::vector<TPixel>& out) {
  out.clear();
  const int32_t n = c.Count();
  const int w = l.Right - l.Left + 1, h = l.Bottom - l.Top + 1;
  std::vector<bool> seen;
  if (reduce && w > 0 && h > 0) seen.assign(static_cast<size_t>(w) * h, false);
  for (int32_t i = 0; i < n; ++i) {
    bool outside = false;
    const int px = Clamp(l.PixelX(c.X[i]), l.Left, l.Right, outside);
    const int py = Clamp(l.PixelY(c.Y[i]), l.Top, l.Bottom, outside);
    if (outside) continue;
    if (!seen.empty()) {
      auto bit = seen.begin() + (static_cast<size_t>(py - l.Top) * w + (px - l.Left));
      if (*bit) continue;
      *bit = true;
    }
    out.push_back({px, py});
  }
}

void PaintPanel(TPlotCanvas& canvas, const TPlotPanel& panel, TPlotLayout& l) {
  if (panel.XMax == panel.XMin || panel.YMax == panel.YMin) return;
  if (l.PanelTitle) canvas.Text({(l.Width - l.TitleWidth) / 2, 0, *l.PanelTitle, TPlotFont::Normal});
  for (const TLabelItem& item : l.YAxis.Labels(1, l.Top, canvas)) canvas.Text(item);
  for (const TLabelItem& item : l.XAxis.Labels(l.Left - 1, l.Bottom + l.Gap, canvas)) canvas.Text(item);
  canvas.Frame(l.Left - 1, l.Top - 1, l.Right, l.Bottom);

  const TColour black = 0;
  const TScaleBase& x = l.XAxis;
  const TScaleBase& y = l.YAxis;
  for (int k = 0; k < x.MajorCount; ++k) {
    const int px = TruncToInt(l.Left - 1 + x.Offset + x.Factor * x.MajorValue(k));
    canvas.Line(px, l.Bottom, px, l.Bottom - 3, black);
    if (l.Bottom - 4 >= l.Top + 4) canvas.Line(px, l.Bottom - 4, px, l.Top + 4, GridColour);
    canvas.Line(px, l.Top + 3, px, l.Top, black);
  }
  for (int k = 0; k < x.MinorCount; ++k) {
    const int px = TruncToInt(l.Left - 1 + x.Offset + x.Factor * (x.FirstMinor + k * x.MinorStep));
    canvas.Line(px, l.Bottom, px, l.Bottom - 1, black);
    canvas.Line(px, l.Top + 1, px, l.Top, black);
  }
  for (int k = 0; k < y.MajorCount; ++k) {
    const int py = TruncToInt(l.Top + y.Offset + y.Factor * y.MajorValue(k));
    canvas.Line(l.Left, py, l.Left + 3, py, black);
    if (l.Left + 4 <= l.Right - 4) canvas.Line(l.Left + 4, py, l.Right - 4, py, GridColour);
    canvas.Line(l.Right - 3, py, l.Right, py, black);
  }
  for (int k = 0; k < y.MinorCount; ++k) {
    const int py = TruncToInt(l.Top + y.Offset + y.Factor * (y.FirstMinor + k * y.MinorStep));
    canvas.Line(l.Left, py, l.Left + 1, py, black);
    canvas.Line(l.Right - 1, py, l.Right, py, black);
  }

  std::vector<TPixel> pixels;
  for (const auto& c : panel.Curves) {
    if (!c || c->Count() == 0) continue;
    if (c->Connected) {
      CurvePixels(*c, l, ReduceCurves, pixels);
      canvas.Polyline(pixels.data(), pixels.size(), c->Colour, c->Thickness);
    } else {
      DotPixels(*c, l, ReduceCurves, pixels);
      canvas.Circles(pixels.data(), pixels.size(), DotRadius(c->Thickness), c->Colour);
    }
  }
}

}  // namespace TernioParser
