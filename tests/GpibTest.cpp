// GPIB through a real shared library standing in for the driver: the
// binding, every function, board changes, start and exit, Break, a library
// lacking an entry point or missing altogether, and device clear and serial
// poll under the VISA functions.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "InstrumentTestSupport.h"
#include "TestSupport.h"
#include "instruments/Gpib.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::Describe;

namespace {

// Every engine of this test program uses the stand-in library, also where
// a real driver is installed: set before the instrument layer is first used.
const bool UsesStandIn = setenv("OSTRA_GPIB_LIBRARY", OSTRA_GPIB_STANDIN, 1) == 0;

using OstraTest::TClock;

using OstraTest::MsSince;

// The stand-in's record of the calls it received.
class TStandInLog {
public:
  explicit TStandInLog(const char* library = OSTRA_GPIB_STANDIN) {
    Handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (!Handle) return;
    LogFn = reinterpret_cast<const char* (*)()>(dlsym(Handle, "StandInLog"));
    ResetFn = reinterpret_cast<void (*)()>(dlsym(Handle, "StandInReset"));
  }
  ~TStandInLog() {
    if (Handle) dlclose(Handle);
  }
  bool Ok() const { return LogFn && ResetFn; }
  std::string Text() const { return LogFn(); }
  bool Has(const std::string& line) const { return ("\n" + Text()).find("\n" + line + "\n") != std::string::npos; }
  void Reset() { ResetFn(); }

private:
  void* Handle = nullptr;
  const char* (*LogFn)() = nullptr;
  void (*ResetFn)() = nullptr;
};

class Gpib : public ::testing::Test {
protected:
  TStandInLog Log;
  OstraTest::TCalculator Calc;

  void SetUp() override {
    ASSERT_TRUE(UsesStandIn);
    ASSERT_TRUE(Log.Ok()) << dlerror();
    // Every test starts on board 0 without descriptors.
    TInstrumentLayer& layer = Instruments();
    layer.TakeGpibDevicesOffline();
    layer.ActiveBoard = 0;
    Log.Reset();
  }
  std::string Outcome(const std::string& program) { return Describe(Calc.Run(program)); }
};

}  // namespace

TEST(GpibBinding, WithoutLibraryEveryCallReportsTheMissingDriver) {
  for (const char* name : {"/nonexistent/libgpib.so.0", "libm.so.6"}) {
    // libm loads but has no GPIB status: it counts as no driver.
    SCOPED_TRACE(name);
    TGpibDriver d({name});
    for (int attempt = 0; attempt < 2; ++attempt) {
      EXPECT_EQ(d.ibdev(0, 5, 0, 12, 1, 0), -1);
      EXPECT_EQ(d.Status, GpibErr);
      EXPECT_EQ(d.Error, 0);
      char buf[4];
      EXPECT_EQ(d.ibrd(3, buf, 4), GpibErr);
      EXPECT_EQ(d.ibconfig(0, 7, 0), GpibErr);
      EXPECT_FALSE(d.Loaded());
    }
    EXPECT_FALSE(d.CanAbort());
    EXPECT_FALSE(d.CanClear());
  }
}

TEST(GpibBinding, AFailedLoadIsTriedAgainAtTheNextCall) {
  OstraTest::TTempDir dir;
  const std::string path = dir / "libgpib-later.so";
  TGpibDriver d({path});
  EXPECT_EQ(d.ibconfig(0, 7, 0), GpibErr);
  // The driver appears (installed while the program runs): the next call
  // loads it.
  std::filesystem::copy_file(OSTRA_GPIB_MINIMAL, path);
  EXPECT_EQ(d.ibconfig(0, 7, 0), GpibCmpl);
  EXPECT_TRUE(d.Loaded());
}

