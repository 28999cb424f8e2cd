#pragma once
// One axis of a plot: how it chooses its tick steps, how large its labels
// are, where values land in pixels, and which label texts it draws where.
// Text is measured through TTextMetrics, so the layout can be computed (and
// tested) without any display.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace TernioParser {

enum class TPlotFont {
  Normal,   // labels and titles
  Small,    // exponents of scientific labels, one point smaller
  Rotated,  // the title of the vertical axis, reading upward
};

class TTextMetrics {
public:
  virtual ~TTextMetrics() = default;
  // Texts are 8-bit (Windows-1252) strings.
  virtual int TextWidth(std::string_view text, TPlotFont font) = 0;
  virtual int TextHeight(std::string_view text, TPlotFont font) = 0;
};

// A text to draw: for Normal and Small fonts (X, Y) is the top left corner;
// for the rotated title it is where the text starts, reading upward, with its
// top side to the left.
struct TLabelItem {
  int X = 0, Y = 0;
  std::string Text;
  TPlotFont Font = TPlotFont::Normal;
};

// Blank, middle dot (0xB7), "10": what stands between the mantissa and the
// exponent of a scientific label.
inline constexpr std::string_view TimesTen =
    " \xB7"
    "10";

// floor(x), except that a value just below an integer counts as that
// integer: x - floor(x) > 0.99999999 gives floor(x + 0.5).
double FloorTolerant(double x);

class TScaleBase {
public:
  explicit TScaleBase(bool vertical) : Vertical(vertical) {}

  // Stores the interval (ordered) and marks the layout dirty, unless nothing
  // changed.
  void SetInterval(double a, double b);
  void SetLength(int pixels);
  // A title appearing or disappearing changes the layout; a new text of an
  // existing title does not.
  void SetTitle(const std::optional<std::string>& title);
  // Remeasures the character metrics.
  void SetMetrics(TTextMetrics& metrics);
  // The label room across a horizontal axis, known from the decade alone;
  // a vertical axis tells its room after Recompute.
  int LabelRoom();
  // The tick algorithm.
  void Recompute();
  // The labels of the major ticks and the title, drawn at (x0, y0).
  std::vector<TLabelItem> Labels(int x0, int y0, TTextMetrics& metrics);

  // The label text of a value: fixed-point with the given decimals (15
  // significant digits at most), the decimal separator as set.
  std::string FixedText(double v, int decimals) const;

  const bool Vertical;
  char DecimalSeparator = '.';

  // Interval and layout input.
  double Min = 0, Max = 10;
  int Length = 0;
  std::optional<std::string> Title;
  bool Dirty = true;

  // Results of Recompute.
  int Decade = 0;  // E
  int ExponentDigits = 1;
  double Span = 10;
  bool HasNegatives = false;
  bool NegativeExponent = false;
  double MajorStep = 10, MinorStep = 10;
  double FirstMajor = 0, LastMajor = 0;
  int MajorCount = 0;
  int StepDecade = 0;  // s
  int LabelWidth = 0, LabelHeight = 0;
  int Room = 0;  // label room, title included
  double FirstMinor = 0;
  double ExtendedMin = 0, ExtendedMax = 0;
  int MinorCount = 0;
  int Usable = 0;
  double Factor = 0, Offset = 0;
  bool Unusable = false;  // the step cannot change the minimum: no labels

  // Character metrics.
  int TextHeight = 0, SmallTextHeight = 0;
  int MinusWidth = 0, SmallMinusWidth = 0;
  int DigitWidth = 0, SmallDigitWidth = 0;
  int SeparatorWidth = 0, TimesTenWidth = 0;

  bool Scientific() const { return Decade > 3 || Decade < -3; }
  // The depth of the title across the axis, 0 without one. The title of
  // the vertical axis, reading upward, keeps a third of the text height
  // from the labels: its descenders would touch them otherwise.
  int TitleDepth() const { return !Title ? 0 : Vertical ? TextHeight + TextHeight / 3 : TextHeight; }
  // Pixel offset of a value along the axis (from the axis start).
  double Map(double v) const { return v * Factor + Offset; }
  double MajorValue(int k) const;

private:
  void ComputeDecade();
  void MeasureLabel(int s);
};

// Truncates toward zero into the int range; NaN gives 0.
int TruncToInt(double x);

}  // namespace TernioParser
