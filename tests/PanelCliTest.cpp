// Panels in the headless runner: loadgui, the properties, the waits and the
// end-of-run closing, through a real child process.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

// Runs ostracalc-cli in folder cwd.
OstraTest::TCliRun RunCliIn(const std::string& cwd, const std::vector<std::string>& args, int interruptAfterMs = -1) {
  return OstraTest::RunCli(args, {.WorkDir = cwd, .InterruptAfterMs = interruptAfterMs});
}

const char* const Panel =
    "0,1,1,21,3,1,Speed,0\r\n"
    "2,30,0,35,25,2,0,200,10,1,120,0\r\n"
    "4,1,14,16,18,3,\"Start \xe9\"\r\n";

class PanelCli : public ::testing::Test {
protected:
  OstraTest::TTempDir Docs, Work;
};

}  // namespace

TEST_F(PanelCli, PanelNextToTheDocumentFromAnotherFolder) {
  OstraTest::WriteBytes(Docs / "panel.gui", Panel);
  OstraTest::WriteBytes(Docs / "macro.sma",
                        "/*$$panel:Global$$*/\n\r\n/*$$panel:Calculator 1$$*/\n"
                        "loadgui(0;'panel.gui'),\r\n"
                        "panelname(0;'Motors'),\r\n"
                        "setproperty(0;1;0;'Slow'),\r\n"
                        "println(getproperty(0;1;0)),\r\n"
                        "println(getproperty(0;3;0)),\r\n"
                        "println(haschanged(0;2)),\r\n"
                        "getproperty(0;2;0)*setproperty(0;2;0;7)+getproperty(0;2;0)");
  const OstraTest::TCliRun r = RunCliIn(Work.Path, {Docs / "macro.sma"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "Slow\nStart \xe9\n0\n-113\n");
  EXPECT_EQ(r.Err, "");

  // With -e there is no document: names are taken from the current folder.
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(0;'panel.gui'), getproperty(0;1;0)"}).Out, "0\n");
  EXPECT_EQ(RunCliIn(Docs.Path, {"-e", "loadgui(0;'panel.gui'), getproperty(0;1;0)"}).Out, "Speed\n");
}

TEST_F(PanelCli, LoadAnswersAndTheGlobalProgramsPanelsClose) {
  OstraTest::WriteBytes(Work / "panel.gui", Panel);
  std::string big;
  for (int i = 0; i < 4097; ++i) big += "0,0,0,20,2,1,x,0\r\n";
  OstraTest::WriteBytes(Work / "big.gui", big);
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(0;'missing.gui')"}).Out, "-1\n");
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(0;'big.gui')"}).Out, "0\n");
  EXPECT_EQ(RunCliIn(Work.Path, {"-e", "loadgui(256;'panel.gui')+loadgui(-1;'panel.gui')"}).Out, "0\n");

  OstraTest::WriteBytes(Work / "two.sma",
                        "/*$$panel:Global$$*/\nloadgui(0;'panel.gui'), $g=getproperty(0;1;0)\r\n"
                        "/*$$panel:P$$*/\n$g+' '+string(getproperty(0;1;0))");
  EXPECT_EQ(RunCliIn(Work.Path, {"two.sma"}).Out, "Speed 0\n");
}

TEST_F(PanelCli, WaitsEndOnTheTimeOutOrBreak) {
  OstraTest::WriteBytes(Work / "panel.gui", Panel);
  const OstraTest::TCliRun timed = RunCliIn(Work.Path, {"-e", "loadgui(0;'panel.gui'), waitguievent(300)"});
  EXPECT_EQ(timed.Out, "0\n");
  EXPECT_GE(timed.Ms, 300);

  const OstraTest::TCliRun broken = RunCliIn(Work.Path,
                                             {"-e",
                                              "loadgui(0;'panel.gui'),\n"
                                              "println('waiting'),\n"
                                              "while(waitguievent(0);\n println('GUI Event...')\n)\n"},
                                             400);
  EXPECT_EQ(broken.Status, 1);
  EXPECT_EQ(broken.Out, "waiting\n");
  EXPECT_EQ(broken.Err, "Error: Stopped\n");
  EXPECT_LT(broken.Ms, 3000);
}

TEST_F(PanelCli, ExamplePanelMacroRunsUntilBreak) {
  // The example finds motor.gui next to itself and waits for operations.
  const OstraTest::TCliRun r = RunCliIn(Work.Path, {OSTRA_SOURCE_DIR "/examples/panel.sma"}, 400);
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "Error: Stopped\n");
  EXPECT_EQ(
      RunCliIn(Work.Path, {"-e", "loadgui(0;'" OSTRA_SOURCE_DIR "/examples/motor.gui'), getproperty(0;2;0)"}).Out,
      "40 %\n");
}
