// Formatting, cutting, joining, searching, comparing and matching strings,
// run as programs.

#include <gtest/gtest.h>

#include <chrono>

#include "TestSupport.h"
#include "functions/Strings.h"

using namespace TernioParser;
using OstraTest::Describe;
using namespace std::string_literals;

namespace {

struct TStrCase {
  const char* Program;
  std::string Expect;  // may hold zero bytes
};

// Checks every case, and its value in every context that uses it.
void ExpectOutcomes(std::initializer_list<TStrCase> cases) {
  for (const TStrCase& c : cases) OstraTest::ExpectEverywhere(c.Program, c.Expect);
}

}  // namespace

TEST(StringFunctions, NumberFormatting) {
  ExpectOutcomes({
      {"str(10000.6;6;4)", "' 1e+04'"},
      {"str(1;-5;3)", "'1    '"},
      {"str(123456;0;3)", "'1.23e+05'"},
      {"str(0.0001;1;3)", "'0.0001'"},
      {"str(0.00001;1;3)", "'1e-05'"},
      {"str(2.5;0;0)", "'2'"},
      {"str(1/3;0;-1)", "'0.333333'"},  // negative precision: 6
      {"str('12.5x';6;3)", "'  12.5'"},
      {"strblank(10.6;8;4)", "' 10.6000'"},
      {"strzero(10.6;8;4)", "'010.6000'"},
      {"strzero(-1.5;6;2)", "'0-1.50'"},    // zeros go in front of the sign
      {"strzero(1.5;-8;2)", "'1.50    '"},  // left-aligned: no leading blanks
      {"strzero(3;1;0)", "'3'"},
      {"strblank(-2.25;7;1)", "'   -2.2'"},
      {"strblank(1;3;-3)", "'1.000000'"},
      {"strblank(4294967296+5;3;1)", "'4294967301.0'"},
      {"strzero(7;4294967300;0)", "'0007'"},  // width: low 32 bits of the count
  });
}

TEST(StringFunctions, FormattedResultsAreCutAt255Bytes) {
  TFormatBuffer buf;
  EXPECT_EQ(FormatNumber(buf, 'f', 1, 100000, 2, false), std::string(255, ' '));
  EXPECT_EQ(FormatNumber(buf, 'f', 1, 100000, 2, true), std::string(255, '0'));
  EXPECT_EQ(FormatNumber(buf, 'f', 1, -300, 2, true), "1.00" + std::string(251, ' '));
  EXPECT_EQ(FormatNumber(buf, 'g', -2.5e-7, -9, 3, true), "-2.5e-07 ");
  const std::string digits(FormatNumber(buf, 'f', 1.0 / 3, 0, 2000000000, false));
  EXPECT_EQ(digits.size(), 255u);
  EXPECT_EQ(digits.substr(0, 8), "0.333333");
  // Extreme widths and precisions finish at once instead of formatting
  // gigabytes.
  auto start = std::chrono::steady_clock::now();
  auto r = OstraTest::RunProgram("a=str(1;2000000000;2000000000), b=strzero(1e300;-2147483648;2147483647), a+b");
  EXPECT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Text().size(), 510u);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
}

TEST(StringFunctions, CuttingJoiningSearching) {
  ExpectOutcomes({
      {"substr('hugo';1;2)", "'ug'"},
      {"substr('hugo';4;1)", "''"},
      {"substr('hugo';1;-1)", "'ugo'"},
      {"substr('hugo';0;100)", "'hugo'"},
      {"substr('hugo';9;1)", "''"},
      {"substr('hugo';-1;2)", "''"},
      {"substr('hugo';1.9;1.9)", "'u'"},
      {"substr(12345;1;3)", "'234'"},
      {"substr('a'+chr(0)+'bc';1;2)", "'\0b'"s},
      {"concat(1;2)", "'12'"},
      {"concat('ab';'cd')", "'abcd'"},
      {"concat('';'')", "''"},
      {"concat(chr(0);0.5)",
       "'\0"
       "0.5'"s},
      {"s='x', t=concat(s;s), s+='y', t+s", "'xxxy'"},
      {"findstr('hugo';'ug')", "1"},
      {"findstr('hugo';'')", "0"},
      {"findstr('hugo';'x')", "-1"},
      {"findstr('';'')", "0"},
      {"findstr('';'a')", "-1"},
      {"findstr(12345;34)", "2"},
      {"findstr('a'+chr(0)+'b';'b')", "2"},
      {"findstr('a'+chr(0)+'b';chr(0))", "1"},
      {"findstr('abcabc';'ca')", "2"},
  });
}

