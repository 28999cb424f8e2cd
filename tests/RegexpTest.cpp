// The regular-expression matcher behind match: compilation, validity, the
// size limit of the compiled form, and searching.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "functions/Regexp.h"

using namespace TernioParser;
using namespace std::string_literals;

namespace {

struct TFindCase {
  std::string Pattern;
  std::string Subject;
  std::ptrdiff_t Pos;  // -1: no match
  size_t Length;
};

void ExpectFinds(std::initializer_list<TFindCase> cases) {
  for (const TFindCase& c : cases) {
    TRegexp re(c.Pattern);
    size_t len = 99;
    const std::ptrdiff_t pos = re.Find(c.Subject, 0, len);
    EXPECT_EQ(pos, c.Pos) << "pattern '" << c.Pattern << "' subject '" << c.Subject << "'";
    EXPECT_EQ(len, c.Length) << "pattern '" << c.Pattern << "' subject '" << c.Subject << "'";
  }
}

}  // namespace

TEST(Regexp, Validity) {
  const struct {
    std::string Pattern;
    TRegexp::TStatus Status;
  } cases[] = {
      {"", TRegexp::EmptyPattern},
      {"\nabc", TRegexp::EmptyPattern},  // the pattern ends at a newline
      {"\0abc"s, TRegexp::EmptyPattern},
      {"*a", TRegexp::MisplacedRepeat},
      {"+a", TRegexp::MisplacedRepeat},
      {"?a", TRegexp::MisplacedRepeat},
      {"^*a", TRegexp::MisplacedRepeat},
      {"^?", TRegexp::MisplacedRepeat},
      {"a**", TRegexp::MisplacedRepeat},
      {"a*+", TRegexp::MisplacedRepeat},
      {"a?*", TRegexp::MisplacedRepeat},
      {"a", TRegexp::Ok},
      {"^", TRegexp::Ok},
      {"$", TRegexp::Ok},
      {"^$", TRegexp::Ok},
      {"a$*", TRegexp::Ok},  // $ that is not last is a literal
      {"\\**", TRegexp::Ok},
      {"[*]*", TRegexp::Ok},
      {"a\n*", TRegexp::Ok},  // what follows the newline is not read
  };
  for (const auto& c : cases) EXPECT_EQ(TRegexp(c.Pattern).Status(), c.Status) << "pattern '" << c.Pattern << "'";
}

TEST(Regexp, CompiledFormIsLimitedTo128Bytes) {
  // Literals below 128 take one byte, literals of 128 and more two, a class
  // 17, a repetition marker one; the terminating zero counts.
  const std::string high(1, '\xE9');
  const std::string cls = "[a-z]";
  const struct {
    std::string Pattern;
    int Size;  // 0: too long
  } cases[] = {
      {std::string(127, 'a'), 128},
      {std::string(128, 'a'), 0},
      {std::string(126, 'a') + "*", 128},
      {std::string(127, 'a') + "*", 0},
      {[&] {
         std::string s;
         for (int i = 0; i < 63; ++i) s += high;
         return s;
       }(),
       127},
      {[&] {
         std::string s;
         for (int i = 0; i < 64; ++i) s += high;
         return s;
       }(),
       0},
      {[&] {
         std::string s;
         for (int i = 0; i < 7; ++i) s += cls;
         return s + std::string(8, 'x');
       }(),
       128},
      {[&] {
         std::string s;
         for (int i = 0; i < 7; ++i) s += cls;
         return s + std::string(9, 'x');
       }(),
       0},
      {"\\x41\\101\\t", 4},
      {"^a$", 4},
  };
  for (const auto& c : cases) {
    TRegexp re(c.Pattern);
    EXPECT_EQ(re.Status(), c.Size ? TRegexp::Ok : TRegexp::PatternTooLong) << c.Pattern;
    EXPECT_EQ(re.CompiledSize(), c.Size) << c.Pattern;
  }
  // A valid pattern of the full size still matches.
  size_t len = 0;
  EXPECT_EQ(TRegexp(std::string(127, 'a')).Find("b" + std::string(127, 'a'), 0, len), 1);
  EXPECT_EQ(len, 127u);
}

TEST(Regexp, LiteralsAnchorsAndAnyCharacter) {
  ExpectFinds({
      {"a", "bab", 1, 1},     {"ab", "", -1, 0},
      {"^", "", 0, 0},        {"$", "", 0, 0},
      {"^$", "", 0, 0},       {"a*", "", -1, 0},  // only the bare anchors match an empty subject
      {".", "", -1, 0},       {"^a", "ba", -1, 0},
      {"^b", "ba", 0, 1},     {"a^", "a^", 0, 2},     // ^ elsewhere is a literal
      {"$a", "x$a", 1, 2},                            // so is $ that is not last
      {"a$", "ab\na", 3, 1},  {"b$", "ab\nc", 1, 1},  // end of string also in front of a newline
      {"$", "ab", -1, 0},                             // start positions run up to the last byte only
      {"$", "ab\n", 2, 0},    {".", "\n", -1, 0},
      {".", "\nx", 1, 1},     {"a.c", "xabc", 1, 3},
      {"a.b", "a\0b"s, 0, 3},                           // a zero byte is data
      {"b", "a\0b"s, 2, 1},   {"\xE9", "i\xE9", 1, 1},  // a literal of 128 or more compares all 8 bits
  });
}

