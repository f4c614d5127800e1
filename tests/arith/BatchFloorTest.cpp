#include "arith/BatchFloor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

// X has many divisors, so that many quotients X/q are whole numbers, which a
// product with the reciprocal of q can miss by a unit in the last place.
constexpr int64_t kX = 1024LL * 729 * 625 * 343 * 121 * 169;  // about 3.3e15

int64_t RandomDivisor(std::mt19937_64& rng) {
  const int64_t primes[] = {2, 3, 5, 7, 11, 13};
  const int maxPower[] = {10, 6, 4, 3, 2, 2};
  int64_t q = 1;
  for (int i = 0; i < 6; ++i)
    for (int e = static_cast<int>(rng() % (maxPower[i] + 1)); e > 0; --e) q *= primes[i];
  return q;
}

}  // namespace

// Every offset is floor(X/q) - lo, or -1 below -1, unless the call reports a
// check and the single test sends that quotient to the exact path.
TEST(BatchFloorTest, OffsetsAreExactOrFlagged) {
  std::mt19937_64 rng(11);
  const double X = static_cast<double>(kX);
  int missed = 0, flaggedBatches = 0;
  for (int batch = 0; batch < 4000; ++batch) {
    int64_t q[kFloorBatch];
    double inv[kFloorBatch];
    for (int t = 0; t < kFloorBatch; ++t) {
      q[t] = RandomDivisor(rng) + (rng() % 3 == 0 ? static_cast<int64_t>(rng() % 5) : 0);
      if (q[t] < 2000) q[t] += 2000;  // quotients below 2^31
      inv[t] = 1.0 / static_cast<double>(q[t]);
    }
    // lo near the quotient of a random lane, so that some lanes fall below it.
    const int64_t pivot = kX / q[rng() % 4];
    const int64_t lo = pivot - static_cast<int64_t>(rng() % 1000) - 1;
    // Full batches and short ones (any n, read four lanes at a time).
    const int n = batch % 2 == 0 ? kFloorBatch : 1 + static_cast<int>(rng() % kFloorBatch);
    int32_t out[kFloorBatch];
    const bool flagged = BatchFloorOffsets(X, inv, static_cast<double>(lo), n, out);
    flaggedBatches += flagged;
    for (int t = 0; t < n; ++t) {
      const int64_t exact = kX / q[t] - lo;
      const double v = X * inv[t];
      if (exact < -1) {
        EXPECT_EQ(-1, out[t]);
      } else if (out[t] != exact) {
        ++missed;
        ASSERT_TRUE(flagged) << "q=" << q[t] << " lo=" << lo;
        ASSERT_TRUE(OffsetNeedsExact(v, static_cast<double>(lo))) << "q=" << q[t] << " lo=" << lo;
      }
    }
  }
  // The floating floors do miss now and then: the flags are what keeps them exact.
  EXPECT_GT(missed, 0);
  EXPECT_LT(flaggedBatches, 4000);
}
