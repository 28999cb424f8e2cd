// Text files and matrix text files, on real files in a temporary folder.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace TernioParser;
using OstraTest::ArrayOf;
using OstraTest::ReadBytes;
using OstraTest::RunProgram;
using OstraTest::WriteBytes;
using OstraTest::TCalculator;

namespace {

// Replaces every @ in a program by the temporary folder.
class FileFunctions : public ::testing::Test {
protected:
  std::string P(const std::string& name) const { return Dir + "/" + name; }
  std::string Program(const std::string& text) const {
    std::string out;
    for (char c : text) {
      if (c == '@') out += Dir + "/";
      else out += c;
    }
    return out;
  }
  OstraTest::TRun Run(const std::string& text) { return RunProgram(Program(text)); }
  OstraTest::TRun Run(TCalculator& calc, const std::string& text) { return calc.Run(Program(text)); }

  OstraTest::TTempDir Temp;
  const std::string& Dir = Temp.Path;
};

TEST_F(FileFunctions, WriteAppendReadKeepBytes) {
  OstraTest::TRun r = Run("filewrite('@t.txt';'a'+chr(13)+chr(10))");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 1);
  EXPECT_EQ(ReadBytes(P("t.txt")), "a\r\n");

  r = Run("fileappend('@t.txt';'bc'), fileappend('@t.txt';1/4)");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 1);
  EXPECT_EQ(ReadBytes(P("t.txt")), "a\r\nbc0.25");

  r = Run("fileread('@t.txt')");
  ASSERT_FALSE(r.Error) << r.Message;
  ASSERT_TRUE(r.Result.IsString);
  EXPECT_EQ(r.Text(), "a\r\nbc0.25");

  // filewrite empties an existing file first
  r = Run("filewrite('@t.txt';'xy')");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(ReadBytes(P("t.txt")), "xy");

  // fileappend creates a missing file
  r = Run("fileappend('@new.txt';'first')");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(ReadBytes(P("new.txt")), "first");
}

TEST_F(FileFunctions, ReadAndWriteBinaryContent) {
  std::string bin("A\0B\r\n\xff\x80\n", 8);
  WriteBytes(P("bin"), bin);
  OstraTest::TRun r = Run("s=fileread('@bin'), filewrite('@copy';s), length(s)");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 8);
  EXPECT_EQ(ReadBytes(P("copy")), bin);

  r = Run("fileread('@bin')");
  EXPECT_EQ(r.Text(), bin);

  WriteBytes(P("empty"), "");
  r = Run("fileread('@empty')");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_TRUE(r.Result.IsString);
  EXPECT_EQ(r.Text(), "");
}

TEST_F(FileFunctions, ExistsOnlyForFiles) {
  WriteBytes(P("here"), "x");
  mkdir(P("sub").c_str(), 0700);
  // a file another program holds open for writing counts as well
  std::ofstream held(P("held"), std::ios::binary);
  held << "partial";
  held.flush();
  struct TCase {
    const char* Program;
    double Result;
  } cases[] = {
      {"fileexists('@here')", 1},
      {"fileexists('@held')", 1},
      {"fileexists('@sub')", 0},
      {"fileexists('@missing')", 0},
      {"fileexists('@sub/')", 0},
      {"fileexists('')", 0},
  };
  for (const TCase& c : cases) {
    OstraTest::TRun r = Run(c.Program);
    EXPECT_FALSE(r.Error) << c.Program << ": " << r.Message;
    EXPECT_EQ(r.Number(), c.Result) << c.Program;
  }
}

