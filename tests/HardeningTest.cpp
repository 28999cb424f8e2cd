// Programs that ask for more memory than there is, and Break during waits, as
// a user meets them: the run ends with a clear error, the variables keep what
// they held, and the next run works.

#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "TestSupport.h"

namespace {

using OstraTest::Sanitized;

// Enough for the runner and its 512 MiB calculation stack, little enough that
// the programs below reach the end of it within a second or two.
constexpr size_t AddressSpace = size_t(1) << 30;

}  // namespace

TEST(OutOfMemory, EndsTheRunWithAnErrorNamingTheOperation) {
  if (Sanitized) GTEST_SKIP() << "the sanitizers' shadow memory does not fit an address-space limit";
  struct {
    const char* program;
    const char* err;
  } cases[] = {
      {"a[2147483647]=1", "Error: = operator: not enough memory for 2147483648 elements of array a\n"},
      {"a[2000000000]=1", "Error: = operator: not enough memory for 2000000001 elements of array a\n"},
      {"s='x', for(i=0;i<40;i+=1;s+=s), length(s)", "Error: += operator: not enough memory\n"},
      {"s='abcdefgh', while(1; s=s+s), 0", "Error: + operator: not enough memory\n"},
      {"s='ab', for(i=0;i<40;i+=1; s=concat(s;s))", "Error: concat: not enough memory\n"},
      {"b[0]=1, for(i=0;i<40;i+=1; append(b[];b[]))",
       "Error: append: not enough memory for 67108864 elements of array b\n"},
      {"define(f(a[]); a[200000000]=1), z[0]=0, f(z[])",
       "Error: = operator: not enough memory for 200000001 elements of array a\n"},
  };
  for (const auto& c : cases) {
    const OstraTest::TCliRun r = OstraTest::RunCli({"-e", c.program}, {.AddressSpaceLimit = AddressSpace});
    EXPECT_EQ(r.Status, 1) << c.program;
    EXPECT_EQ(r.Out, "") << c.program;
    EXPECT_EQ(r.Err, c.err) << c.program;
  }
}

// Recursion ends in "Stack Overflow" also when every call copies an array:
// the copies would fill the memory long before the stack is used up.
TEST(OutOfMemory, RecursionCopyingArraysIsAStackOverflow) {
  if (Sanitized) GTEST_SKIP() << "the sanitizers' shadow memory does not fit an address-space limit";
  for (const char* program : {"define(f(a[];n); f(a[];n+1)), b[1000]=1, f(b[];0)",
                              "define(g(a[]); a[1000000]=1, g(a[])), z[0]=0, g(z[])"}) {
    const OstraTest::TCliRun r = OstraTest::RunCli({"-e", program}, {.AddressSpaceLimit = AddressSpace});
    EXPECT_EQ(r.Status, 0) << program << r.Err;
    EXPECT_EQ(r.Out, "Stack Overflow\n") << program;
  }
}

// An array that cannot grow keeps its elements; a text keeps its value; the
// engine runs the next program as if nothing had happened.
TEST(OutOfMemory, StoresKeepTheirContents) {
  OstraTest::TCalculator calc;
  // Globals named in both panels keep their values from run to run; $n
  // counts the runs.
  const std::string global = "if(defined($n); 0; $n=0), defined($s), length($a[])";
  const std::string program =
      "$n+=1,"
      "if($n==1; $a[3]=7, $s='abc';"
      "if($n==2; $a[2147483647]=1;"
      "if($n==3; append($a[]; 5), $s=$s+'d', $a[2147483600]=1;"
      "string(length($a[]))+' '+string($a[3])+' '+string($a[4])+' '+$s)))";
  EXPECT_FALSE(calc.Run(program, global).Error);
  EXPECT_EQ(calc.Run(program, global).Message, "= operator: not enough memory for 2147483648 elements of array $a");
  EXPECT_EQ(calc.Run(program, global).Message, "= operator: not enough memory for 2147483601 elements of array $a");
  const OstraTest::TRun after = calc.Run(program, global);
  EXPECT_FALSE(after.Error) << after.Message;
  EXPECT_EQ(after.Text(), "5 7 5 abcd");
}

// Break during a wait ends the run with "Stopped" promptly, also when the
// wait is the last thing the program does.
TEST(BreakInWaits, EndsTheRunStopped) {
  for (const char* program : {"sleep(60000)", "x=1, sleep(60000)", "sleep(60000), 2", "execute('sleep 60';'')"}) {
    // Late enough that even a sanitized runner on a busy machine has started.
    const OstraTest::TCliRun r = OstraTest::RunCli({"-e", program}, {.InterruptAfterMs = 1000});
    EXPECT_EQ(r.Status, 1) << program;
    EXPECT_EQ(r.Out, "") << program;
    EXPECT_EQ(r.Err, "Error: Stopped\n") << program;
    // Stopped and the process gone, far from the minute the waits would take.
    EXPECT_LT(r.AfterInterruptMs, 1000) << program;
  }
}
