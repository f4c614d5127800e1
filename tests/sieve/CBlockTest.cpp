#include "arith/HotPath.h"
#include "common/LaneCounts.h"
#include "common/Scale.h"
#include "sieve/CBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<int64_t> OddPrimesUpTo(int64_t n) {
  std::vector<bool> composite(n + 1, false);
  std::vector<int64_t> primes;
  for (int64_t i = 2; i <= n; ++i) {
    if (composite[i]) continue;
    if (i > 2) primes.push_back(i);
    for (int64_t j = i * i; j <= n; j += i) composite[j] = true;
  }
  return primes;
}

// Plain model of a window: one flag per odd integer of (lo, hi], and prefix
// counts rebuilt after every change.
struct Model {
  int64_t lo = 0, hi = 0;
  std::vector<bool> struck;
  std::vector<int32_t> prefix;  // prefix[k]: unstruck among positions 0 .. k-1

  void Rebuild() {
    prefix.assign(struck.size() + 1, 0);
    for (size_t k = 0; k < struck.size(); ++k) prefix[k + 1] = prefix[k] + (struck[k] ? 0 : 1);
  }
  void Reset(int64_t a, int64_t b) {
    lo = (a % 2 == 0) ? a : a + 1;
    hi = (b % 2 == 0) ? b : b + 1;
    struck.assign(hi > lo ? (hi - lo) / 2 : 0, false);
    Rebuild();
  }
  void Remove(int64_t p) {
    for (size_t k = 0; k < struck.size(); ++k) {
      int64_t n = lo + 2 * static_cast<int64_t>(k) + 1;
      if (n % p == 0 && n >= p * p) struck[k] = true;
    }
    Rebuild();
  }
  int32_t CountUpTo(int64_t d) const {
    // odd n = lo + 2k + 1 <= lo + d  <=>  k <= (d - 1) / 2
    if (d <= 0) return 0;
    int64_t q = (d - 1) / 2 + 1;
    if (q > static_cast<int64_t>(struck.size())) q = struck.size();
    return prefix[q];
  }
};

TEST(CBlockTest, WindowBoundsAndSmallCounts) {
  CBlock block(1000);
  block.Reset(10, 20);
  EXPECT_EQ(block.Lo(), 10.0);
  EXPECT_EQ(block.Hi(), 20.0);
  EXPECT_EQ(block.Positions(), 5);
  block.Reset(11, 21);
  EXPECT_EQ(block.Lo(), 12.0);
  EXPECT_EQ(block.Hi(), 22.0);
  EXPECT_EQ(block.Positions(), 5);

  block.Reset(0, 100);
  EXPECT_EQ(block.CountUpTo(-5), 0);
  EXPECT_EQ(block.CountUpTo(0), 0);
  EXPECT_EQ(block.CountUpTo(1), 1);
  EXPECT_EQ(block.CountUpTo(2), 1);
  EXPECT_EQ(block.CountUpTo(100), 50);
  block.RemoveMultiples(3);
  block.RemoveMultiples(5);
  EXPECT_EQ(block.CountUpTo(100), 28);
  EXPECT_EQ(block.CountUpTo(9), 4);    // 1 3 5 7, and 9 struck
  EXPECT_EQ(block.CountUpTo(25), 9);   // 1 3 5 7 11 13 17 19 23
  block.RemoveMultiples(7);            // 49 77 91
  EXPECT_EQ(block.CountUpTo(100), 25);
  EXPECT_EQ(block.CountUpTo(49), 15);
  block.RemoveMultiples(11);           // 121 > hi: nothing to strike
  EXPECT_EQ(block.CountUpTo(100), 25);
}

TEST(CBlockTest, SizesFollowTheRequestedLength) {
  CBlock small(10);  // raised to 256: capacity 129, one chunk
  small.Reset(0, 258);  // 129 positions: exactly the capacity
  EXPECT_EQ(small.Positions(), 129);
  EXPECT_EQ(small.CountUpTo(258), 129);

  CBlock big(1 << 20);  // capacity 2^19 + 1
  big.Reset(0, 1 << 20);
  EXPECT_EQ(big.Positions(), 1 << 19);
  EXPECT_EQ(big.CountUpTo(1 << 20), 1 << 19);

  // n + 2 integers and up to 28 before the window, a byte per 30 in chunks
  // of 32 bytes (960 integers) with two counts each, and one spare count.
  EXPECT_EQ(CBlock::MemorySize(10), 1 * 40 + 4);
  EXPECT_EQ(CBlock::MemorySize(930), 1 * 40 + 4);
  EXPECT_EQ(CBlock::MemorySize(932), 2 * 40 + 4);
  EXPECT_EQ(CBlock::MemorySize(1 << 20), 1093 * 40 + 4);
}

