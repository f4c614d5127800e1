#include "sieve/MBlock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sieve/PrimeSeries.h"

namespace {

std::vector<int64_t> PrimesUpTo(int64_t n) {
  std::vector<bool> composite(n + 1, false);
  std::vector<int64_t> primes;
  for (int64_t i = 2; i <= n; ++i) {
    if (composite[i]) continue;
    primes.push_back(i);
    for (int64_t j = i * i; j <= n; j += i) composite[j] = true;
  }
  return primes;
}

// Prime factors of n with multiplicity, by trial division.
std::vector<int64_t> Factor(int64_t n, const std::vector<int64_t>& primes) {
  std::vector<int64_t> f;
  for (int64_t p : primes) {
    if (p * p > n) break;
    while (n % p == 0) {
      f.push_back(p);
      n /= p;
    }
  }
  if (n > 1) f.push_back(n);
  return f;
}

// mu(n) when every prime factor of n is at most z, else 0.
int RestrictedMoebius(int64_t n, double z, const std::vector<int64_t>& primes) {
  std::vector<int64_t> f = Factor(n, primes);
  int mu = 1;
  for (size_t i = 0; i < f.size(); ++i) {
    if (static_cast<double>(f[i]) > z) return 0;
    if (i > 0 && f[i] == f[i - 1]) return 0;
    mu = -mu;
  }
  return mu;
}

// Least prime of the table (tableLo, tableHi] dividing n, or 0 when none does.
int64_t LeastTableFactor(int64_t n, int64_t tableLo, int64_t tableHi,
                         const std::vector<int64_t>& primes) {
  for (int64_t f : Factor(n, primes))
    if (f > 2 && f > tableLo && f <= tableHi) return f;
  return 0;
}

struct Entry {
  double n, v, f;
};

std::vector<Entry> Walk(MBlock& block, double limit) {
  std::vector<Entry> out;
  block.StartIteration(limit);
  while (block.Next()) {
    Entry e;
    double v2;
    e.n = block.CurrentWithFactor(e.f, e.v);
    EXPECT_EQ(block.Current(v2), e.n);
    EXPECT_EQ(v2, e.v);
    out.push_back(e);
  }
  EXPECT_EQ(block.Next(), 0);  // stays exhausted
  EXPECT_EQ(block.Next(), 0);
  return out;
}

TEST(MBlockTest, SmallSegments) {
  PrimeSeries three(0, 4);  // the table {3}
  MBlock block(100, 11);
  block.SetPrimes(&three);
  block.RunSieve(1, 11);
  std::vector<Entry> e = Walk(block, 0);
  ASSERT_EQ(e.size(), 5u);
  const double values[] = {-1, -1, -1, 0, -1};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(e[i].n, 3 + 2 * i);
    EXPECT_EQ(e[i].v, values[i]) << e[i].n;
  }
  EXPECT_EQ(e[3].f, 3);  // 9
  EXPECT_EQ(e[4].f, 11);  // a prime outside the table is its own factor

  block.RunSieve(1, 10);
  e = Walk(block, 0);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e.back().n, 9);
  block.RunSieve(10, 21);
  e = Walk(block, 0);
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e.front().n, 11);
  EXPECT_EQ(e.back().n, 21);

  PrimeSeries threeFive(0, 6);  // {3, 5}
  MBlock bounded(200, 10);
  bounded.SetPrimes(&threeFive);
  bounded.RunSieve(0, 60);
  e = Walk(bounded, 0);
  EXPECT_EQ(e[0].n, 1);
  EXPECT_EQ(e[0].v, 1);   // mu(1)
  EXPECT_EQ(e[7].n, 15);
  EXPECT_EQ(e[7].v, 1);   // 3 * 5
  EXPECT_EQ(e[16].n, 33);
  EXPECT_EQ(e[16].v, 0);  // 3 * 11, 11 > z
  EXPECT_EQ(e[22].n, 45);
  EXPECT_EQ(e[22].v, 0);  // 3^2 * 5

  PrimeSeries upTo7(0, 8);
  MBlock wide(200, 1000);
  wide.SetPrimes(&upTo7);
  wide.RunSieve(100, 110);
  e = Walk(wide, 0);
  EXPECT_EQ(e[2].n, 105);
  EXPECT_EQ(e[2].v, -1);  // 3 * 5 * 7
  EXPECT_EQ(e[2].f, 3);

  // Limit 3 with {3, 5}: multiples of 3 (3 itself too) are passed over.
  bounded.RunSieve(0, 30);
  e = Walk(bounded, 3);
  std::vector<double> seen;
  for (const Entry& x : e) seen.push_back(x.n);
  EXPECT_EQ(seen, (std::vector<double>{1, 5, 7, 11, 13, 17, 19, 23, 25, 29}));
}

