// Values, conversions, variables and variable stores.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "engine/Variables.h"

using namespace TernioParser;

TEST(Conversions, TextToNumberReadsTheLongestDecimalPrefix) {
  struct {
    const char* text;
    double value;
  } cases[] = {
      {"abc", 0},
      {" 12abc", 12},
      {"1e3x", 1000},
      {"", 0},
      {"  -2.5e-1", -0.25},
      {".5", 0.5},
      {"+7", 7},
      {"1e", 1},
      {"12 34", 12},
  };
  for (auto& c : cases) EXPECT_EQ(TextToNumber(c.text), c.value) << c.text;
}

TEST(Conversions, NumberToTextHasAtMost15SignificantDigits) {
  struct {
    double value;
    const char* text;
  } cases[] = {
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {1e20, "1e+20"},
      {100, "100"},
      {-0.0001, "-0.0001"},
      {0.00001, "1e-05"},
      {123456789012345678.0, "1.23456789012346e+17"},
      {0, "0"},
      {-3, "-3"},
  };
  for (auto& c : cases) EXPECT_EQ(NumberToText(c.value), c.text) << c.value;
}

TEST(Conversions, IntegerValueTruncatesAndKeepsTheLow32Bits) {
  struct {
    double value;
    int32_t expect;
  } cases[] = {
      {3.9, 3},
      {-3.9, -3},
      {0.5, 0},
      {4294967296.0 + 5, 5},
      {2147483648.0, INT32_MIN},
      {-1, -1},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), 0},
      {1e300, 0},
  };
  for (auto& c : cases) EXPECT_EQ(IntegerValue(c.value), c.expect) << c.value;
}

TEST(ReturnValue, StoringKeepsTheTypeAndCopiesShareNothingVisible) {
  TReturnValue v;
  EXPECT_FALSE(v.IsString);
  EXPECT_EQ(v.Number, 0);
  v.SetString("12");
  EXPECT_TRUE(v.IsString);
  EXPECT_EQ(v.AsNumber(), 12);
  TReturnValue copy = v;
  v.Text.Append("3");
  EXPECT_EQ(copy.AsString(), "12");
  EXPECT_EQ(v.AsString(), "123");
  v.SetNumber(2.5);
  EXPECT_FALSE(v.IsString);
  EXPECT_TRUE(v.Text.IsEmpty());
  EXPECT_EQ(v.AsString(), "2.5");
}

TEST(Text, ZeroBytesAreData) {
  TText t(std::string_view("a\0b", 3));
  EXPECT_EQ(t.Size(), 3u);
  t.Append(std::string_view("\0", 1));
  EXPECT_EQ(t.Str(), std::string("a\0b\0", 4));
}

TEST(VarEntry, ScalarLifecycle) {
  TVarHandler vars(nullptr);
  TVarEntry& e = *vars.FindScalar("x");
  EXPECT_FALSE(e.HasValue);
  e.SetString("12");
  EXPECT_TRUE(e.IsString);
  EXPECT_EQ(e.Number(), 12);
  // Put aside, as a call does, and given back.
  vars.SaveAll();
  EXPECT_FALSE(e.HasValue);
  EXPECT_TRUE(vars.RestoreAll());
  EXPECT_TRUE(e.IsString);
  EXPECT_EQ(e.Text.Str(), "12");
  e.Clear();
  EXPECT_FALSE(e.HasValue);
  EXPECT_EQ(e.Number(), 0);
}

TEST(ArrayEntry, GrowsInStepsOf128) {
  TArrayEntry a("a");
  EXPECT_TRUE(a.SetElement(5, 7));
  EXPECT_EQ(a.Count, 6);
  EXPECT_EQ(a.Capacity, 128);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a.GetElement(i), 0);
  for (int i = 0; i < 128; ++i) a.SetElement(i, i);
  EXPECT_EQ(a.Capacity, 128);
  a.SetElement(128, 1);
  EXPECT_EQ(a.Count, 129);
  EXPECT_EQ(a.Capacity, 256);
  EXPECT_FALSE(a.SetElement(-1, 1));
  EXPECT_EQ(a.GetElement(129), 0);
}

