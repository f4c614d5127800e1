#include "auxcount/SmallPi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "arith/Integer.h"
#include "common/Scale.h"
#include "sieve/SieveReference.h"

namespace {

const uint32_t kLimit = 4000000;

// pi(n) for every n <= kLimit, from a plain sieve.
const std::vector<uint32_t>& PiTable() {
  static const std::vector<uint32_t> pi = [] {
    std::vector<uint32_t> lpf = ref::LeastFactors(kLimit);
    std::vector<uint32_t> out(kLimit + 1, 0);
    uint32_t count = 0;
    for (uint32_t n = 0; n <= kLimit; ++n) {
      if (n >= 2 && lpf[n] == n) ++count;
      out[n] = count;
    }
    return out;
  }();
  return pi;
}

TEST(SmallPiTest, TableRoute) {
  const double values[] = {0, 1, 2, 3, 28, 29, 30};
  const double counts[] = {0, 0, 1, 2, 9, 10, 10};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(SmallPi(values[i]), counts[i]) << values[i];
  EXPECT_EQ(SmallPi(-7), 0.0);
  EXPECT_EQ(SmallPi(2.5), 1.0);
  EXPECT_EQ(SmallPi(30.9), 10.0);
}

TEST(SmallPiTest, BothSieveRoutesAtTheirBorders) {
  EXPECT_EQ(SmallPi(31), 11.0);
  EXPECT_EQ(SmallPi(9999), 1229.0);
  EXPECT_EQ(SmallPi(10000), 1229.0);
  EXPECT_EQ(SmallPi(100000), 9592.0);
  EXPECT_EQ(SmallPi(9999.5), 1229.0);
  EXPECT_EQ(SmallPi(10007), 1230.0);  // a prime counts itself
  EXPECT_EQ(SmallPi(10007.9), 1230.0);
  EXPECT_EQ(SmallPi(10006.9), 1229.0);
}

TEST(SmallPiTest, EveryValueUpToThreeThousandAndRandomOnesBeyond) {
  const std::vector<uint32_t>& pi = PiTable();
  for (uint32_t v = 0; v <= 3000; ++v) ASSERT_EQ(SmallPi(v), pi[v]) << v;
  ref::Random rnd(77);
  for (int i = 0; i < testref::Scaled(300); ++i) {
    const uint32_t v = static_cast<uint32_t>(rnd.Range(3000, kLimit));
    ASSERT_EQ(SmallPi(v), pi[v]) << v;
  }
  // Squares of primes and their neighbours, where the last sieving prime
  // just starts to count.
  for (uint32_t p : {97u, 101u, 997u, 1009u, 1999u}) {
    for (int d = -2; d <= 2; ++d) {
      const uint32_t v = p * p + d;
      ASSERT_EQ(SmallPi(v), pi[v]) << v;
    }
  }
}

TEST(SmallPiTest, TenToTheNine) { EXPECT_EQ(SmallPi(1e9), 50847534.0); }

TEST(SmallPiTest, DefaultY) {
  // Below about 8.5e8 the factor is 2.
  for (double x : {1e3, 1e6, 1e8, 5e8}) {
    const double y = DefaultY(Integer(x));
    EXPECT_NEAR(y, 2.0 * std::cbrt(x), 1.0) << x;
    EXPECT_EQ(y, std::floor(y));
  }
  const double L = std::log(1e18);
  EXPECT_NEAR(0.00023 * L * L * L, 16.375, 0.001);
  EXPECT_NEAR(DefaultY(Integer(1e18)), 16375418.0, 2.0);
  // Above the switch the factor grows with ln^3 x.
  const double x = 1e12;
  const double l = std::log(x);
  EXPECT_NEAR(DefaultY(Integer(x)), 0.00023 * l * l * l * 1e4, 1.0);
}

}  // namespace
