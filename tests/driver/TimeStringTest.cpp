#include "driver/TimeString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

namespace {

TEST(TimeStringTest, CopiesTheCalendarTimeTextWithItsNewline) {
  char buffer[40];
  memset(buffer, 'x', sizeof buffer);
  time_t before = time(nullptr);
  TimeString(buffer);
  time_t after = time(nullptr);

  ASSERT_EQ(25u, strlen(buffer));
  EXPECT_EQ('\n', buffer[24]);
  EXPECT_EQ('x', buffer[26]);  // nothing written past the 26 characters
  std::string expectedBefore = ctime(&before);
  std::string expectedAfter = ctime(&after);
  std::string got = buffer;
  EXPECT_TRUE(got == expectedBefore || got == expectedAfter) << got;
}

}  // namespace