// Random windows, random increasing primes, queries interleaved with the
// strikes.
TEST(CBlockTest, RandomInterleavingsMatchAPlainSieve) {
  // The primes below 64 strike from patterns, two chunks at a time where the
  // processor counts bits in vector lanes: both ways.
  testref::WithEachLaneCount([] {
    std::mt19937_64 rng(20240611);
    const std::vector<int64_t> primes = OddPrimesUpTo(200000);
    const int32_t lengths[] = {256, 300, 1000, 4096, 5000, 65536};
    for (int32_t n : lengths) {
      CBlock block(n);
      Model model;
      for (int round = 0; round < testref::Scaled(30); ++round) {
        const int64_t bases[] = {0, 1000, 123457, 999999999999LL, 1000000000000001LL};
        const int64_t a = bases[rng() % 5] + static_cast<int64_t>(rng() % 100000);
        const int64_t width = static_cast<int64_t>(rng() % (n + 1));
        block.Reset(static_cast<double>(a), static_cast<double>(a + width));
        model.Reset(a, a + width);
        ASSERT_EQ(block.Lo(), static_cast<double>(model.lo));
        ASSERT_EQ(block.Positions(), static_cast<int32_t>(model.struck.size()));
        const int32_t span = 2 * block.Positions();

        size_t k = 0;
        while (k < primes.size() && primes[k] < 3000) {
          for (int t = 0; t < 3; ++t) {
            int32_t d = static_cast<int32_t>(rng() % (span + 3)) - 1;
            ASSERT_EQ(block.CountUpTo(d), model.CountUpTo(d))
                << "n=" << n << " a=" << a << " width=" << width << " d=" << d
                << " before p=" << primes[k];
          }
          ASSERT_EQ(block.CountUpTo(span), model.CountUpTo(span));
          block.RemoveMultiples(static_cast<double>(primes[k]));
          model.Remove(primes[k]);
          // Some primes from 67 on are skipped: the order stays increasing.
          k += primes[k] < 64 ? 1 : 1 + rng() % 3;
        }
        for (int32_t d = -1; d <= span; d += 1 + static_cast<int32_t>(rng() % 7))
          ASSERT_EQ(block.CountUpTo(d), model.CountUpTo(d)) << "final d=" << d;
      }
    }
  });
}

// Windows starting at 0 with every odd prime struck in turn: the count before
// striking p is the number of survivors of the smaller primes, which a plain
// sieve gives directly, whatever the order of the queries between strikes.
TEST(CBlockTest, QueryOrderDoesNotChangeCounts) {
  const std::vector<int64_t> primes = OddPrimesUpTo(400);
  CBlock block(100000);
  std::vector<int32_t> ds = {1, 2, 3, 17, 31, 32, 33, 64, 65, 1023, 1024, 1025, 4097, 77777, 99999, 100000};
  std::vector<int32_t> first;
  std::mt19937_64 rng(7);
  for (int order = 0; order < 3; ++order) {
    if (order == 1) std::reverse(ds.begin(), ds.end());
    block.Reset(0, 100000);
    std::vector<int32_t> counts;
    for (int64_t p : primes) {
      if (order == 2) std::shuffle(ds.begin(), ds.end(), rng);
      std::vector<int32_t> byD(100001, -1);
      for (int32_t d : ds) byD[d] = block.CountUpTo(d);
      for (int32_t d : byD)
        if (d >= 0) counts.push_back(d);
      block.RemoveMultiples(static_cast<double>(p));
    }
    for (int32_t d = 0; d <= 100000; d += 997) counts.push_back(block.CountUpTo(d));
    if (first.empty())
      first = counts;
    else
      ASSERT_EQ(counts, first) << "order " << order;
  }
  // After all primes up to 400 (> sqrt(100000)): 1 and the odd primes below 10^5.
  EXPECT_EQ(block.CountUpTo(100000), 1 + 9592 - 1);
}

TEST(CBlockTest, WindowsOfZeroOneAndTwoPositions) {
  CBlock block(256);
  for (int64_t a : {0LL, 7LL, 8LL, 24LL, 25LL, 48LL, 120LL, 1000000LL}) {
    for (int64_t width = 0; width <= 4; ++width) {
      Model model;
      block.Reset(static_cast<double>(a), static_cast<double>(a + width));
      model.Reset(a, a + width);
      ASSERT_EQ(block.Positions(), static_cast<int32_t>(model.struck.size()));
      ASSERT_LE(block.Positions(), 2);
      for (int64_t p : {3, 5, 7, 11, 13, 1009}) {
        for (int32_t d = -1; d <= 2 * block.Positions(); ++d)
          ASSERT_EQ(block.CountUpTo(d), model.CountUpTo(d)) << a << " " << width << " " << p;
        block.RemoveMultiples(static_cast<double>(p));
        model.Remove(p);
      }
      ASSERT_EQ(block.CountUpTo(4), model.CountUpTo(4));
    }
  }
}

