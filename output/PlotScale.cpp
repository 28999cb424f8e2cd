#include "output/PlotScale.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace TernioParser {

namespace {

const double Divisors[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
// Guards against intervals so far off that tick counts would make no sense.
constexpr int MaxTicks = 100000;

int Sign(int v) { return (v > 0) - (v < 0); }

// The decade of a label value: trunc(log10 |v| + 1e-8), 0 for 0.
int LabelDecade(double v) {
  if (v == 0) return 0;
  return TruncToInt(std::log10(std::fabs(v)) + 1.0000000050247593e-8);
}

int Count(double x) { return std::clamp(TruncToInt(x), 0, MaxTicks); }

}  // namespace

int TruncToInt(double x) {
  if (std::isnan(x)) return 0;
  if (x >= INT_MAX) return INT_MAX;
  if (x <= INT_MIN) return INT_MIN;
  return static_cast<int>(x);
}

double FloorTolerant(double x) {
  const double f = std::floor(x);
  return x - f > 0.99999999 ? std::floor(x + 0.5) : f;
}

void TScaleBase::SetInterval(double a, double b) {
  if (b < a) std::swap(a, b);
  if (a == Min && b == Max) return;
  Min = a, Max = b;
  Dirty = true;
}

void TScaleBase::SetLength(int pixels) {
  if (pixels == Length) return;
  Length = pixels;
  Dirty = true;
}

void TScaleBase::SetTitle(const std::optional<std::string>& title) {
  if (title.has_value() != Title.has_value()) Dirty = true;
  Title = title;
}

void TScaleBase::SetMetrics(TTextMetrics& m) {
  TextHeight = m.TextHeight("0", TPlotFont::Normal);
  SmallTextHeight = m.TextHeight("0", TPlotFont::Small);
  MinusWidth = m.TextWidth("-", TPlotFont::Normal);
  SmallMinusWidth = m.TextWidth("-", TPlotFont::Small);
  DigitWidth = m.TextWidth("0", TPlotFont::Normal);
  SmallDigitWidth = m.TextWidth("0", TPlotFont::Small);
  SeparatorWidth = m.TextWidth(std::string_view(&DecimalSeparator, 1), TPlotFont::Normal);
  TimesTenWidth = m.TextWidth(TimesTen, TPlotFont::Normal);
  Dirty = true;
}

void TScaleBase::ComputeDecade() {
  const double top = std::max(std::log10(std::fabs(Max)), std::log10(std::fabs(Min)));
  Decade = std::isfinite(top) ? std::clamp(TruncToInt(top), -400, 400) : 0;
  ExponentDigits = Decade == 0 ? 1 : static_cast<int>(FloorTolerant(std::log10(std::abs(Decade)))) + 1;
  Span = Max - Min;
  if (Span == 0) Span = 10;
  HasNegatives = Min < 0;
  NegativeExponent = Decade < 0;
}

void TScaleBase::MeasureLabel(int s) {
  const int e = Decade;
  if (!Scientific()) {
    const int digits = Sign(e) == Sign(s) ? std::max(std::abs(e), std::abs(s)) + 1 : e - s + 1;
    LabelWidth = digits * DigitWidth + (HasNegatives ? MinusWidth : 0) + (s < 0 ? SeparatorWidth : 0);
    LabelHeight = TextHeight;
  } else {
    LabelWidth = (s < e ? (e - s + 1) * DigitWidth + SeparatorWidth : DigitWidth) + (HasNegatives ? MinusWidth : 0) +
                 TimesTenWidth + ExponentDigits * SmallDigitWidth + (e < 0 ? SmallMinusWidth : 0);
    LabelHeight = std::max(TextHeight, TextHeight / 2 + SmallTextHeight);
  }
}

int TScaleBase::LabelRoom() {
  if (Vertical) return Room;
  ComputeDecade();
  MeasureLabel(StepDecade);
  return LabelHeight + TitleDepth();
}

void TScaleBase::Recompute() {
  ComputeDecade();
  const bool finite = std::isfinite(Min) && std::isfinite(Max) && std::isfinite(Span);
  MajorStep = MinorStep = Span;
  const double a = std::pow(10.0, FloorTolerant(std::log10(Span)) + 1);
  bool accepted = false;
  for (int i = 0; finite && i < 10; ++i) {
    const double c = a / Divisors[i];
    const double first = c * std::ceil(Min / c);
    const double count = FloorTolerant((Max - first) / c) + 1;
    MeasureLabel(TruncToInt(FloorTolerant(std::log10(std::fabs(c)))));
    const int g = Vertical ? LabelHeight : LabelWidth;
    if (count * g / Length > (Vertical ? 0.8 : 0.6) || Length < g) break;
    MajorStep = c;
    MinorStep = a / Divisors[i + 2];
    MajorCount = Count(count);
    accepted = true;
  }
  if (!accepted) {
    // Even the coarsest step is too dense: one step of the span.
    const double first = MajorStep * std::ceil(Min / MajorStep);
    MajorCount = finite ? Count(FloorTolerant((Max - first) / MajorStep) + 1) : 0;
  }
  FirstMajor = MajorStep * std::ceil(Min / MajorStep);

  Unusable = !finite || Min + MajorStep / 2 == Min;
  LastMajor = (MajorCount - 1) * MajorStep + FirstMajor;
  StepDecade = finite ? TruncToInt(FloorTolerant(std::log10(MajorStep))) : 0;
  MeasureLabel(StepDecade);
  Room = (Vertical ? LabelWidth : LabelHeight) + TitleDepth();
  ExtendedMax = std::max(Max, LastMajor);
  ExtendedMin = std::min(FirstMajor, Min);
  const double minor = MinorStep * std::ceil(ExtendedMin / MinorStep);
  FirstMinor = minor < FirstMajor ? minor : FirstMajor;
  Span = ExtendedMax - ExtendedMin;
  MinorCount = finite ? Count(FloorTolerant((ExtendedMax - FirstMinor) / MinorStep) + 1) : 0;
  Usable = Length - (Vertical ? LabelHeight : LabelWidth);
  Factor = Usable / Span;
  if (!Vertical) {
    Offset = -Factor * ExtendedMin + LabelWidth / 2.0;
  } else {
    Factor = -Factor;
    Offset = Usable + std::fabs(Factor) * ExtendedMin + LabelHeight / 2.0;
  }
  if (!Unusable) Dirty = false;
}

double TScaleBase::MajorValue(int k) const {
  const double v = FirstMajor + k * MajorStep;
  // A tick that should be zero but carries the rounding of the steps.
  return std::fabs(v) < std::fabs(MajorStep) * 1e-9 ? 0.0 : v;
}

std::string TScaleBase::FixedText(double v, int decimals) const {
  const int d = LabelDecade(v);
  const int intDigits = d >= 0 ? d + 1 : 1;
  decimals = std::clamp(std::min(decimals, 15 - intDigits), 0, 30);
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, r.ptr);
  // A value that rounds to zero shows no sign.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  if (DecimalSeparator != '.') std::replace(s.begin(), s.end(), '.', DecimalSeparator);
  return s;
}

