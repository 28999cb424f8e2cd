#include "output/Plot.h"

#include <unistd.h>

#include <new>

#include "output/PlotHost.h"

namespace TernioParser {

namespace {

uint32_t Word32(int32_t x) { return static_cast<uint32_t>(x); }
uint32_t Cut(int32_t x, uint32_t mask) { return Word32(x) & mask; }

// Lets the window apply a request before the program goes on, for at most
// 10 ms; a Break ends the wait.
void Pause(TCalcInfo& ci) {
  if (ci.Host.Plot) ci.Host.Plot->WaitApplied(ci.StopEvent, 10);
}

// True when n points (x and y) can be held at all: the arrays of a curve
// must fit into the machine's memory twice over (the run's copy and the
// window's), else the allocation would only succeed to be killed later.
bool PointsFit(int64_t n) {
  if (n < 0) return false;
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return true;
  const long double memory = static_cast<long double>(pages) * pageSize;
  return static_cast<long double>(n) * 2 * sizeof(double) * 2 <= memory;
}

bool Post(TCalcInfo& ci, TPlotRequest&& r) { return ci.Host.Plot && ci.Host.Plot->Post(std::move(r)); }

TPlotRequest Request(TPlotRequestKind kind, uint32_t word, uint32_t lng = 0) {
  TPlotRequest r;
  r.Kind = kind;
  r.Word = word;
  r.Long = lng;
  return r;
}

}  // namespace

void TPlot::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  auto* var = dynamic_cast<TOperandBase*>(Args[2]);
  if (!var || !var->IsVariable()) {
    ci.SetError("Plot: 3rd argument is not a variable");
    return;
  }
  result.SetNumber(0);
  double v[5];
  const int order[5] = {0, 1, 4, 5, 6};
  for (int k = 0; k < 5; ++k) {
    v[k] = Args[order[k]]->EvaluateNumber(ci);
    if (ci.Error) return;
  }
  const double start = v[2], stop = v[3], count = v[4];
  if (start == stop || !(count > 0)) return;
  const double step = (stop - start) / count;
  const int32_t n = IntegerValue(count);
  TPlotRequest r =
      Request(TPlotRequestKind::AddCurve, Cut(IntegerValue(v[0]), 0xFFFF), Cut(IntegerValue(v[1]), 0xFFFF));
  try {
    if (!PointsFit(n)) throw std::bad_alloc();
    r.X.reserve(n);
    r.Y.reserve(n);
  } catch (const std::bad_alloc&) {
    ci.SetError("Plot: Not enough memory for " + NumberToText(count) + " points");
    return;
  }
  double x = start;
  TReturnValue y;
  for (int32_t i = 0; i < n && !ci.Error; ++i) {
    if (StopIfRequested(ci)) break;
    if (!var->SetNumber(x)) {
      ci.SetErrorFlag(true);
      break;
    }
    const double fy = Args[3]->EvaluateNumber(ci);
    r.X.push_back(x);
    r.Y.push_back(fy);
    x += step;
  }
  if (ci.Error) return;
  Post(ci, std::move(r));
  Pause(ci);
  result.SetNumber(step);
}

void TPlotXY::Evaluate(TCalcInfo& ci, TReturnValue&) {
  // The parser has made sure the 4th argument is an array reference; a name
  // that holds a scalar plots nothing.
  const TArrayEntry* ya = ArrayArg(3);
  int32_t n = ya ? ya->Count : 0;
  if (n < 1) return;
  const double tab = Args[0]->EvaluateNumber(ci);
  if (ci.Error) return;
  const double curve = Args[1]->EvaluateNumber(ci);
  if (ci.Error) return;
  TPlotRequest r =
      Request(TPlotRequestKind::AddCurve, Cut(IntegerValue(tab), 0xFFFF), Cut(IntegerValue(curve), 0xFFFF));
  try {
    if (!PointsFit(n)) throw std::bad_alloc();
    if (IsArrayArg(2)) {
      const TArrayEntry* xa = ArrayArg(2);
      n = std::min(n, xa ? xa->Count : -1);
      if (n < 1) return;
      r.X.assign(xa->Data, xa->Data + n);
    } else {
      r.X.resize(n);
      for (int32_t i = 0; i < n; ++i) r.X[i] = i;
    }
    r.Y.assign(ya->Data, ya->Data + n);
  } catch (const std::bad_alloc&) {
    ci.SetError("PlotXY: Not enough memory for " + std::to_string(n) + " points");
    return;
  }
  Post(ci, std::move(r));
  Pause(ci);
}

double TPlotTabs::Calculate(TCalcInfo& ci) {
  if (ci.Error || !ci.Host.Plot) return 0;
  return ci.Host.Plot->TabCount();
}

double TCurveCount::Calculate(TCalcInfo& ci) {
  if (ci.Error || !ci.Host.Plot) return 0;
  return ci.Host.Plot->CurveCount(IntArg(0));
}

double TPlotTitle::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  TPlotRequest r = Request(TPlotRequestKind::Title, Word32(IntArg(0)));
  r.Text = Results[1].AsString();
  return Post(ci, std::move(r)) ? 1 : 0;
}

double TClearTab::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  return Post(ci, Request(TPlotRequestKind::ClearTab, Word32(IntArg(0)))) ? 1 : 0;
}

double TClearTabs::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  return Post(ci, Request(TPlotRequestKind::ClearTabs, 0)) ? 1 : 0;
}

double TClearCurve::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  return Post(ci, Request(TPlotRequestKind::ClearCurve, Word32(IntArg(0)), Word32(IntArg(1)))) ? 1 : 0;
}

double TPlotAxis::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  TPlotRequest r = Request(TPlotRequestKind::Axis, Word32(IntArg(0)));
  r.Text = Results[1].AsString();
  r.Text2 = Results[2].AsString();
  return Post(ci, std::move(r)) ? 1 : 0;
}

double TPlotView::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  TPlotRequest r = Request(TPlotRequestKind::View, Word32(IntArg(0)));
  for (int k = 0; k < 4; ++k) r.View[k] = Results[k + 1].AsNumber();
  Post(ci, std::move(r));
  Pause(ci);
  return 1;
}

double TAutoScale::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  const uint32_t flags = Cut(IntArg(1), 0xFFFF) | Cut(IntArg(2), 0xFFFF) << 16;
  Post(ci, Request(TPlotRequestKind::Autoscale, Word32(IntArg(0)), flags));
  Pause(ci);
  return 1;
}

double TCurveParms::Calculate(TCalcInfo& ci) {
  if (ci.Error) return 0;
  const uint32_t word = Cut(IntArg(0), 0xFFFF) | Cut(IntArg(1), 0xFFFF) << 16;
  const uint32_t lng = Cut(IntArg(4), 0xFF) | Cut(IntArg(2), 0xFF) << 8 | Cut(IntArg(3), 0xFF) << 16;
  return Post(ci, Request(TPlotRequestKind::CurveParms, word, lng)) ? 1 : 0;
}

}  // namespace TernioParser