TEST_F(FileFunctions, Errors) {
  mkdir(P("sub").c_str(), 0700);
  struct TCase {
    const char* Program;
    const char* Message;  // @ stands for the folder
  } cases[] = {
      {"fileread('@missing.txt')", "FileRead: Error opening file '@missing.txt'."},
      {"fileread('@sub')", "FileRead: Error opening file '@sub'."},
      {"filewrite('@nodir/x.txt';'a')", "FileWrite: Error writing to file '@nodir/x.txt'."},
      {"filewrite('@sub';'a')", "FileWrite: Error writing to file '@sub'."},
      {"filewrite('/dev/full';'a')", "FileWrite: Error writing to file '/dev/full'."},
      {"fileappend('@nodir/x.txt';'a')", "FileAppend: Error writing to file +'@nodir/x.txt'."},
      {"fileappend('/dev/full';'a')", "FileAppend: Error writing to file '/dev/full'."},
      // errors in the arguments stand, and nothing is written
      {"filewrite('@never.txt';y)", "Variable y has no value"},
      {"fileappend('@never.txt';y)", "Variable y has no value"},
      {"fileread(y)", "Variable y has no value"},
  };
  for (const TCase& c : cases) {
    OstraTest::TRun r = Run(c.Program);
    ASSERT_TRUE(r.ParseOk) << c.Program << ": " << r.ParseMessage;
    EXPECT_TRUE(r.Error) << c.Program;
    EXPECT_EQ(r.Message, Program(c.Message)) << c.Program;
    EXPECT_EQ(r.Number(), 0) << c.Program;
  }
  EXPECT_FALSE(std::filesystem::exists(P("never.txt")));
}

// Files of 4 GiB or more are refused (a sparse file takes no room).
TEST_F(FileFunctions, FilesOf4GiBAreRefused) {
  WriteBytes(P("big"), "");
  ASSERT_EQ(truncate(P("big").c_str(), 4LL << 30), 0);
  OstraTest::TRun r = Run("fileread('@big')");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, Program("FileRead: File '@big' is too large."));
  r = Run("readmatrix(r[];'@big')");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, "ReadMatrix: Input file too large.");
}

// A name with a zero byte inside names no file; it must not be cut short at
// the zero byte and reach another file.
TEST_F(FileFunctions, NameWithZeroByteIsRefused) {
  WriteBytes(P("name"), P("victim") + std::string("\0.txt", 5));
  WriteBytes(P("victim"), "keep");
  OstraTest::TRun r = Run("n=fileread('@name'), filewrite(n;'lost')");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(ReadBytes(P("victim")), "keep");
  r = Run("n=fileread('@name'), fileexists(n)");
  EXPECT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 0);
  r = Run("n=fileread('@name'), fileread(n)");
  EXPECT_TRUE(r.Error);
}

TEST_F(FileFunctions, WriteMatrixFormat) {
  struct TCase {
    const char* Program;
    const char* Bytes;
  } cases[] = {
      // column by column; the last column is short
      {"d[0]=1, d[1]=2, d[2]=3, writematrix('@m';d[];2)", "1\t3\r\n2\t\r\n"},
      {"for(i=0;i<7;i+=1; d[i]=i+1), writematrix('@m';d[];3)", "1\t4\t7\r\n2\t5\t\r\n3\t6\t\r\n"},
      {"d[0]=1, d[1]=2, writematrix('@m';d[];1)", "1\r\n2\r\n"},
      {"d[0]=1, d[1]=2, writematrix('@m';d[];4)", "1\t2\t\t\r\n"},
      {"d[0]=5, writematrix('@m';d[];2.9)", "5\t\r\n"},
      // 10 significant digits in the engine's number form
      {"d[0]=1/3, d[1]=-0.5, d[2]=123456789012, d[3]=1e-7, d[4]=2/3*1e20, writematrix('@m';d[];1)",
       "0.3333333333\r\n-0.5\r\n1.23456789e+11\r\n1e-07\r\n6.666666667e+19\r\n"},
      // an empty array gives an empty file
      {"writematrix('@m';d[];3)", ""},
  };
  for (const TCase& c : cases) {
    WriteBytes(P("m"), "old contents");
    OstraTest::TRun r = Run(c.Program);
    ASSERT_TRUE(r.ParseOk) << c.Program << ": " << r.ParseMessage;
    EXPECT_FALSE(r.Error) << c.Program << ": " << r.Message;
    EXPECT_EQ(r.Number(), 0) << c.Program;
    EXPECT_EQ(ReadBytes(P("m")), c.Bytes) << c.Program;
  }
}