TEST(CBlockTest, OversizedWindowIsCutToCapacity) {
  CBlock block(300);  // capacity 151
  testing::internal::CaptureStdout();
  block.Reset(1000, 2000);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Pb in CBlock::Reset()\n");
  EXPECT_EQ(block.Positions(), 151);
  EXPECT_EQ(block.Hi(), 1000.0 + 2 * 151);
  Model model;
  model.Reset(1000, 1000 + 2 * 151);
  for (int64_t p : {3, 5, 7, 11, 13, 17}) {
    block.RemoveMultiples(static_cast<double>(p));
    model.Remove(p);
  }
  for (int32_t d = 0; d <= 1000; d += 7) EXPECT_EQ(block.CountUpTo(d), model.CountUpTo(d)) << d;

  // Capacity a whole chunk (n = 1022: 512 positions): the count of a full
  // window, and of one position less, which reads the chunk's last word whole.
  CBlock exact(1022);
  exact.Reset(0, 1024);
  EXPECT_EQ(exact.Positions(), 512);
  EXPECT_EQ(exact.CountUpTo(1024), 512);
  testing::internal::CaptureStdout();
  exact.Reset(0, 1026);
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Pb in CBlock::Reset()\n");
  EXPECT_EQ(exact.Positions(), 512);
  model.Reset(0, 1024);
  for (int64_t p : {3, 5, 7}) {
    exact.RemoveMultiples(static_cast<double>(p));
    model.Remove(p);
  }
  EXPECT_EQ(exact.CountUpTo(1026), model.CountUpTo(1024));
  EXPECT_EQ(exact.CountUpTo(1024), model.CountUpTo(1024));
  EXPECT_EQ(exact.CountUpTo(1022), model.CountUpTo(1022));
  EXPECT_EQ(exact.CountUpTo(1021), model.CountUpTo(1021));
}

// Windows that hold the squares of the small primes, so that a prime's first
// strike lies far into the window (beyond a whole word of positions); each
// count is checked after each prime.
TEST(CBlockTest, FirstStrikeDeepInsideTheWindow) {
  const std::vector<int64_t> primes = OddPrimesUpTo(140);
  for (int32_t n : {256, 4000, 20000}) {
    CBlock block(n);
    for (int64_t a : {0LL, 1LL, 8LL, 63LL, 130LL, 1000LL, 2047LL, 3500LL}) {
      Model model;
      block.Reset(static_cast<double>(a), static_cast<double>(a + n));
      model.Reset(a, a + n);
      for (int64_t p : primes) {
        block.RemoveMultiples(static_cast<double>(p));
        model.Remove(p);
        for (int32_t d = 0; d <= 2 * block.Positions() + 1; d += 7)
          ASSERT_EQ(block.CountUpTo(d), model.CountUpTo(d))
              << "n=" << n << " a=" << a << " after p=" << p << " d=" << d;
      }
    }
  }
}

// The counts per chunk against a plain recount: windows from every even
// offset to the multiple of 30 below them, ending on, just before and just
// after a chunk's end, random increasing primes (patterns, steps below a
// chunk and above), the queries of each prime in decreasing order, as the
// leaf sums ask them, then in random order.
TEST(CBlockTest, ChunkEdgesInAnyOrder) {
  std::mt19937_64 rng(20261209);
  const std::vector<int64_t> primes = OddPrimesUpTo(1100);  // squares up to past the windows
  constexpr int64_t kChunk = 30 << (CBlock::kChunkShift - 3);  // integers of a chunk
  CBlock block(4 * kChunk + 64);
  Model model;
  for (int64_t chunks : {1, 3, 4}) {
    for (int64_t end : {-2, 0, 2}) {
      const int64_t base = 30 * (40000 + static_cast<int64_t>(rng() % 5000));
      const int64_t a = base + 2 * static_cast<int64_t>(rng() % 15);
      const int64_t b = base + chunks * kChunk + end;
      block.Reset(static_cast<double>(a), static_cast<double>(b));
      model.Reset(a, b);
      // Every query meets a word edge (240 integers), or the window's end.
      std::vector<int32_t> ds;
      for (int64_t e = 0; e <= chunks * kChunk + 2; e += 240)
        for (int64_t off : {-2, -1, 0, 1, 2}) ds.push_back(static_cast<int32_t>(base + e + off - a));
      for (size_t k = 0; k < primes.size(); k += primes[k] < 64 ? 1 : 1 + rng() % 12) {
        std::sort(ds.rbegin(), ds.rend());
        for (int pass = 0; pass < 2; ++pass) {
          for (int32_t d : ds)
            ASSERT_EQ(block.CountUpTo(d), model.CountUpTo(d))
                << "chunks=" << chunks << " end=" << end << " a=" << a << " before p=" << primes[k] << " d=" << d;
          std::shuffle(ds.begin(), ds.end(), rng);
        }
        block.RemoveMultiples(static_cast<double>(primes[k]));
        model.Remove(primes[k]);
      }
    }
  }
}