TEST(GpibBinding, ALibraryLackingAFunctionFailsOnlyThatOne) {
  TGpibDriver d({OSTRA_GPIB_MINIMAL});
  const int ud = d.ibdev(0, 5, 0, 12, 1, 0);
  EXPECT_GE(ud, 0);
  EXPECT_EQ(d.Status, GpibCmpl);
  // The status comes from the library's global variables.
  EXPECT_EQ(d.ibwrt(ud, "*IDN?", 5), GpibCmpl | GpibEnd);
  EXPECT_EQ(d.Count, 5);
  // Device clear and serial poll are missing quietly: nothing recorded.
  EXPECT_FALSE(d.CanClear());
  EXPECT_FALSE(d.CanPoll());
  EXPECT_EQ(d.Status, GpibCmpl | GpibEnd);
  EXPECT_EQ(d.Count, 5);
  char buf[64];
  EXPECT_EQ(d.ibrd(ud, buf, 64), GpibErr);
  EXPECT_EQ(d.Error, 0);
  EXPECT_TRUE(d.Loaded());
  EXPECT_FALSE(d.CanAbort());
  // Calls that exist go on working.
  EXPECT_EQ(d.ibonl(ud, 0), GpibCmpl);
}

TEST(GpibBinding, DefaultLibraryNames) {
  OstraTest::TScopedEnv chosen("OSTRA_GPIB_LIBRARY", "/opt/driver/libni4882.so");
  EXPECT_EQ(TGpibDriver::DefaultNames(), (std::vector<std::string>{"/opt/driver/libni4882.so"}));
  unsetenv("OSTRA_GPIB_LIBRARY");
  EXPECT_EQ(TGpibDriver::DefaultNames(), (std::vector<std::string>{"libgpib.so.0", "libgpibapi.so.0"}));
}

TEST_F(Gpib, QueryAnInstrument) {
  EXPECT_EQ(Outcome("gpibprintln(5;'*IDN?')"), "-1");
  EXPECT_EQ(Outcome("gpibreadln(5)"), "'OSTRA INSTRUMENTS,GPIB STAND-IN,5,1.0\n'");
  EXPECT_EQ(Outcome("gpibsta()"), std::to_string(GpibCmpl | GpibEnd));
  // One descriptor, made on first use with the default time-out and EOI,
  // and kept from run to run.
  const std::string log = Log.Text();
  EXPECT_EQ(log.find("ibdev"), log.rfind("ibdev")) << log;
  EXPECT_NE(log.find("ibdev 0 5 0 12 1 0 -> "), std::string::npos) << log;
  EXPECT_NE(log.find("ibwrt "), std::string::npos);

  // gpibprint sends the whole text; gpibread takes up to its count.
  EXPECT_EQ(Outcome("gpibprint(5;'*IDN?';2), gpibread(5;5)+'/'+gpibread(5;11)"), "'OSTRA/ INSTRUMENT'");
  EXPECT_EQ(Outcome("gpibread(5;0)"), "''");
  // A line longer than 1024 bytes comes in two reads.
  EXPECT_EQ(Outcome("gpibprintln(5;'LONG?'), string(length(gpibreadln(5)))+' '+string(length(gpibreadln(5)))"),
            "'1024 477'");
  // The example of the help text.
  EXPECT_EQ(Outcome(FindBuiltin("gpibreadln")->Help.Example), "'OSTRA INSTRUMENTS,GPIB STAND-IN,5,1.0\n'");
}

TEST_F(Gpib, DeviceTimeOutAndStatus) {
  EXPECT_EQ(Outcome("gpibtimeout(5;9)"), "-1");
  const std::string log = Log.Text();
  const size_t tmo = log.find("ibtmo ");
  ASSERT_NE(tmo, std::string::npos) << log;
  EXPECT_EQ(log.substr(log.find('\n', tmo) - 2, 2), " 9") << log;
  // Nothing to read: the read ends after the device's 100 ms with TIMO.
  const OstraTest::TRun r = Calc.Run(
      "t=gettime(), r=gpibreadln(5), string(length(r))+' '+string(gettime()-t)+' '+string(gpibsta())+' '+"
      "string(gpiberr())");
  double ms = 0;
  int length = -1, sta = 0, err = 0;
  ASSERT_EQ(std::sscanf(r.Result.AsString().c_str(), "%d %lf %d %d", &length, &ms, &sta, &err), 4) << Describe(r);
  EXPECT_EQ(length, 0);
  EXPECT_GE(ms, 90);
  EXPECT_LT(ms, 600);
  EXPECT_TRUE(sta & GpibTimo);
  EXPECT_TRUE(sta & GpibErr);
  EXPECT_EQ(err, 6);
  // An address without an instrument: the write fails, with its error.
  EXPECT_EQ(Outcome("gpibprintln(7;'x')*1000+gpiberr()"), "2");
}