TEST(Regexp, CharacterClasses) {
  ExpectFinds({
      {"[abc]+", "xxbcay", 2, 3},
      {"[^a]", "aaa", -1, 0},  // never past the end
      {"[^a]", "ab", 1, 1},
      {"[-a]", "x-", 1, 1},
      {"[^-a]", "-ab", 2, 1},
      {"[a-c]+", "dcbad", 1, 3},
      {"[c-a]+", "dcbad", 1, 3},  // a range in either order
      {"[a-c-e]+", "fedcba", 1, 5},
      {"[a-]", "-", 0, 1},  // - before ] is a member
      {"[\\]]", "a]", 1, 1},
      {"[]a]", "]a]", -1, 0},  // an unescaped ] closes an empty class at once
      {"[^]a", "]a", 0, 2},    // and negated, the empty class takes every byte
      {"[\\n]", "a\n", 1, 1},
      {"[\\t-x]", "u", 0, 1},  // range ends are the raw characters t and x,
      {"[\\t-x]", "s", -1, 0},
      {"[\\t-x]", "\t", 0, 1},  // while the escape itself is a member
      {"[0-9]+\\s*km", "The length is 120 km and more", 14, 6},
      {"[abc", "xxc", 2, 1},   // a class may end at the end of the pattern
      {"[\\xE9]", "i", 0, 1},  // class members and tests are taken modulo 128
      {"[i]", "\xE9", 0, 1},
      {"[^\\x00]", "\0a"s, 1, 1},
      {"[^b]+", "a\0c"s, 0, 3},
  });
}

TEST(Regexp, Escapes) {
  ExpectFinds({
      {"\\.", "x.y", 1, 1},
      {"\\\\", "a\\b", 1, 1},
      {"a\\", "xa\\", 1, 2},  // a backslash at the end is literal
      {"\\b\\e\\f\\n\\r\\s\\t", "\b\x1b\f\n\r \t", 0, 7},
      {"\\B\\E\\F\\N\\R\\S\\T", "\b\x1b\f\n\r \t", 0, 7},
      {"\\x41", "zA", 1, 1},
      {"\\x41B", "AB\x1b", 2, 1},  // up to three hex digits: 0x41B, low 8 bits
      {"\\x4g", "\x04g", 0, 2},
      {"a\\x", "a\0"s, 0, 2},  // \x without digits is 0
      {"\\101", "A", 0, 1},
      {"\\1011", "A1", 0, 2},  // three octal digits at most
      {"\\0", "a\0"s, 1, 1},
      {"\\777", "\xff", 0, 1},
      {"\\^A\\^a\\^[", "\x01\x01\x1b", 0, 3},
      {"\\q\\*", "q*", 0, 2},
      {"\\8", "8", 0, 1},
  });
}

TEST(Regexp, Repetitions) {
  ExpectFinds({
      {"x*", "abc", 0, 0},
      {"a*", "aab", 0, 2},  // nothing follows: the longest run
      {"a*b", "aaab", 0, 4},
      {"a*ab", "aaab", 0, 4},  // backtracks one byte
      {"a*aab", "aaab", 0, 4},
      {"a+b", "b", -1, 0},
      {"a+", "baaa", 1, 3},
      {"a+ab", "aab", 0, 3},
      {"a+ab", "ab", -1, 0},
      {"a?b", "b", 0, 1},
      {"a?b", "ab", 0, 2},
      {"a?ab", "ab", -1, 0},  // ? is never retried without its item
      {"a?ab", "aab", 0, 3},
      {"[0-9]*\\.[0-9]+", "x 12.5 y", 2, 4},
      {".*x", "abxcx", 0, 5},
      {"a.*$", "xab\ncd", 1, 2},
      {"^.*$", "ab\ncd", 0, 2},
      {"b+$", "abb", 1, 2},
  });
}

TEST(Regexp, FindFromAStartPositionAndInvalidPatterns) {
  size_t len = 7;
  TRegexp ab("ab");
  EXPECT_EQ(ab.Find("abab", 1, len), 2);
  EXPECT_EQ(len, 2u);
  EXPECT_EQ(ab.Find("abab", 3, len), -1);
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(ab.Find("abab", 100, len), -1);
  // ^ matches only at position 0 of the subject, wherever the search starts.
  EXPECT_EQ(TRegexp("^a").Find("aa", 1, len), -1);
  // Invalid patterns never match.
  EXPECT_EQ(TRegexp("*a").Find("*a", 0, len), -1);
  EXPECT_EQ(TRegexp("").Find("", 0, len), -1);
  EXPECT_EQ(TRegexp(std::string(128, 'a')).Find(std::string(200, 'a'), 0, len), -1);
  EXPECT_EQ(len, 0u);
}

TEST(Regexp, NestedRepetitionsDoNotExplode) {
  // Sixteen stacked repetitions over a long run that cannot match: plain
  // backtracking would try every split of the run.
  std::string pattern;
  for (int i = 0; i < 16; ++i) pattern += "a*";
  pattern += "c";
  const std::string subject(3000, 'a');
  auto start = std::chrono::steady_clock::now();
  size_t len = 0;
  EXPECT_EQ(TRegexp(pattern).Find(subject, 0, len), -1);
  EXPECT_EQ(TRegexp(pattern).Find(subject + "c", 0, len), 0);
  EXPECT_EQ(len, 3001u);
  EXPECT_EQ(TRegexp("a?a?a?a?a?a?a*b+a*b*c").Find(subject + "bc", 0, len), 0);
  EXPECT_EQ(len, 3002u);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}

TEST(Regexp, StopRequestEndsALongSearch) {
  // A subject too long for the failure record: only the stop request ends
  // the search early.
  std::string pattern;
  for (int i = 0; i < 20; ++i) pattern += "a*";
  pattern += "c";
  const std::string subject(size_t(3) << 20, 'a');
  std::atomic<bool> stop{true};
  auto start = std::chrono::steady_clock::now();
  size_t len = 5;
  EXPECT_EQ(TRegexp(pattern).Find(subject, 0, len, &stop), -1);
  EXPECT_EQ(len, 0u);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}