TEST(CBlockTest, PrefixGrowsInStepsOfAnyLength) {
  // The prefix of the chunk counts is extended sixteen chunks at a time in
  // the AVX-512 copy, four at a time in the others, then one by one: after
  // each strike, queries at the first and last positions of chunks, climbing
  // by steps of 1 to 40 chunks from any chunk, so that the prefix grows from
  // every remainder to every remainder, in windows of 15, 16, 17, 32 and 33
  // chunks.
  std::mt19937_64 rng(20261210);
  const std::vector<int64_t> primes = OddPrimesUpTo(260);
  constexpr int64_t kChunk = 30 << (CBlock::kChunkShift - 3);  // integers of a chunk
  CBlock block(33 * kChunk + 64);
  Model model;
  for (int64_t chunks : {15, 16, 17, 32, 33}) {
    const int64_t base = 30 * (1000 + static_cast<int64_t>(rng() % 100));
    const int64_t a = base + 2 * static_cast<int64_t>(rng() % 15);
    const int64_t b = base + chunks * kChunk;
    block.Reset(static_cast<double>(a), static_cast<double>(b));
    model.Reset(a, b);
    for (int64_t p : primes) {
      for (int round = 0; round < 3; ++round) {
        for (int64_t c = static_cast<int64_t>(rng() % 8); c < chunks; c += 1 + static_cast<int64_t>(rng() % 40)) {
          for (int64_t e : {c * kChunk + 1, (c + 1) * kChunk}) {
            const int32_t d = static_cast<int32_t>(base + e - a);
            ASSERT_EQ(block.CountUpTo(d), model.CountUpTo(d))
                << "chunks=" << chunks << " a=" << a << " before p=" << p << " d=" << d;
          }
        }
      }
      block.RemoveMultiples(static_cast<double>(p));
      model.Remove(p);
    }
  }
}

TEST(CBlockTest, WeightedBatchesAgreeWithTheQueriesOneByOne) {
  // The eight-lane sums of the AVX-512 copy against weight times the count
  // of each query: positions on both sides of every word edge, in both
  // halves of the chunks, at and past the window's ends, in batches of every
  // length up to 19 and of 256, before each prime is struck. The batch is
  // taken in that copy once 13 is struck; before, and in the other copies,
  // it is declined with the sum untouched.
  testref::WithEachLaneCount([] {
    std::mt19937_64 rng(20261210);
    const std::vector<int64_t> primes = OddPrimesUpTo(1100);
    constexpr int64_t kChunk = 30 << (CBlock::kChunkShift - 3);
    CBlock block(5 * kChunk);
    const bool v4 = std::string(HotCopyName(ChosenHotCopy())) == "x86-64-v4";
    for (int64_t end : {-2, 0, 2}) {
      const int64_t base = 30 * (40000 + static_cast<int64_t>(rng() % 5000));
      const int64_t a = base + 2 * static_cast<int64_t>(rng() % 15);
      block.Reset(static_cast<double>(a), static_cast<double>(base + 4 * kChunk + end));
      std::vector<int32_t> ds = {-3, 0};
      for (int64_t e = 0; e <= 4 * kChunk + 40; e += 240)
        for (int64_t off : {-2, -1, 0, 1, 2}) ds.push_back(static_cast<int32_t>(base + e + off - a));
      std::shuffle(ds.begin(), ds.end(), rng);
      while (ds.size() < 256) ds.push_back(ds[rng() % ds.size()]);
      std::vector<int32_t> weights(ds.size());
      for (int32_t& w : weights) w = static_cast<int32_t>(rng() % 4) - 1;
      for (size_t k = 0; k < primes.size(); ++k) {
        for (int32_t n = 1; n <= 256; n = n < 19 ? n + 1 : 256) {
          for (size_t first = 0; first + n <= ds.size(); first += n == 256 ? 256 : 37) {
            int64_t want = 0;
            for (int32_t t = 0; t < n; ++t) want += weights[first + t] * block.CountUpTo(ds[first + t]);
            int64_t sum = -1;
            const bool taken = block.SumWeightedCounts(ds.data() + first, weights.data() + first, n, sum);
            ASSERT_EQ(v4 && primes[k] > 13, taken) << "before p=" << primes[k];
            ASSERT_EQ(taken ? want : -1, sum) << "end=" << end << " before p=" << primes[k] << " n=" << n;
          }
          if (n == 256) break;
        }
        block.RemoveMultiples(static_cast<double>(primes[k]));
      }
    }
  });
}

}  // namespace
