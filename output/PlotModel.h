#pragma once
// The data of the plot window: numbered tabs, each holding one curve panel or
// nothing, and the requests of the plot functions that change them. Plain
// C++, owned by the user-interface side (the window, or the headless runner)
// and changed only by applying requests in the order the program made them.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TernioParser {

// A colour value 0x00BBGGRR.
using TColour = uint32_t;

// The default curve colours, indexed by curve number modulo 17; also the
// colour table of plotcurveparms.
inline constexpr int CurveColourCount = 17;
extern const TColour CurveColours[CurveColourCount];

// Highest tab number; requests for other tabs are ignored.
inline constexpr int MaxPlotTab = 50;

struct TGraphicFunc {
  std::vector<double> X, Y;  // the same length
  TColour Colour = 0;
  int32_t Thickness = 2;
  bool Connected = true;
  int32_t Count() const { return static_cast<int32_t>(Y.size()); }
};

// One curve panel: its curves by number, the intervals shown and the axis
// titles.
class TPlotPanel {
public:
  // Slot index = curve number; an empty slot is null. Never ends in an empty
  // slot.
  std::vector<std::unique_ptr<TGraphicFunc>> Curves;
  bool AutoscaleX = true, AutoscaleY = true;
  double XMin = 0, XMax = 10, YMin = 0, YMax = 10;
  std::optional<std::string> XTitle, YTitle;

  int32_t CurveCount() const { return static_cast<int32_t>(Curves.size()); }
  bool HasCurves() const { return !Curves.empty(); }
  // Sets the intervals of the axes whose autoscale is on from the data:
  // not-a-number values are ignored, equal ends are widened by 0.5; without
  // any point an interval stays.
  void RecomputeIntervals();
  // Both intervals, each ordered.
  void SetView(double xa, double xb, double ya, double yb);
  // Switching a flag on recomputes the intervals at once.
  void SetAutoscale(bool x, bool y);
  void DropTrailingEmptySlots();
};

struct TPlotTab {
  std::string Caption;
  std::unique_ptr<TPlotPanel> Panel;  // null: an empty tab
};

// The requests of the plot functions. Numbers are packed as the functions
// hand them over: Word and Long carry the message parameters, with tab and
// curve numbers already cut to their field widths.
enum class TPlotRequestKind : uint16_t {
  AddCurve = 0x8001,    // Word: tab (16 bits), Long: curve (16 bits), X and Y
  ClearCurve = 0x8004,  // Word: tab, Long: curve
  ClearTab = 0x8005,    // Word: tab
  Title = 0x8006,       // Word: tab, Text: the caption
  Axis = 0x8007,        // Word: tab, Text and Text2: x and y titles
  CurveParms = 0x8008,  // Word: tab | curve << 16, Long: thickness | connected << 8 | colour << 16
  View = 0x8009,        // Word: tab, View: x min, y min, x max, y max
  Autoscale = 0x800A,   // Word: tab, Long: x flag | y flag << 16
  ClearTabs = 0x800B,
};

struct TPlotRequest {
  TPlotRequestKind Kind = TPlotRequestKind::ClearTabs;
  uint32_t Word = 0;
  uint32_t Long = 0;
  std::vector<double> X, Y;
  std::string Text, Text2;
  double View[4] = {0, 0, 0, 0};
};

// What applying a request changed, for the window to follow.
struct TPlotChange {
  int Tab = -1;            // the tab whose panel changed (to redraw), or -1
  bool Buttons = false;    // curves or tabs were added or removed
  bool Show = false;       // a curve arrived: the window becomes visible
  bool AutoRange = false;  // the "Auto-Range" box follows the tab's flags
};

class TPlotModel {
public:
  std::vector<TPlotTab> Tabs;

  TPlotChange Apply(TPlotRequest& request);
  int32_t TabCount() const { return static_cast<int32_t>(Tabs.size()); }
  // Curve list length of a tab; creates the tabs up to it as any tab
  // reference does.
  int32_t CurveCount(int32_t tab);
  // The panel of a tab number: null for numbers outside 0..50; otherwise the
  // tabs up to it are created (each with a panel without curves) and its
  // panel is returned, null for an empty tab.
  TPlotPanel* TabPanel(int32_t tab);
  // Deletes the panel of a tab, then every empty tab at the end.
  void ClearTab(size_t tab);
  void ClearAll();
  // The panel of an existing tab, or null.
  const TPlotPanel* Panel(size_t tab) const { return tab < Tabs.size() ? Tabs[tab].Panel.get() : nullptr; }

private:
  void AppendTabsUpTo(size_t tab);
};

}  // namespace TernioParser
