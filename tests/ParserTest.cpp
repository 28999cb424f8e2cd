// Lexical rules, grammar, parse errors with their positions, token records.

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine/Lexer.h"
#include "engine/Parser.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::Outcome;

struct TCase {
  const char* Program;
  const char* Expect;
};

TEST(Parser, ProgramsAndTheirOutcome) {
  const TCase cases[] = {
      // empty programs
      {"", "0"},
      {"   \n\t ", "0"},
      {"/* only a comment */", "0"},
      // comments
      {"/* a /* b */ c */ 1", "1"},
      {"/* a /* b */", "#Comment not closed"},
      {"1 /* x */ + /* y */ 2", "3"},
      {"4/2", "2"},
      // quoted texts and names
      {"'it''s'", "'it's'"},
      {"\"a b\"=3, \"a b\"*2", "6"},
      {"'line\nbreak'", "'line\nbreak'"},
      {"'open", "#Expression or identifier expected"},
      // numbers
      {"0x1F", "31"},
      {"0xffffffff", "-1"},
      {"0x80000000", "-2147483648"},
      {"0x123456789", "#Expression or identifier expected"},
      {"0x", "#Expression or identifier expected"},
      {"0b101", "5"},
      {"0b11111111111111111111111111111111", "-1"},
      {"0b111111111111111111111111111111111", "#Expression or identifier expected"},
      {"0b2", "#Expression or identifier expected"},
      // zeros before the prefix are read like any leading zeros
      {"00x1F", "31"},
      {"000xffffffff", "-1"},
      {"00x123456789", "#Expression or identifier expected"},
      {"00b101", "5"},
      {"00x", "#Expression or identifier expected"},
      {"1e5", "100000"},
      {"2e+x", "#Expression or identifier expected"},
      {"1 000", "#Unknown operator '0'"},
      {"0.5.3", "#Unknown operator '.'"},
      {"007", "7"},
      {".5", "0.5"},
      {"5.", "5"},
      {"1.e3", "1000"},
      {".", "#Expression or identifier expected"},
      // precedence and associativity
      {"-2^2", "4"},
      {"2^3^2", "64"},
      {"8/2/2", "2"},
      {"2*-3", "-6"},
      {"+3", "3"},
      {"1+2*3-4/2", "5"},
      {"1<2==1", "1"},
      {"1|0&0", "1"},
      {"a=b=1", "#Illegal operator"},
      {"3=1", "#Illegal operator"},
      {"(a)=1", "1"},
      {"a = 1 < 2, a", "1"},
      {"--1", "#Expression or identifier expected"},
      // calls
      {"define(f(x);x), f (3)", "3"},
      {"define(f(x);x), f /*c*/ (3)", "#Unknown operator '('"},
      {"define(f(x);x), f(1;2)", "#')' expected"},
      {"define(g(x;y);x), g(1)", "#';' expected"},
      {"define(f(x);x), f()", "#Expression or identifier expected"},
      {"h(1)", "#Unknown function"},
      {"Sin(0)", "#Unknown function"},
      {"1(2)", "#Syntax error"},
      {"'abc'[1]", "#Operator expected"},
      {"1[2]", "#Operator expected"},
      // operators where none is due
      {"2x", "#Unknown operator 'x'"},
      {"a[1][2]", "#Unknown operator '['"},
      {"(1)(2)", "#Unknown operator '('"},
      {"1 % 2", "#Unknown operator '%'"},
      {"!a", "#Expression or identifier expected"},
      // ends
      {"1+2)", "#End of expression expected"},
      {"1;2", "#End of expression expected"},
      {"(1+2", "#')' expected"},
      {"a[1", "#']' expected"},
      {"1*2+", "#Unexpected end of expression"},
      {"1*2>", "#Unexpected end of expression"},
      {"1*2==", "#Unexpected end of expression"},
      {"1^2>=", "#Unexpected end of expression"},
      {"1*2&", "#Unexpected end of expression"},
      {"1*2,", "#Unexpected end of expression"},
      {"t=1e20,", "#Unexpected end of expression"},
      {"a[1+=y==", "#Unexpected end of expression"},
      {"1+", "#Expression or identifier expected"},
      {"1,", "#Expression or identifier expected"},
      // names
      {"abcdefghijabcdefghijabcdefghijabcdefghijabcdefghi=1", "1"},
      {"abcdefghijabcdefghijabcdefghijabcdefghijabcdefghij=1", "#Expression or identifier expected"},
      {"a.b$=2, a.b$", "2"},
      {"a_b=1", "#Unknown operator '_'"},
  };
  for (const TCase& c : cases) OstraTest::ExpectEverywhere(c.Program, c.Expect);
}

struct TPosCase {
  const char* Program;
  const char* Message;
  int32_t TokenStart, ErrorPos;
};

// Each operator row makes a node that keeps the row's code, and the lexer
// reads the row's text as that row (a two-character operator as a whole).
TEST(Parser, OperatorRowsAgreeWithTheirNodesAndTheLexer) {
  for (const TOperatorRow& row : Operators()) {
    EXPECT_EQ(row.Create()->Code, row.Code) << row.Text;
    const std::string text = std::string(row.Text) + "1";
    TLexer lexer(text, nullptr);
    int first = 0;
    EXPECT_EQ(lexer.ReadOperator(first), &row) << row.Text;
    EXPECT_EQ(lexer.Offset(), static_cast<int32_t>(text.size()) - 1) << row.Text;
  }
}

