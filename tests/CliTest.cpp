// The headless runner end to end: a real child process per case.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TestSupport.h"

using OstraTest::RunCli;

namespace {

class CliFiles : public ::testing::Test {
protected:
  OstraTest::TTempDir Dir;
  std::string Write(const std::string& name, const std::string& bytes) {
    OstraTest::WriteBytes(Dir / name, bytes);
    return Dir / name;
  }
};

}  // namespace

TEST(Cli, OutputThenResult) {
  struct {
    const char* program;
    const char* out;
  } cases[] = {
      {"a=2, println(a^10), a*3", "1024\n6\n"},
      {"print('a'), print('b')", "ab\n1\n"},  // an open line is ended first
      {"println('x'), 'text'", "x\ntext\n"},
      {"print('a'), cleartext(), print('b'), 0", "a\nb\n0\n"},
      {"", "0\n"},
  };
  for (auto& c : cases) {
    auto r = RunCli({"-e", c.program});
    EXPECT_EQ(r.Status, 0) << c.program << r.Err;
    EXPECT_EQ(r.Out, c.out) << c.program;
    EXPECT_EQ(r.Err, "");
  }
}

TEST(Cli, Radix) {
  EXPECT_EQ(RunCli({"--radix", "hex", "-e", "255"}).Out, "FF\n");
  EXPECT_EQ(RunCli({"--radix", "bin", "-e", "6"}).Out, "110\n");
  EXPECT_EQ(RunCli({"--radix", "hex", "-e", "2^31"}).Out, "Number too large, display in decimal mode\n");
  EXPECT_EQ(RunCli({"--radix", "hex", "-e", "'s'"}).Out, "s\n");
  EXPECT_EQ(RunCli({"--radix", "oct", "-e", "1"}).Status, 4);
}

TEST(Cli, Errors) {
  auto syntax = RunCli({"-e", "x=1,\ny=2 2"});
  EXPECT_EQ(syntax.Status, 2);
  EXPECT_EQ(syntax.Err, "-e:2:5: Unknown operator '2'\n");
  EXPECT_EQ(syntax.Out, "");
  // An error found past the end is placed at the end.
  EXPECT_EQ(RunCli({"-e", "x=1,\r\n(1+2"}).Err, "-e:2:5: ')' expected\n");

  auto run = RunCli({"-e", "println('before'), y"});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "before\n");
  EXPECT_EQ(run.Err, "Error: Variable y has no value\n");

  auto overflow = RunCli({"-e", "define(r(n); r(n+1)), r(0)"});
  EXPECT_EQ(overflow.Status, 0);
  EXPECT_EQ(overflow.Out, "Stack Overflow\n");

  auto deep = RunCli({"-e", "define(d(n); if(n<=0; 0; 1+d(n-1))), d(100000)"});
  EXPECT_EQ(deep.Status, 0);
  EXPECT_EQ(deep.Out, "100000\n");

  EXPECT_EQ(RunCli({"/nonexistent/file.sma"}).Status, 3);
  EXPECT_EQ(RunCli({"/"}).Status, 3);
  EXPECT_EQ(RunCli({}).Status, 4);
  EXPECT_EQ(RunCli({"--bogus"}).Status, 4);
  auto help = RunCli({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("Exit status"), std::string::npos);
}

TEST(Cli, InterruptIsBreak) {
  // Ctrl+C once the program is in its loop: its first line is out by then.
  auto r = RunCli({"-e", "println('go'), for(i=0;1;i+=1;0)"}, {.InterruptAfterMs = 0, .InterruptAfter = "go\n"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "go\n");
  EXPECT_EQ(r.Err, "Error: Stopped\n");
}

TEST(Cli, SecondInterruptKills) {
  // The child program takes a while to stop, so the second Ctrl+C arrives
  // while the first is still being answered. The lines printed before are
  // not lost with the process.
  auto r = RunCli({"-e", "println('measured'), execute('sleep 5';'')"},
                  {.InterruptAfterMs = 300, .Interrupts = 2, .InterruptAfter = "measured\n"});
  EXPECT_EQ(r.Status, 128 + SIGINT);
  EXPECT_EQ(r.Out, "measured\n");
}

TEST_F(CliFiles, MacroDocuments) {
  // Multi-panel form: the Global panel defines, the panels use.
  std::string doc =
      "/*$$panel:Global$$*/\ndefine(sq(x);x*x), $k=10\r\n"
      "/*$$panel:A$$*/\nsq(3)+$k/*$$panel:Second one$$*/\nprintln('two'),\r\nsq(2)";
  std::string path = Write("doc.sma", doc);
  EXPECT_EQ(RunCli({path}).Out, "19\n");
  EXPECT_EQ(RunCli({"--panel", "2", path}).Out, "two\n4\n");
  EXPECT_EQ(RunCli({"--panel", "Second one", path}).Out, "two\n4\n");
  EXPECT_EQ(RunCli({"--panel", "A", path}).Out, "19\n");
  EXPECT_EQ(RunCli({"--panel", "0", path}).Status, 4);
  EXPECT_EQ(RunCli({"--panel", "nope", path}).Status, 4);

  // Single-panel form: any program text.
  std::string plain = Write("plain.sma", "x=4,\r\nx*x");
  EXPECT_EQ(RunCli({plain}).Out, "16\n");

  // Syntax errors report the line and column within the file.
  std::string bad = Write("bad.sma", "/*$$panel:Global$$*/\n1\r\n/*$$panel:P$$*/\nx=1,\r\n  y=)");
  auto r = RunCli({bad});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, bad + ":5:5: Expression or identifier expected\n");

  std::string unclosed = Write("unclosed.sma", "/*$$panel:Global");
  EXPECT_EQ(RunCli({unclosed}).Status, 3);
}

