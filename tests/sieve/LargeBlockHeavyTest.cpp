#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "arith/Floor.h"
#include "arith/Integer.h"
#include "sieve/Block.h"
#include "sieve/LargeBlock.h"
#include "sieve/PrimeSeries.h"
#include "sieve/SieveReference.h"

namespace {

const uint64_t kE18 = 1000000000000000000ull;
const uint64_t kWidth = 1000000;

bool IsPrime(uint64_t n) {
  for (uint64_t p : {3u, 5u, 7u, 11u, 13u, 17u, 19u, 23u, 29u, 31u, 37u, 41u, 43u, 47u})
    if (n % p == 0) return false;
  return ref::IsPrimeMillerRabin(n);
}

// The windows just above and just below 10^18, sieved with the primes up to
// 10^9 that a Block produces segment by segment: every unstruck entry is a
// prime and every prime is unstruck.
TEST(LargeBlockHeavyTest, WindowsAroundTenToTheEighteen) {
  Integer x(1e18);
  Integer above = x;
  above.Add(static_cast<double>(kWidth));
  Integer below = x;
  below.Add(-static_cast<double>(kWidth));
  const double s2 = above.FloorSqrt();
  ASSERT_EQ(s2, 1000000000.0);
  PrimeSeries table(2, std::floor(std::sqrt(s2)) + 1);
  const double width = static_cast<double>(kWidth);
  const double W = std::max(4.0 * LongFloor(std::sqrt(s2)), std::floor(width / 64));
  Block block(W);
  block.SetPrimes(&table);
  LargeBlock up(width);
  LargeBlock down(width);
  up.SetBlock(&block);
  down.SetBlock(&block);
  for (double s = 2; s < s2;) {
    const double e = s + W >= s2 ? s2 : s + W;
    block.RunSieve(s, e);
    up.RunSieve(x, above, s == 2);
    down.RunSieve(below, x, s == 2);
    s = e;
  }
  struct Case {
    LargeBlock* block;
    uint64_t first;  // odd number of entry 0
  };
  for (const Case& c : {Case{&up, kE18 + 1}, Case{&down, kE18 - kWidth + 1}}) {
    ASSERT_EQ(c.block->Count(), static_cast<int32_t>(kWidth / 2));
    int32_t primes = 0;
    for (int32_t k = 0; k < c.block->Count(); ++k) {
      const uint64_t n = c.first + 2 * static_cast<uint64_t>(k);
      const bool prime = IsPrime(n);
      ASSERT_EQ(!c.block->IsStruck(k), prime) << n;
      primes += prime;
    }
    int32_t walked = 0;
    c.block->StartIteration();
    while (c.block->Next()) ++walked;
    EXPECT_EQ(walked, primes);
    EXPECT_GT(primes, 20000);  // about 10^6 / ln 10^18
  }
}

}  // namespace
