// execute: real child processes, their output and error text, input fed
// while output is collected, Break, and what is left behind afterwards.

#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "functions/Process.h"

using namespace TernioParser;
using OstraTest::ReadBytes;
using OstraTest::RunProgram;
using OstraTest::TCalculator;

namespace {

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// A program that builds a text of 16 * 2^k bytes in s.
std::string BuildText(int k) { return "s='0123456789abcdef', for(i=0;i<" + std::to_string(k) + ";i+=1; s+=s), "; }

TEST(Execute, OutputOfCommands) {
  struct TCase {
    const char* Program;
    const char* Output;
  } cases[] = {
      {"execute('echo hello';'')", "hello\n"},
      {"execute('cat';'abc'+chr(10)+'def')", "abc\ndef"},
      {"execute('cat';2.5)", "2.5"},
      {"execute('  /bin/echo   a  ';'')", "a\n"},
      // standard error arrives in the same text, in the order written
      {"execute('sh -c \"echo out; echo err >&2; echo out2\"';'')", "out\nerr\nout2\n"},
      {"execute('ls /nonexistent-folder-xyz';'')", nullptr},
      // no shell: nothing is expanded
      {"execute('echo $HOME * ~';'')", "$HOME * ~\n"},
      // quotes of both kinds group words; adjacent parts join; '' alone is a word
      {"execute('printf [%s] a \"b  c\" ''d e'' f\"g h\"i '''' \"\"';'')", "[a][b  c][d e][fg hi][][]"},
      {"execute('printf [%s] \"it''s\" ''say \"hi\"''';'')", "[it's][say \"hi\"]"},
      {"execute('printf [%s] \"open quote';'')", "[open quote]"},
      // a command that prints nothing
      {"execute('true';'')", ""},
  };
  for (const TCase& c : cases) {
    OstraTest::TRun r = RunProgram(c.Program);
    ASSERT_TRUE(r.ParseOk) << c.Program << ": " << r.ParseMessage;
    EXPECT_FALSE(r.Error) << c.Program << ": " << r.Message;
    ASSERT_TRUE(r.Result.IsString) << c.Program;
    if (c.Output) {
      EXPECT_EQ(r.Text(), c.Output) << c.Program;
    } else {
      EXPECT_NE(r.Text().find("nonexistent-folder-xyz"), std::string::npos) << r.Text();
    }
  }
}

TEST(Execute, CommandsThatCannotStart) {
  OstraTest::TTempDir temp;
  const std::string& dir = temp.Path;
  { std::ofstream(dir + "/plain") << "not a program"; }
  const std::string cases[] = {
      "execute('nonexistent-program-xyz';'')",
      "execute('nonexistent-program-xyz';'input')",
      "execute('';'')",
      "execute('   ';'')",
      "execute('\"\"';'')",
      "execute('" + dir + "/plain';'')",
      "execute('" + dir + "';'')",
  };
  for (const std::string& p : cases) {
    OstraTest::TRun r = RunProgram(p);
    ASSERT_TRUE(r.ParseOk) << p;
    EXPECT_TRUE(r.Error) << p;
    EXPECT_EQ(r.Message, "Execute failed (maybe unknown command)") << p;
    EXPECT_EQ(r.Number(), 0) << p;
  }
}

TEST(Execute, ArgumentErrorsStartNothing) {
  OstraTest::TTempDir temp;
  const std::string& dir = temp.Path;
  OstraTest::TRun r = RunProgram("execute('touch " + dir + "/made';y)");
  EXPECT_EQ(r.Message, "Variable y has no value");
  EXPECT_FALSE(std::filesystem::exists(dir + "/made"));
}

// Input and output are moved together: 4 MiB through cat, and a child that
// prints a lot before it reads any of its (large) input.
TEST(Execute, LargeInputAndOutputTogether) {
  TCalculator calc;
  OstraTest::TRun r = calc.Run(BuildText(18) + "r=execute('cat';s), length(r)");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 4 << 20);
  TVarEntry* out = static_cast<TVarEntry*>(calc.Main().Vars.Find("r"));
  TVarEntry* in = static_cast<TVarEntry*>(calc.Main().Vars.Find("s"));
  ASSERT_TRUE(out && in);
  EXPECT_TRUE(out->Text.Str() == in->Text.Str());

  r = RunProgram(BuildText(16) + "length(execute('sh -c \"head -c 1000000 /dev/zero; cat; echo done >&2\"';s))");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 1000000 + (1 << 20) + 5);
}

