#include "sieve/Block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "arith/BatchFloor.h"
#include "arith/HotPath.h"
#include "common/LaneCounts.h"
#include "common/Scale.h"
#include "sieve/PrimeSeries.h"
#include "sieve/SieveReference.h"

namespace {

const uint32_t kLimit = 2000000;

const std::vector<uint32_t>& Factors() {
  static const std::vector<uint32_t> lpf = ref::LeastFactors(kLimit);
  return lpf;
}

std::vector<uint32_t> TablePrimes(PrimeSeries& table) {
  std::vector<uint32_t> primes;
  table.StartIteration();
  while (table.Next()) primes.push_back(static_cast<uint32_t>(table.Current()));
  return primes;
}

// An odd n stays unstruck unless some table prime p with p^2 <= n divides it.
bool ExpectUnstruck(uint64_t n, const std::vector<uint32_t>& primes) {
  for (uint64_t p : primes) {
    if (p * p > n) break;
    if (n % p == 0) return false;
  }
  return true;
}

// The unstruck odd n of (start, end], from the reference.
std::vector<uint64_t> Expected(uint64_t start, uint64_t end, const std::vector<uint32_t>& primes) {
  std::vector<uint64_t> out;
  for (uint64_t n = start + 1; n <= end; ++n)
    if ((n & 1) && ExpectUnstruck(n, primes)) out.push_back(n);
  return out;
}

TEST(BlockTest, SmallWindowsOfTheGuide) {
  PrimeSeries upTo7(0, 7);
  Block block(200);
  block.SetPrimes(&upTo7);
  block.RunSieve(0, 100);
  EXPECT_EQ(block.CountAll(), 25.0);  // 1 and the 24 odd primes below 100

  PrimeSeries upTo13(0, 13);
  block.SetPrimes(&upTo13);
  block.RunSieve(100, 200);
  block.BuildCounts();
  EXPECT_EQ(block.CountAll(), 21.0);
  EXPECT_EQ(block.CountUpTo(50), 10.0);
  EXPECT_EQ(block.CountUpTo(0), 0.0);
  EXPECT_EQ(block.CountUpTo(-5), 0.0);
  EXPECT_EQ(block.CountUpTo(1), 1.0);  // 101

  block.RunSieve(101, 201);  // odd start excluded, odd end included
  EXPECT_EQ(block.Lo(), 102.0);
  EXPECT_EQ(block.Hi(), 202.0);
  EXPECT_EQ(block.Count(), 50);
  ASSERT_TRUE(block.Next());
  EXPECT_EQ(block.Current(), 103.0);
}

TEST(BlockTest, ConsecutiveWindowsTileTheOddNumbers) {
  PrimeSeries table(0, 1500);
  Block block(3001);
  block.SetPrimes(&table);
  const auto& lpf = Factors();
  double total = 0;
  uint64_t expected = 0;
  for (uint64_t n = 1; n <= kLimit; n += 2) expected += (lpf[n] == n || n == 1);
  ref::Random rnd(7);
  for (double s = 0; s < kLimit;) {
    double e = s + static_cast<double>(rnd.Range(1, 3000));
    if (e > kLimit) e = kLimit;
    block.RunSieve(s, e);
    total += block.CountAll();
    s = e;
  }
  EXPECT_EQ(total, static_cast<double>(expected));  // the odd primes and 1
}

// Random windows, random tables (some lacking the small primes, some too
// short to sieve fully): counts, prefix counts and both walks.
TEST(BlockTest, RandomWindowsAgainstReference) {
  ref::Random rnd(12345);
  for (int round = 0; round < testref::Scaled(300); ++round) {
    const double width = static_cast<double>(rnd.Range(1, 5000));
    Block block(width);
    const int64_t start = rnd.Range(0, kLimit - 6000);
    const int64_t end = start + rnd.Range(1, static_cast<int64_t>(width));
    const double tableLow = rnd.Range(0, 3) == 0 ? static_cast<double>(rnd.Range(0, 50)) : 0.0;
    const double tableHigh = static_cast<double>(rnd.Range(1, 1500));
    PrimeSeries table(tableLow, tableHigh);
    const std::vector<uint32_t> primes = TablePrimes(table);
    block.SetPrimes(&table);
    block.RunSieve(static_cast<double>(start), static_cast<double>(end));
    const std::vector<uint64_t> want = Expected(start, end, primes);
    SCOPED_TRACE("window (" + std::to_string(start) + ", " + std::to_string(end) + "] table (" +
                 std::to_string(tableLow) + ", " + std::to_string(tableHigh) + "]");

    // Forward walk with its running rank.
    std::vector<uint64_t> got;
    while (block.Next()) {
      got.push_back(static_cast<uint64_t>(block.Current()));
      ASSERT_EQ(block.Rank(), static_cast<double>(got.size()));
    }
    ASSERT_EQ(got, want);
    EXPECT_EQ(block.Next(), 0);  // stays at the end
    // Backward walk from the end.
    std::vector<uint64_t> back;
    while (block.Previous()) back.push_back(static_cast<uint64_t>(block.Current()));
    ASSERT_EQ(back, std::vector<uint64_t>(want.rbegin(), want.rend()));
    EXPECT_EQ(block.Rank(), 0.0);
    EXPECT_EQ(block.Previous(), 0);

    EXPECT_EQ(block.CountAll(), static_cast<double>(want.size()));
    block.BuildCounts();
    const int64_t lo = static_cast<int64_t>(block.Lo());
    for (int probe = 0; probe < 40; ++probe) {
      const int32_t d = static_cast<int32_t>(rnd.Range(-3, end - lo + 10));
      double count = 0;
      for (uint64_t n : want) count += (static_cast<int64_t>(n) <= lo + d);
      ASSERT_EQ(block.CountUpTo(d), count) << "d=" << d;
    }
    EXPECT_EQ(block.CountAll(), static_cast<double>(want.size()));
  }
}

// The count without clamps, at every position of windows ending on both
// sides of a word's edge (32 entries, 64 numbers), against the reference.
TEST(BlockTest, CountInWindowAtEveryPosition) {
  PrimeSeries table(0, 100);
  Block block(400);
  block.SetPrimes(&table);
  for (const int64_t start : {1000, 1001, 1064}) {
    for (const int64_t width : {0, 1, 62, 63, 64, 65, 127, 128, 129, 400}) {
      block.RunSieve(static_cast<double>(start), static_cast<double>(start + width));
      block.BuildCounts();
      const std::vector<uint64_t> want = Expected(start, start + width, TablePrimes(table));
      const int64_t lo = static_cast<int64_t>(block.Lo());
      SCOPED_TRACE("window (" + std::to_string(start) + ", " + std::to_string(start + width) + "]");
      for (int32_t d = -1; d <= 2 * block.Count(); ++d) {
        int32_t count = 0;
        for (uint64_t n : want) count += (static_cast<int64_t>(n) <= lo + d);
        ASSERT_EQ(block.CountInWindow(d), count) << "d=" << d;
      }
    }
  }
}

// The window (1000000, 1004100] sieved by the primes up to 1000, its
// counts built: the batches of counts are checked against its queries.
struct CountedWindow {
  PrimeSeries table{0, 1000};
  Block block{5000};
  CountedWindow() {
    block.SetPrimes(&table);
    block.RunSieve(1000000, 1004100);
    block.BuildCounts();
  }
};

TEST(BlockTest, SummedCountsAtWordEdgesInEveryBatchLength) {
  // The sum over a batch (eight lanes at a time in the AVX-512 copy, the rest
  // one by one) against the counts one by one: positions at the ends of the
  // window and on both sides of each word of 32 entries, in batches of every
  // length up to 19, in any order.
  testref::WithEachLaneCount([] {
    CountedWindow window;
    const Block& block = window.block;
    std::vector<int32_t> positions = {-1, 0, 1, 2 * block.Count(), 2 * block.Count() - 1};
    for (int32_t d = 62; d < 2 * block.Count(); d += 64)
      for (int32_t k = -2; k <= 2; ++k) positions.push_back(d + k);
    const size_t inOrder = positions.size();
    for (size_t i = 0; i < inOrder; ++i) positions.push_back(positions[(i * 7919) % inOrder]);
    for (int32_t n = 0; n <= 19; ++n) {
      for (size_t first = 0; first + n <= positions.size(); first += n + 1) {
        int64_t want = 0;
        for (int32_t t = 0; t < n; ++t) want += block.CountInWindow(positions[first + t]);
        ASSERT_EQ(want, block.SumCountsInWindow(positions.data() + first, n)) << "n=" << n << " from " << first;
      }
    }
  });
}

TEST(BlockTest, SummedCountsOfQuotientsAgreeWithTheOffsetsOrDecline) {
  // The floors and counts of a batch of quotients X / q at once (the AVX-512
  // copy) against the offsets of BatchFloorOffsets counted one by one: the
  // same sum when every quotient is safely inside its band, whatever the
  // batch length, and a refusal, sum untouched, as soon as one quotient of
  // the batch is an integer; a quotient just past the batch never matters.
  // Other copies always decline.
  testref::WithEachLaneCount([] {
    CountedWindow window;
    const Block& block = window.block;
    const double lo = block.Lo();
    const double X = 1004000.0 * 997.0;  // X / 997 is an integer inside the window
    std::vector<double> inv;
    // Quotients from the window's end down to below its start.
    for (double q = 997.03125; inv.size() < 64; q += 0.0625)
      if (!OffsetNeedsExact(X * (1.0 / q), lo)) inv.push_back(1.0 / q);
    const bool v4 = std::string(HotCopyName(ChosenHotCopy())) == "x86-64-v4";
    double near[3] = {1.0 / 997.0, 0.0, 0.0};
    double above = 1004000.0, under = 1004000.0;
    for (int k = 0; k < 3; ++k) above = std::nextafter(above, 2e6), under = std::nextafter(under, 0.0);
    near[1] = above / X;
    near[2] = under / X;
    for (const double edge : near) {
      const double f = X * edge - 1004000.0;
      ASSERT_TRUE(f != 0.0 || edge == near[0]);
      ASSERT_LT(std::fabs(f), 1e-9);  // inside the band of 10^-15 of the quotient
      ASSERT_TRUE(OffsetNeedsExact(X * edge, lo));
    }
    for (const int32_t n : {1, 7, 8, 9, 16, 19, 64}) {
      SCOPED_TRACE("n=" + std::to_string(n));
      int32_t offsets[kFloorBatch + 4];
      ASSERT_FALSE(BatchFloorOffsets(X, inv.data(), lo, n, offsets));
      int64_t want = 0;
      for (int32_t t = 0; t < n; ++t) want += block.CountInWindow(offsets[t]);
      ASSERT_GT(want, 0);
      // Just past the batch, an integer quotient.
      std::vector<double> batch(inv.begin(), inv.begin() + n);
      batch.resize(n + kFloorBatch, 1.0 / 997.0);
      int64_t sum = -1;
      const bool taken = block.SumCountsOfQuotients(X, batch.data(), lo, n, sum);
      EXPECT_TRUE(taken || !v4);
      if (taken) {
        EXPECT_EQ(want, sum);
      }
      // Inside it, the last quotient an integer, or a few units of the last
      // place above or below one.
      for (const double edge : {near[0], near[1], near[2]}) {
        batch[n - 1] = edge;
        sum = -1;
        EXPECT_FALSE(block.SumCountsOfQuotients(X, batch.data(), lo, n, sum));
        EXPECT_EQ(-1, sum);
      }
    }
  });
}

TEST(BlockTest, WalksChangeDirection) {
  PrimeSeries table(0, 100);
  Block block(1000);
  block.SetPrimes(&table);
  block.RunSieve(1000, 1100);  // primes 1009 ... 1097
  ASSERT_TRUE(block.Next());
  ASSERT_TRUE(block.Next());
  EXPECT_EQ(block.Current(), 1013.0);
  ASSERT_TRUE(block.Previous());
  EXPECT_EQ(block.Current(), 1009.0);
  EXPECT_EQ(block.Rank(), 1.0);
  // The rank tallies the successful steps: a failed one leaves it alone.
  EXPECT_EQ(block.Previous(), 0);
  EXPECT_EQ(block.Rank(), 1.0);
  block.StartIteration();
  ASSERT_TRUE(block.Next());
  EXPECT_EQ(block.Current(), 1009.0);
  while (block.Next()) {
  }
  EXPECT_EQ(block.Count(), 50);
  EXPECT_EQ(block.Rank(), 16.0);  // 16 primes in (1000, 1100]
  ASSERT_TRUE(block.Previous());
  EXPECT_EQ(block.Current(), 1097.0);
  EXPECT_EQ(block.Rank(), 15.0);
}

TEST(BlockTest, EmptyAndTinyWindows) {
  PrimeSeries table(0, 30);
  Block block(10);
  block.SetPrimes(&table);
  block.RunSieve(20, 21);
  EXPECT_EQ(block.Count(), 1);
  EXPECT_EQ(block.CountAll(), 0.0);  // 21 is struck
  block.RunSieve(22, 23);
  block.BuildCounts();
  EXPECT_EQ(block.CountAll(), 1.0);
  EXPECT_EQ(block.CountUpTo(1), 1.0);
  EXPECT_EQ(block.CountUpTo(1000), 1.0);
  block.RunSieve(22, 22);
  EXPECT_EQ(block.Count(), 0);
  EXPECT_EQ(block.Next(), 0);
  EXPECT_EQ(block.Previous(), 0);
  EXPECT_EQ(block.CountAll(), 0.0);
  block.BuildCounts();
  EXPECT_EQ(block.CountUpTo(5), 0.0);
}

// A window wider than the block is reported and only the part that fits is
// sieved; nothing is written past the bits (checked by the sanitizer build).
TEST(BlockTest, OversizedWindowIsClampedToTheCapacity) {
  PrimeSeries table(0, 100);
  Block block(100);
  block.SetPrimes(&table);
  testing::internal::CaptureStdout();
  block.RunSieve(1000, 9000);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Pb in Block::RunSieve\n");
  ASSERT_EQ(block.Count(), static_cast<int32_t>(block.Capacity()));
  EXPECT_EQ(block.Hi(), 1000 + 2 * block.Capacity());
  const std::vector<uint64_t> want =
      Expected(1000, static_cast<uint64_t>(block.Hi()), TablePrimes(table));
  EXPECT_EQ(block.CountAll(), static_cast<double>(want.size()));
  block.BuildCounts();
  EXPECT_EQ(block.CountUpTo(1 << 30), static_cast<double>(want.size()));
  std::vector<uint64_t> got;
  block.StartIteration();
  while (block.Next()) got.push_back(static_cast<uint64_t>(block.Current()));
  EXPECT_EQ(got, want);
}

TEST(BlockTest, FractionalStartIsReported) {
  PrimeSeries table(0, 10);
  Block block(100);
  block.SetPrimes(&table);
  testing::internal::CaptureStdout();
  block.RunSieve(10.5, 50);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pb in RunSieve, Start is not an integer\n");
  ASSERT_TRUE(block.Next());
  EXPECT_EQ(block.Current(), 11.0);
}

// Reference Moebius value of an odd n restricted to factors <= L.
void MoebiusReference(uint32_t n, double L, int* mu, uint32_t* least) {
  const auto& lpf = Factors();
  *least = 0;
  if (n == 1) {
    *mu = 1;
    return;
  }
  if (lpf[n] != n && lpf[n] <= L) *least = (lpf[n] - 1) / 2;
  int value = 1;
  for (uint32_t m = n; m > 1;) {
    const uint32_t p = lpf[m];
    m /= p;
    if (p > L || m % p == 0) {
      *mu = 0;
      return;
    }
    value = -value;
  }
  *mu = value;
}

TEST(BlockTest, MoebiusTableOfTheGuide) {
  std::vector<uint16_t> lpf(15);
  std::vector<int8_t> mu(15);
  Block block(30);
  block.RunMoebiusSieve(30, lpf.data(), mu.data(), 5);
  EXPECT_EQ(mu[7], 1);   // 15
  EXPECT_EQ(mu[4], 0);   // 9
  EXPECT_EQ(mu[12], 0);  // 25
  EXPECT_EQ(mu[10], 0);  // 21 = 3 * 7, 7 > 5
  EXPECT_EQ(mu[1], -1);  // 3
  EXPECT_EQ(lpf[7], 1);  // 15: entry of 3
  EXPECT_EQ(lpf[12], 2); // 25: entry of 5
}

TEST(BlockTest, MoebiusTablesAgainstFactorisation) {
  ref::Random rnd(99);
  for (int round = 0; round < testref::Scaled(40); ++round) {
    const int32_t N = static_cast<int32_t>(rnd.Range(1, 200000));
    const double L = static_cast<double>(rnd.Range(1, 2000));
    const int32_t half = N / 2;
    std::vector<uint16_t> lpf(half + 1, 7777);
    std::vector<int8_t> mu(half + 1, 99);
    Block block(N + rnd.Range(0, 100));
    block.RunMoebiusSieve(N, lpf.data(), mu.data(), L);
    SCOPED_TRACE("N=" + std::to_string(N) + " L=" + std::to_string(L));
    for (int32_t i = 0; i < half; ++i) {
      const uint32_t n = 2 * i + 1;
      int wantMu;
      uint32_t wantLeast;
      MoebiusReference(n, L, &wantMu, &wantLeast);
      ASSERT_EQ(mu[i], wantMu) << "n=" << n;
      ASSERT_EQ(lpf[i], wantLeast) << "n=" << n;
      // Struck: 1 and the multiples of the primes up to L, not the primes.
      const auto& f = Factors();
      const bool struck = n == 1 || (f[n] != n && f[n] <= L);
      ASSERT_EQ(block.IsStruck(i), struck) << "n=" << n;
    }
    EXPECT_EQ(mu[half], 99);  // nothing written past N/2 entries
    EXPECT_EQ(block.Count(), half);
  }
}

TEST(BlockTest, MoebiusTableLargerThanTheBlockIsReported) {
  std::vector<uint16_t> lpf(500);
  std::vector<int8_t> mu(500);
  Block block(100);
  testing::internal::CaptureStdout();
  block.RunMoebiusSieve(1000, lpf.data(), mu.data(), 50);
  EXPECT_FALSE(testing::internal::GetCapturedStdout().empty());
  const int32_t fits = static_cast<int32_t>(block.Capacity());
  for (int32_t i = 0; i < 500; ++i) {
    int wantMu;
    uint32_t wantLeast;
    MoebiusReference(2 * i + 1, 50, &wantMu, &wantLeast);
    if (i < fits) {
      ASSERT_EQ(mu[i], wantMu);
    } else {
      ASSERT_EQ(mu[i], 0);
    }
  }
}

}  // namespace
