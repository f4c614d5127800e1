#include "sieve/LargeBlock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "arith/Integer.h"
#include "common/Scale.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"
#include "sieve/SieveReference.h"

namespace {

Integer Big(uint64_t v) {
  Integer n(static_cast<double>(v / 1000000));
  n.Multiply(1e6);
  n.Add(static_cast<double>(v % 1000000));
  return n;
}

// The unstruck odd numbers of the window above lo, read from the bits.
std::vector<uint64_t> Unstruck(const LargeBlock& large, uint64_t lo) {
  const uint64_t L = lo + (lo & 1);
  std::vector<uint64_t> out;
  for (int32_t k = 0; k < large.Count(); ++k)
    if (!large.IsStruck(k)) out.push_back(L + 1 + 2 * static_cast<uint64_t>(k));
  return out;
}

// Counts the primes of (lo, hi] the way the verification does: the primes up
// to sqrt(hi) come from a Block walked over them segment by segment.
std::vector<uint64_t> SievePrimes(uint64_t lo, uint64_t hi, double segment) {
  const double s2 = std::floor(std::sqrt(static_cast<double>(hi)));
  PrimeSeries table(2, std::floor(std::sqrt(s2)) + 1);
  Block block(segment);
  block.SetPrimes(&table);
  LargeBlock large(static_cast<double>(hi - lo));
  large.SetBlock(&block);
  const Integer L = Big(lo);
  const Integer H = Big(hi);
  for (double s = 2; s < s2;) {
    const double e = s + segment >= s2 ? s2 : s + segment;
    block.RunSieve(s, e);
    large.RunSieve(L, H, s == 2 ? 1 : 0);
    s = e;
  }
  if (s2 <= 2) large.RunSieve(L, H, 1);
  std::vector<uint64_t> out = Unstruck(large, lo);
  // The walk agrees with the bits.
  int32_t n = 0;
  large.StartIteration();
  while (large.Next()) ++n;
  EXPECT_EQ(n, static_cast<int32_t>(out.size()));
  return out;
}

std::vector<uint64_t> OddPrimesByMillerRabin(uint64_t lo, uint64_t hi) {
  std::vector<uint64_t> out;
  for (uint64_t n = lo + 1; n <= hi; ++n)
    if ((n & 1) && ref::IsPrimeMillerRabin(n)) out.push_back(n);
  return out;
}

TEST(LargeBlockTest, SmallWindowOfTheGuide) {
  PrimeSeries table(0, 3);
  Block block(20);
  block.SetPrimes(&table);
  block.RunSieve(2, 11);  // yields 3 5 7 11
  LargeBlock large(30);
  large.SetBlock(&block);
  large.RunSieve(Integer(100), Integer(130), 1);
  EXPECT_EQ(Unstruck(large, 100), (std::vector<uint64_t>{101, 103, 107, 109, 113, 127}));
  int n = 0;
  large.StartIteration();
  while (large.Next()) ++n;
  EXPECT_EQ(n, 6);
  EXPECT_EQ(large.Next(), 0);

  // Odd lo is excluded, odd hi included.
  large.RunSieve(Integer(101), Integer(131), 1);
  EXPECT_EQ(Unstruck(large, 101), (std::vector<uint64_t>{103, 107, 109, 113, 127, 131}));
  large.RunSieve(Integer(101), Integer(130), 1);
  EXPECT_EQ(large.Count(), 14);  // 103 ... 129
}

TEST(LargeBlockTest, StrikesAccumulateWithoutClear) {
  PrimeSeries table(0, 3);
  Block block(20);
  block.SetPrimes(&table);
  LargeBlock large(100);
  large.SetBlock(&block);
  block.RunSieve(2, 5);  // 3 5
  large.RunSieve(Integer(1000), Integer(1100), 1);
  block.RunSieve(5, 11);  // 7 11
  large.RunSieve(Integer(1000), Integer(1100), 0);
  std::vector<uint64_t> want;
  for (uint64_t n = 1001; n <= 1100; n += 2)
    if (n % 3 && n % 5 && n % 7 && n % 11) want.push_back(n);
  EXPECT_EQ(Unstruck(large, 1000), want);
  // A fresh clear forgets them.
  block.RunSieve(2, 3);
  large.RunSieve(Integer(1000), Integer(1100), 1);
  want.clear();
  for (uint64_t n = 1001; n <= 1100; n += 2)
    if (n % 3) want.push_back(n);
  EXPECT_EQ(Unstruck(large, 1000), want);
}

// A prime larger than the window strikes at most one entry; a window holding
// sieving primes keeps them.
TEST(LargeBlockTest, LargePrimesAndWindowsBelowTheSievingPrimes) {
  PrimeSeries table(0, 40);
  Block block(2000);
  block.SetPrimes(&table);
  block.RunSieve(1000, 1100);  // primes 1009 ... 1097
  LargeBlock large(10);
  large.SetBlock(&block);
  const uint64_t lo = 1009ull * 1000003ull - 4;  // 1009 divides lo + 4
  large.RunSieve(Big(lo), Big(lo + 10), 1);
  std::vector<uint64_t> want;
  for (uint64_t n = lo + 2; n <= lo + 10; n += 2) {  // lo is odd
    bool struck = false;
    for (uint64_t p = 1009; p <= 1097; p += 2)
      if (ref::IsPrimeByTrialDivision(p) && n % p == 0) struck = true;
    if (!struck) want.push_back(n);
  }
  EXPECT_EQ(Unstruck(large, lo), want);

  std::vector<uint64_t> withOne = OddPrimesByMillerRabin(0, 1000);
  withOne.insert(withOne.begin(), 1);  // 1 is never struck, as in a Block
  EXPECT_EQ(SievePrimes(0, 1000, 64), withOne);
  EXPECT_EQ(SievePrimes(1, 1000, 64), OddPrimesByMillerRabin(1, 1000));
  EXPECT_EQ(SievePrimes(1, 2, 64), std::vector<uint64_t>{});
  EXPECT_EQ(SievePrimes(2, 3, 64), std::vector<uint64_t>{3});
}

TEST(LargeBlockTest, RandomWindowsAgainstMillerRabin) {
  ref::Random rnd(4242);
  for (int round = 0; round < testref::Scaled(60); ++round) {
    const int digits = static_cast<int>(rnd.Range(3, 14));
    const uint64_t lo = static_cast<uint64_t>(rnd.Range(0, static_cast<int64_t>(std::pow(10.0, digits))));
    const uint64_t hi = lo + static_cast<uint64_t>(rnd.Range(1, 20000));
    const double segment = static_cast<double>(rnd.Range(8, 5000));
    SCOPED_TRACE("(" + std::to_string(lo) + ", " + std::to_string(hi) + "] segment " +
                 std::to_string(segment));
    ASSERT_EQ(SievePrimes(lo, hi, segment), OddPrimesByMillerRabin(lo, hi));
  }
}

// Beyond 2^64 the remainders come from the Integer itself: windows above
// 10^20 against 128-bit remainders for the primes up to 10^4.
TEST(LargeBlockTest, WindowsBeyondSixtyFourBits) {
  PrimeSeries table(0, 100);
  Block block(10000);
  block.SetPrimes(&table);
  block.RunSieve(2, 10000);
  std::vector<uint64_t> primes;
  for (uint64_t p = 3; p <= 10000; p += 2)
    if (ref::IsPrimeByTrialDivision(p)) primes.push_back(p);
  ref::Random rnd(8);
  for (int round = 0; round < 6; ++round) {
    const uint64_t offset = static_cast<uint64_t>(rnd.Range(0, 1000000000));
    const uint64_t width = static_cast<uint64_t>(rnd.Range(1, 3000));
    const unsigned __int128 lo = static_cast<unsigned __int128>(100000000000000000000.0) + offset;
    Integer L(1e20);
    L.Add(static_cast<double>(offset));
    Integer H = L;
    H.Add(static_cast<double>(width));
    LargeBlock large(static_cast<double>(width));
    large.SetBlock(&block);
    large.RunSieve(L, H, 1);
    const unsigned __int128 first = lo + 1 + (lo & 1);  // first odd above lo
    int32_t unstruck = 0;
    for (int32_t k = 0; k < large.Count(); ++k) {
      const unsigned __int128 n = first + 2 * static_cast<unsigned __int128>(k);
      bool struck = false;
      for (uint64_t p : primes)
        if (n % p == 0) struck = true;
      ASSERT_EQ(large.IsStruck(k), struck) << "offset " << offset << " entry " << k;
      unstruck += !struck;
    }
    EXPECT_EQ(large.Count(), static_cast<int32_t>((lo + width + ((lo + width) & 1) - lo - (lo & 1)) / 2));
    int32_t n = 0;
    large.StartIteration();
    while (large.Next()) ++n;
    EXPECT_EQ(n, unstruck);
  }
}

TEST(LargeBlockTest, OversizedWindowIsClampedToTheCapacity) {
  PrimeSeries table(0, 10);
  Block block(200);
  block.SetPrimes(&table);
  block.RunSieve(2, 100);
  LargeBlock large(50);
  large.SetBlock(&block);
  testing::internal::CaptureStdout();
  large.RunSieve(Integer(100000), Integer(101000), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Pb in LargeBlock::RunSieve, Size is too large\n");
  ASSERT_EQ(large.Count(), static_cast<int32_t>(large.Capacity()));
  const uint64_t top = 100000 + 2 * static_cast<uint64_t>(large.Count());
  std::vector<uint64_t> want;
  for (uint64_t n = 100001; n <= top; n += 2) {
    bool struck = false;
    for (uint64_t p = 3; p < 100; p += 2)
      if (ref::IsPrimeByTrialDivision(p) && n % p == 0) struck = true;
    if (!struck) want.push_back(n);
  }
  EXPECT_EQ(Unstruck(large, 100000), want);
}

}  // namespace
