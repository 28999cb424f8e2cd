// Break inside long built-ins: each call below runs for seconds on its large
// input. Break of the calculation thread ends it after well under 100 ms of
// its work with "Stopped" (also when it is the program's last call), and the
// arrays it would write are as they were before; Ctrl+C to the runner ends
// an fft of 2^23 points within 200 ms.

#include <gtest/gtest.h>
#include <signal.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CliRunner.h"
#include "TestSupport.h"

namespace {

using OstraTest::ArrayOf;
using OstraTest::TCalculator;

constexpr int BigCount = 1 << 23;

// Makes name an array of 2^23 elements 1, 3, 1, 3, ... in a few milliseconds.
std::string Big(const std::string& name) {
  return name + "[0]=1, " + name + "[1]=3, for(k=0;k<22;k+=1;append(" + name + "[];" + name + "[])), ";
}

// Tells the test that the input is built.
const std::string Ready = "println('ready'), ";

std::vector<double> BigValues() {
  std::vector<double> v(BigCount);
  for (int i = 0; i < BigCount; ++i) v[i] = i % 2 ? 3 : 1;
  return v;
}

struct TLongCall {
  const char* Name;
  std::string Program;  // fills the outputs, builds the input, says ready, then the call
  std::vector<std::pair<std::string, std::vector<double>>> Unchanged;  // arrays as they must stay
  std::string Input;  // an array that is complete when the call starts
};

// A matrix file of 10^7 numbers in 2 000 000 lines, made once and removed
// at exit.
struct TMatrixFile {
  std::string Path = "/tmp/ostra-longbreak-" + std::to_string(getpid()) + ".txt";
  TMatrixFile() {
    std::FILE* f = std::fopen(Path.c_str(), "wb");
    std::string line;
    for (int c = 0; c < 5; ++c) line += (c ? "\t" : "") + std::to_string(1.25 + c).substr(0, 4);
    line += "\r\n";
    std::string block;
    for (int i = 0; i < 1000; ++i) block += line;
    for (int i = 0; i < 2000; ++i) std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
  }
  ~TMatrixFile() { std::remove(Path.c_str()); }
};

const std::string& MatrixFile() {
  static const TMatrixFile file;
  return file.Path;
}

std::vector<TLongCall> Cases() {
  const std::vector<double> big = BigValues();
  return {
      {"fft as the last call",
       "nm[0]=7, nm[1]=8, " + Big("a") + Ready + "fft(0;a[];0;1;0;nm[];re[];0;0)",
       {{"nm", {7, 8}}, {"re", {}}},
       "a"},
      {"fft with more after it",
       "nm[0]=7, " + Big("a") + Ready + "fft(0;a[];3;1;0;nm[];0;0;0), println('after')",
       {{"nm", {7}}},
       "a"},
      {"invfft", "out[0]=4, " + Big("re") + Big("im") + Ready + "invfft(re[];im[];out[])", {{"out", {4}}}, "im"},
      {"sgfilter direct", Big("d") + Ready + "sgfilter(d[];0;256;3;0)", {{"d", big}}, "d"},
      {"sgfilter by transform",
       Big("d") + Big("s") + Ready + "sgfilter(d[];s[];3000;3;0)",
       {{"d", big}, {"s", big}},
       "s"},
      {"sort", "b[0]=5, " + Big("a") + Ready + "sort(a[];b[])", {{"b", {5}}, {"a", big}}, "a"},
      {"readmatrix", "m[0]=2, " + Big("x") + Ready + "readmatrix(m[];'" + MatrixFile() + "')", {{"m", {2}}}, "x"},
  };
}

// Text output that tells the test when a line has arrived.
class TWatchSink : public TernioParser::TOutputSink {
public:
  void Write(const std::string& text, bool) override {
    std::lock_guard<std::mutex> g(Lock);
    Text += text;
    Changed.notify_all();
  }
  void Clear() override {}
  bool WaitFor(const std::string& text, int ms) {
    std::unique_lock<std::mutex> g(Lock);
    return Changed.wait_for(g, std::chrono::milliseconds(ms), [&] { return Text.find(text) != std::string::npos; });
  }

private:
  std::mutex Lock;
  std::condition_variable Changed;
  std::string Text;
};

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

}  // namespace

