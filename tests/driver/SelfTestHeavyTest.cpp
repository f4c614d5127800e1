// The whole self-test with the real engine and window count, as the program
// runs it.
#include "driver/SelfTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Program.h"

TEST(SelfTestHeavyTest, PassesOnThisMachine) {
  int status = -1;
  std::string text = testref::PrintedText([](FILE* out) { return RunSelfTest(out); }, &status);
  EXPECT_EQ(0, status) << text;
  const std::string last = "\nSelf-test passed\n";
  ASSERT_GE(text.size(), last.size()) << text;
  EXPECT_EQ(last, text.substr(text.size() - last.size())) << text;
  EXPECT_NE(std::string::npos, text.find("pi(10^16) = 279238341033925, y=2477811 z=5946746 ")) << text;
}
