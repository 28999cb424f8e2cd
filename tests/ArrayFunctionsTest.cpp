// Array and statistics functions, run as programs: results, the arrays they
// leave behind, parse-time argument checks and run-time messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace TernioParser;
using OstraTest::ArrayOf;
using OstraTest::RunProgram;
using OstraTest::TCalculator;

namespace {

const double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

struct TCase {
  const char* Program;
  double Result;      // NaN: the result must be not-a-number
  const char* Array;  // array to check afterwards, or null
  std::vector<double> Elements;
};

// Programs that set up a = 3, 1, 2 and s = 10 .. 14.
#define A312 "a[0]=3, a[1]=1, a[2]=2, "
#define S5 "s[0]=10, s[1]=11, s[2]=12, s[3]=13, s[4]=14, "

const TCase Cases[] = {
    // length: strings in bytes, arrays in elements
    {"length('')", 0, nullptr, {}},
    {"length('abc'+'de')", 5, nullptr, {}},
    {"x='hello', length(x)", 5, nullptr, {}},
    {"length(a[])", 0, nullptr, {}},
    {"a[4]=1, length(a[])", 5, nullptr, {}},
    {"a[4]=1, length(a[3])", 5, nullptr, {}},
    // clear
    {"a[3]=1, clear(a[])", 1, "a", {}},
    {"a[3]=1, clear(a[2]), length(a[])", 0, "a", {}},
    // mean: plain average; 0 for an empty array
    {"a[0]=1, a[1]=2, a[2]=6, mean(a[])", 3, nullptr, {}},
    {"mean(a[])", 0, nullptr, {}},
    // stddev: root mean square about zero
    {"a[0]=3, a[1]=4, stddev(a[])", std::sqrt(12.5), nullptr, {}},
    {"a[0]=-2, stddev(a[])", 2, nullptr, {}},
    {"stddev(a[])", NaN, nullptr, {}},
    // minimum and maximum
    {"a[0]=1, a[1]=5, a[2]=3, arraymax(a[])", 5, nullptr, {}},
    {"a[0]=-3, a[1]=-1, a[2]=-2, arraymax(a[])", -1, nullptr, {}},
    {"a[0]=4, a[1]=2, a[2]=8, arraymin(a[])", 2, nullptr, {}},
    {"arraymax(a[])", -Inf, nullptr, {}},
    {"arraymin(a[])", Inf, nullptr, {}},
    // positions: the first of equal extremes; not-a-number never wins
    {"a[0]=1, a[1]=5, a[2]=5, a[3]=2, seekmax(a[])", 1, nullptr, {}},
    {"a[0]=2, a[1]=1, a[2]=1, seekmin(a[])", 1, nullptr, {}},
    {"a[0]=0/0, a[1]=-7, a[2]=3, seekmax(a[])", 2, nullptr, {}},
    {"a[0]=0/0, a[1]=-7, a[2]=3, seekmin(a[])", 1, nullptr, {}},
    {"a[0]=-1, a[1]=-1/0, seekmin(a[])", 1, nullptr, {}},
    {"seekmax(a[])", 0, nullptr, {}},
    {"seekmin(a[])", 0, nullptr, {}},
    // append: one number, or a whole array (the index is ignored)
    {"append(a[];7)", 1, "a", {7}},
    {"a[0]=1, append(a[];'2.5')", 2, "a", {1, 2.5}},
    {"a[0]=1, a[1]=2, append(a[];b[])", 2, "a", {1, 2}},
    {"a[0]=1, b[0]=3, b[1]=4, append(a[];b[7])", 3, "a", {1, 3, 4}},
    {"a[0]=1, a[1]=2, append(a[];a[])", 4, "a", {1, 2, 1, 2}},
    {"a[0]=1, append(a[];1+1), append(a[];a[0]*3)", 3, "a", {1, 2, 3}},
    // arraycopy: t[i] = s[start+i], cut at the end of s
    {S5 "arraycopy(t[];s[];1;2)", 2, "t", {11, 12}},
    {S5 "t[9]=1, arraycopy(t[];s[];2;10)", 3, "t", {12, 13, 14}},
    {S5 "t[0]=1, arraycopy(t[];s[];7;2)", 0, "t", {}},
    {S5 "arraycopy(t[];s[];-3;2)", 2, "t", {10, 11}},
    {S5 "t[0]=1, arraycopy(t[];s[];0;-1)", 0, "t", {}},
    {S5 "arraycopy(t[];s[];4.9;1.9)", 1, "t", {14}},
    {S5 "arraycopy(s[];s[];2;2)", 2, "s", {12, 13}},
    // sort: b gets the positions in ascending order of value; a stays
    {A312 "sort(a[];b[])", 3, "b", {1, 2, 0}},
    {A312 "sort(a[];b[]), a[0]*100+a[1]*10+a[2]", 312, "a", {3, 1, 2}},
    {A312 "sort(a[];a[])", 3, "a", {1, 2, 0}},
    {A312 "b[5]=9, sort(c[];b[])", 0, "b", {}},
    {"a[0]=2, a[1]=1, a[2]=2, a[3]=1, sort(a[];b[])", 4, "b", {1, 3, 0, 2}},
    {"a[0]=0/0, a[1]=1, a[2]=-1/0, sort(a[];b[])", 3, "b", {2, 1, 0}},
    // scroll: a buffer of the newest values, newest last
    {"a[0]=1, a[1]=2, a[2]=3, a[3]=4, scroll(a[];9;3)", 3, "a", {3, 4, 9}},
    {"a[0]=1, scroll(a[];9;3)", 2, "a", {1, 9}},
    {"scroll(a[];'5';1)", 1, "a", {5}},
    {"a[0]=1, a[1]=2, scroll(a[];9;1)", 1, "a", {9}},
    {"a[0]=1, a[1]=2, scroll(a[];9;-4)", 0, "a", {}},
    {"for(i=0;i<10;i+=1; scroll(a[];i;4)), length(a[])", 4, "a", {6, 7, 8, 9}},
};

void PrintTo(const TCase& c, std::ostream* os) { *os << c.Program; }

class ArrayFunctions : public ::testing::TestWithParam<TCase> {};

TEST_P(ArrayFunctions, ResultAndArray) {
  const TCase& c = GetParam();
  TCalculator calc;
  OstraTest::TRun r = calc.Run(c.Program);
  ASSERT_TRUE(r.ParseOk) << r.ParseMessage;
  ASSERT_FALSE(r.Error) << r.Message;
  ASSERT_FALSE(r.Result.IsString);
  if (std::isnan(c.Result)) {
    EXPECT_TRUE(std::isnan(r.Number())) << r.Number();
  } else {
    EXPECT_EQ(r.Number(), c.Result);
  }
  if (c.Array) {
    EXPECT_EQ(ArrayOf(calc, c.Array), c.Elements);
  }
  OstraTest::ExpectInEveryContext(c.Program, r);
}

INSTANTIATE_TEST_SUITE_P(Table, ArrayFunctions, ::testing::ValuesIn(Cases));

struct TErrorCase {
  const char* Program;
  bool AtParse;         // the parser refuses the arguments
  const char* Message;  // the run-time message ("" for the bare error state)
};

const TErrorCase Errors[] = {
    // parse-time argument checks
    {"clear(5)", true, "Illegal argument"},
    {"append(1;2)", true, "Illegal argument"},
    {"append(length(a[]);2)", true, "Illegal argument"},
    {"t=1, arraycopy(t;s[];0;1)", true, "Illegal argument"},
    {"arraycopy(t[];3;0;1)", true, "Illegal argument"},
    {"sort(1;b[])", true, "Illegal argument"},
    {"sort(a[];2)", true, "Illegal argument"},
    // run-time messages
    {"length(5)", false, "Length: Array or string expected"},
    {"x=3, length(x)", false, "Length: Array or string expected"},
    {"x=1, clear(x)", false, "Clear: Array expected"},
    {"mean(3)", false, "Mean: Array expected"},
    {"x=1, mean(x)", false, "Mean: Array expected"},
    {"stddev('a')", false, "StdDev: Array expected"},
    {"x=1, stddev(x)", false, "StdDev: Array expected"},
    {"arraymax(3)", false, "arraymax: Array expected"},
    {"x=1, arraymax(x)", false, "arraymax: Array expected"},
    {"seekmax(3)", false, "seekmax: Array expected"},
    {"seekmin(3)", false, "seekmin: Array expected"},
    {"x=1, seekmin(x)", false, "seekmin: Array expected"},
    {"arraymin(3)", false, "arraymin: Variable expected"},
    {"x=1, arraymin(x)", false, "arraymin: Not an array"},
    {"x=1, append(x;2)", false, "Append: First argument is not an array"},
    {"x=1, sort(x;b[])", false, "Sort: First argument is not an array"},
    {"y=1, sort(a[];y)", false, "Sort: Second argument is not an array"},
    {"x=1, scroll(x;1;2)", false, "Scroll: Array expected as 1st argument"},
    {"scroll(5;1;2)", false, "Scroll: Array expected as 1st argument"},
    // a name bound as a scalar first names no array
    {"x=1, length(x[])", false, ""},
    {"x=1, mean(x[])", false, ""},
    {"x=1, arraymax(x[])", false, ""},
    {"x=1, arraymin(x[])", false, ""},
    {"x=1, seekmin(x[])", false, ""},
    {"x=1, seekmax(x[])", false, ""},
    {"x=1, clear(x[])", false, "Clear: Array expected"},
    {"x=1, stddev(x[])", false, "StdDev: Array expected"},
    {"x=1, append(x[];1)", false, "Append: First argument is not an array"},
    {"x=1, append(a[];x[])", false, "Append: Second argument is not an array"},
    {"x=1, arraycopy(x[];s[];0;1)", false, "ArrayCopy: First argument is not an array"},
    {"x=1, arraycopy(t[];x[];0;1)", false, "ArrayCopy: Second argument is not an array"},
    {"x=1, sort(x[];b[])", false, "Sort: First argument is not an array"},
    {"x=1, sort(a[];x[])", false, "Sort: Second argument is not an array"},
    {"x=1, scroll(x[];1;2)", false, "Scroll: Array expected as 1st argument"},
    // errors in the evaluated arguments stand
    {"append(a[];y)", false, "Variable y has no value"},
    {"arraycopy(t[];s[];q;1)", false, "Variable q has no value"},
    {"arraycopy(t[];s[];0;q)", false, "Variable q has no value"},
    {"length(a[2])", false, "Illegal array element access in array a"},
};

void PrintTo(const TErrorCase& c, std::ostream* os) { *os << c.Program; }

class ArrayFunctionErrors : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(ArrayFunctionErrors, Message) {
  const TErrorCase& c = GetParam();
  OstraTest::TRun r = RunProgram(c.Program);
  if (c.AtParse) {
    EXPECT_FALSE(r.ParseOk);
    EXPECT_EQ(r.ParseMessage, c.Message);
    return;
  }
  ASSERT_TRUE(r.ParseOk) << r.ParseMessage;
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, c.Message);
  OstraTest::ExpectInEveryContext(c.Program, r);
}

