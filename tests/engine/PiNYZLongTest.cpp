// pi(10^k) for k = 15 .. 18 with the verification's parameters.
#include "engine/PiNYZ.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arith/Integer.h"
#include "auxcount/SmallPi.h"

namespace {

Integer PowerOfTen(int k) {
  Integer x(1.0);
  for (int i = 0; i < k; ++i) x.Multiply(10.0);
  return x;
}

std::string PiOfPowerOfTen(int k) {
  const Integer x = PowerOfTen(k);
  const double s = x.FloorSqrt();
  double y = DefaultY(x);
  if (y >= s) y = s - 1.0;
  double z = std::floor(2.4 * y);
  if (z >= s) z = s - 1.0;
  char buf[64];
  PiNYZ(x, y, z, 0).Format(buf);
  return buf;
}

}  // namespace

TEST(PiNYZLong, TenToTheFifteen) { EXPECT_EQ(PiOfPowerOfTen(15), "29844570422669"); }
TEST(PiNYZLong, TenToTheSixteen) { EXPECT_EQ(PiOfPowerOfTen(16), "279238341033925"); }
TEST(PiNYZLong, TenToTheSeventeen) { EXPECT_EQ(PiOfPowerOfTen(17), "2623557157654233"); }
TEST(PiNYZLong, TenToTheEighteen) { EXPECT_EQ(PiOfPowerOfTen(18), "24739954287740860"); }
