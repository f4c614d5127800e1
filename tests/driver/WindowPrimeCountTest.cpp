#include "driver/WindowPrimeCount.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "common/MillerRabin.h"

namespace {

double Count(uint64_t lo, uint64_t hi) {
  return WindowPrimeCount(Integer(static_cast<double>(lo)), Integer(static_cast<double>(hi)));
}

// Sanity of the reference itself on known counts.
TEST(WindowPrimeCountTest, ReferenceKnowsSmallCounts) {
  EXPECT_EQ(25u, testref::CountPrimes(0, 100));
  EXPECT_EQ(1229u, testref::CountPrimes(0, 10000));
  EXPECT_FALSE(testref::IsPrime(3215031751ULL));  // strong pseudoprime to 2, 3, 5, 7
  EXPECT_TRUE(testref::IsPrime(1000000000000000003ULL));
  EXPECT_FALSE(testref::IsPrime(1000000000000000001ULL));
}

TEST(WindowPrimeCountTest, WindowNearTenToTheTwelfth) {
  // The check window of x = 10^12: delta = 10^5.
  uint64_t lo = 1000000000000ULL;
  EXPECT_EQ(static_cast<double>(testref::CountPrimes(lo, lo + 100000)), Count(lo, lo + 100000));
  // Other starts and widths, odd and even ends.
  for (uint64_t start : {999999000001ULL, 1000000123456ULL, 1234567890123ULL}) {
    for (uint64_t width : {1ULL, 2ULL, 97ULL, 4096ULL, 31623ULL}) {
      ASSERT_EQ(static_cast<double>(testref::CountPrimes(start, start + width)),
                Count(start, start + width))
          << start << " " << width;
    }
  }
}

TEST(WindowPrimeCountTest, WindowIsClosedOnTheRight) {
  // 10^12 + 39 is prime (the first above 10^12); 10^12 - 11 is the last below.
  uint64_t p = 1000000000039ULL;
  uint64_t q = 999999999989ULL;
  ASSERT_TRUE(testref::IsPrime(p));
  ASSERT_TRUE(testref::IsPrime(q));
  EXPECT_EQ(1.0, Count(p - 1, p));          // odd right end included
  EXPECT_EQ(0.0, Count(p, p + 1));          // left end excluded
  EXPECT_EQ(1.0, Count(1000000000000ULL, p));
  EXPECT_EQ(0.0, Count(1000000000000ULL, p - 1));
  EXPECT_EQ(1.0, Count(q - 2, 1000000000000ULL));
  EXPECT_EQ(0.0, Count(q, 1000000000000ULL));
  EXPECT_EQ(0.0, Count(p, p));              // an empty window
}

TEST(WindowPrimeCountTest, SmallWindows) {
  // Windows whose left end is at least the square root of the right end,
  // down to those too small to need any sieving prime.
  for (uint64_t lo = 1; lo < 400; ++lo) {
    for (uint64_t hi = lo; hi <= lo * lo && hi < lo + 300; hi += 7) {
      ASSERT_EQ(static_cast<double>(testref::CountPrimes(lo, hi)), Count(lo, hi)) << lo << " " << hi;
    }
  }
}

TEST(WindowPrimeCountTest, WideWindowNearTenToTheFifteenth) {
  // A window wide enough for the segment of sieving primes to follow the
  // window width instead of the fourth root.
  uint64_t lo = 1000000000000000ULL - 2000000;
  uint64_t hi = lo + 2000000;
  EXPECT_EQ(static_cast<double>(testref::CountPrimes(lo, hi)), Count(lo, hi));
}

}  // namespace