// The runner keeps a plot model of its own: the counting functions answer as
// in the desktop application.
TEST(Cli, PlotCountsWithoutAWindow) {
  auto r = RunCli(
      {"-e",
       "plot(3;2;x;x;0;1;10), a=plotcurvecount(3), b=plotcurvecount(5), string(a)+string(b)+string(plottabs())"});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "306\n");
  EXPECT_EQ(r.Err, "");
}

TEST_F(CliFiles, PlotsAreWrittenWhenTheRunEnds) {
  const std::string dir = Dir / "out/plots";
  // Stale tab files go; other files stay.
  std::filesystem::create_directories(dir);
  OstraTest::WriteBytes(dir + "/tab7.png", "old");
  OstraTest::WriteBytes(dir + "/tab12.txt", "old");
  OstraTest::WriteBytes(dir + "/table.txt", "mine");
  // Two curves of 5 and 3 points on tab 0, an empty tab 1, a panel without
  // curves on tab 2; then the run fails: the plots are written all the same.
  auto r = RunCli({"--plots",
                   dir,
                   "-e",
                   "for(i=0;i<5;i+=1; a[i]=i+1, b[i]=i+11), plotxy(0;0;0;a[]), plot(0;1;x;x+10;1;4;3), "
                   "plotaxis(2;'t / s';''), plotxy(1;0;0;a[]), plotcleartab(1), plottitle(0;'Caf\xE9'), nosuch"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "Error: Variable nosuch has no value\n");
  EXPECT_FALSE(std::filesystem::exists(dir + "/tab7.png"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/tab12.txt"));
  EXPECT_EQ(OstraTest::ReadBytes(dir + "/table.txt"), "mine");
  EXPECT_EQ(OstraTest::ReadBytes(dir + "/tab0.txt"),
            "0\t1\t1\t11\r\n1\t2\t2\t12\r\n2\t3\t3\t13\r\n3\t4\t\t\r\n4\t5\t\t\r\n");
  const std::string json = OstraTest::ReadBytes(dir + "/plots.json");
  EXPECT_NE(json.find("{\"index\": 0, \"caption\": \"Caf\xC3\xA9\", \"empty\": false,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"x\": {\"min\": 0, \"max\": 4, \"autoscale\": true, \"title\": null}"), std::string::npos);
  EXPECT_NE(
      json.find("{\"number\": 1, \"points\": 3, \"colour\": \"#FF0000\", \"thickness\": 2, \"connected\": true}"),
      std::string::npos);
  EXPECT_NE(json.find("{\"index\": 1, \"caption\": \"Plot 2\", \"empty\": true}"), std::string::npos);
  EXPECT_NE(json.find("\"x\": {\"min\": 0, \"max\": 10, \"autoscale\": true, \"title\": \"t / s\"}"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir + "/tab1.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/tab1.png"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/tab2.txt"));
#ifdef OSTRA_PLOT_PICTURES_TESTED
  for (const char* tab : {"tab0", "tab2"}) {
    const std::string png = OstraTest::ReadBytes(dir + "/" + tab + ".png");
    ASSERT_GT(png.size(), 33u) << tab;
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // IHDR: 800 x 600, 8-bit RGB without alpha (opaque).
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x03\x20\0\0\x02\x58", 8));
    EXPECT_EQ(png[25], 2);
    const std::string svg = OstraTest::ReadBytes(dir + "/" + tab + ".svg");
    EXPECT_NE(svg.find("viewBox=\"0 0 800 600\""), std::string::npos);
  }
  EXPECT_NE(OstraTest::ReadBytes(dir + "/tab0.svg").find("polyline"), std::string::npos);
#endif
}

TEST_F(CliFiles, PlotsNeedARunAndAFolder) {
  const std::string dir = Dir / "never";
  auto syntax = RunCli({"--plots", dir, "-e", "plot(0;0;x;x;0;1;10) 2"});
  EXPECT_EQ(syntax.Status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir));
  EXPECT_EQ(RunCli({"-e", "1", "--plots"}).Status, 4);
  // A file where the folder should be.
  const std::string file = Write("plain", "x");
  auto blocked = RunCli({"--plots", file, "-e", "plot(0;0;x;x;0;1;10), 7"});
  EXPECT_EQ(blocked.Status, 5);
  EXPECT_EQ(blocked.Out, "7\n");
  EXPECT_NE(blocked.Err.find("cannot write the plots to " + file), std::string::npos) << blocked.Err;
  EXPECT_NE(RunCli({"--help"}).Out.find("--plots DIR"), std::string::npos);
}

// The dynamic loader names every library it opens (LD_DEBUG=files): a run
// without --plots opens no Qt library; with --plots the picture writer
// brings Qt in.
TEST_F(CliFiles, QtIsLoadedOnlyToPaintPlots) {
  const std::vector<std::string> loaderLog{"LD_DEBUG=files"};
  auto plain = RunCli({"-e", "plot(0;0;x;x;0;1;10), 1"}, {.Env = loaderLog});
  EXPECT_EQ(plain.Status, 0) << plain.Err;
  EXPECT_EQ(plain.Out, "1\n");
  // The log is there, and names no Qt library.
  EXPECT_NE(plain.Err.find("file=libstdc++.so"), std::string::npos) << plain.Err;
  EXPECT_EQ(plain.Err.find("libQt"), std::string::npos) << plain.Err;
#ifdef OSTRA_PLOT_PICTURES_TESTED
  auto plots = RunCli({"--plots", Dir / "plots", "-e", "plot(0;0;x;x;0;1;10), 1"}, {.Env = loaderLog});
  EXPECT_EQ(plots.Status, 0) << plots.Err;
  EXPECT_NE(plots.Err.find("file=libQt6Gui.so"), std::string::npos) << plots.Err;
  EXPECT_TRUE(std::filesystem::exists(Dir / "plots/tab0.png"));
#endif
}

#ifdef OSTRA_PLOT_PICTURES_TESTED
// A runner whose picture writer is missing or unusable says so and runs
// nothing; without --plots it runs as ever.
TEST_F(CliFiles, PlotsWithoutAUsablePictureWriter) {
  const std::string bin = Dir / "bin";
  std::filesystem::create_directories(bin);
  const std::string runner = bin + "/ostracalc-cli";
  std::filesystem::copy_file(OSTRA_CLI, runner);
  const std::string plugin = bin + "/ostracalc-plots.so";
  struct {
    const char* what;
    std::string plugin;  // copied from this file; empty: none
    std::string message;
  } cases[] = {
      {"missing", "", "the picture writer ostracalc-plots.so is missing (looked in " + bin},
      {"not a library", Write("garbage", "not a shared object"), plugin},
      {"another library", OSTRA_GPIB_STANDIN, plugin + " is not the picture writer of this program's version"},
  };
  for (auto& c : cases) {
    std::filesystem::remove(plugin);
    if (!c.plugin.empty()) std::filesystem::copy_file(c.plugin, plugin);
    auto r = RunCli({"--plots", Dir / "plots", "-e", "println('ran'), 1"}, {.Program = runner});
    EXPECT_EQ(r.Status, 5) << c.what;
    EXPECT_EQ(r.Out, "") << c.what;
    EXPECT_NE(r.Err.find("ostracalc-cli: cannot write the plots to " + Dir / "plots" + ": " + c.message),
              std::string::npos)
        << c.what << ": " << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir / "plots")) << c.what;
    EXPECT_EQ(RunCli({"-e", "6*7"}, {.Program = runner}).Out, "42\n") << c.what;
  }
}
#endif

// The runner has no window to wait for: its plot calls return at once.
TEST(Cli, PlotCallsReturnAtOnce) {
  auto r = RunCli({"-e",
                   "for(i=0;i<5;i+=1; a[i]=i*i), t=gettime(), "
                   "for(k=0;k<200;k+=1; plotxy(0;mod(k;20);0;a[])), print(gettime()-t), print(' '), "
                   "t=gettime(), for(k=0;k<200;k+=1; plot(1;mod(k;20);x;x^2;0;1;5)), print(gettime()-t), print(' '), "
                   "t=gettime(), for(k=0;k<200;k+=1; plotview(0;0;k;0;1)), print(gettime()-t), print(' '), "
                   "t=gettime(), for(k=0;k<200;k+=1; plotautoscale(0;1;1)), print(gettime()-t), "
                   "plotcurvecount(0)"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  std::istringstream out(r.Out);
  // 200 calls of each under 0.1 s (they slept 10 ms each).
  for (const char* function : {"plotxy", "plot", "plotview", "plotautoscale"}) {
    double ms = -1;
    out >> ms;
    EXPECT_GE(ms, 0) << function << ": " << r.Out;
    EXPECT_LT(ms, 100 * OstraTest::SanitizerSlowdown) << function;
  }
  int curves = 0;
  out >> curves;
  EXPECT_EQ(curves, 20);
}
