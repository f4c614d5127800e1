#include "sieve/DescendingPrimes.h"

#include <gtest/gtest.h>

#include "components/BruteForce.h"

namespace {

using brute::u64;

TEST(DescendingPrimes, EveryPrimeDownToTwoFromOnAndBesideAPrime) {
  // Down from a prime, from just below and just above it, over many of the
  // library's buffers, to 2 and then 0.
  const brute::Sieve sieve(1100000);
  const std::vector<u64>& primes = sieve.Primes();
  const u64 q = 1000003;
  ASSERT_TRUE(sieve.IsPrime(q));
  for (u64 high : {q - 1, q, q + 1}) {
    SCOPED_TRACE(high);
    DescendingPrimes descending(high, 2);
    size_t j = sieve.Pi(high);
    while (j > 0) ASSERT_EQ(descending.Next(), primes[--j]);
    EXPECT_EQ(descending.Next(), 0u);
  }
}

}  // namespace