TEST(ArrayEntry, ShrinkingAndGrowingAgainReadsZeros) {
  TArrayEntry a("a");
  for (int i = 0; i < 1000; ++i) a.SetElement(i, 9);
  a.SetLength(10);
  EXPECT_EQ(a.Capacity, 128);
  a.SetLength(500);
  EXPECT_EQ(a.Capacity, 512);
  EXPECT_EQ(a.GetElement(9), 9);  // below the old capacity: kept
  EXPECT_EQ(a.GetElement(127), 9);
  EXPECT_EQ(a.GetElement(128), 0);  // beyond the shrunken capacity: zero
  EXPECT_EQ(a.GetElement(499), 0);
  a.Clear();
  EXPECT_EQ(a.Count, 0);
  EXPECT_EQ(a.Capacity, 0);
  EXPECT_EQ(a.Data, nullptr);
}

TEST(ArrayEntry, AppendToItself) {
  TArrayEntry a("a");
  for (int i = 0; i < 100; ++i) a.SetElement(i, i);
  EXPECT_EQ(a.Append(a), 200);
  EXPECT_EQ(a.GetElement(150), 50);
  TArrayEntry c("c");
  EXPECT_EQ(c.Append(a), 200);
  EXPECT_EQ(c.GetElement(199), 99);
}

TEST(VarHandler, LocalsAndGlobals) {
  TVarHandler::TGlobalList globals;
  {
    TVarHandler a(&globals), b(&globals);
    TVarEntry* ax = a.FindScalar("x");
    TVarEntry* bx = b.FindScalar("x");
    EXPECT_NE(ax, bx);  // plain names are local to their store
    TVarEntry* ag = a.FindScalar("$g");
    TVarEntry* bg = b.FindScalar("$g");
    EXPECT_EQ(ag, bg);  // $ names are shared
    EXPECT_EQ(globals.size(), 1u);
    EXPECT_EQ(a.FindArray("x"), nullptr);  // the first binding decides the kind
    EXPECT_NE(a.FindArray("arr"), nullptr);
    a.Release();
    EXPECT_EQ(globals.size(), 1u);  // b still holds $g
    b.Release();
    EXPECT_TRUE(globals.empty());
  }
}

TEST(VarHandler, SaveAndRestoreNest) {
  TVarHandler s(nullptr);
  TVarEntry* x = s.FindScalar("x");
  TArrayEntry* a = s.FindArray("a");
  x->SetNumber(1);
  a->SetElement(0, 10);
  s.SaveAll();
  EXPECT_FALSE(x->HasValue);
  EXPECT_EQ(a->Count, 0);
  x->SetString("inner");
  a->SetElement(3, 1);
  s.SaveAll();
  x->SetNumber(3);
  EXPECT_TRUE(s.RestoreAll());
  EXPECT_EQ(x->Text.Str(), "inner");
  EXPECT_EQ(a->Count, 4);
  EXPECT_TRUE(s.RestoreAll());
  EXPECT_EQ(x->Number(), 1);
  EXPECT_EQ(a->GetElement(0), 10);
  EXPECT_EQ(a->Count, 1);
  EXPECT_FALSE(s.RestoreAll());  // fewer saved entries than locals
  EXPECT_EQ(x->Number(), 1);
}

// The desktop application runs under the user's locale; numbers in programs,
// texts and files always use the point.
TEST(Conversions, IgnoreTheProcessLocale) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(NumberToText(0.5), "0.5");
  EXPECT_EQ(TextToNumber("1.5"), 1.5);
  EXPECT_EQ(OstraTest::Outcome("x=1.25, string(x)+' '+str(x;1;3)+' '+strzero(x;6;2)"), "'1.25 1.25 001.25'");
  std::setlocale(LC_ALL, saved.c_str());
}
