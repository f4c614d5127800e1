#include "arith/BatchFloor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

// X has many divisors, so that many quotients X/q are whole numbers, which a
// product with the reciprocal of q can miss by a unit in the last place.
constexpr int64_t kX = 1024LL * 729 * 625 * 343 * 121 * 169;  // about 3.3e15

// A divisor of kX in [low, 2 low), now and then moved by a few units so that
// its quotient is not whole.
int64_t RandomDivisor(std::mt19937_64& rng, int64_t low, bool odd = false) {
  const int64_t primes[] = {2, 3, 5, 7, 11, 13};
  const int maxPower[] = {odd ? 0 : 10, 6, 4, 3, 2, 2};
  for (;;) {
    int64_t q = 1;
    for (int i = 0; i < 6; ++i)
      for (int e = static_cast<int>(rng() % (maxPower[i] + 1)); e > 0; --e) q *= primes[i];
    if (q >= low && q < 2 * low) return q + (rng() % 3 == 0 ? static_cast<int64_t>(rng() % 5) : 0);
  }
}

}  // namespace

// Every offset is floor(X/q) - lo, or -1 below -1, unless the call reports a
// check and the single test sends that quotient to the exact path.
TEST(BatchFloorTest, OffsetsAreExactOrFlagged) {
  std::mt19937_64 rng(11);
  const double X = static_cast<double>(kX);
  int missed = 0, flaggedBatches = 0;
  for (int batch = 0; batch < 2000; ++batch) {
    int64_t q[kFloorBatch];
    double inv[kFloorBatch];
    for (int t = 0; t < kFloorBatch; ++t) {
      q[t] = RandomDivisor(rng, 10000000);  // quotients of 1.6e8 .. 3.3e8
      inv[t] = 1.0 / static_cast<double>(q[t]);
    }
    // lo near the quotient of a lane, so that some lanes fall below it.
    const int64_t pivot = kX / q[0];
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
  EXPECT_LT(flaggedBatches, 2000);
}

// Quotients by p m of a value above 2^53 held a unit in the last place too
// low (as a rounded double may be): whole quotients come out below the
// integer, and must be flagged.
TEST(BatchFloorTest, QuotientsAreExactOrFlagged) {
  std::mt19937_64 rng(12);
  const int64_t x = kX / 1024 * 77 * 1009;  // about 2.5e17
  const double V = std::nextafter(static_cast<double>(x), 0.0);
  int missed = 0;
  for (int batch = 0; batch < 2000; ++batch) {
    const int64_t p = batch % 3 == 0 ? 7 : 11;
    double m[kFloorBatch + 4];
    int64_t q[kFloorBatch];
    const int n = 1 + static_cast<int>(rng() % kFloorBatch);
    for (int t = 0; t < n; ++t) {
      const int64_t d = RandomDivisor(rng, 1000000000, true);  // quotients below 4e7
      m[t] = static_cast<double>(d);
      q[t] = p * d;
    }
    for (int t = n; t < kFloorBatch + 4; ++t) m[t] = m[n - 1];
    const int64_t lo = x / q[0] - static_cast<int64_t>(rng() % 1000) - 1;
    int32_t out[kFloorBatch + 4];
    const bool flagged = BatchFloorQuotients(V, static_cast<double>(p), m, static_cast<double>(lo), n, out);
    for (int t = 0; t < n; ++t) {
      const int64_t exact = x / q[t] - lo;
      if (exact < -1) {
        EXPECT_EQ(-1, out[t]);
      } else if (out[t] != exact) {
        ++missed;
        ASSERT_TRUE(flagged);
        ASSERT_TRUE(OffsetNeedsExact(V / (static_cast<double>(p) * m[t]), static_cast<double>(lo)));
      }
    }
  }
  EXPECT_GT(missed, 0);
}