// A child that ends without reading its input: the rest of the input is
// dropped, the application survives.
TEST(Execute, ChildThatIgnoresItsInput) {
  OstraTest::TRun r = RunProgram(BuildText(18) + "execute('echo hi';s)");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Text(), "hi\n");
  r = RunProgram(BuildText(18) + "execute('sh -c \"head -c 3; exit 0\"';s)");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Text(), "012");
}

// A child may close its output and go on: it still receives all of its
// input, execute returns without waiting for it to end, and it is reaped
// when it does end.
TEST(Execute, ChildThatClosesItsOutputEarly) {
  OstraTest::TTempDir temp;
  const std::string& dir = temp.Path;
  OstraTest::TRun r = RunProgram(BuildText(16) + "execute('sh -c \"echo $$ > " + dir + "/pid; exec >&- 2>&-; cat > " +
                                 dir + "/got; sleep 1\"';s)");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Text(), "");
  const pid_t pid = static_cast<pid_t>(std::stol(ReadBytes(dir + "/pid")));
  ASSERT_GT(pid, 1);
  // cat has all of the input once execute returns (the sleep keeps the
  // child alive well beyond that)
  for (int i = 0; i < 500 && ReadBytes(dir + "/got").size() < (1u << 20); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadBytes(dir + "/got").size(), 1u << 20);
  int alive = 0;
  for (; alive < 500 && kill(pid, 0) == 0; ++alive) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_LT(alive, 500) << "the child was never reaped";
  EXPECT_GT(alive, 0) << "execute waited for the child to end";
}

// Zero bytes in the input reach the child.
TEST(Execute, InputWithZeroBytes) {
  OstraTest::TTempDir temp;
  const std::string& dir = temp.Path;
  { std::ofstream(dir + "/bin", std::ios::binary).write("a\0b\0", 4); }
  OstraTest::TRun r = RunProgram("execute('wc -c';fileread('" + dir + "/bin'))");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Text(), "4\n");
}

// The child is reaped and no descriptor of ours leaks, neither to the child
// nor in the application.
TEST(Execute, LeavesNoZombiesOrDescriptors) {
  int leak = open("/dev/null", O_RDONLY);  // deliberately inheritable
  ASSERT_GE(leak, 0);
  const int before = OpenDescriptors();
  const std::string probe = "execute('sh -c \"echo $$; test -e /proc/self/fd/" + std::to_string(leak) +
                            " && echo leaked || echo clean\"';'')";
  OstraTest::TRun r = RunProgram(probe);
  ASSERT_FALSE(r.Error) << r.Message;
  const std::string text = r.Text();
  EXPECT_NE(text.find("clean"), std::string::npos) << text;
  const pid_t pid = static_cast<pid_t>(std::stol(text));
  ASSERT_GT(pid, 1);
  // already reaped: it is no longer a child of this process
  errno = 0;
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  for (int i = 0; i < 20; ++i) RunProgram("execute('true';'x')");
  EXPECT_EQ(OpenDescriptors(), before);
  close(leak);
}

// Break wakes a waiting execute at once: the child (and what it started) is
// killed, reaped, and the run stops.
TEST(Execute, BreakKillsTheChild) {
  OstraTest::TTempDir temp;
  const std::string& dir = temp.Path;
  TCalculator calc;
  ASSERT_TRUE(calc.Start("execute('sh -c \"echo $$ > " + dir + "/pid; sleep 30 & wait\"';''), 5"));
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 500 && ReadBytes(dir + "/pid").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  calc.Break();
  OstraTest::TRun r = calc.Finish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, "Stopped");
  EXPECT_LT(seconds, 10);
  const std::string pidText = ReadBytes(dir + "/pid");
  ASSERT_FALSE(pidText.empty());
  const pid_t pid = static_cast<pid_t>(std::stol(pidText));
  errno = 0;
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_EQ(kill(pid, 0), -1);  // gone, not merely a zombie of someone else
}

TEST(Execute, SplitCommandLine) {
  struct TCase {
    const char* Line;
    std::vector<std::string> Words;
  } cases[] = {
      {"", {}},
      {" \t\r\n", {}},
      {"ls -l", {"ls", "-l"}},
      {"  a\tb\nc  ", {"a", "b", "c"}},
      {"a\"b c\"d", {"ab cd"}},
      {"'x \"y\" z'", {"x \"y\" z"}},
      {"\"\" ''", {"", ""}},
      {"a 'b", {"a", "b"}},
      {"back\\slash \\\"", {"back\\slash", "\\"}},
  };
  for (const TCase& c : cases) EXPECT_EQ(SplitCommandLine(c.Line), c.Words) << c.Line;
}

}  // namespace
