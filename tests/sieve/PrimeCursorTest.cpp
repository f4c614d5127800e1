#include "sieve/PrimeCursor.h"

#include <gtest/gtest.h>

#include <random>

#include "components/BruteForce.h"

namespace {

using brute::u64;

const brute::Sieve& Primes() {
  static const brute::Sieve sieve(4500000);  // beyond the last bound, 3.9e6 + a leap
  return sieve;
}

TEST(PrimeCursor, StartsMidwayAndStridesOverBuffers) {
  // Starts on a prime, just below and just above one; then bounds that
  // repeat, step by one, or leap over one or more whole buffers.
  const u64 q = 1000003;
  ASSERT_TRUE(Primes().IsPrime(q));
  std::mt19937_64 rng(7);
  for (u64 start : {q - 1, q, q + 1}) {
    SCOPED_TRACE(start);
    PrimeCursor cursor(start, static_cast<double>(Primes().Pi(start)), 3000000);
    EXPECT_EQ(cursor.CountTo(start), static_cast<double>(Primes().Pi(start)));
    u64 n = start;
    for (int i = 0; i < 4000 && n < 3900000; ++i) {
      const u64 leaps[] = {0, 1, 2, rng() % 64, rng() % 5000, 200000 + rng() % 300000};
      n += leaps[rng() % 6];
      ASSERT_EQ(cursor.CountTo(n), static_cast<double>(Primes().Pi(n))) << "bound " << n;
    }
  }
}

TEST(PrimeCursor, BoundsOnTheKthPrimeAhead) {
  // A bound on the k-th prime after the last one counted, or just below it,
  // for k = 1 .. 40: the strides of the count over the buffer end on primes.
  const std::vector<u64>& primes = Primes().Primes();
  PrimeCursor cursor(2, 1.0, 3000000);
  size_t j = 1;  // the prime 3, the first one the cursor has to count
  for (int round = 0; primes[j + 41] < 3000000; ++round) {
    const size_t k = round % 40 + 1;
    const u64 bound = primes[j + k - 1] - (round % 3 == 0 ? 1 : 0);
    ASSERT_EQ(cursor.CountTo(bound), static_cast<double>(Primes().Pi(bound))) << "bound " << bound;
    j = Primes().Pi(bound);
  }
}

}  // namespace