// writematrix replaces the file a name stands for once the text is
// complete: the name, its mode and the links to it stay, and no other file
// is left in the folder.
TEST_F(FileFunctions, WriteMatrixReplacesTheFileTheNameStandsFor) {
  const auto names = [&] {
    std::vector<std::string> n;
    for (const auto& e : std::filesystem::directory_iterator(Dir)) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
  };
  const auto mode = [](const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode;
  };
  WriteBytes(P("m"), "old contents");
  ASSERT_EQ(::chmod(P("m").c_str(), 0640), 0);
  EXPECT_FALSE(Run("d[0]=1, writematrix('@m';d[];1)").Error);
  EXPECT_EQ(ReadBytes(P("m")), "1\r\n");
  EXPECT_EQ(mode(P("m")) & 07777, 0640u);

  // Through a link: the link stays and the file it leads to changes.
  ASSERT_EQ(::symlink("m", P("link").c_str()), 0);
  EXPECT_FALSE(Run("d[0]=2, writematrix('@link';d[];1)").Error);
  EXPECT_TRUE(S_ISLNK(mode(P("link"))));
  EXPECT_EQ(ReadBytes(P("m")), "2\r\n");

  // A file with a second name: both names see the new text.
  ASSERT_EQ(::link(P("m").c_str(), P("second").c_str()), 0);
  EXPECT_FALSE(Run("d[0]=3, writematrix('@m';d[];1)").Error);
  EXPECT_EQ(ReadBytes(P("second")), "3\r\n");

  // A new file gets the mode of any new file.
  EXPECT_FALSE(Run("filewrite('@plain';1), d[0]=4, writematrix('@new';d[];1)").Error);
  EXPECT_EQ(ReadBytes(P("new")), "4\r\n");
  EXPECT_EQ(mode(P("new")), mode(P("plain")));
  EXPECT_EQ(names(), (std::vector<std::string>{"link", "m", "new", "plain", "second"}));
}

TEST_F(FileFunctions, ReadMatrixLayout) {
  struct TCase {
    const char* Bytes;
    double Lines;
    std::vector<double> Elements;
  } cases[] = {
      // what writematrix wrote: the short column is padded with 0
      {"1\t3\r\n2\t\r\n", 2, {1, 2, 3, 0}},
      {"1 2\r\n3 4\r\n", 2, {1, 3, 2, 4}},
      // lines ending in line feeds only are one line
      {"1\t2\n3\t4\n", 1, {1, 2, 3, 4}},
      // header words: every run of e, E, digits, signs and points is a number
      {"Temperature\tPressure\r\n1\t2\r\n3\t4\r\n", 3, {0, 1, 3, 0, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      // blank lines vanish; line ends before the first number do not count
      {"\r\n\r\n1\r\n\r\n\r\n2\r\n\r\n", 2, {1, 2}},
      // short lines leave their zeros at the bottom of the columns
      {"1 2 3\r\n4\r\n5 6 7\r\n", 3, {1, 4, 5, 2, 6, 0, 3, 7, 0}},
      // number runs are read as far as they form a number
      {"1e3;-2.5;+4;1-2;.;e;7,5", 1, {1000, -2.5, 4, 1, 0, 0, 7, 5}},
      {"x=12.5mm, y=-3 V\r\nq:1.5E2", 2, {12.5, 150, -3, 0}},
  };
  for (const TCase& c : cases) {
    WriteBytes(P("m"), c.Bytes);
    TCalculator calc;
    OstraTest::TRun r = Run(calc, "readmatrix(r[];'@m')");
    ASSERT_FALSE(r.Error) << c.Bytes << ": " << r.Message;
    EXPECT_EQ(r.Number(), c.Lines) << c.Bytes;
    EXPECT_EQ(ArrayOf(calc, "r"), c.Elements) << c.Bytes;
  }
}

TEST_F(FileFunctions, ReadMatrixKeepsTheRestOfTheArray) {
  TCalculator calc;
  WriteBytes(P("m"), "1 2\r\n3 4\r\n");
  OstraTest::TRun r = Run(calc, "for(i=0;i<6;i+=1; r[i]=7), readmatrix(r[];'@m')");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 2);
  EXPECT_EQ(ArrayOf(calc, "r"), (std::vector<double>{1, 3, 2, 4, 7, 7}));

  // no number at all: the array stays as it is and the result is 1
  WriteBytes(P("m"), "abc\r\nxyz\r\n");
  r = Run(calc, "r[0]=9, r[1]=8, readmatrix(r[];'@m')");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 1);
  EXPECT_EQ(ArrayOf(calc, "r"), (std::vector<double>{9, 8}));
}

