// The term phi0 beyond 2^53, where the fast floor of x/n must be checked
// against its guard band: the parameters of the verification at x = 10^17.
#include "components/OrdinaryLeafSum.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arith/Integer.h"

namespace {

TEST(OrdinaryLeafSum, GuardBandAboveTwoTo53) {
  const Integer x(1e17);
  const double y = 6403071, z = 15367370;
  const Integer phi0 = OrdinaryLeafSum(x, y, z, std::floor(std::sqrt(1e17 / z)));
  EXPECT_EQ(phi0.Text(), "2718665721237227");
}

}  // namespace