TEST_F(Gpib, BinaryTransfersAndEightBitCuts) {
  // An array without elements is sent as no bytes.
  EXPECT_EQ(Outcome("gpibwritebin(5;empty[])"), "-1");
  EXPECT_TRUE(Log.Has("ibwrt " + std::to_string(Instruments().GpibSlots[5]) + " ")) << Log.Text();
  EXPECT_EQ(Outcome("a[0]=0, a[1]=32, a[2]=256, a[3]=-1, gpibwritebin(5;a[])"), "-1");
  EXPECT_EQ(Outcome("gpibprintln(5;'LAST?'), b[5]=1, gpibreadbin(5;b[];10)"), "-1");
  EXPECT_EQ(OstraTest::ArrayOf(Calc, "b"), (std::vector<double>{0, 32, 0, 255}));
  // A failed read leaves the array as it was.
  EXPECT_EQ(Outcome("gpibtimeout(5;7), b[0]=9, gpibreadbin(5;b[];10)"), "0");
  EXPECT_EQ(OstraTest::ArrayOf(Calc, "b"), (std::vector<double>{9}));
}

TEST_F(Gpib, BoardChange) {
  EXPECT_EQ(Outcome("gpibprintln(5;'*IDN?'), gpibreadln(5), gpibboard(0)"), "-1");
  EXPECT_EQ(Log.Text().find("ibonl"), std::string::npos);  // same board: nothing happens
  const std::string before = Log.Text();
  const size_t arrow = before.find("-> ");
  ASSERT_NE(arrow, std::string::npos);
  const std::string ud = before.substr(arrow + 3, before.find('\n', arrow) - arrow - 3);
  Log.Reset();
  EXPECT_EQ(Outcome("gpibboard(1)"), "-1");
  EXPECT_TRUE(Log.Has("ibonl " + ud + " 0")) << Log.Text();
  EXPECT_TRUE(Log.Has("ibconfig 1 7 0")) << Log.Text();
  EXPECT_EQ(Outcome("gpibprintln(2;'x')"), "0");
  EXPECT_NE(Log.Text().find("ibdev 1 2 0 12 1 0 -> "), std::string::npos) << Log.Text();
  // The same board again changes nothing; its result is the status of the
  // last driver call, the failed write.
  Log.Reset();
  EXPECT_EQ(Outcome("gpibboard(1)"), "0");
  EXPECT_EQ(Log.Text(), "");
  EXPECT_EQ(Outcome("gpibboard(21)"), "!GPIBBoard: Illegal GPIB board number");
  EXPECT_EQ(Outcome("gpibboard(-1)"), "!GPIBBoard: Illegal GPIB board number");
}

