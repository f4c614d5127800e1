#include <gtest/gtest.h>

#include <vector>

#include "sieve/PrimeSeries.h"
#include "sieve/SieveReference.h"

namespace {

// The odd primes up to 10^9, one byte each: the count, both ends of the walk
// against Miller-Rabin, and the room taken from the estimate.
TEST(PrimeSeriesHeavyTest, OddPrimesUpToTenToTheNine) {
  PrimeSeries s(0, 1e9);
  ASSERT_EQ(s.GetCount(), 50847533);
  EXPECT_LE(s.GetMaxNbPrimes(), 50847533 + 50847533 / 100);  // bytes of the gap array

  std::vector<uint64_t> top;
  for (uint64_t n = 1000000000 - 1; top.size() < 200; n -= 2)
    if (ref::IsPrimeMillerRabin(n)) top.push_back(n);
  s.StartBackward();
  for (uint64_t p : top) {
    ASSERT_TRUE(s.Previous());
    ASSERT_EQ(s.Current(), static_cast<double>(p));
  }

  int32_t walked = 0;
  double previous = 0;
  s.StartIteration();
  while (s.Next()) {
    ++walked;
    ASSERT_GT(s.Current(), previous);
    previous = s.Current();
  }
  EXPECT_EQ(walked, 50847533);
  EXPECT_EQ(previous, static_cast<double>(top.front()));

  s.Seek(999999000);
  ASSERT_TRUE(s.Next());
  uint64_t next = 999999001;
  while (!ref::IsPrimeMillerRabin(next)) next += 2;
  EXPECT_EQ(s.Current(), static_cast<double>(next));
}

}  // namespace
