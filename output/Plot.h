#pragma once
// The plot functions: each packs a request for the plot window and hands it
// to the run's plot host; the plot data itself lives on the window's side.

#include "engine/Function.h"

namespace TernioParser {

// plotxy(tabno;curveno;datax[];datay[]): adds or replaces a curve from two
// arrays (x = 0, 1, 2, ... when datax is not an array). Leaves the caller's
// result slot as it was.
class TPlotXY final : public TFunction {
public:
  int ArgumentCount() const override { return 4; }
  bool CheckArguments() override { return IsArrayArg(3); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

// plot(tabno;curveno;var;func;start;stop;count): samples func over var.
class TPlot final : public TFunction {
public:
  int ArgumentCount() const override { return 7; }
  bool CheckArguments() override { return Args[2]->IsVariable(); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
};

class TPlotTabs final : public TFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo& ci) override;
};

class TCurveCount final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

class TPlotTitle final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TClearTab final : public TFunction {
public:
  int ArgumentCount() const override { return 1; }
  double Calculate(TCalcInfo& ci) override;
};

class TClearTabs final : public TFunction {
public:
  int ArgumentCount() const override { return 0; }
  double Calculate(TCalcInfo& ci) override;
};

class TClearCurve final : public TFunction {
public:
  int ArgumentCount() const override { return 2; }
  double Calculate(TCalcInfo& ci) override;
};

class TPlotAxis final : public TFunction {
public:
  int ArgumentCount() const override { return 3; }
  double Calculate(TCalcInfo& ci) override;
};

class TPlotView final : public TFunction {
public:
  int ArgumentCount() const override { return 5; }
  double Calculate(TCalcInfo& ci) override;
};

class TAutoScale final : public TFunction {
public:
  int ArgumentCount() const override { return 3; }
  double Calculate(TCalcInfo& ci) override;
};

class TCurveParms final : public TFunction {
public:
  int ArgumentCount() const override { return 5; }
  double Calculate(TCalcInfo& ci) override;
};

// The rows of this library.
TLibrary PlotLibrary();

}  // namespace TernioParser