TEST_F(Gpib, Errors) {
  struct {
    const char* Program;
    const char* Outcome;
  } cases[] = {
      {"gpibread(3;-1)", "!GPIBRead: Illegal byte count"},
      {"gpibread(3;65536)", "!GPIBRead: Illegal byte count"},
      {"gpibread(3;0)", "''"},
      {"gpibread(256;1)", "!GPIBRead: Illegal GPIB id"},
      {"gpibtimeout(3;18)", "!GPIBTimeout: Illegal timeout value"},
      {"gpibtimeout(3;0)", "!GPIBTimeout: Illegal timeout value"},
      {"gpibtimeout(256;5)", "!GPIBTimeout: Illegal GPIB id"},
      {"gpibreadbin(300;a[];10)", "!GPIBWriteBin: Illegal GPIB id"},
      {"gpibwritebin(-1;a[])", "!GPIBWriteBin: Illegal GPIB id"},
      {"gpibprintln(-1;'x')", "!GPIBPrintLn: Illegal GPIB id"},
      {"gpibprint(256;'x';1)", "!GPIBPrint: Illegal GPIB id"},
      {"gpibreadln(999)", "!GPIBReadLn: Illegal GPIB id"},
      {"gpibwritebin(5;3)", "#Illegal argument"},
      {"gpibreadbin(5;a;3)", "#Illegal argument"},
      // A name that holds a scalar written as an array: the message names it.
      {"x=1, gpibwritebin(5;x[])", "!GPIBWriteBin: Second parameter x[] is not an array"},
      {"define(f(v); gpibwritebin(5;v[])), f(2)", "!GPIBWriteBin: Second parameter v[] is not an array"},
      {"x='', gpibreadbin(5;x[];3)", "!GPIBReadBin: Second parameter x[] is not an array"},
      // A failing argument sends nothing.
      {"gpibprintln(5;nothing)", "!Variable nothing has no value"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.Program), c.Outcome) << c.Program;
  EXPECT_EQ(Log.Text().find("ibwrt"), std::string::npos) << Log.Text();
}

TEST_F(Gpib, BreakAbortsATransfer) {
  Calc.Start("gpibprintln(5;'SLOW?'), gpibreadln(5)");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto breakAt = TClock::now();
  Calc.Break();
  const OstraTest::TRun r = Calc.Finish();
  EXPECT_LT(MsSince(breakAt), 200);
  EXPECT_EQ(Describe(r), "!Stopped");
  EXPECT_NE(Log.Text().find("ibstop"), std::string::npos) << Log.Text();
}

TEST_F(Gpib, StartAndExit) {
  StartInstruments();
  EXPECT_TRUE(Log.Has("ibconfig 0 7 0")) << Log.Text();
  EXPECT_EQ(Outcome("gpibprintln(5;'*IDN?')"), "-1");
  StopInstruments();
  EXPECT_NE(Log.Text().find("ibonl "), std::string::npos) << Log.Text();
  for (int32_t slot : Instruments().GpibSlots) EXPECT_EQ(slot, -1);
}

// ---- device clear and the status byte of VISA sessions

namespace {

// A driver on the given library in place of the instrument layer's while
// it lives.
class TGpibLibraryInUse {
public:
  explicit TGpibLibraryInUse(const char* library) : Saved(std::move(Instruments().Gpib)) {
    Instruments().Gpib = std::make_unique<TGpibDriver>(std::vector<std::string>{library});
  }
  ~TGpibLibraryInUse() { Instruments().Gpib = std::move(Saved); }

private:
  std::unique_ptr<TGpibDriver> Saved;
};

}  // namespace