std::vector<TLabelItem> TScaleBase::Labels(int x0, int y0, TTextMetrics& m) {
  std::vector<TLabelItem> out;
  if (!Unusable) {
    for (int k = 0; k < MajorCount; ++k) {
      const double v = MajorValue(k);
      const int e = TruncToInt(Map(v));
      int x, y;
      if (!Vertical) {
        x = x0 + e;
        y = y0 - TextHeight + LabelHeight;
      } else {
        x = x0 + TitleDepth();
        y = y0 - TextHeight + e + LabelHeight / 2;
      }
      if (HasNegatives && v >= 0) x += MinusWidth;
      int d = LabelDecade(v);
      if (!Scientific()) {
        std::string text = FixedText(v, std::max(-StepDecade, 0));
        if (Vertical) x += ((Decade >= 0 ? Decade + 1 : 1) - (d >= 0 ? d + 1 : 1)) * DigitWidth;
        else x -= m.TextWidth(text, TPlotFont::Normal) / 2;
        out.push_back({x, y, std::move(text), TPlotFont::Normal});
      } else {
        if (d < 0) d = d - 1;
        std::string text = FixedText(v / std::pow(10.0, d), std::max(Decade - StepDecade, 0));
        std::string exponent = std::to_string(d);
        const int tw = m.TextWidth(text, TPlotFont::Normal);
        if (!Vertical) x -= (tw + TimesTenWidth + m.TextWidth(exponent, TPlotFont::Small)) / 2;
        out.push_back({x, y, std::move(text), TPlotFont::Normal});
        out.push_back({x + tw, y, std::string(TimesTen), TPlotFont::Normal});
        out.push_back({x + tw + TimesTenWidth, y - TextHeight / 2, std::move(exponent), TPlotFont::Small});
      }
    }
  }
  if (Title) {
    const int tw = m.TextWidth(*Title, Vertical ? TPlotFont::Rotated : TPlotFont::Normal);
    if (!Vertical) out.push_back({x0 + (Length - tw) / 2, y0 + LabelHeight, *Title, TPlotFont::Normal});
    else out.push_back({x0, y0 + Length / 2 + tw / 2, *Title, TPlotFont::Rotated});
  }
  return out;
}

}  // namespace TernioParser
