// The term phi0 beyond 2^53, where the fast floor of x/n must be checked
// against its guard band: the parameters of the verification at x = 10^17.
#include "components/OrdinaryLeafSum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "arith/Integer.h"
#include "components/BruteForce.h"

namespace {

TEST(OrdinaryLeafSum, GuardBandAboveTwoTo53) {
  const Integer x(1e17);
  const double y = 6403071, z = 15367370;
  const Integer phi0 = OrdinaryLeafSum(x, y, z, std::floor(std::sqrt(1e17 / z)));
  EXPECT_EQ(phi0.Text(), "2718665721237227");
}

// The sum from its definition in 128-bit integers.
brute::i128 LeafSum(brute::i128 x, int64_t y, int64_t z) {
  static const brute::Factors factors(300000);
  brute::i128 s = 0;
  for (int64_t n = 1; n <= z; n += 2) {
    if (factors.mu[n] == 0 || (n > 1 && static_cast<int64_t>(brute::LargestPrimeFactor(n, factors)) > y)) continue;
    s += factors.mu[n] * ((x / n + 1) / 2);
  }
  return s;
}

TEST(OrdinaryLeafSum, QuotientsOnIntegersBeyondTwoTo64) {
  // x a multiple of 3 5 7 ... 37 (and one below, and one above): floor(x/n)
  // whole for many n, or one unit off it, where the floating quotient alone
  // would round to the wrong side; x up to 10^20.
  const double P = 3710369067405.0;  // 3 5 7 11 13 17 19 23 29 31 37
  for (double k : {27000.0, 269514.0, 26951400.0}) {
    for (int d : {-1, 0, 1}) {
      Integer x;
      x.Product(Integer(P), Integer(k));
      x.Add(static_cast<double>(d));
      const brute::i128 X = static_cast<brute::i128>(P) * static_cast<brute::i128>(k) + d;
      for (int64_t z : {99999, 250000}) {
        const int64_t y = z / 2;
        EXPECT_EQ(OrdinaryLeafSum(x, static_cast<double>(y), static_cast<double>(z), 1000.0).Text(),
                  brute::Text(LeafSum(X, y, z)))
            << "k=" << k << " d=" << d << " z=" << z;
      }
    }
  }
}

}  // namespace