INSTANTIATE_TEST_SUITE_P(Table, ArrayFunctionErrors, ::testing::ValuesIn(Errors));

// A failing argument leaves the arrays as they were.
TEST(ArrayFunctionsState, FailedArgumentsChangeNothing) {
  TCalculator calc;
  OstraTest::TRun r = calc.Run("a[0]=1, a[1]=2, scroll(a[];5;z)");
  EXPECT_EQ(r.Message, "Variable z has no value");
  EXPECT_EQ(ArrayOf(calc, "a"), (std::vector<double>{1, 2}));

  r = calc.Run(S5 "t[0]=8, arraycopy(t[];s[];q;1)");
  EXPECT_EQ(r.Message, "Variable q has no value");
  EXPECT_EQ(ArrayOf(calc, "t"), (std::vector<double>{8}));
}

// Elements a function drops are gone for good: growing the array again
// brings back zeros, not the old values.
TEST(ArrayFunctionsState, ShortenedArraysRefillWithZeros) {
  TCalculator calc;
  OstraTest::TRun r = calc.Run(S5 "t[0]=1, t[1]=2, t[2]=3, t[3]=4, arraycopy(t[];s[];0;1), t[3]=9");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(ArrayOf(calc, "t"), (std::vector<double>{10, 0, 0, 9}));

  r = calc.Run("b[0]=5, b[1]=6, b[2]=7, a[0]=1, sort(a[];b[]), b[2]=1");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(ArrayOf(calc, "b"), (std::vector<double>{0, 0, 1}));
}