TEST(StringFunctions, SingleBytes) {
  ExpectOutcomes({
      {"asc('x')", "120"},
      {"asc(65)", "54"},  // the digit 6 of the text 65
      {"asc('')", "0"},
      {"asc(chr(200))", "200"},
      {"asc(chr(-1))", "255"},
      {"chr(65)", "'A'"},
      {"chr(321)", "'A'"},
      {"chr(65.9)", "'A'"},
      {"chr(13)", "'\r'"},
      {"chr('66')", "'B'"},
      {"chr(0)", "'\0'"s},  // the zero byte is data
      {"chr(256)", "'\0'"s},
      {"asc(chr(0)+'A')", "0"},
      {"xorstr('')", "0"},
      {"xorstr('ab')", "3"},
      {"xorstr(chr(128)+chr(1))", "-127"},
      {"xorstr(chr(127))", "127"},
      {"xorstr(chr(255)+chr(0))", "-1"},
      {"xorstr(12)", "3"},
  });
}

TEST(StringFunctions, Comparisons) {
  ExpectOutcomes({
      {"strcmp('alpha';'egon')", "-4"},
      {"strcmp('a';'ab')", "-1"},
      {"strcmp('ab';'a')", "1"},
      {"strcmp('b';'a')", "1"},
      {"strcmp('abc';'abc')", "0"},
      {"strcmp('';'')", "0"},
      {"strcmp(chr(200);'a')", "103"},  // bytes are unsigned
      {"strcmp(10;9)", "-8"},
      {"strcmp('a'+chr(0);'a')", "1"},
      {"strcmp('a'+chr(0)+'b';'a'+chr(0)+'c')", "-1"},
      {"strcmp('A';'a')", "-32"},
      {"stricmp('Alpha';'alpha')", "0"},
      {"stricmp('ABC';'abd')", "-1"},
      {"stricmp('a';'ab')", "-66"},  // the end counts as a zero byte
      {"stricmp('abc';'A')", "66"},
      {"stricmp('b';'A')", "1"},
      {"stricmp('_';'a')", "30"},            // letters are compared upper-cased
      {"stricmp(chr(233);chr(201))", "32"},  // only ASCII letters change case
      {"stricmp('a'+chr(0);'a')", "1"},
      {"stricmp('a'+chr(0)+'x';'A'+chr(0)+'X')", "0"},
      {"stricmp('a'+chr(0)+'x';'A'+chr(0)+'z')", "-2"},
  });
}

TEST(StringFunctions, Match) {
  ExpectOutcomes({
      {"match('The length is 120 km and more';'[0-9]+\\s*km')", "'120 km'"},
      {"match('abc';'x*')", "''"},  // an empty match gives the empty string
      {"match('aaab';'a*b')", "'aaab'"},
      {"match('ab';'a?ab')", "''"},
      {"match('x.y';'\\.')", "'.'"},
      {"match('line1'+chr(10)+'line2';'1$')", "'1'"},
      {"match('line1'+chr(10)+'line2';'^l.*')", "'line1'"},
      {"match('aba';'[^a]')", "'b'"},
      {"match('bca';'[^a]+$')", "''"},
      {"match('Value: 0x1F;';'0x[0-9A-F]+')", "'0x1F'"},
      {"match(12345;'3.')", "'34'"},
      {"match('a'+chr(0)+'b';'a.b')", "'a\0b'"s},
      {"match('abc';'')", "''"},  // invalid patterns match nothing
      {"match('*abc';'*a')", "''"},
      {"match('abc';'^*a')", "''"},
      {"match('';'^$')", "''"},
  });
}

TEST(StringFunctions, ArgumentErrorsStandAndStopTheRun) {
  ExpectOutcomes({
      {"substr(x;0;1)", "!Variable x has no value"},
      {"concat('a';y)", "!Variable y has no value"},
      {"match('a';p)", "!Variable p has no value"},
      {"findstr(s;'a')", "!Variable s has no value"},
      {"strcmp('a';t)", "!Variable t has no value"},
      {"asc(u)", "!Variable u has no value"},
      {"chr(v)", "!Variable v has no value"},
      {"str(1;2;w)", "!Variable w has no value"},
      {"a[0]=1, asc(a[3])", "!Illegal array element access in array a"},
  });
  for (const char* program : {"str(1;2)", "substr('a';1)", "concat('a')", "asc()", "chr(1;2)", "match('a')"})
    EXPECT_FALSE(OstraTest::RunProgram(program).ParseOk) << program;
}

TEST(StringFunctions, RepeatedCallsOnAGrowingText) {
  // The argument slots are reused from call to call while the text they
  // were given keeps changing.
  auto r = OstraTest::RunProgram(
      "s='', for(i=0;i<5000;i+=1; s+=chr(65+mod(i;26)), n=findstr(s;'Z'), c=asc(s), m=strcmp(s;'A'),"
      " t=concat(s;'!')), string(n)+' '+string(c)+' '+string(m)+' '+substr(s;4998;5)+substr(t;5000;1)");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Text(), "25 65 1 GH!");
}