TEST_F(FileFunctions, MatrixRoundTrip) {
  TCalculator calc;
  OstraTest::TRun r = Run(calc,
                          "for(i=0;i<1000;i+=1; d[i]=(i-500)*(i+3)/7.25), "
                          "writematrix('@m';d[];7), readmatrix(r[];'@m')");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 143);  // ceil(1000 / 7)
  const std::vector<double> d = ArrayOf(calc, "d");
  const std::vector<double> back = ArrayOf(calc, "r");
  ASSERT_EQ(back.size(), 1001u);  // 143 rows of 7, the last field empty
  for (size_t i = 0; i < d.size(); ++i) EXPECT_NEAR(back[i], d[i], std::abs(d[i]) * 1e-9) << i;
  EXPECT_EQ(back[1000], 0);
}

TEST_F(FileFunctions, MatrixErrors) {
  WriteBytes(P("m"), "1 2\r\n");
  struct TCase {
    const char* Program;
    bool AtParse;
    const char* Message;
  } cases[] = {
      {"readmatrix(r;'@m')", true, "Illegal argument"},
      {"readmatrix(1;'@m')", true, "Illegal argument"},
      {"writematrix('@m';d;1)", true, "Illegal argument"},
      {"writematrix('@m';3;1)", true, "Illegal argument"},
      {"readmatrix(r[];5)", false, "ReadMatrix: 2nd parameter is not a string."},
      {"x=1, readmatrix(x[];'@m')", false, "ReadMatrix: 1st parameter is not an array."},
      {"readmatrix(r[];'@missing')", false, "ReadMatrix: File '@missing' not found."},
      {"readmatrix(r[];'@')", false, "ReadMatrix: File '@' not found."},
      {"readmatrix(r[];y)", false, "Variable y has no value"},
      {"d[0]=1, writematrix(5;d[];1)", false, "WriteMatrix: 1st parameter not a string"},
      {"x=1, writematrix('@w';x[];1)", false, "WriteMatrix: 2nd parameter not an array"},
      {"d[0]=1, writematrix('@w';d[];0)", false, "WriteMatrix: Illegal column count 0"},
      {"d[0]=1, writematrix('@w';d[];-2.5)", false, "WriteMatrix: Illegal column count -2.5"},
      {"d[0]=1, writematrix('@w';d[];'none')", false, "WriteMatrix: Illegal column count none"},
      {"d[0]=1, writematrix('@w';d[];y)", false, "Variable y has no value"},
      {"d[0]=1, writematrix('@nodir/w';d[];1)", false, "WriteMatrix: unable to create file @nodir/w"},
      {"d[0]=1, writematrix('/dev/full';d[];1)", false, "WriteMatrix: Error writing to file /dev/full"},
  };
  for (const TCase& c : cases) {
    OstraTest::TRun r = Run(c.Program);
    if (c.AtParse) {
      EXPECT_FALSE(r.ParseOk) << c.Program;
      EXPECT_EQ(r.ParseMessage, c.Message) << c.Program;
      continue;
    }
    ASSERT_TRUE(r.ParseOk) << c.Program << ": " << r.ParseMessage;
    EXPECT_TRUE(r.Error) << c.Program;
    EXPECT_EQ(r.Message, Program(c.Message)) << c.Program;
    EXPECT_EQ(r.Number(), 0) << c.Program;
  }
  // failed writes leave no file behind
  EXPECT_FALSE(std::filesystem::exists(P("w")));
}

// The desktop application sets the process locale; files keep the point.
TEST_F(FileFunctions, MatrixNumbersIgnoreTheProcessLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  bool set = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR"})
    if (std::setlocale(LC_ALL, name)) {
      set = true;
      break;
    }
  if (!set) GTEST_SKIP() << "no locale with a decimal comma installed";
  TCalculator calc;
  WriteBytes(P("in"), "1.5 2.25\r\n");
  OstraTest::TRun r = Run(calc, "d[0]=0.5, writematrix('@m';d[];1), readmatrix(r[];'@in')");
  std::vector<double> back = ArrayOf(calc, "r");
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(ReadBytes(P("m")), "0.5\r\n");
  EXPECT_EQ(back, (std::vector<double>{1.5, 2.25}));
}

}  // namespace