// Random segments checked against trial division: values, least factors,
// and the limit filter.
TEST(MBlockTest, RandomSegmentsMatchTrialDivision) {
  std::mt19937_64 rng(7001);
  const std::vector<int64_t> primes = PrimesUpTo(1100000);
  const int64_t bases[] = {0, 1, 5000, 999999, 123456789, 1000000000000LL};
  for (int64_t base : bases) {
    for (int round = 0; round < 6; ++round) {
      const int32_t width = 50 + static_cast<int32_t>(rng() % 3000);
      const int64_t start = base + static_cast<int64_t>(rng() % 100000);
      const int64_t end = start + 1 + static_cast<int64_t>(rng() % width);
      // The table covers sqrt(end); z ranges from below the table's top to
      // far above the segment.
      const int64_t root = static_cast<int64_t>(std::sqrt(static_cast<double>(end))) + 1;
      const int64_t tableHi = root + static_cast<int64_t>(rng() % (root + 50));
      const double zs[] = {static_cast<double>(rng() % (root + 2)),
                           static_cast<double>(start + static_cast<int64_t>(rng() % (end - start + 1))),
                           static_cast<double>(end) * 3.0};
      const double z = zs[round % 3];
      PrimeSeries table(0, static_cast<double>(tableHi));
      MBlock block(width, z);
      block.SetPrimes(&table);
      block.RunSieve(static_cast<double>(start), static_cast<double>(end));
      MBlock fused(width, z);
      fused.SetPrimes(&table);

      std::vector<Entry> all = Walk(block, 0);
      int64_t first = start + 1 + (start % 2 == 0 ? 0 : 1);  // first odd n > start
      ASSERT_EQ(all.size(), static_cast<size_t>(first > end ? 0 : (end - first) / 2 + 1))
          << start << " " << end;
      for (size_t i = 0; i < all.size(); ++i) {
        const int64_t n = first + 2 * static_cast<int64_t>(i);
        ASSERT_EQ(all[i].n, static_cast<double>(n));
        ASSERT_EQ(all[i].v, RestrictedMoebius(n, z, primes)) << "n=" << n << " z=" << z;
        int64_t lpf = LeastTableFactor(n, 2, tableHi, primes);
        ASSERT_EQ(all[i].f, static_cast<double>(lpf == 0 ? n : lpf)) << "n=" << n;
      }

      for (double limit : {0.0, 1.0, 3.0, 5.0, 6.0, 11.0, 13.0, 97.0, 1000.0, static_cast<double>(tableHi) + 0.7}) {
        std::vector<Entry> kept = Walk(block, limit);
        std::vector<double> expected;
        for (const Entry& x : all) {
          int64_t n = static_cast<int64_t>(x.n);
          int64_t lpf = LeastTableFactor(n, 2, tableHi, primes);
          if (lpf == 0 || lpf > static_cast<int64_t>(limit)) expected.push_back(x.n);
        }
        std::vector<double> got;
        for (const Entry& x : kept) got.push_back(x.n);
        ASSERT_EQ(got, expected) << "limit " << limit;

        // The sieve with the limit built in walks the same entries with the
        // same values, one by one and in a batch.
        fused.RunSieveAbove(static_cast<double>(start), static_cast<double>(end), limit);
        std::vector<double> fusedN, fusedV;
        while (fused.Next()) {
          double v;
          fusedN.push_back(fused.Current(v));
          fusedV.push_back(v);
        }
        ASSERT_EQ(fusedN, got) << "limit " << limit;
        std::vector<double> keptV, nonzeroN, nonzeroV;
        for (const Entry& x : kept) {
          keptV.push_back(x.v);
          if (x.v != 0) {
            nonzeroN.push_back(x.n);
            nonzeroV.push_back(x.v);
          }
        }
        ASSERT_EQ(fusedV, keptV) << "limit " << limit;
        fused.RunSieveAbove(static_cast<double>(start), static_cast<double>(end), limit);
        std::vector<double> batchN(kept.size() + 1);
        std::vector<int32_t> batchV(kept.size() + 1);
        const int32_t nz = fused.NextNonZero(batchN.data(), batchV.data(), static_cast<int32_t>(batchN.size()));
        ASSERT_EQ(std::vector<double>(batchN.begin(), batchN.begin() + nz), nonzeroN) << "limit " << limit;
        ASSERT_EQ(std::vector<double>(batchV.begin(), batchV.begin() + nz), nonzeroV) << "limit " << limit;

        // The batched walk hands over exactly the kept entries of nonzero
        // value, in order, whatever the batch size; a short batch means the
        // end, after which the one-by-one walk reports the end too.
        for (int32_t batch : {1, 3, 64}) {
          std::vector<double> wantN, wantV;
          for (const Entry& x : kept)
            if (x.v != 0) {
              wantN.push_back(x.n);
              wantV.push_back(x.v);
            }
          block.StartIteration(limit);
          std::vector<double> ns(batch + 1, -7.0), gotN, gotV;
          std::vector<int32_t> vs(batch + 1, -7);
          int32_t k;
          do {
            k = block.NextNonZero(ns.data(), vs.data(), batch);
            ASSERT_LE(k, batch);
            ASSERT_EQ(ns[batch], -7.0);  // nothing written past the batch
            gotN.insert(gotN.end(), ns.begin(), ns.begin() + k);
            gotV.insert(gotV.end(), vs.begin(), vs.begin() + k);
          } while (k == batch);
          ASSERT_EQ(gotN, wantN) << "batch " << batch << " limit " << limit;
          ASSERT_EQ(gotV, wantV) << "batch " << batch << " limit " << limit;
          ASSERT_EQ(block.Next(), 0);
          ASSERT_EQ(block.NextNonZero(ns.data(), vs.data(), batch), 0);
        }

        // Batches and single steps mixed: a batch resumes after the entry
        // the one-by-one walk stopped on.
        if (kept.size() >= 2) {
          block.StartIteration(limit);
          ASSERT_EQ(block.Next(), 1);
          double v0;
          ASSERT_EQ(block.Current(v0), kept[0].n);
          std::vector<double> ns(kept.size() + 1);
          std::vector<int32_t> vs(kept.size() + 1);
          const int32_t k = block.NextNonZero(ns.data(), vs.data(), static_cast<int32_t>(ns.size()));
          std::vector<double> rest;
          for (size_t i = 1; i < kept.size(); ++i)
            if (kept[i].v != 0) rest.push_back(kept[i].n);
          ASSERT_EQ(std::vector<double>(ns.begin(), ns.begin() + k), rest);
        }
      }
    }
  }
}

