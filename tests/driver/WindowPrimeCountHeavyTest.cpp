#include "driver/WindowPrimeCount.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "common/MillerRabin.h"

namespace {

// Near 10^18 the window is sieved with every prime up to 10^9.
TEST(WindowPrimeCountHeavyTest, WindowNearTenToTheEighteenth) {
  Integer lo(1e18);
  lo.Add(-200000.0);
  Integer hi(1e18);
  hi.Add(200000.0);
  uint64_t a = 1000000000000000000ULL - 200000;
  uint64_t b = 1000000000000000000ULL + 200000;
  EXPECT_EQ(static_cast<double>(testref::CountPrimes(a, b)), WindowPrimeCount(lo, hi));
}

}  // namespace
