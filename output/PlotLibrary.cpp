// The plot functions: one row per built-in, with its help texts. Texts are
// shown exactly as they stand; \n is a line break. Examples are complete
// programs (one-space indentation inside calls spread over lines), and each
// note says what its example does or returns.

#include "output/Plot.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"plotxy",
     MakeFunction<TPlotXY>,
     {"tabno;curveno;datax[];datay[]",
      "Plots the values of the array <datay[]> against those of <datax[]> in the plot window, on "
      "tab number <tabno> (0 to 50) as curve number <curveno>. A curve of the same number is "
      "replaced and keeps its colour and line settings. If <datax[]> is not an array (write 0), "
      "the values are plotted against their index 0, 1, 2, ... If the arrays differ in length, "
      "the shorter one decides the number of points. An empty <datay[]> draws nothing. The tabs "
      "up to <tabno> are created as needed and the plot window is shown.",
      "for(i=0;i<100;i+=1;\n"
      " y[i]=sin(i/10)\n"
      "),\n"
      "plotxy(0;0;0;y[]),\n"
      "plotcurvecount(0)\n",
      "This plots 100 values of a sine wave against their index in the tab Plot 1 and returns 1, "
      "the number of curves on that tab.",
      "plot(tabno;curveno;var;func;start;stop;count)"}},
    {"plot",
     MakeFunction<TPlot>,
     {"tabno;curveno;var;func;start;stop;count",
      "This plots the function <func> to the two-dimensional graphic output window. The function "
      "is plotted on tab number <tabno> and as curve number <curveno>. For each point the "
      "variable <var> is set to the corresponding x value, then <func> is evaluated and the "
      "result is taken as y value.\n"
      "The x-axis interval is defined by <start> and <stop> and the number of points is given "
      "by <count>",
      "plot(0;0;x;sin(x);0;2*pi();200)\n",
      "This draws one period of the sine with 200 points in the tab Plot 1 and returns the step "
      "between two x values, 0.0314159265358979. The last point lies one step before 2*pi().",
      "plotxy(tabno;curveno;xdata[];ydata[])"}},
    {"plottabs",
     MakeFunction<TPlotTabs>,
     {nullptr,
      "Returns the number of tabs of the plot window, counting empty tabs.",
      "a[0]=1, a[1]=4,\n"
      "plotxy(2;0;0;a[]),\n"
      "plottabs()\n",
      "This plots a curve on tab number 2, which creates the tabs Plot 1 to Plot 3, and returns "
      "3.",
      "plotcurvecount(tabno)"}},
    {"plotcurvecount",
     MakeFunction<TCurveCount>,
     {"tabno",
      "Returns the number of curve slots of tab <tabno> in the plot window: the highest curve "
      "number plus 1, so unused numbers between curves count too. A tab without curves gives 0. "
      "The tabs up to <tabno> are created as needed.",
      "a[0]=1, a[1]=2,\n"
      "plotxy(0;0;0;a[]),\n"
      "plotxy(0;2;0;a[]),\n"
      "plotcurvecount(0)\n",
      "This plots the curves 0 and 2 on the first tab and returns 3: the unused number 1 counts.",
      "plottabs()"}},
    {"plottitle",
     MakeFunction<TPlotTitle>,
     {"tabno;s",
      "Sets the caption of tab <tabno> of the plot window to <s>. Nothing happens if the tab does "
      "not exist yet. Returns 1.",
      "plot(0;0;t;t^2;0;10;100),\n"
      "plottitle(0;'Parabola')\n",
      "This draws a parabola on the first tab, names the tab 'Parabola' and returns 1.",
      "plotaxis(tabno;xtext;ytext)"}},
    {"plotcleartab",
     MakeFunction<TClearTab>,
     {"tabno",
      "Removes all curves of tab <tabno> from the plot window. The last tab is removed, together "
      "with the empty tabs before it; a tab in the middle stays as an empty tab. Returns 1.",
      "plot(0;0;x;x;0;1;10),\n"
      "plot(1;0;x;-x;0;1;10),\n"
      "plotcleartab(1),\n"
      "plottabs()\n",
      "This draws a curve on each of two tabs, clears the second one and returns 1, the number of "
      "tabs left.",
      "plotclearcurve(tabno;curveno)"}},
    {"plotcleartabs",
     MakeFunction<TClearTabs>,
     {"",
      "Removes all tabs and curves from the plot window. Returns 1.",
      "plot(3;0;x;x;0;1;10),\n"
      "plotcleartabs(),\n"
      "plottabs()\n",
      "This draws a curve on the fourth tab, removes every tab and returns 0.",
      "plotclearcurve(tabno;curveno),plotcleartab(tabno)"}},
    {"plotclearcurve",
     MakeFunction<TClearCurve>,
     {"tabno;curveno",
      "Removes curve number <curveno> from tab <tabno> of the plot window. The axes keep their "
      "intervals. Returns 1.",
      "plot(0;0;x;x;0;1;10),\n"
      "plot(0;1;x;2*x;0;1;10),\n"
      "plotclearcurve(0;1),\n"
      "plotcurvecount(0)\n",
      "This draws two lines on the first tab, removes the second one and returns 1.",
      "plotcleartab(tabno)"}},
    {"plotaxis",
     MakeFunction<TPlotAxis>,
     {"tabno;xtext;ytext",
      "Sets the title of the x axis of tab <tabno> to <xtext> and the title of the y axis to "
      "<ytext>. The tabs up to <tabno> are created as needed. Returns 1.",
      "plot(0;0;t;exp(-t);0;5;100),\n"
      "plotaxis(0;'time / s';'signal / V')\n",
      "This draws a decaying exponential, labels both axes and returns 1.",
      "plottitle(tabno;s)"}},
    {"plotview",
     MakeFunction<TPlotView>,
     {"tabno;minx;miny;maxx;maxy",
      "Shows the x interval from <minx> to <maxx> and the y interval from <miny> to <maxy> on tab "
      "<tabno>. While autoscaling is on for an axis, the next curve sets its interval from the "
      "data again; switch it off with plotautoscale() to keep the view. Returns 1.",
      "plot(0;0;x;sin(x);0;2*pi();200),\n"
      "plotautoscale(0;0;0),\n"
      "plotview(0;0;-1.5;2*pi();1.5)\n",
      "This draws a sine, switches autoscaling off and shows y from -1.5 to 1.5; it returns 1.",
      "plotautoscale(tabno;enablex;enabley)"}},
    {"plotautoscale",
     MakeFunction<TAutoScale>,
     {"tabno;enablex;enabley",
      "Switches autoscaling of tab <tabno> on or off, for the x axis with <enablex> and for the "
      "y axis with <enabley> (0: off, otherwise on). An axis with autoscaling on shows the "
      "interval of all its data. Returns 1.",
      "plotautoscale(0;1;0),\n"
      "plotview(0;0;-2;1;2),\n"
      "plot(0;0;x;sin(x);0;20;400)\n",
      "This keeps the y axis from -2 to 2 while the x axis follows the data, draws a sine and "
      "returns the step 0.05.",
      "plotview(tabno;minx;miny;maxx;maxy)"}},
    {"plotcurveparms",
     MakeFunction<TCurveParms>,
     {"tabno;curveno;connected;color;thickness",
      "Sets how curve <curveno> of tab <tabno> is drawn: <connected> 0 draws separate dots, "
      "otherwise lines join the points; <color> is an index into the colour table 0 blue, 1 red, "
      "2 lime, 3 fuchsia, 4 aqua, 5 black, 6 sky blue, 7 money green, 8 grey, 9 teal, 10 purple, "
      "11 silver, 12 olive, 13 navy, 14 green, 15 maroon, 16 yellow; <thickness> is the line width "
      "in pixels, or the dot size. The curve must exist; a new curve of the same number keeps "
      "these settings. Returns 1.",
      "plot(0;0;x;x^2;-2;2;40),\n"
      "plotcurveparms(0;0;0;1;4)\n",
      "This draws a parabola as red dots of size 4 and returns 1.",
      nullptr}},
};

}  // namespace

TLibrary PlotLibrary() { return Rows; }

}  // namespace TernioParser
