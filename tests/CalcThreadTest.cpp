// The calculation thread and its run protocol: Global panel first, Break,
// runaway recursion, result display.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "TestSupport.h"
#include "engine/UserFunctions.h"

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
  calc.Break();  // a stop requested before the run...
  auto r = calc.Run(program);           // ...is cleared by the run request
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
