#include "sieve/OddMoebius.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// mu(n) when every prime factor of n is at most y, else 0, for n <= z: by
// trial division.
int MuBelow(int64_t n, int64_t y) {
  int mu = 1;
  for (int64_t p = 2; p * p <= n; ++p) {
    if (n % p != 0) continue;
    n /= p;
    if (n % p == 0) return 0;
    if (p > y) return 0;
    mu = -mu;
  }
  if (n > 1) {
    if (n > y) return 0;
    mu = -mu;
  }
  return mu;
}

// Every odd n <= z in order, over all segments, against trial division.
void CheckAll(int64_t z, int64_t y, int32_t segment) {
  OddMoebius block(static_cast<double>(z), static_cast<double>(y), segment);
  int64_t expected = 1;
  while (block.Next()) {
    ASSERT_EQ(block.First(), static_cast<double>(expected)) << "z=" << z;
    ASSERT_LE(block.Size(), segment);
    for (int32_t i = 0; i < block.Size(); ++i, expected += 2)
      ASSERT_EQ(block.Values()[i], MuBelow(expected, y)) << "n=" << expected << " z=" << z << " y=" << y;
  }
  EXPECT_EQ(expected, z + 1 + (z & 1)) << "z=" << z;  // the segments end at z
}

TEST(OddMoebius, ValuesAcrossSegments) {
  // z odd and even, a square of a table prime at z, segments that end on
  // z and that do not.
  for (int64_t z : {1, 2, 3, 48, 49, 50, 961, 4096, 4097, 10007, 29929, 99999})
    for (int32_t segment : {64, 128, 4096}) CheckAll(z, z, segment);
}

TEST(OddMoebius, FactorsAboveY) {
  // The one factor above sqrt(z) is dropped when it exceeds y, as a prime
  // and as a cofactor of a small product; y at a prime and next to one.
  for (int64_t y : {100, 101, 102, 224, 229, 1000, 24999})
    for (int64_t z : {10000, 10201, 50000}) {
      if (y * y < z) continue;
      CheckAll(z, y, 512);
    }
}

}  // namespace
