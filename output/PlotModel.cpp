#include "output/PlotModel.h"

#include <algorithm>
#include <limits>

namespace TernioParser {

const TColour CurveColours[CurveColourCount] = {
    0xFF0000,  // blue
    0x0000FF,  // red
    0x00FF00,  // lime
    0xFF00FF,  // fuchsia
    0xFFFF00,  // aqua
    0x000000,  // black
    0xF0CAA6,  // sky blue
    0xC0DCC0,  // money green
    0x808080,  // grey
    0x808000,  // teal
    0x800080,  // purple
    0xC0C0C0,  // silver
    0x008080,  // olive
    0x800000,  // navy
    0x008000,  // green
    0x000080,  // maroon
    0x00FFFF,  // yellow
};

namespace {

// The smallest and largest value of one coordinate over all curves; false
// when no value counts (NaN never compares, so it is skipped).
template <class Get>
bool DataRange(const TPlotPanel& p, Get get, double& lo, double& hi) {
  lo = std::numeric_limits<double>::max();
  hi = -lo;
  bool any = false;
  for (const auto& c : p.Curves) {
    if (!c) continue;
    for (double v : get(*c)) {
      any = true;
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
  }
  return any;
}

void SetFromData(double lo, double hi, double& min, double& max) {
  if (lo == hi) min = lo - 0.5, max = hi + 0.5;
  else min = lo, max = hi;
}

}  // namespace

void TPlotPanel::RecomputeIntervals() {
  double lo, hi;
  if (AutoscaleX && DataRange(
                        *this, [](const TGraphicFunc& c) -> const std::vector<double>& { return c.X; }, lo, hi))
    SetFromData(lo, hi, XMin, XMax);
  if (AutoscaleY && DataRange(
                        *this, [](const TGraphicFunc& c) -> const std::vector<double>& { return c.Y; }, lo, hi))
    SetFromData(lo, hi, YMin, YMax);
}

void TPlotPanel::SetView(double xa, double xb, double ya, double yb) {
  XMin = std::min(xa, xb), XMax = std::max(xa, xb);
  YMin = std::min(ya, yb), YMax = std::max(ya, yb);
}

void TPlotPanel::SetAutoscale(bool x, bool y) {
  const bool switchedOn = (x && !AutoscaleX) || (y && !AutoscaleY);
  AutoscaleX = x, AutoscaleY = y;
  if (switchedOn) RecomputeIntervals();
}

void TPlotPanel::DropTrailingEmptySlots() {
  while (!Curves.empty() && !Curves.back()) Curves.pop_back();
}

void TPlotModel::AppendTabsUpTo(size_t tab) {
  while (Tabs.size() <= tab) {
    TPlotTab t;
    t.Caption = "Plot " + std::to_string(Tabs.size() + 1);
    t.Panel = std::make_unique<TPlotPanel>();
    Tabs.push_back(std::move(t));
  }
}

TPlotPanel* TPlotModel::TabPanel(int32_t tab) {
  if (tab < 0 || tab > MaxPlotTab) return nullptr;
  AppendTabsUpTo(static_cast<size_t>(tab));
  return Tabs[tab].Panel.get();
}

int32_t TPlotModel::CurveCount(int32_t tab) {
  TPlotPanel* p = TabPanel(tab);
  return p ? p->CurveCount() : 0;
}

void TPlotModel::ClearTab(size_t tab) {
  if (tab >= Tabs.size() || !Tabs[tab].Panel) return;
  Tabs[tab].Panel.reset();
  while (!Tabs.empty() && !Tabs.back().Panel) Tabs.pop_back();
}

void TPlotModel::ClearAll() {
  for (size_t k = Tabs.size(); k-- > 0;) ClearTab(k);
  Tabs.clear();
}

TPlotChange TPlotModel::Apply(TPlotRequest& r) {
  TPlotChange change;
  switch (r.Kind) {
    case TPlotRequestKind::AddCurve: {
      const uint32_t tab = r.Word & 0xFFFF, number = r.Long & 0xFFFF;
      if (tab > MaxPlotTab) break;
      AppendTabsUpTo(tab);
      auto& slot = Tabs[tab].Panel;
      if (!slot) slot = std::make_unique<TPlotPanel>();
      TPlotPanel& p = *slot;
      auto curve = std::make_unique<TGraphicFunc>();
      curve->X = std::move(r.X);
      curve->Y = std::move(r.Y);
      curve->X.resize(curve->Y.size());
      if (number < p.Curves.size() && p.Curves[number]) {
        const TGraphicFunc& old = *p.Curves[number];
        curve->Colour = old.Colour, curve->Thickness = old.Thickness, curve->Connected = old.Connected;
      } else {
        curve->Colour = CurveColours[number % CurveColourCount];
      }
      if (p.Curves.size() <= number) p.Curves.resize(number + 1);
      p.Curves[number] = std::move(curve);
      p.DropTrailingEmptySlots();
      p.RecomputeIntervals();
      change.Tab = static_cast<int>(tab);
      change.Buttons = change.Show = true;
      break;
    }
    case TPlotRequestKind::ClearCurve: {
      TPlotPanel* p = TabPanel(static_cast<int32_t>(r.Word));
      if (!p) break;
      if (r.Long < p->Curves.size()) {
        p->Curves[r.Long].reset();
        p->DropTrailingEmptySlots();
      }
      change.Tab = static_cast<int>(r.Word);
      change.Buttons = true;
      break;
    }
    case TPlotRequestKind::ClearTab: {
      const int32_t tab = static_cast<int32_t>(r.Word);
      if (TabPanel(tab)) ClearTab(static_cast<size_t>(tab));
      change.Buttons = true;
      break;
    }
    case TPlotRequestKind::Title:
      if (r.Word < Tabs.size()) Tabs[r.Word].Caption = std::move(r.Text);
      break;
    case TPlotRequestKind::Axis:
      if (TPlotPanel* p = TabPanel(static_cast<int32_t>(r.Word))) {
        p->XTitle = std::move(r.Text);
        p->YTitle = std::move(r.Text2);
        change.Tab = static_cast<int>(r.Word);
      }
      break;
    case TPlotRequestKind::CurveParms: {
      const int32_t tab = static_cast<int32_t>(r.Word & 0xFFFF);
      const uint32_t number = r.Word >> 16;
      TPlotPanel* p = TabPanel(tab);
      if (!p || number >= p->Curves.size() || !p->Curves[number]) break;
      TGraphicFunc& c = *p->Curves[number];
      c.Colour = CurveColours[((r.Long >> 16) & 0xFF) % CurveColourCount];
      c.Thickness = static_cast<int32_t>(r.Long & 0xFF);
      c.Connected = ((r.Long >> 8) & 0xFF) != 0;
      change.Tab = tab;
      break;
    }
    case TPlotRequestKind::View:
      if (TPlotPanel* p = TabPanel(static_cast<int32_t>(r.Word))) {
        p->SetView(r.View[0], r.View[2], r.View[1], r.View[3]);
        change.Tab = static_cast<int>(r.Word);
      }
      break;
    case TPlotRequestKind::Autoscale:
      if (TPlotPanel* p = TabPanel(static_cast<int32_t>(r.Word))) {
        p->AutoscaleX = (r.Long & 0xFFFF) != 0;
        p->AutoscaleY = (r.Long >> 16) != 0;
        p->RecomputeIntervals();
        change.Tab = static_cast<int>(r.Word);
        change.AutoRange = true;
      }
      break;
    case TPlotRequestKind::ClearTabs:
      ClearAll();
      change.Buttons = true;
      break;
  }
  return change;
}

}  // namespace TernioParser
