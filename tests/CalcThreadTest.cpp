// The calculation thread and its run protocol: Global panel first, Break,
// runaway recursion, result display.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "TestSupport.h"
#include "engine/RunController.h"
#include "engine/UserFunctions.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::TCalculator;

TEST(CalcThread, EmptyProgramsGiveZero) {
  TCalculator calc;
  auto r = calc.Run("", "");
  EXPECT_FALSE(r.Error);
  EXPECT_FALSE(r.Result.IsString);
  EXPECT_EQ(r.Number(), 0);
}

TEST(CalcThread, AnErrorInTheGlobalPanelSkipsThePanel) {
  TCalculator calc;
  auto r = calc.Run("println('ran'), 1", "y");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, "Variable y has no value");
  EXPECT_EQ(r.Output, "");
}

TEST(CalcThread, PrintGoesOutInOrder) {
  TCalculator calc;
  auto r = calc.Run("print('b'), println('c'), print(5), 1", "print('a')");
  EXPECT_EQ(r.Output, "abc\n5");
  // The argument's error stops the run; the text of the slot still goes out.
  r = calc.Run("a = print('x'), a");
  EXPECT_EQ(r.Number(), 1);
  r = calc.Run("print(v)");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, "Variable v has no value");
  EXPECT_EQ(r.Output, "0");
}

// Break while the program is busy in each kind of loop; every one ends with
// "Stopped".
TEST(CalcThread, BreakStopsEveryLoop) {
  const char* programs[] = {
      "for(i=0;1;i+=1;0)",
      "while(1;0)",
      "define(f(n);f(n)+1), f(0)",                               // (ends at the stack guard or at Break)
      "define(fib(n); if(n<2; n; fib(n-1)+fib(n-2))), fib(80)",  // a body in its fast form
      "a[100000]=1, while(1; foreach(i;a[];0))",
      "define(spin(x); while(1;0)), spin(1)",
  };
  for (const char* p : programs) {
    TCalculator calc;
    ASSERT_TRUE(calc.Start(p));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto t0 = std::chrono::steady_clock::now();
    calc.Break();
    auto r = calc.Finish();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    if (r.Result.IsString && r.Text() == "Stack Overflow") continue;
    EXPECT_TRUE(r.Error) << p;
    EXPECT_EQ(r.Message, "Stopped") << p;
    EXPECT_LT(ms, 1000) << p;
  }
}

TEST(CalcThread, BreakRightAfterTheRequestIsNotLost) {
  for (int i = 0; i < 20; ++i) {
    TCalculator calc;
    ASSERT_TRUE(calc.Start("while(1;0)"));
    calc.Break();
    auto r = calc.Finish();
    EXPECT_EQ(r.Message, "Stopped");
  }
}

TEST(CalcThread, CommaChainNoticesBreak) {
  std::string program = "x=0";
  for (int i = 0; i < 2000; ++i) program += ", x+=1";
  TCalculator calc;
  calc.Break();                // a stop requested before the run...
  auto r = calc.Run(program);  // ...is cleared by the run request
  EXPECT_FALSE(r.Error);
  EXPECT_EQ(r.Number(), 2000);
}

TEST(CalcThread, RunawayRecursionIsAResultNotACrash) {
  TCalculator calc;
  auto r = calc.Run("define(r(n); r(n+1)), r(0)");
  EXPECT_FALSE(r.Error) << r.Message;
  ASSERT_TRUE(r.Result.IsString);
  EXPECT_EQ(r.Text(), "Stack Overflow");
  // Every store is consistent again: the function's saved locals are gone and
  // the next run works normally.
  TFunctionDef* def = calc.Main().Registry->Find("r");
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->Body->Engine->Vars.SavedCount(), 0u);
  r = calc.Run("define(d(n); if(n<=0; 0; 1+d(n-1))), d(1000)");
  EXPECT_FALSE(r.Error);
  EXPECT_EQ(r.Number(), 1000);
}

TEST(CalcThread, RunawayRecursionWithArraysGivesTheCallerItsArrayBack) {
  TCalculator calc;
  auto r = calc.Run("define(f(a[];n); a[0]=n, f(a[];n+1)), x[0]=-1, $r=f(x[];1)", "");
  EXPECT_EQ(r.Text(), "Stack Overflow");
  TFunctionDef* def = calc.Main().Registry->Find("f");
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->Body->Engine->Vars.SavedCount(), 0u);
}

