// The plot functions through programs: what each request leaves in the plot
// model of the run's host, their results, checks, cuts and errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "TestSupport.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::Describe;

namespace {

class PlotFunctions : public ::testing::Test {
protected:
  OstraTest::TCalculator Calc;
  TPlotModel& Model = Calc.Plots.Model;

  std::string Run(const std::string& program) { return Describe(Calc.Run(program)); }
  const TPlotPanel& Panel(size_t tab) {
    static const TPlotPanel none;
    EXPECT_LT(tab, Model.Tabs.size());
    const TPlotPanel* p = Model.Panel(tab);
    EXPECT_NE(p, nullptr) << "tab " << tab << " has no panel";
    return p ? *p : none;
  }
  const TGraphicFunc& Curve(size_t tab, size_t number) {
    static const TGraphicFunc none;
    const TPlotPanel& p = Panel(tab);
    EXPECT_LT(number, p.Curves.size());
    if (number >= p.Curves.size() || !p.Curves[number]) {
      ADD_FAILURE() << "no curve " << number;
      return none;
    }
    return *p.Curves[number];
  }
  // Which tabs have a panel, as a text: "PP-P" for four tabs, the third empty.
  std::string TabShape() {
    std::string s;
    for (const TPlotTab& t : Model.Tabs) s += t.Panel ? 'P' : '-';
    return s;
  }
};

TEST_F(PlotFunctions, PlotSamplesTheFunctionWithoutReachingStop) {
  const double step = 2 * M_PI / 200;
  EXPECT_EQ(Run("plot(0;0;x;sin(x);0;2*pi();200)"), NumberToText(step));
  const TGraphicFunc& c = Curve(0, 0);
  ASSERT_EQ(c.Count(), 200);
  EXPECT_EQ(c.X[0], 0);
  EXPECT_NEAR(c.X[199], 2 * M_PI - step, 1e-12);
  EXPECT_DOUBLE_EQ(c.Y[50], std::sin(c.X[50]));
  // Repeated addition: the rounding of the step accumulates.
  double x = 0;
  for (int i = 0; i < 199; ++i) x += step;
  EXPECT_EQ(c.X[199], x);
  EXPECT_EQ(c.Colour, 0xFF0000u);
  EXPECT_EQ(c.Thickness, 2);
  EXPECT_TRUE(c.Connected);
  EXPECT_EQ(Model.Tabs[0].Caption, "Plot 1");
  // The variable keeps the last x assigned.
  EXPECT_EQ(Run("plot(0;0;x;x*x;0;1;4), x"), "0.75");
  // A string result of the function is read as a number.
  EXPECT_EQ(Run("plot(0;1;i;'2.5';0;1;2)"), "0.5");
  EXPECT_EQ(Curve(0, 1).Y, (std::vector<double>{2.5, 2.5}));
}

TEST_F(PlotFunctions, PlotWithoutPointsSendsNothing) {
  const struct {
    const char* Program;
    const char* Outcome;
  } cases[] = {
      {"plot(0;0;x;x;1;1;10)", "0"},
      {"plot(0;0;x;x;0;1;0)", "0"},
      {"plot(0;0;x;x;0;1;-5)", "0"},
      {"plot(0;0;x;x;0;1;'abc')", "0"},
      {"x=7, plot(0;0;x;x;0;1;0), x", "7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.Program), c.Outcome) << c.Program;
    EXPECT_EQ(Model.TabCount(), 0) << c.Program;
  }
  // A fractional count divides the interval and is cut for the points.
  EXPECT_EQ(Run("plot(0;0;x;x;0;5;2.5)"), "2");
  EXPECT_EQ(Curve(0, 0).X, (std::vector<double>{0, 2}));
}

TEST_F(PlotFunctions, ErrorsEndPlotWithoutACurve) {
  EXPECT_EQ(Run("plot(0;0;x;nosuch;0;1;10)").substr(0, 1), "!");
  EXPECT_EQ(Run("plot(0;0;x;x;0;1;nosuch)").substr(0, 1), "!");
  EXPECT_EQ(Model.TabCount(), 0);
  // The element the function writes must exist.
  EXPECT_EQ(Run("plot(0;0;a[-1];1;0;1;10)").substr(0, 1), "!");
  EXPECT_EQ(Model.TabCount(), 0);
}

TEST_F(PlotFunctions, PointCountsTheMemoryCannotHoldAreAnError) {
  EXPECT_EQ(Run("plot(0;0;x;x;0;1;2e9)"), "!Plot: Not enough memory for 2000000000 points");
  // 3e9 does not fit the 32-bit point count at all.
  EXPECT_EQ(Run("plot(0;0;x;x;0;1;3e9)"), "!Plot: Not enough memory for 3000000000 points");
  EXPECT_EQ(Model.TabCount(), 0);
}

TEST_F(PlotFunctions, BreakStopsSampling) {
  ASSERT_TRUE(Calc.Start("plot(0;0;x;sleep(1);0;1;100000)"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  Calc.Break();
  EXPECT_EQ(Describe(Calc.Finish()), "!Stopped");
  EXPECT_EQ(Model.TabCount(), 0);
}

TEST_F(PlotFunctions, ParseChecksOfTheVariableAndTheArray) {
  for (const char* program : {"plot(0;0;1;x;0;1;10)",
                              "plot(0;0;'x';x;0;1;10)",
                              "plotxy(0;0;0;5)",
                              "plotxy(0;0;0;y)",
                              "plotxy(0;0;x[];sin(1))"})
    EXPECT_EQ(Run(program), "#Illegal argument") << program;
  // An element of an array is a variable; an index inside the brackets of
  // the y array is not used.
  EXPECT_EQ(Run("plot(0;0;a[2];a[2]*2;0;1;2), a[2]"), "0.5");
  EXPECT_EQ(Run("y[0]=4, y[1]=5, plotxy(0;1;0;y[7]), plotcurvecount(0)"), "2");
  EXPECT_EQ(Curve(0, 1).Y, (std::vector<double>{4, 5}));
}

TEST_F(PlotFunctions, PlotXYPairsTheArrays) {
  // plotxy writes no result: after the comma the slot holds 0.
  EXPECT_EQ(Run(OstraTest::Fill("y", {5, 6, 7}) + "plotxy(0;0;0;y[])"), "0");
  EXPECT_EQ(Curve(0, 0).X, (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(Curve(0, 0).Y, (std::vector<double>{5, 6, 7}));
  // The x argument is not evaluated unless it is an array.
  EXPECT_EQ(Run("y[0]=1, plotxy(0;1;println('no');y[]), 2"), "2");
  EXPECT_EQ(Calc.Sink.Text, "");
  // The shorter array decides.
  std::string fill;
  for (int i = 0; i < 10; ++i) fill += "y[" + std::to_string(i) + "]=" + std::to_string(i * i) + ", ";
  for (int i = 0; i < 5; ++i) fill += "x[" + std::to_string(i) + "]=" + std::to_string(-i) + ", ";
  Run(fill + "plotxy(0;2;x[];y[])");
  EXPECT_EQ(Curve(0, 2).X, (std::vector<double>{0, -1, -2, -3, -4}));
  EXPECT_EQ(Curve(0, 2).Y, (std::vector<double>{0, 1, 4, 9, 16}));
  Run("clear(y[]), y[0]=3, y[1]=4, x[0]=1, x[1]=2, x[2]=3, plotxy(0;2;x[];y[])");
  EXPECT_EQ(Curve(0, 2).X, (std::vector<double>{1, 2}));
}

TEST_F(PlotFunctions, PlotXYWithoutPairsDrawsNothing) {
  for (const char* program : {"y=1, 9, plotxy(0;0;0;y[])",  // y is a scalar
                              "9, plotxy(0;0;0;nosuch[])",
                              "y[0]=1, clear(y[]), 9, plotxy(0;0;0;y[])",
                              "y[0]=1, 9, plotxy(0;0;nox[];y[])",
                              "y[0]=1, clear(x[]), 9, plotxy(0;0;x[];y[])"})
    EXPECT_EQ(Run(program), "0") << program;
  EXPECT_EQ(Model.TabCount(), 0);
}

TEST_F(PlotFunctions, ResultsOfTheRequestFunctions) {
  const struct {
    const char* Program;
    const char* Outcome;
  } cases[] = {
      {"plottabs()", "0"},
      {"plotcurvecount(3)", "0"},
      {"plottabs()", "4"},
      {"plottitle(0;'a')", "1"},
      {"plotcleartab(0)", "1"},
      {"plotcleartabs()", "1"},
      {"plotclearcurve(0;0)", "1"},
      {"plotaxis(0;'x';'y')", "1"},
      {"plotview(0;0;0;1;1)", "1"},
      {"plotautoscale(0;1;1)", "1"},
      {"plotcurveparms(0;0;1;1;1)", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.Program), c.Outcome) << c.Program;
}

TEST_F(PlotFunctions, WithoutAPlotHostNothingIsQueued) {
  Calc.Host().Plot = nullptr;
  const struct {
    const char* Program;
    const char* Outcome;
  } cases[] = {
      {"plottabs()", "0"},
      {"plotcurvecount(0)", "0"},
      {"plottitle(0;'a')", "0"},
      {"plotcleartab(0)", "0"},
      {"plotcleartabs()", "0"},
      {"plotclearcurve(0;0)", "0"},
      {"plotaxis(0;'x';'y')", "0"},
      {"plotview(0;0;0;1;1)", "1"},
      {"plotautoscale(0;1;1)", "1"},
      {"plotcurveparms(0;0;1;1;1)", "0"},
      {"plot(0;0;x;x;0;1;4)", "0.25"},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.Program), c.Outcome) << c.Program;
}

TEST_F(PlotFunctions, RequestsApplyInProgramOrder) {
  // The counting queries see every request made before them.
  EXPECT_EQ(Run("plot(2;0;x;x;0;1;10), a=plottabs(), plotcleartabs(), b=plottabs(), plotcurvecount(1), "
                "string(a)+string(b)+string(plottabs())"),
            "'302'");
  EXPECT_EQ(Run("plotcleartabs(), plot(0;4;x;x;0;1;10), a=plotcurvecount(0), plotclearcurve(0;4), "
                "string(a)+string(plotcurvecount(0))"),
            "'50'");
}

TEST_F(PlotFunctions, NumbersAreCutToTheirFields) {
  // Tab -1 arrives as 65535 and is ignored; 65536 is tab 0.
  EXPECT_EQ(Run("plot(-1;0;x;x;0;1;10), plot(51;0;x;x;0;1;10), plottabs()"), "0");
  Run("plot(65536;65537;x;x;0;1;10)");
  EXPECT_EQ(TabShape(), "P");
  EXPECT_EQ(Panel(0).CurveCount(), 2);
  // Curve 65535 makes a list of 65536 slots; clearing it drops them all.
  EXPECT_EQ(Run("plot(0;65535;x;x;0;1;10), plotcurvecount(0)"), "65536");
  EXPECT_EQ(Curve(0, 65535).Colour, CurveColours[65535 % 17]);
  EXPECT_EQ(Run("plotclearcurve(0;65535), plotcurvecount(0)"), "2");
  EXPECT_EQ(Run("plotclearcurve(0;-1), plotclearcurve(0;9), plotcurvecount(0)"), "2");
  // plotautoscale takes the low 16 bits of each flag.
  Run("plotautoscale(0;65536;1)");
  EXPECT_FALSE(Panel(0).AutoscaleX);
  EXPECT_TRUE(Panel(0).AutoscaleY);
  // plotcurveparms: the curve number is cut to 16 bits, the three values to 8.
  Run("plotcurveparms(65536;65537;256;257;260)");
  const TGraphicFunc& c = Curve(0, 1);
  EXPECT_EQ(c.Colour, 0x0000FFu);
  EXPECT_EQ(c.Thickness, 4);
  EXPECT_FALSE(c.Connected);
  Run("plotcurveparms(0;1;2;17;0)");
  EXPECT_EQ(c.Colour, CurveColours[0]);
  EXPECT_TRUE(c.Connected);
  EXPECT_EQ(c.Thickness, 0);
  // Tab numbers of the other requests are 32-bit values.
  EXPECT_EQ(Run("plotcurvecount(65536), plotaxis(-1;'a';'b'), plottabs()"), "1");
}

TEST_F(PlotFunctions, CurveParmsActOnExistingCurvesAndSurviveReplacement) {
  Run("plotcurveparms(0;3;0;1;4)");
  EXPECT_EQ(TabShape(), "P");  // the tab is made, no curve
  EXPECT_EQ(Panel(0).CurveCount(), 0);
  Run("plot(0;3;x;x;0;1;10), plotcurveparms(0;3;0;1;4)");
  EXPECT_EQ(Curve(0, 3).Colour, 0x0000FFu);
  EXPECT_FALSE(Curve(0, 3).Connected);
  EXPECT_EQ(Curve(0, 3).Thickness, 4);
  Run("plot(0;3;x;-x;0;1;20)");
  EXPECT_EQ(Curve(0, 3).Count(), 20);
  EXPECT_EQ(Curve(0, 3).Colour, 0x0000FFu);
  EXPECT_FALSE(Curve(0, 3).Connected);
  EXPECT_EQ(Curve(0, 3).Thickness, 4);
  // A new number gets the colour of its number.
  Run("plot(0;1;x;x;0;1;10)");
  EXPECT_EQ(Curve(0, 1).Colour, 0x0000FFu);
  EXPECT_EQ(Panel(0).CurveCount(), 4);
}

TEST_F(PlotFunctions, TabsAreCreatedAsSideEffects) {
  EXPECT_EQ(Run("plottitle(5;'x'), plottabs()"), "0");
  EXPECT_EQ(Run("plotaxis(5;'a';'b'), plottabs()"), "6");
  EXPECT_EQ(TabShape(), "PPPPPP");
  EXPECT_EQ(Model.Tabs[5].Caption, "Plot 6");
  EXPECT_EQ(Panel(5).XTitle, "a");
  EXPECT_EQ(Panel(5).YTitle, "b");
  EXPECT_EQ(Run("plottitle(5;'x'), plottitle(6;'y'), plottitle(-1;'z'), plottabs()"), "6");
  EXPECT_EQ(Model.Tabs[5].Caption, "x");
  // Empty titles are titles.
  Run("plotaxis(1;'';'')");
  EXPECT_EQ(Panel(1).XTitle, "");
  EXPECT_EQ(Run("plotcleartabs(), plotcurvecount(3), plottabs()"), "4");
}

TEST_F(PlotFunctions, ClearTabLeavesEmptyTabsInTheMiddle) {
  Run("plot(0;0;x;x;0;1;10), plot(1;0;x;x;0;1;10), plot(2;0;x;x;0;1;10), plotcleartab(1)");
  EXPECT_EQ(TabShape(), "P-P");
  // An empty tab stays empty; a curve for it brings a new panel.
  Run("plotcleartab(1)");
  EXPECT_EQ(TabShape(), "P-P");
  Run("plotcleartab(2)");
  EXPECT_EQ(TabShape(), "P");
  Run("plot(2;0;x;x;0;1;10), plotcleartab(1), plot(1;5;x;x;0;1;10)");
  EXPECT_EQ(TabShape(), "PPP");
  EXPECT_EQ(Panel(1).CurveCount(), 6);
  // The other requests see no panel on an empty tab and make none.
  Run("plotcleartab(1), plotaxis(1;'a';'b'), plotview(1;0;0;1;1), plotcurveparms(1;5;0;1;1)");
  EXPECT_EQ(TabShape(), "P-P");
  EXPECT_EQ(Run("plotcurvecount(1)"), "0");
  Run("plotcleartabs()");
  EXPECT_EQ(TabShape(), "");
}

TEST_F(PlotFunctions, ViewAndAutoscale) {
  Run("plot(0;0;x;x;0;4;4)");
  EXPECT_EQ(Panel(0).XMin, 0);
  EXPECT_EQ(Panel(0).XMax, 3);
  // plotview orders the ends; with autoscale on, the next curve undoes it.
  Run("plotview(0;10;5;-10;-5)");
  EXPECT_EQ(Panel(0).XMin, -10);
  EXPECT_EQ(Panel(0).XMax, 10);
  EXPECT_EQ(Panel(0).YMin, -5);
  EXPECT_EQ(Panel(0).YMax, 5);
  Run("plot(0;1;x;2*x;0;4;4)");
  EXPECT_EQ(Panel(0).XMax, 3);
  EXPECT_EQ(Panel(0).YMax, 6);
  // Autoscale off keeps the view; switching on recomputes at once.
  Run("plotautoscale(0;0;0), plotview(0;0;-1;10;1), plot(0;1;x;3*x;0;4;4)");
  EXPECT_EQ(Panel(0).XMax, 10);
  EXPECT_EQ(Panel(0).YMax, 1);
  Run("plotautoscale(0;0;1)");
  EXPECT_EQ(Panel(0).XMax, 10);
  EXPECT_EQ(Panel(0).YMax, 9);
  // Equal values widen by 0.5; NaN is ignored.
  Run("plotautoscale(0;1;1), x[0]=3, x[1]=3, x[2]=3, y[0]=1, y[1]=0/0, y[2]=2, plotcleartab(0), "
      "plotxy(0;0;x[];y[])");
  EXPECT_EQ(Panel(0).XMin, 2.5);
  EXPECT_EQ(Panel(0).XMax, 3.5);
  EXPECT_EQ(Panel(0).YMin, 1);
  EXPECT_EQ(Panel(0).YMax, 2);
  // Removing a curve keeps the intervals.
  Run("plot(0;1;x;x;0;100;10), plotclearcurve(0;1)");
  EXPECT_EQ(Panel(0).XMax, 90);
}

// The examples of the help texts leave in the plot window what their notes
// describe.
TEST_F(PlotFunctions, HelpExamplesDoWhatTheirNotesSay) {
  auto example = [](const char* name) { return std::string(FindBuiltin(name)->Help.Example); };
  EXPECT_EQ(Run(example("plotcurveparms")), "1");
  EXPECT_EQ(Curve(0, 0).Colour, 0x0000FFu);
  EXPECT_FALSE(Curve(0, 0).Connected);
  Run(example("plottitle"));
  EXPECT_EQ(Model.Tabs[0].Caption, "Parabola");
  Run(example("plotaxis"));
  EXPECT_EQ(Panel(0).XTitle, "time / s");
  Run("plotcleartabs()");
  Run(example("plotview"));
  EXPECT_EQ(Panel(0).YMin, -1.5);
  EXPECT_EQ(Panel(0).YMax, 1.5);
  EXPECT_FALSE(Panel(0).AutoscaleX || Panel(0).AutoscaleY);
  Run("plotcleartabs()");
  Run(example("plotautoscale"));
  EXPECT_EQ(Panel(0).YMin, -2);
  EXPECT_NEAR(Panel(0).XMax, 19.95, 1e-9);
  EXPECT_TRUE(Panel(0).AutoscaleX);
  Run("plotcleartabs()");
  Run(example("plotxy"));
  EXPECT_EQ(Curve(0, 0).Count(), 100);
}

}  // namespace

namespace {

// A window that applies nothing while the program waits for it: each wait
// lasts as long as the window says (the time asked for, or longer), unless
// the stop event ends it.
class TSlowWindow final : public TPlotHost {
public:
  TModelPlotHost Model;
  std::atomic<int> Waits{0};
  std::atomic<int64_t> LongestAsked{0};
  int64_t WaitMs = -1;  // -1: the time asked for

  bool Post(TPlotRequest request) override { return Model.Post(std::move(request)); }
  int32_t TabCount() override { return Model.TabCount(); }
  int32_t CurveCount(int32_t tab) override { return Model.CurveCount(tab); }
  bool WaitApplied(TEvent& stop, int64_t timeoutMs) override {
    ++Waits;
    LongestAsked = std::max<int64_t>(LongestAsked, timeoutMs);
    stop.Wait(WaitMs < 0 ? timeoutMs : WaitMs);
    return false;
  }
};

}  // namespace

// plot, plotxy, plotview and plotautoscale wait for the window to apply
// their request, for at most 10 ms; nothing else waits, nor a call that
// hands nothing over.
TEST_F(PlotFunctions, DrawingCallsWaitForTheWindowAtMost10Ms) {
  TSlowWindow window;
  Calc.Host().Plot = &window;
  struct {
    const char* program;
    int waits;
  } cases[] = {
      {"plot(0;0;x;x;0;1;10)", 1},
      {"a[0]=1, plotxy(0;0;0;a[]), plotxy(0;1;a[];a[])", 2},
      {"plotview(0;0;1;0;1)", 1},
      {"plotautoscale(0;1;1)", 1},
      {"plot(0;0;x;x;1;1;10), plot(0;0;x;x;0;1;0), plot(0;0;x;nosuch;0;1;10)", 0},
      {"plottitle(0;'t'), plotaxis(0;'x';'y'), plotcurveparms(0;0;1;1;1), plotclearcurve(0;0), plotcleartab(0), "
       "plotcleartabs(), plottabs(), plotcurvecount(0)",
       0},
  };
  for (auto& c : cases) {
    window.Waits = 0;
    Run(c.program);
    EXPECT_EQ(window.Waits, c.waits) << c.program;
  }
  EXPECT_EQ(window.LongestAsked, 10);
  Calc.Host().Plot = &Calc.Plots;
}

// A Break ends the wait for a window that does not answer at once.
TEST_F(PlotFunctions, BreakEndsTheWaitForTheWindow) {
  TSlowWindow window;
  window.WaitMs = 5000;
  Calc.Host().Plot = &window;
  ASSERT_TRUE(Calc.Start("a[0]=1, for(k=0;k<10;k+=1; plotxy(0;0;0;a[]))"));
  for (int i = 0; i < 10000 && window.Waits == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(window.Waits, 1);
  const auto breakAt = std::chrono::steady_clock::now();
  Calc.Break();
  EXPECT_EQ(Describe(Calc.Finish()), "!Stopped");
  EXPECT_LT(std::chrono::steady_clock::now() - breakAt,
            std::chrono::milliseconds(500) * OstraTest::SanitizerSlowdown);
  EXPECT_EQ(window.Waits, 1);
  Calc.Host().Plot = &Calc.Plots;
}
