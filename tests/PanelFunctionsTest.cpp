// The six panel functions run by the calculation thread against the panel
// model without widgets: the headless panels of the runner, and a stand-in
// user who operates controls from another thread.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "TestSupport.h"
#include "engine/CalcInfo.h"
#include "panels/PanelHost.h"

using namespace TernioParser;
using OstraTest::Describe;

namespace {

const char* const PanelFile =
    "0,1,1,21,3,1,Speed,0\r\n"
    "1,1,4,21,9,2,\"12 mV\",1,20\r\n"
    "2,30,0,35,25,3,0,200,10,1,120,0\r\n"
    "3,1,10,31,13,4,\"caf\xe9 au lait\",0\r\n"
    "4,1,14,16,18,5,Start\r\n"
    "5,1,19,16,21,6,Heater,checked\r\n";

// The headless panels with a user: Operate marks a control changed and
// signals the panel's event, as the widgets do.
class TUserPanels final : public TPanelHost {
public:
  THeadlessPanelHost Model;
  int Closes = 0;

  bool LoadPanel(std::unique_ptr<TCreatePanelInfo> request) override {
    std::lock_guard<std::mutex> g(Lock);
    Event = request->Event;
    return Model.LoadPanel(std::move(request));
  }
  void CloseAllPanels() override {
    std::lock_guard<std::mutex> g(Lock);
    ++Closes;
    Model.CloseAllPanels();
  }
  void NamePanel(int32_t panel, const std::string& name) override {
    std::lock_guard<std::mutex> g(Lock);
    Model.NamePanel(panel, name);
  }
  bool SetProperty(TSetPropertyInfo& r) override {
    std::lock_guard<std::mutex> g(Lock);
    return Model.SetProperty(r);
  }
  bool GetProperty(TSetPropertyInfo& r) override {
    std::lock_guard<std::mutex> g(Lock);
    return Model.GetProperty(r);
  }
  bool HasChanged(int32_t panel, int32_t control) override {
    std::lock_guard<std::mutex> g(Lock);
    return Model.HasChanged(panel, control);
  }
  // False while the panel is not loaded.
  bool Operate(int32_t panel, int32_t control) {
    std::lock_guard<std::mutex> g(Lock);
    if (!Model.Table.At(panel)) return false;
    Ostra::TEditObject* c = Model.Table.At(panel)->Find(control);
    if (!c) return false;
    c->Changed = true;
    Event->Set();
    return true;
  }

private:
  std::mutex Lock;
  TEvent* Event = nullptr;
};

class PanelFunctions : public ::testing::Test {
protected:
  void SetUp() override {
    OstraTest::WriteBytes(Dir / "panel.gui", PanelFile);
    Calc.Host().Panels = &Panels;
  }
  std::string Load() { return "loadgui(0;'" + (Dir / "panel.gui") + "')"; }
  std::string Run(const std::string& program, const std::string& global = "") {
    return Describe(Calc.Run(program, global));
  }