// A table that starts above 3: least factors are the least table primes.
TEST(MBlockTest, TableWithoutSmallPrimes) {
  const std::vector<int64_t> primes = PrimesUpTo(1000);
  PrimeSeries table(10, 200);
  MBlock block(4000, 1e9);
  block.SetPrimes(&table);
  block.RunSieve(30000, 33000);
  for (double limit : {0.0, 13.0, 50.0}) {
    std::vector<Entry> got = Walk(block, limit);
    size_t k = 0;
    for (int64_t n = 30001; n <= 33000; n += 2) {
      int64_t lpf = LeastTableFactor(n, 10, 200, primes);
      if (limit > 0 && lpf != 0 && lpf <= limit) continue;
      ASSERT_LT(k, got.size());
      ASSERT_EQ(got[k].n, n);
      ASSERT_EQ(got[k].f, lpf == 0 ? n : lpf);
      ++k;
    }
    EXPECT_EQ(k, got.size());
  }
}

TEST(MBlockTest, SegmentsTileTheOddNumbers) {
  PrimeSeries table(0, 400);
  MBlock block(997, 1e6);
  block.SetPrimes(&table);
  std::vector<double> seen;
  double start = 0;
  std::mt19937 rng(3);
  while (start < 150000) {
    double end = start + 1 + rng() % 997;
    block.RunSieve(start, end);
    for (const Entry& e : Walk(block, 0)) seen.push_back(e.n);
    start = end;
  }
  ASSERT_FALSE(seen.empty());
  for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], 1.0 + 2.0 * i);
}

TEST(MBlockTest, OversizedSegmentIsCut) {
  const std::vector<int64_t> primes = PrimesUpTo(1000);
  PrimeSeries table(0, 20);
  MBlock block(10, 1000);  // 6 entries
  block.SetPrimes(&table);
  testing::internal::CaptureStdout();
  block.RunSieve(100, 400);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pb in MBlock::RunSieve\n");
  std::vector<Entry> e = Walk(block, 0);
  ASSERT_EQ(e.size(), 6u);
  for (size_t i = 0; i < e.size(); ++i) {
    EXPECT_EQ(e[i].n, 101 + 2 * i);
    EXPECT_EQ(e[i].v, RestrictedMoebius(101 + 2 * i, 1000, primes));
  }
  // Empty and reversed segments hold nothing.
  block.RunSieve(50, 50);
  EXPECT_TRUE(Walk(block, 0).empty());
  block.RunSieve(51, 52);
  EXPECT_TRUE(Walk(block, 0).empty());
  block.RunSieve(51, 53);
  EXPECT_EQ(Walk(block, 0).size(), 1u);
}

}  // namespace

// A block given a new table sieves with it from the next segment on.
TEST(MBlockTest, NewTableReplacesTheOld) {
  const std::vector<int64_t> primes = PrimesUpTo(1000);
  PrimeSeries small(0, 4);   // {3}
  PrimeSeries large(0, 40);  // 3 .. 37
  MBlock block(400, 1e9);
  block.SetPrimes(&small);
  block.RunSieve(1000, 1300);
  std::vector<Entry> first = Walk(block, 0);
  block.SetPrimes(&large);
  block.RunSieve(1000, 1300);
  std::vector<Entry> second = Walk(block, 0);
  ASSERT_EQ(first.size(), 150u);
  ASSERT_EQ(second.size(), 150u);
  for (size_t i = 0; i < second.size(); ++i) {
    const int64_t n = static_cast<int64_t>(second[i].n);
    const int64_t f3 = LeastTableFactor(n, 2, 3, primes);
    const int64_t f37 = LeastTableFactor(n, 2, 37, primes);
    EXPECT_EQ(first[i].f, static_cast<double>(f3 == 0 ? n : f3)) << n;
    EXPECT_EQ(second[i].f, static_cast<double>(f37 == 0 ? n : f37)) << n;
    EXPECT_EQ(second[i].v, RestrictedMoebius(n, 1e9, primes)) << n;
  }
}