TEST(CalcThread, DeepRecursionWorks) {
  TCalculator calc;
  auto r = calc.Run("define(d(n); if(n<=0; 0; 1+d(n-1))), d(100000)");
  EXPECT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 100000);
}

TEST(CalcThread, GlobalPanelOverflowDoesNotStopThePanel) {
  TCalculator calc;
  auto r = calc.Run("7", "define(r(n); r(n+1)), r(0)");
  EXPECT_FALSE(r.Error);
  EXPECT_EQ(r.Number(), 7);
}

TEST(RunController, PlacesOfOffsets) {
  struct {
    const char* Text;
    size_t Offset;
    int Line, Column;
  } cases[] = {
      {"", 0, 1, 1},
      {"abc", 2, 1, 3},
      {"abc", 3, 1, 4},
      {"abc", 99, 1, 4},  // past the end: the end
      {"a\nbc", 2, 2, 1},
      {"a\nbc", 3, 2, 2},
      {"a\r\nb\rc", 3, 2, 1},  // carriage returns take no column
      {"a\r\nb\rc", 5, 2, 2},
      {"\n\n\n", 3, 4, 1},
  };
  for (const auto& c : cases) {
    const TTextPlace p = PlaceOf(c.Text, c.Offset);
    EXPECT_EQ(p.Line, c.Line) << c.Text << " @" << c.Offset;
    EXPECT_EQ(p.Column, c.Column) << c.Text << " @" << c.Offset;
  }
}

TEST(RunController, ParseResults) {
  struct {
    const char* Program;
    const char* Message;  // empty: it parses
    int32_t Start, End;
    int Line, Column;
  } cases[] = {
      {"1+2", "", 0, 0, 1, 1},
      {"1 000", "Unknown operator '0'", 2, 3, 1, 3},
      {"x=2,\r\ny=3 3", "Unknown operator '3'", 9, 10, 2, 5},  // offsets without the carriage return
      {"(1+2", "')' expected", 4, 4, 1, 5},                    // read past the end
      {"x=1,\n(1+2", "')' expected", 9, 9, 2, 5},
      {"h(1)", "Unknown function", 2, 2, 1, 3},
      {"/* a\n b", "Comment not closed", 0, 7, 1, 1},
  };
  TRunController run(StandardLayers());
  for (const auto& c : cases) {
    const TParseResult r = run.Parse(1, c.Program);
    EXPECT_EQ(r.Ok, !*c.Message) << c.Program;
    EXPECT_EQ(r.Message, c.Message) << c.Program;
    if (!*c.Message) continue;
    EXPECT_EQ(r.Start, c.Start) << c.Program;
    EXPECT_EQ(r.End, c.End) << c.Program;
    EXPECT_EQ(r.Line, c.Line) << c.Program;
    EXPECT_EQ(r.Column, c.Column) << c.Program;
    EXPECT_EQ(run.Parsed(1).Message, c.Message) << c.Program;
  }
}

// Every way a run ends, through the waiter and through the host's handler.
TEST(RunController, OutcomesByValue) {
  std::mutex lock;
  std::condition_variable toldChanged;
  std::optional<TRunOutcome> told;
  TRunEvents events;
  events.Finished = [&](const TRunOutcome& o) {
    std::lock_guard<std::mutex> g(lock);
    told = o;
    toldChanged.notify_all();
  };
  TRunController run(StandardLayers(), events);
  ASSERT_TRUE(run.Resume());
  struct {
    const char* Global;
    const char* Program;
    TRunStatus Status;
    const char* Message;
    const char* Result;
  } cases[] = {
      {"", "6*7", TRunStatus::Finished, "", "42"},
      {"$g='kept'", "t=$g+'!', t", TRunStatus::Finished, "", "kept!"},
      {"", "y", TRunStatus::Failed, "Variable y has no value", ""},
      {"z", "1", TRunStatus::Failed, "Variable z has no value", ""},
      {"", "while(1;0)", TRunStatus::Stopped, "Stopped", ""},
  };
  for (const auto& c : cases) {
    {
      std::lock_guard<std::mutex> g(lock);
      told.reset();
    }
    ASSERT_TRUE(run.Parse(0, c.Global).Ok);
    ASSERT_TRUE(run.Parse(1, c.Program).Ok);
    ASSERT_TRUE(run.Start());
    if (c.Status == TRunStatus::Stopped) run.Break();
    const std::optional<TRunOutcome> o = run.WaitFor(std::chrono::seconds(10));
    ASSERT_TRUE(o.has_value()) << c.Program;
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(o->Status, c.Status) << c.Program;
    EXPECT_EQ(o->Message, c.Message) << c.Program;
    if (!o->Error()) {
      EXPECT_EQ(o->Result().AsString(), c.Result) << c.Program;
    }
    // The handler is told just after the waiter.
    std::unique_lock<std::mutex> g(lock);
    ASSERT_TRUE(toldChanged.wait_for(g, std::chrono::seconds(10), [&] { return told.has_value(); })) << c.Program;
    EXPECT_EQ(told->Status, o->Status) << c.Program;
    EXPECT_EQ(told->Message, o->Message) << c.Program;
    EXPECT_EQ(told->Text, o->Text) << c.Program;
  }
}

