#include <gtest/gtest.h>

#include "auxcount/SmallPi.h"

namespace {

TEST(SmallPiLongTest, TenToTheTen) {
  EXPECT_EQ(SmallPi(1e10), 455052511.0);
  EXPECT_EQ(SmallPi(1e10 - 34), 455052510.0);  // 9999999967 is the last prime below 10^10
}

}  // namespace
