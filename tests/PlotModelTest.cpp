// The plot model applied directly: what each request reports to the window,
// and the text and JSON forms of the model.

#include <gtest/gtest.h>

#include "output/PlotExport.h"

using namespace TernioParser;

namespace {

TPlotRequest Curve(uint32_t tab, uint32_t number, std::vector<double> x, std::vector<double> y) {
  TPlotRequest r;
  r.Kind = TPlotRequestKind::AddCurve;
  r.Word = tab, r.Long = number;
  r.X = std::move(x), r.Y = std::move(y);
  return r;
}

TPlotRequest Simple(TPlotRequestKind kind, uint32_t word = 0, uint32_t lng = 0) {
  TPlotRequest r;
  r.Kind = kind, r.Word = word, r.Long = lng;
  return r;
}

TEST(PlotModel, ChangesTellTheWindowWhatToFollow) {
  TPlotModel m;
  TPlotRequest r = Curve(2, 1, {1, 2}, {3, 4});
  TPlotChange c = m.Apply(r);
  EXPECT_EQ(c.Tab, 2);
  EXPECT_TRUE(c.Show && c.Buttons);
  EXPECT_EQ(m.TabCount(), 3);
  EXPECT_EQ(m.Tabs[1].Caption, "Plot 2");
  // Only a curve shows the window; tabs made on the way do not.
  r = Simple(TPlotRequestKind::Axis, 4);
  c = m.Apply(r);
  EXPECT_FALSE(c.Show);
  EXPECT_EQ(m.TabCount(), 5);
  r = Simple(TPlotRequestKind::Autoscale, 2, 0x10000);
  c = m.Apply(r);
  EXPECT_TRUE(c.AutoRange);
  EXPECT_FALSE(m.Panel(2)->AutoscaleX);
  EXPECT_TRUE(m.Panel(2)->AutoscaleY);
  // A tab above 50 is ignored by every request.
  for (TPlotRequest q :
       {Curve(51, 0, {1}, {1}), Simple(TPlotRequestKind::ClearTab, 60), Simple(TPlotRequestKind::View, 0xFFFFFFFF)}) {
    c = m.Apply(q);
    EXPECT_EQ(c.Tab, -1);
    EXPECT_FALSE(c.Show);
  }
  EXPECT_EQ(m.TabCount(), 5);
  // Titles compare unsigned and create nothing.
  r = Simple(TPlotRequestKind::Title, 0xFFFFFFFF);
  r.Text = "x";
  m.Apply(r);
  EXPECT_EQ(m.TabCount(), 5);
  r = Simple(TPlotRequestKind::ClearTabs);
  c = m.Apply(r);
  EXPECT_TRUE(c.Buttons);
  EXPECT_EQ(m.TabCount(), 0);
}

TEST(PlotModel, SaveAsTextWritesEveryPointOfEveryCurve) {
  TPlotModel m;
  TPlotRequest a = Curve(0, 0, {1, 2, 3}, {11, 12, 13});
  TPlotRequest b = Curve(0, 2, {1, 2, 3, 4, 5}, {0.5, 1e-5, 1234567.891234, -2, 1.0 / 3});
  m.Apply(a);
  m.Apply(b);
  // Curves 0 and 2: two column pairs; the shorter first curve leaves its
  // columns empty in rows 4 and 5.
  EXPECT_EQ(CurvesAsText(*m.Panel(0)),
            "1\t11\t1\t0.5\r\n"
            "2\t12\t2\t1e-05\r\n"
            "3\t13\t3\t1234567.891\r\n"
            "\t\t4\t-2\r\n"
            "\t\t5\t0.3333333333\r\n");
  // The longer curve first: its last points are written all the same.
  TPlotRequest c = Curve(0, 1, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5});
  TPlotRequest d = Curve(0, 2, {1, 2, 3}, {11, 12, 13});
  m.Apply(c);
  m.Apply(d);
  TPlotRequest clear = Simple(TPlotRequestKind::ClearCurve, 0, 0);
  m.Apply(clear);
  EXPECT_EQ(CurvesAsText(*m.Panel(0)),
            "1\t1\t1\t11\r\n"
            "2\t2\t2\t12\r\n"
            "3\t3\t3\t13\r\n"
            "4\t4\t\t\r\n"
            "5\t5\t\t\r\n");
}

TEST(PlotModel, JsonDescribesEveryTab) {
  TPlotModel m;
  TPlotRequest a = Curve(0, 1, {0, 1}, {2, 4});
  m.Apply(a);
  TPlotRequest b = Curve(2, 0, {3}, {3});
  m.Apply(b);
  TPlotRequest clear = Simple(TPlotRequestKind::ClearTab, 1);
  m.Apply(clear);
  TPlotRequest title = Simple(TPlotRequestKind::Title, 0);
  title.Text = "Sp\xE4nnung \"U\"";
  m.Apply(title);
  TPlotRequest axis = Simple(TPlotRequestKind::Axis, 0);
  axis.Text = "t / \xB5s";
  m.Apply(axis);
  TPlotRequest parms = Simple(TPlotRequestKind::CurveParms, 1 << 16, 3 | 0 << 8 | 1 << 16);
  m.Apply(parms);
  EXPECT_EQ(PlotsAsJson(m),
            "{\"tabs\": [\n"
            "  {\"index\": 0, \"caption\": \"Sp\xC3\xA4nnung \\\"U\\\"\", \"empty\": false,\n"
            "   \"x\": {\"min\": 0, \"max\": 1, \"autoscale\": true, \"title\": \"t / \xC2\xB5s\"},\n"
            "   \"y\": {\"min\": 2, \"max\": 4, \"autoscale\": true, \"title\": \"\"},\n"
            "   \"curves\": [\n"
            "    {\"number\": 1, \"points\": 2, \"colour\": \"#FF0000\", \"thickness\": 3, \"connected\": false}\n"
            "   ]},\n"
            "  {\"index\": 1, \"caption\": \"Plot 2\", \"empty\": true},\n"
            "  {\"index\": 2, \"caption\": \"Plot 3\", \"empty\": false,\n"
            "   \"x\": {\"min\": 2.5, \"max\": 3.5, \"autoscale\": true, \"title\": null},\n"
            "   \"y\": {\"min\": 2.5, \"max\": 3.5, \"autoscale\": true, \"title\": null},\n"
            "   \"curves\": [\n"
            "    {\"number\": 0, \"points\": 1, \"colour\": \"#0000FF\", \"thickness\": 2, \"connected\": true}\n"
            "   ]}\n"
            "]}\n");
  EXPECT_EQ(PlotsAsJson(TPlotModel()), "{\"tabs\": []}\n");
  EXPECT_EQ(ColourText(0x00C0DCC0), "#C0DCC0");
  EXPECT_EQ(ColourText(0x000080), "#800000");
}

}  // namespace