// sort on a larger array: b is a permutation that orders a, equal values in
// the order of their positions.
TEST(ArrayFunctionsState, SortOrdersLargeArrayStably) {
  TCalculator calc;
  OstraTest::TRun r =
      calc.Run("for(i=0;i<3000;i+=1; a[i]=if(i<1500; 2999-2*i; (i-1500)*(i-1500)/1000)), sort(a[];b[])");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 3000);
  const std::vector<double> a = ArrayOf(calc, "a");
  const std::vector<double> b = ArrayOf(calc, "b");
  ASSERT_EQ(b.size(), 3000u);
  std::vector<double> expected(3000);
  std::iota(expected.begin(), expected.end(), 0.0);
  std::stable_sort(expected.begin(), expected.end(), [&](double x, double y) {
    return a[static_cast<size_t>(x)] < a[static_cast<size_t>(y)];
  });
  EXPECT_EQ(b, expected);
}

// Statistics over many elements, against the same sums taken here.
TEST(ArrayFunctionsState, StatisticsOverManyElements) {
  TCalculator calc;
  OstraTest::TRun r = calc.Run(
      "for(i=0;i<1000;i+=1; a[i]=(i-400)*(i-400)/7-300), "
      "m=mean(a[]), d=stddev(a[]), lo=arraymin(a[]), hi=arraymax(a[]), "
      "m*0+seekmin(a[])*10000+seekmax(a[])");
  ASSERT_FALSE(r.Error) << r.Message;
  const std::vector<double> a = ArrayOf(calc, "a");
  ASSERT_EQ(a.size(), 1000u);
  EXPECT_EQ(r.Number(), 400 * 10000 + 999);
  double sum = 0, squares = 0;
  for (double x : a) sum += x, squares += x * x;
  TVarEntry* m = static_cast<TVarEntry*>(calc.Main().Vars.Find("m"));
  TVarEntry* d = static_cast<TVarEntry*>(calc.Main().Vars.Find("d"));
  TVarEntry* lo = static_cast<TVarEntry*>(calc.Main().Vars.Find("lo"));
  TVarEntry* hi = static_cast<TVarEntry*>(calc.Main().Vars.Find("hi"));
  EXPECT_EQ(m->Number(), sum / 1000);
  EXPECT_EQ(d->Number(), std::sqrt(squares / 1000));
  EXPECT_EQ(lo->Number(), -300);
  EXPECT_EQ(hi->Number(), 599.0 * 599 / 7 - 300);
}

}  // namespace
