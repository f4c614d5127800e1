// pi(x) from the full evaluation at larger arguments: powers of ten with the
// verification's parameters, and random x up to 10^14 where several
// admissible (y, z) must agree.
#include "engine/PiNYZ.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "arith/Integer.h"
#include "auxcount/SmallPi.h"

namespace {

void MainParameters(const Integer& x, double& y, double& z) {
  const double s = x.FloorSqrt();
  y = DefaultY(x);
  if (y >= s) y = s - 1.0;
  z = std::floor(2.4 * y);
  if (z >= s) z = s - 1.0;
}

}  // namespace

TEST(PiNYZHeavy, PowersOfTenWithTheMainParameters) {
  Integer x(1e13);
  double y, z;
  MainParameters(x, y, z);
  EXPECT_EQ(PiNYZ(x, y, z, 0).GetApprox(), 346065536839.0);
  x.Multiply(10.0);
  MainParameters(x, y, z);
  EXPECT_EQ(PiNYZ(x, y, z, 0).GetApprox(), 3204941750802.0);
}

// At 10^15 the ordinary leaves mix exact quotients (those of 10^14 and more,
// and those that fall on an integer) with floating ones whose running sum is
// large enough to be flushed on the way.
TEST(PiNYZHeavy, TenToTheFifteen) {
  Integer x(1e15);
  double y, z;
  MainParameters(x, y, z);
  EXPECT_EQ(PiNYZ(x, y, z, 0).GetApprox(), 29844570422669.0);
}

TEST(PiNYZHeavy, ParameterChoicesAgreeUpToTenToTheFourteen) {
  std::mt19937_64 rng(1618);
  for (int iter = 0; iter < 4; ++iter) {
    const double e = 10.0 + 4.0 * std::uniform_real_distribution<double>(0, 1)(rng);
    const double xd = std::floor(std::pow(10.0, e));
    const Integer x(xd);
    const double s = x.FloorSqrt();
    double y0, z0;
    MainParameters(x, y0, z0);
    const double reference = PiNYZ(x, y0, z0, 0).GetApprox();
    // two more choices: y near its lower end and z = y; y and z larger
    const double yLow = std::floor(std::cbrt(xd)) + 1.0;
    const double pairs[][2] = {{std::max(yLow, std::floor(y0 / 2)), std::max(yLow, std::floor(y0 / 2))},
                               {std::min(s - 1, std::floor(1.7 * y0)), std::min(s - 1, std::floor(5 * y0))}};
    for (const auto& pr : pairs) {
      SCOPED_TRACE(::testing::Message() << "x=" << xd << " y=" << pr[0] << " z=" << pr[1]);
      EXPECT_EQ(PiNYZ(x, pr[0], pr[1], 0).GetApprox(), reference);
    }
  }
}