TEST(Parser, ErrorPositions) {
  const TPosCase cases[] = {
      {"1 000", "Unknown operator '0'", 2, 3},
      {"x=2,\ny=3 3", "Unknown operator '3'", 9, 10},  // a line break is one character
      {"(1+2", "')' expected", -1, -1},                // read past the end
      {"a=b=1", "Illegal operator", -1, -1},           // detected after reading to the end
      {"h(1)", "Unknown function", 2, 2},
      {"1+2)", "End of expression expected", 3, 3},
      {"/* a", "Comment not closed", 0, -1},
  };
  for (const TPosCase& c : cases) {
    TVarHandler::TGlobalList globals;
    TParser p(&globals, StandardLayers());
    p.SetText(c.Program);
    EXPECT_FALSE(p.Parse(nullptr)) << c.Program;
    EXPECT_EQ(p.Message, c.Message) << c.Program;
    EXPECT_EQ(p.TokenStart, c.TokenStart) << c.Program;
    EXPECT_EQ(p.ErrorPos, c.ErrorPos) << c.Program;
  }
}

TEST(Parser, CarriageReturnsAreDropped) {
  TVarHandler::TGlobalList globals;
  TParser p(&globals, StandardLayers());
  p.SetText("x=2,\r\ny=3,\r\n3 3");
  EXPECT_EQ(p.Text, "x=2,\ny=3,\n3 3");
  EXPECT_FALSE(p.Parse(nullptr));
  EXPECT_EQ(p.ErrorPos, 13);
}

TEST(Parser, TokenRecords) {
  TVarHandler::TGlobalList globals;
  TParser p(&globals, StandardLayers());
  std::list<TCodePosInfo> tokens;
  //        0123456789012345678901234567890
  p.SetText("x=-1 /*c*/+a[2], if(x;'s';0)");
  ASSERT_TRUE(p.Parse(&tokens)) << p.Message;
  std::vector<TCodePosInfo> got(tokens.begin(), tokens.end());
  std::vector<TCodePosInfo> want = {
      {0, 0},  {1, 4},                                                         // x =
      {2, 2},  {3, 2},                                                         // sign, 1
      {5, 6},  {10, 4},                                                        // comment, +
      {11, 0}, {12, 1}, {13, 2}, {14, 1},                                      // a [ 2 ]
      {15, 4},                                                                 // ,
      {17, 3}, {19, 1}, {20, 0}, {21, 1}, {22, 5}, {25, 1}, {26, 2}, {27, 1},  // if ( x ; 's' ; 0 )
  };
  EXPECT_EQ(got, want);
}

TEST(Parser, DefinitionTokensGoToTheSameList) {
  TVarHandler::TGlobalList globals;
  TParser p(&globals, StandardLayers());
  std::list<TCodePosInfo> tokens;
  p.SetText("define(f(a[]);a[0])");
  ASSERT_TRUE(p.Parse(&tokens)) << p.Message;
  int functionNames = 0, variables = 0;
  for (auto& t : tokens) {
    functionNames += t.Kind == 3;
    variables += t.Kind == 0;
  }
  EXPECT_EQ(functionNames, 2);  // define and f
  EXPECT_EQ(variables, 2);      // the parameter and a in the body
  std::vector<TCodePosInfo> head(tokens.begin(), std::next(tokens.begin(), 4));
  std::vector<TCodePosInfo> want = {{0, 3}, {6, 1}, {7, 3}, {8, 1}};  // define ( f (
  EXPECT_EQ(head, want);
  EXPECT_EQ(tokens.back().Kind, 1);
  EXPECT_EQ(tokens.back().Position, 18);
}

TEST(Parser, ReusedTokenListHoldsOnlyTheLastParse) {
  // The editor parses into the same list after every keystroke: whatever the
  // list held before, it ends with exactly the records a fresh list gets,
  // also after a parse error and for an empty text.
  TVarHandler::TGlobalList globals;
  TParser p(&globals, StandardLayers());
  auto fresh = [&](const std::string& text) {
    std::list<TCodePosInfo> tokens;
    p.SetText(text);
    p.Parse(&tokens);
    return std::vector<TCodePosInfo>(tokens.begin(), tokens.end());
  };
  const std::string texts[] = {
      "define(f(a[];b); a[0]+b), x=f(v[];2), 'text' /* comment */",
      "y=1",
      "define(g(u); u*2), g(3)+1, z=(4",
      "",
      "a[1]=2, b=a[1]*3, if(b>2; 'yes'; 'no')",
  };
  std::list<TCodePosInfo> reused;
  for (const std::string& text : texts) {
    const std::vector<TCodePosInfo> want = fresh(text);
    p.SetText(text);
    p.Parse(&reused);
    EXPECT_EQ(std::vector<TCodePosInfo>(reused.begin(), reused.end()), want) << text;
    EXPECT_EQ(want.empty(), text.empty()) << text;
  }
}

TEST(Parser, DeepNestingIsAParseErrorNotACrash) {
  for (std::string open : {"(", "-(", "a[", "define(f(x);"}) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += open;
    TVarHandler::TGlobalList globals;
    TParser p(&globals, StandardLayers());
    p.SetText(text);
    EXPECT_FALSE(p.Parse(nullptr)) << open;
    EXPECT_EQ(p.Message, "Expression nested too deeply") << open;
  }
}

TEST(Parser, ReasonableNestingWorks) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "(1+";
  text += "1";
  for (int i = 0; i < 500; ++i) text += ")";
  EXPECT_EQ(Outcome(text), "501");
}

TEST(Parser, LongFlatProgramsParseBindAndRun) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "x=1+2*3,\n";
  text += "x";
  TVarHandler::TGlobalList globals;
  {
    TParser p(&globals, StandardLayers());
    p.SetText(text);
    EXPECT_TRUE(p.Parse(nullptr)) << p.Message;
    p.Prepare();
  }
  EXPECT_EQ(Outcome(text), "7");
}
