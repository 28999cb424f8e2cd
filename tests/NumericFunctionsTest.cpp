// Bit, conversion, elementary and run-time functions, run as programs.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "TestSupport.h"
#include "functions/Numeric.h"

using namespace TernioParser;
using OstraTest::Describe;

namespace {

struct TNumCase {
  const char* Program;
  const char* Expect;
};

// Checks every case, and its value in every context that uses it.
void ExpectOutcomes(std::initializer_list<TNumCase> cases) {
  for (const TNumCase& c : cases) OstraTest::ExpectEverywhere(c.Program, c.Expect);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

TEST(NumericFunctions, BitFunctionsUseLow32BitsOfTruncatedValues) {
  ExpectOutcomes({
      {"shl(1;31)", "-2147483648"}, {"shl(1;32)", "1"},  // only the low five bits of the count
      {"shl(1;-1)", "-2147483648"},                      // -1 shifts by 31
      {"shl(3;2.9)", "12"},         {"shl(-1;4)", "-16"},         {"shr(-1;0)", "-1"},
      {"shr(-1;1)", "2147483647"},  // logical: zeros come in
      {"shr(-2147483648;31)", "1"}, {"shr(256;36)", "16"},        {"and(-1;255)", "255"},
      {"and('12abc';10)", "8"},     {"and(4294967295;-1)", "-1"}, {"or(4294967296;1)", "1"},
      {"or(0/0;5)", "5"},    // not-a-number counts as 0
      {"or(1e300;6)", "6"},  // beyond the 64-bit range: 0
      {"or(-4294967296.5;3)", "3"}, {"xor(3.9;1)", "2"},          {"xor(-1;1)", "-2"},
      {"xor(-3.9;0)", "-3"},  // truncation toward zero
  });
}

TEST(NumericFunctions, NumberAndStringConversions) {
  ExpectOutcomes({
      {"number('1')+number('2')", "3"},
      {"number('abc')", "0"},
      {"number(' 12abc')", "12"},
      {"number('1e3x')", "1000"},
      {"number(-7.25)", "-7.25"},
      {"string(1)+string(2)", "'12'"},
      {"string('x y')", "'x y'"},
      {"string(1/3)", "'0.333333333333333'"},
      {"string(1e20)", "'1e+20'"},
      {"string(100)", "'100'"},
      {"string(number('0.5'))", "'0.5'"},
      {"s='abc', t=string(s), s+='d', t", "'abc'"},  // a copy, not a view of s
  });
}

TEST(NumericFunctions, ElementaryFunctions) {
  ExpectOutcomes({
      {"pi()==3.141592653589793", "1"},
      {"sin('0')", "0"},
      {"sin(pi()/2)", "1"},
      {"cos(0)", "1"},
      {"abs(tan(pi()/4)-1)<1e-15", "1"},
      {"sinh(0)", "0"},
      {"cosh(0)", "1"},
      {"tanh(1000)", "1"},
      {"arcsin(1)*2==pi()", "1"},
      {"arccos(-1)==pi()", "1"},
      {"arctan(1)*4==pi()", "1"},
      {"exp(1)", "2.71828182845905"},
      {"log(exp(2))", "2"},
      {"abs('-2.5x')", "2.5"},
      {"abs(-0)", "0"},
      {"floor(-1.5)", "-2"},
      {"floor(2.7)", "2"},
      {"ceil(-1.5)", "-1"},
      {"ceil(2.1)", "3"},
      {"mod(-7;3)", "-1"},
      {"mod(7.5;2)", "1.5"},
      {"mod(7;-3)", "1"},
      {"x=mod(1;0), x==x", "0"},  // not-a-number
      {"sig(0)", "0"},
      {"sig(-0.1)", "-1"},
      {"sig(5)", "1"},
      {"sig(0/0)", "0"},
      {"not(0)", "1"},
      {"not(0.5)", "0"},
      {"not('0')", "1"},
      {"not(0/0)", "0"},
      {"sqrt(0)", "0"},
      {"sqrt(2.25)", "1.5"},
      {"sqrt('9')", "3"},
      {"sqrt(1/0)==1/0", "1"},
  });
}

TEST(NumericFunctions, DomainErrorsGiveLibraryValuesWithoutMessages) {
  ExpectOutcomes({
      {"log(0)<-1e308", "1"},
      {"x=log(-1), x==x", "0"},
      {"x=arcsin(2), x==x", "0"},
      {"x=arccos(-1.5), x==x", "0"},
      {"exp(1000)==1/0", "1"},
  });
}

TEST(NumericFunctions, SqrtRefusesNegativeAndNotANumber) {
  ExpectOutcomes({
      {"sqrt(-0.0001)", "!Sqrt: negative argument not allowed"},
      {"sqrt(0/0)", "!Sqrt: negative argument not allowed"},
      {"sqrt('-4')", "!Sqrt: negative argument not allowed"},
      // An argument's own error stands; sqrt adds none of its own.
      {"sqrt(-1+x)", "!Variable x has no value"},
      {"y=-4, sqrt(y), z", "!Sqrt: negative argument not allowed"},
  });
  auto r = OstraTest::RunProgram("println('a'), sqrt(-1), println('b')");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Output, "a\n");  // nothing runs after the error
}

TEST(NumericFunctions, HexConversions) {
  ExpectOutcomes({
      {"dez2hex(10)", "'A'"},
      {"dez2hex(-1)", "'FFFFFFFF'"},
      {"dez2hex(0)", "'0'"},
      {"dez2hex(255.9)", "'FF'"},
      {"dez2hex(-255)", "'FFFFFF01'"},
      {"dez2hex('31')", "'1F'"},
      {"dez2hex(4294967296+171)", "'AB'"},
      {"dez2hex(-2147483648)", "'80000000'"},
      {"dez2hex(0/0)", "'0'"},
      {"hex2dez('a')", "10"},
      {"hex2dez('ffffffff')", "-1"},
      {"hex2dez(' ff')", "255"},
      {"hex2dez('7FFFFFFF')", "2147483647"},
      {"hex2dez('80000000')", "-2147483648"},
      {"hex2dez('1g7')", "1"},  // scanning stops at the first non-digit
      {"hex2dez('0x1F')", "31"},
      {"hex2dez('-10')", "-16"},
      {"hex2dez('123456789')", "591751049"},  // low 32 bits of 0x123456789
      {"hex2dez('xyz')", "0"},
      {"hex2dez('')", "0"},
      {"hex2dez(dez2hex(-12345))", "-12345"},
      {"hex2dez(string(10))", "16"},
      {"hex2dez(10)", "!HexDez: String expected"},
      {"hex2dez(0)", "!HexDez: String expected"},
      {"hex2dez(q)", "!Variable q has no value"},
  });
  EXPECT_EQ(ScanHex(std::string_view("1\0"
                                     "2",
                                     3)),
            1);  // a zero byte ends the number
}

TEST(NumericFunctions, ArgumentCountsAreCheckedAtParseTime) {
  for (const char* program :
       {"pi(1)", "sin()", "sin(1;2)", "mod(1)", "shl(1;2;3)", "random(1)", "gettime(0)", "hex2dez()", "sleep()"}) {
    auto r = OstraTest::RunProgram(program);
    EXPECT_FALSE(r.ParseOk) << program;
  }
  EXPECT_EQ(Describe(OstraTest::RunProgram("Sin(0)")), "#Unknown function");
}

TEST(NumericFunctions, RandomFollowsTheGeneratorAcrossRuns) {
  // A fresh calculation thread starts the sequence at state 1; later runs on
  // the same thread continue it. Expected values: s = s*22695477+1 (mod 2^32),
  // result ((s>>16)&0x7FFF)/32767.
  OstraTest::TCalculator calc;
  auto first = calc.Run("random()");
  ASSERT_FALSE(first.Error) << first.Message;
  EXPECT_EQ(first.Number(), 346 / 32767.0);
  EXPECT_EQ(calc.Run("random()").Number(), 130 / 32767.0);
  auto r = calc.Run("a=random()*32767, b=random()*32767, c=random()*32767, string(a)+' '+string(b)+' '+string(c)");
  EXPECT_EQ(r.Text(), "10982 1090 11656");

  auto range = calc.Run(
      "lo=1, hi=0, s=0, for(i=0;i<20000;i+=1; r=random(), s+=r, if(r<lo;lo=r;0), if(r>hi;hi=r;0)),"
      "string(lo)+' '+string(hi)+' '+string(s/20000)");
  ASSERT_FALSE(range.Error) << range.Message;
  double lo = 0, hi = 0, mean = 0;
  ASSERT_EQ(sscanf(range.Text().c_str(), "%lf %lf %lf", &lo, &hi, &mean), 3);
  EXPECT_GE(lo, 0.0);
  EXPECT_LE(hi, 1.0);
  EXPECT_LT(lo, 0.01);
  EXPECT_GT(hi, 0.99);
  EXPECT_NEAR(mean, 0.5, 0.02);
}

TEST(NumericFunctions, SleepAndGettime) {
  OstraTest::TCalculator calc;
  auto r = calc.Run("t=gettime(), s=sleep(120), d=gettime()-t, string(s)+' '+string(d)+' '+string(t>=0)");
  ASSERT_FALSE(r.Error) << r.Message;
  int s = 0, d = 0, nonNegative = 0;
  ASSERT_EQ(sscanf(r.Text().c_str(), "%d %d %d", &s, &d, &nonNegative), 3) << r.Text();
  EXPECT_EQ(s, 1);
  EXPECT_GE(d, 119);
  EXPECT_LT(d, 2000);
  EXPECT_EQ(nonNegative, 1);

  EXPECT_EQ(Describe(calc.Run("sleep(0)")), "1");
  // A failing argument means no wait at all.
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Describe(calc.Run("x=100000+y, sleep(x)")), "!Variable y has no value");
  EXPECT_EQ(Describe(calc.Run("sleep(100000+y)")), "!Variable y has no value");
  EXPECT_LT(Seconds(start), 5.0);
}

TEST(NumericFunctions, BreakEndsALongSleep) {
  // A huge count and -1 (the largest unsigned count) both wait until Break.
  for (const char* program : {"sleep(100000000), 5", "sleep(-1)"}) {
    OstraTest::TCalculator calc;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(calc.Start(program));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    calc.Break();
    auto r = calc.Finish();
    EXPECT_LT(Seconds(start), 10.0) << program;
    EXPECT_GE(Seconds(start), 0.14) << program;
    // Also as the last statement: a stopped run never looks finished.
    EXPECT_TRUE(r.Error) << program;
    EXPECT_EQ(r.Message, "Stopped") << program;
  }
}
