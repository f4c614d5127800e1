#include "driver/RangeProgress.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

TEST(RangeProgressTest, DurationsAndTheLine) {
  EXPECT_EQ("0 s", DurationText(0.2));
  EXPECT_EQ("59 s", DurationText(59.4));
  EXPECT_EQ("1 min 00 s", DurationText(59.6));
  EXPECT_EQ("1 min 23 s", DurationText(83.0));
  EXPECT_EQ("59 min 59 s", DurationText(3599.0));
  EXPECT_EQ("1 h 00 min", DurationText(3600.0));
  EXPECT_EQ("26 h 01 min", DurationText(26 * 3600.0 + 89.0));

#ifdef _WIN32
  _putenv_s("TZ", "UTC");
#else
  setenv("TZ", "UTC", 1);
#endif
  tzset();
  // 2026-12-08 23:40:12 UTC.
  EXPECT_EQ("Range: 3/100 points done, 1 min 23 s per point, estimated end Tue Dec  8 23:40:12 2026",
            ProgressLine(3, 100, 83.0, 1796773212));
}

}  // namespace