// A start that cannot happen still ends in an outcome: no waiter hangs.
TEST(RunController, RefusedStartsEndAtOnce) {
  TRunController run(StandardLayers());
  ASSERT_TRUE(run.Resume());
  ASSERT_FALSE(run.Parse(0, "1+").Ok);
  ASSERT_TRUE(run.Parse(1, "1").Ok);
  EXPECT_FALSE(run.CanStart());
  EXPECT_FALSE(run.Start());
  std::optional<TRunOutcome> o = run.WaitFor(std::chrono::seconds(1));
  ASSERT_TRUE(o.has_value());
  EXPECT_EQ(o->Status, TRunStatus::Failed);
  EXPECT_EQ(o->Message, run.Parsed(0).Message);

  ASSERT_TRUE(run.Parse(0, "").Ok);
  run.EndThread();
  EXPECT_FALSE(run.Start());
  o = run.WaitFor(std::chrono::seconds(1));
  ASSERT_TRUE(o.has_value());
  EXPECT_TRUE(o->Error());
}

// Break from another thread at any moment around the start of a run stops
// that run: the request is kept from Start on.
TEST(RunController, BreakRacingTheStartIsNotLost) {
  TRunController run(StandardLayers());
  ASSERT_TRUE(run.Resume());
  ASSERT_TRUE(run.Parse(1, "while(1;0)").Ok);
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(run.Start());
    std::thread breaker([&] {
      // A different moment each time, from at once to a few microseconds.
      std::this_thread::sleep_for(std::chrono::microseconds(i % 20 * 10));
      run.Break();
    });
    const std::optional<TRunOutcome> o = run.WaitFor(std::chrono::seconds(10));
    breaker.join();
    ASSERT_TRUE(o.has_value()) << "run " << i << " did not stop";
    EXPECT_EQ(o->Status, TRunStatus::Stopped);
    EXPECT_EQ(o->Message, "Stopped");
  }
}

TEST(ResultDisplay, Radixes) {
  struct {
    double value;
    TRadix radix;
    const char* text;
  } cases[] = {
      {255, TRadix::Hexadecimal, "FF"},
      {-1, TRadix::Hexadecimal, "FFFFFFFF"},
      {3.9, TRadix::Hexadecimal, "3"},
      {-3.9, TRadix::Hexadecimal, "FFFFFFFD"},
      {2147483648.0, TRadix::Hexadecimal, "Number too large, display in decimal mode"},
      {-2147483648.0, TRadix::Hexadecimal, "80000000"},
      {0, TRadix::Hexadecimal, "0"},
      {0, TRadix::Binary, "0"},
      {6, TRadix::Binary, "110"},
      {5, TRadix::Binary, "101"},
      {-1, TRadix::Binary, "11111111111111111111111111111111"},
      {NAN, TRadix::Binary, "Number too large, display in decimal mode"},
      {2147483648.0, TRadix::Decimal, "2147483648"},
      {1.0 / 3, TRadix::Decimal, "0.333333333333333"},
  };
  for (auto& c : cases) {
    TReturnValue v;
    v.SetNumber(c.value);
    EXPECT_EQ(FormatResult(v, c.radix), c.text) << c.value;
  }
  TReturnValue s;
  s.SetString("12");
  EXPECT_EQ(FormatResult(s, TRadix::Binary), "12");
}