// With ibclr and ibrsp, visaclear clears the device and visastatus is its
// serial poll; a library without them keeps the session working: no clear
// (0) and the device asked *STB?, which the minimal library cannot read
// back (-1). One table through both libraries.
TEST(GpibVisa, ClearAndStatusByteWithAndWithoutTheDriverCalls) {
  struct {
    const char* Program;
    const char* Full;
    const char* Minimal;
  } cases[] = {
      {"visastatus(0)", "0", "-1"},
      // MAV while an answer waits, ESB after an unknown query.
      {"visawrite(0;'*IDN?'), visastatus(0)", "16", "-1"},
      {"visawrite(0;'*IDN?'), visawrite(0;'NOSUCH?'), visastatus(0)", "48", "-1"},
      {"visawrite(0;'NOSUCH?'), c=visaclear(0), string(c)+' '+string(visastatus(0))", "'-1 0'", "'0 -1'"},
      // The answer waiting before the clear is gone.
      {"visawrite(0;'*IDN?'), visaclear(0), visaquery(0;'READ?')", "'+1.234500E+00'", "''"},
      // A missing call is no failure of the driver.
      {"visaclear(0), gpibsta()", "256", "256"},
      // No instrument at address 6: clear and serial poll fail as results.
      {"visaopen(1;'GPIB::6::INSTR';200), string(visaclear(1))+' '+string(visastatus(1))", "'0 -1'", "'0 -1'"},
  };
  for (const bool full : {true, false}) {
    const char* library = full ? OSTRA_GPIB_STANDIN : OSTRA_GPIB_MINIMAL;
    SCOPED_TRACE(library);
    TGpibLibraryInUse use(library);
    TStandInLog log(library);
    ASSERT_TRUE(log.Ok()) << dlerror();
    log.Reset();
    OstraTest::TCalculator calc;
    for (const auto& c : cases)
      EXPECT_EQ(Describe(calc.Run(std::string("visaopen(0;'GPIB::5::INSTR';200), ") + c.Program)),
                full ? c.Full : c.Minimal)
          << c.Program;
    const std::string text = log.Text();
    EXPECT_EQ(text.find(" *STB?") != std::string::npos, !full) << text;
    EXPECT_EQ(text.find("\nibclr ") != std::string::npos, full) << text;
    EXPECT_EQ(text.find("\nibrsp ") != std::string::npos, full) << text;
  }
}

// End to end through the headless runner with each kind of library.
TEST(GpibRunner, Libraries) {
  const std::string program =
      "a[0]=7, w=gpibprintln(5;'*IDN?'), r=gpibreadln(5), b=gpibreadbin(5;a[];4), "
      "println(string(w)+' '+string(b)+' '+string(length(a[]))+' '+string(gpibtimeout(5;3))+' '+"
      "string(gpibboard(1))), println(string(gpibsta())+' '+string(gpiberr())), r";
  OstraTest::TCliRun none =
      OstraTest::RunCli({"-e", program}, {.Env = {"OSTRA_GPIB_LIBRARY=/nonexistent/libgpib.so"}});
  EXPECT_EQ(none.Status, 0) << none.Err;
  EXPECT_EQ(none.Out, "0 0 1 0 0\n32768 0\n\n");

  OstraTest::TCliRun minimal =
      OstraTest::RunCli({"-e", program}, {.Env = {"OSTRA_GPIB_LIBRARY=" OSTRA_GPIB_MINIMAL}});
  EXPECT_EQ(minimal.Status, 0) << minimal.Err;
  EXPECT_EQ(minimal.Out, "-1 0 1 -1 -1\n256 0\n\n");

  OstraTest::TCliRun full = OstraTest::RunCli({"-e", "gpibprintln(5;'*IDN?'), gpibreadln(5)"},
                                              {.Env = {"OSTRA_GPIB_LIBRARY=" OSTRA_GPIB_STANDIN}});
  EXPECT_EQ(full.Status, 0) << full.Err;
  EXPECT_EQ(full.Out, "OSTRA INSTRUMENTS,GPIB STAND-IN,5,1.0\n\n");

  OstraTest::TCliRun broken =
      OstraTest::RunCli({"-e", "gpibprintln(5;'SLOW?'), gpibreadln(5)"},
                        {.Env = {"OSTRA_GPIB_LIBRARY=" OSTRA_GPIB_STANDIN}, .InterruptAfterMs = 400});
  EXPECT_EQ(broken.Status, 1);
  EXPECT_EQ(broken.Err, "Error: Stopped\n");
  EXPECT_LT(broken.AfterInterruptMs, 300);

  OstraTest::TCliRun example = OstraTest::RunCli({"-e", FindBuiltin("gpibreadln")->Help.Example},
                                                 {.Env = {"OSTRA_GPIB_LIBRARY=/nonexistent/libgpib.so"}});
  EXPECT_EQ(example.Out, "no answer: status 32768\n");
}