// The Break comes once the input is built (the program says so), while the
// call works. What the calculation thread still computes after it is timed
// as processor time, which a busy machine does not stretch.
TEST(LongBreak, BreakLeavesTheOutputArraysAsTheyWere) {
  for (const TLongCall& c : Cases()) {
    TCalculator calc;
    TWatchSink watch;
    calc.Host().Output = &watch;
    ASSERT_TRUE(calc.Start(c.Program)) << c.Name;
    ASSERT_TRUE(watch.WaitFor("ready", 60000)) << c.Name;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double cpu = ProcessCpuMs();
    const auto at = std::chrono::steady_clock::now();
    calc.Break();
    const OstraTest::TRun r = calc.Finish();
    const double cpuMs = ProcessCpuMs() - cpu;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - at).count();
    EXPECT_EQ(r.Message, "Stopped") << c.Name;
    EXPECT_LT(cpuMs, 100 * OstraTest::SanitizerSlowdown) << c.Name << " (" << ms << " ms on the clock)";
    EXPECT_EQ(ArrayOf(calc, c.Input).size(), size_t(BigCount)) << c.Name;
    for (const auto& [name, values] : c.Unchanged)
      EXPECT_TRUE(ArrayOf(calc, name) == values) << c.Name << ": " << name;
  }
}

// Ctrl+C 1.5 s into the runner, during an fft of 2^23 points with a
// resolution increase of 2 (some seconds of work), as the last call and with
// more after it. On a busy machine the child may get little processor time
// after the interrupt: the bound holds for the best of three tries.
TEST(LongBreak, CtrlCToTheRunnerEndsAnFftWithin200ms) {
  for (const char* after : {"", ", println('after')"}) {
    const std::string program = Big("a") + "fft(0;a[];0;2;0;nm[];0;0;0)" + after;
    double best = 1e9;
    const double bound = 200 * OstraTest::SanitizerSlowdown;
    for (int attempt = 0; attempt < 3 && best >= bound; ++attempt) {
      const OstraTest::TCliRun r = OstraTest::RunCli({"-e", program}, {.InterruptAfterMs = 1500});
      EXPECT_EQ(r.Status, 1) << program << ": " << r.Out;
      EXPECT_EQ(r.Err, "Error: Stopped\n") << program;
      EXPECT_EQ(r.Out, "") << program;
      best = std::min(best, r.AfterInterruptMs);
    }
    EXPECT_LT(best, bound) << program;
  }
}

// Unbroken, the same calls complete and write their outputs.
TEST(LongBreak, UnbrokenCallsComplete) {
  TCalculator calc;
  const OstraTest::TRun r = calc.Run("nm[0]=7, " + Big("a") + "fft(0;a[];0;0;0;nm[];0;0;0)");
  EXPECT_FALSE(r.Error) << r.Message;
  const std::vector<double> nm = ArrayOf(calc, "nm");
  ASSERT_EQ(nm.size(), size_t(BigCount / 2));
  // F_0 = 2^24 (the sum) and F_N/2 = -2^23 share the first output.
  EXPECT_DOUBLE_EQ(nm[0], std::hypot(16777216.0, 8388608.0));
  const OstraTest::TRun m = calc.Run("m[0]=2, readmatrix(m[];'" + MatrixFile() + "')");
  EXPECT_EQ(m.Number(), 2000000);
  const std::vector<double> values = ArrayOf(calc, "m");
  ASSERT_EQ(values.size(), 10000000u);
  EXPECT_EQ(values[0], 1.25);
  EXPECT_EQ(values[9999999], 5.25);
}
