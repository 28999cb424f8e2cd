#include <gtest/gtest.h>

#include "TestSupport.h"

using OstraTest::RunProgram;

TEST(Smoke, Arithmetic) {
  auto r = RunProgram("a=2, println(a^10), a*3");
  ASSERT_TRUE(r.ParseOk) << r.ParseMessage;
  EXPECT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 6);
  EXPECT_EQ(r.Output, "1024\n");
}