  OstraTest::TTempDir Dir;
  OstraTest::TCalculator Calc;
  TUserPanels Panels;
};

double Millis(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

TEST_F(PanelFunctions, PropertiesOfALoadedPanel) {
  struct {
    std::string Program, Expected;
  } cases[] = {
      {Load(), "-1"},
      {Load() + ",\ngetproperty(0;1;0)", "'Speed'"},
      {Load() + ",\ngetproperty(0;2;0)+'/'+string(getproperty(0;2;1))", "'12 mV/1'"},
      {Load() + ",\ngetproperty(0;3;0)", "120"},
      {Load() + ",\ngetproperty(0;4;0)", "'caf\xe9 au lait'"},
      {Load() + ",\ngetproperty(0;6;1)", "-1"},
      {Load() + ",\ngetproperty(0;5;1)", "0"},
      {Load() + ",\nsetproperty(0;1;0;'Slow')", "-1"},
      {Load() + ",\nsetproperty(0;1;0;'Slow'), getproperty(0;1;0)", "'Slow'"},
      {Load() + ",\nsetproperty(0;3;0;77.9), getproperty(0;3;0)", "77"},
      {Load() + ",\nsetproperty(0;3;2;'500'), getproperty(0;3;2)", "500"},
      {Load() + ",\nsetproperty(0;1;1;3)", "0"},
      {Load() + ",\nsetproperty(0;1;1;3), getproperty(0;1;1)", "0"},
      {Load() + ",\nsetproperty(0;6;1;0), getproperty(0;6;1)", "0"},
      {Load() + ",\nsetproperty(0;5;1;1)", "0"},
      // Unknown control, property, panel: 0 and no error.
      {Load() + ",\ngetproperty(0;99;0)", "0"},
      {Load() + ",\ngetproperty(0;1;7)", "0"},
      {Load() + ",\ngetproperty(1;1;0)", "0"},
      {Load() + ",\nsetproperty(1;1;0;'x')", "0"},
      {Load() + ",\ngetproperty(-1;1;0)", "0"},
      {Load() + ",\nhaschanged(0;1)", "0"},
      {Load() + ",\npanelname(0;'Motors')", "0"},
      {"getproperty(0;1;0)", "0"},
      {"setproperty(0;1;0;'x')", "0"},
      // Arguments are truncated; texts read as numbers.
      {Load() + ",\ngetproperty('0';1.9;0.5)", "'Speed'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.Program), c.Expected) << c.Program;
}

TEST_F(PanelFunctions, LoadAnswers) {
  std::string rows;
  for (int i = 0; i < 4097; ++i) rows += "0,0,0,20,2,1,x,0\r\n";
  OstraTest::WriteBytes(Dir / "big.gui", rows);
  struct {
    std::string Program, Expected;
  } cases[] = {
      // A missing file gives an empty panel.
      {"loadgui(0;'" + (Dir / "missing.gui") + "')", "-1"},
      {"loadgui(0;'" + (Dir / "big.gui") + "')", "0"},
      {"loadgui(-1;'" + (Dir / "panel.gui") + "')", "0"},
      {"loadgui(255;'" + (Dir / "panel.gui") + "'), getproperty(255;1;0)", "'Speed'"},
      // Panel numbers above 255 are refused instead of creating pages up to them.
      {"loadgui(256;'" + (Dir / "panel.gui") + "')", "0"},
      {"loadgui(2147483647;'" + (Dir / "panel.gui") + "')", "0"},
      // A second load replaces the panel of the number.
      {Load() + ",\nsetproperty(0;1;0;'x')," + Load() + ",\ngetproperty(0;1;0)", "'Speed'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.Program), c.Expected) << c.Program;
}

TEST_F(PanelFunctions, WithoutAHostNothingIsLoaded) {
  Calc.Host().Panels = nullptr;
  EXPECT_EQ(Run(Load() + ",\ngetproperty(0;1;0)"), "0");
  EXPECT_EQ(Run(Load()), "0");
  EXPECT_EQ(Run("haschanged(0;1)+panelname(0;'x')"), "0");
}

TEST_F(PanelFunctions, PanelsCloseAtTheEndOfEachEngineRun) {
  // The Global program's panel is gone when the panel's program starts.
  EXPECT_EQ(Run("getproperty(0;1;0)", Load()), "0");
  EXPECT_EQ(Panels.Closes, 2);
  EXPECT_EQ(Run(Load() + ",\npanelname(3;'x')"), "0");
  EXPECT_EQ(Panels.Closes, 4);
  EXPECT_TRUE(Panels.Model.Table.Pages().empty());
  for (size_t i = 0; i < Panels.Model.Table.SlotCount(); ++i) EXPECT_EQ(Panels.Model.Table.At(int32_t(i)), nullptr);
}

TEST_F(PanelFunctions, WaitEndsOnTheTimeOut) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run(Load() + ",\nwaitguievent(300)"), "0");
  const double ms = Millis(std::chrono::steady_clock::now() - start);
  EXPECT_GE(ms, 295);
  EXPECT_LT(ms, 1500);
}

TEST_F(PanelFunctions, OperationsBeforeTheWaitGiveOneEvent) {
  // The user operates the button twice before the program waits: one -1 at
  // once, then the next wait runs into its time-out.
  ASSERT_TRUE(Calc.Start(Load() + ",\nwhile(haschanged(0;6)==0; sleep(5)),\n"
                                  "a=waitguievent(0), b=waitguievent(200),\n"
                                  "c=haschanged(0;5), d=haschanged(0;5),\n"
                                  "string(a)+' '+string(b)+' '+string(c)+' '+string(d)"));
  // Wait until the panel is there, operate the button twice, then release
  // the program's first loop by operating the checkbox.
  for (int i = 0; i < 500 && !Panels.Operate(0, 5); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_TRUE(Panels.Operate(0, 5));
  EXPECT_TRUE(Panels.Operate(0, 6));
  EXPECT_EQ(Describe(Calc.Finish()), "'-1 0 -1 0'");
}

TEST_F(PanelFunctions, AnOperationWakesTheWait) {
  ASSERT_TRUE(Calc.Start(Load() + ",\nt=gettime(), w=waitguievent(0), string(w)+' '+string(haschanged(0;3))"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Panels.Operate(0, 3));
  const OstraTest::TRun run = Calc.Finish();
  EXPECT_LT(Millis(std::chrono::steady_clock::now() - start), 50);
  EXPECT_EQ(Describe(run), "'-1 -1'");
}

TEST_F(PanelFunctions, BreakEndsAnEndlessWaitWithStopped) {
  // The wait is the last thing the program does; the run still ends with
  // the error.
  ASSERT_TRUE(Calc.Start(Load() + ",\nwaitguievent(0)"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto start = std::chrono::steady_clock::now();
  Calc.Break();
  const OstraTest::TRun run = Calc.Finish();
  EXPECT_LT(Millis(std::chrono::steady_clock::now() - start), 100);
  EXPECT_EQ(Describe(run), "!Stopped");
  EXPECT_EQ(Panels.Closes, 2);

  ASSERT_TRUE(Calc.Start(Load() + ",\nwhile(waitguievent(0); println('GUI Event...'))"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(Panels.Operate(0, 5));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  Calc.Break();
  const OstraTest::TRun loop = Calc.Finish();
  EXPECT_EQ(Describe(loop), "!Stopped");
  EXPECT_EQ(loop.Output, "GUI Event...\n");
}

TEST_F(PanelFunctions, AnEventLeftFromAnEarlierRunDoesNotWakeTheNext) {
  ASSERT_TRUE(Calc.Start(Load() + ",\nsleep(150)"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(Panels.Operate(0, 5));
  EXPECT_EQ(Describe(Calc.Finish()), "1");
  EXPECT_EQ(Run(Load() + ",\nwaitguievent(50)"), "0");
}

TEST(HeadlessPanels, PagesAndNames) {
  OstraTest::TTempDir dir;
  OstraTest::WriteBytes(dir / "p.gui", PanelFile);
  THeadlessPanelHost host;
  TEvent event(false);
  auto load = [&](int32_t n) {
    auto r = std::make_unique<TCreatePanelInfo>();
    r->Panel = n;
    r->FileName = dir / "p.gui";
    r->Event = &event;
    return host.LoadPanel(std::move(r));
  };
  host.NamePanel(1, "Motors");
  ASSERT_TRUE(load(0));
  ASSERT_TRUE(load(2));
  EXPECT_EQ(host.Table.Pages(), (std::vector<std::string>{"Panel 1", "Motors", "Panel 3"}));
  ASSERT_EQ(host.Table.SlotCount(), 3u);
  EXPECT_NE(host.Table.At(0), nullptr);
  EXPECT_EQ(host.Table.At(1), nullptr);
  EXPECT_NE(host.Table.At(2), nullptr);
  host.NamePanel(-1, "x");
  host.NamePanel(256, "x");
  EXPECT_EQ(host.Table.Pages().size(), 3u);
  EXPECT_FALSE(load(256));
  host.CloseAllPanels();
  EXPECT_TRUE(host.Table.Pages().empty());
  EXPECT_EQ(host.Table.SlotCount(), 3u);
  EXPECT_EQ(host.Table.At(0), nullptr);
}

TEST(HeadlessPanels, FileNamesAreLookedForNextToTheDocument) {
  OstraTest::TTempDir docs, work;
  OstraTest::WriteBytes(docs / "panel.gui", "0,0,0,20,2,1,beside,0\r\n");
  OstraTest::WriteBytes(docs / "both.gui", "0,0,0,20,2,1,beside,0\r\n");
  OstraTest::WriteBytes(work / "both.gui", "0,0,0,20,2,1,current,0\r\n");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(work.Path);
  const std::string doc = docs / "macro.sma";
  EXPECT_EQ(ResolvePanelFile("panel.gui", doc), docs / "panel.gui");
  EXPECT_EQ(ResolvePanelFile("both.gui", doc), "both.gui");
  EXPECT_EQ(ResolvePanelFile("none.gui", doc), "none.gui");
  // Without a document, and with a folder part, the name stays.
  EXPECT_EQ(ResolvePanelFile("panel.gui", ""), "panel.gui");
  EXPECT_EQ(ResolvePanelFile("./panel.gui", doc), "./panel.gui");

  THeadlessPanelHost host(doc);
  TEvent event(false);
  auto r = std::make_unique<TCreatePanelInfo>();
  r->FileName = "panel.gui";
  r->Event = &event;
  EXPECT_TRUE(host.LoadPanel(std::move(r)));
  TSetPropertyInfo get;
  get.Control = 1;
  EXPECT_TRUE(host.GetProperty(get));
  EXPECT_EQ(get.Text, "beside");
  std::filesystem::current_path(previous);
}
