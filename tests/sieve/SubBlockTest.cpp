#include "sieve/SubBlock.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "sieve/PrimeSeries.h"
#include "sieve/SieveReference.h"

namespace {

std::vector<uint64_t> TablePrimes(PrimeSeries& table) {
  std::vector<uint64_t> primes;
  table.StartIteration();
  while (table.Next()) primes.push_back(static_cast<uint64_t>(table.Current()));
  return primes;
}

// The class members of (start, end] and which of them a table strikes: every
// multiple of a table prime p with p^2 <= hi, hi being the first member above end.
struct Window {
  std::vector<uint64_t> members;
  std::vector<bool> struck;
};

Window Reference(uint64_t M, uint64_t r, uint64_t start, uint64_t end,
                 const std::vector<uint64_t>& primes) {
  Window w;
  uint64_t n = start + 1;
  while (n % M != r) ++n;
  for (; n <= end; n += M) w.members.push_back(n);
  const uint64_t hi = n;
  for (uint64_t m : w.members) {
    bool struck = false;
    for (uint64_t p : primes) {
      if (p * p > hi) break;
      if (m % p == 0) struck = true;
    }
    w.struck.push_back(struck);
  }
  return w;
}

std::vector<uint64_t> Coprime(uint64_t M) {
  std::vector<uint64_t> out;
  for (uint64_t r = 1; r < M; ++r)
    if (std::gcd(r, M) == 1) out.push_back(r);
  return out;
}

TEST(SubBlockTest, InverseTables) {
  SubBlock sub(30, 1, 100);
  EXPECT_EQ(sub.Mult(7), 13.0);
  EXPECT_EQ(sub.Quot(7), 3.0);
  EXPECT_EQ(sub.Mult(0), 0.0);
  EXPECT_EQ(sub.Mult(6), 0.0);
  for (double M : {6.0, 30.0, 210.0}) {
    for (uint64_t r : Coprime(static_cast<uint64_t>(M))) {
      SubBlock s(M, static_cast<double>(r), 10);
      for (int32_t i = 0; i < M; ++i) {
        if (std::gcd(static_cast<uint64_t>(i), static_cast<uint64_t>(M)) != 1) {
          EXPECT_EQ(s.Mult(i), 0.0);
          continue;
        }
        const uint64_t k = static_cast<uint64_t>(s.Mult(i));
        ASSERT_GE(k, 1u);
        ASSERT_EQ(k * i % static_cast<uint64_t>(M), r) << M << " " << r << " " << i;
        for (uint64_t smaller = 1; smaller < k; ++smaller)
          ASSERT_NE(smaller * i % static_cast<uint64_t>(M), r);
        ASSERT_EQ(s.Quot(i) * M + r, static_cast<double>(k * i));
      }
    }
  }
}

TEST(SubBlockTest, WindowOfTheGuide) {
  PrimeSeries table(5, 19);  // 7 11 13 17 19
  SubBlock sub(30, 7, 20);
  sub.SetPrimes(&table);
  sub.RunSieve(100, 400);
  EXPECT_EQ(sub.Lo(), 127.0);
  EXPECT_EQ(sub.Hi(), 427.0);
  EXPECT_EQ(sub.Count(), 10);
  EXPECT_EQ(sub.CountAll(), 7.0);

  sub.RunSieve(100, 400);
  int32_t k = -1;
  EXPECT_EQ(sub.CountTo(200, k), 1);
  EXPECT_EQ(k, 2);
  EXPECT_EQ(sub.CountTo(300, k), 1);
  EXPECT_EQ(k, 1);
  EXPECT_EQ(sub.CountTo(1000, k), 0);
  EXPECT_EQ(k, 4);
  EXPECT_EQ(sub.Rank(), 7);
  EXPECT_EQ(sub.Next(), 0);
  EXPECT_EQ(sub.CountTo(2000, k), 0);
  EXPECT_EQ(k, 0);

  sub.RunSieve(100, 120);  // no member of the class
  EXPECT_EQ(sub.Count(), 0);
  EXPECT_EQ(sub.CountAll(), 0.0);
  EXPECT_EQ(sub.CountTo(500, k), 0);
  EXPECT_EQ(k, 0);
  EXPECT_EQ(sub.Next(), 0);
}

// The cursor walk written out entry by entry: k for each bound, the return
// value, and the members left for Next.
struct CursorModel {
  const std::vector<bool>& struck;
  int pos = -1;
  int CountTo(int end, int* k) {
    const int count = static_cast<int>(struck.size());
    ++pos;
    *k = 0;
    while (pos < end) {
      while (pos < count && struck[pos]) ++pos;
      if (pos < end) {
        ++*k;
        ++pos;
      }
    }
    if (pos >= count) {
      pos = count;
      return 0;
    }
    --pos;
    return 1;
  }
};

// Every residue class of the wheels 6, 30 and 210, random windows and tables
// (with and without the wheel's own primes, long and short): CountAll, then
// CountTo with rising bounds, then Next to the end.
TEST(SubBlockTest, EveryResidueOfThreeWheelsAgainstReference) {
  ref::Random rnd(31);
  for (uint64_t M : {6u, 30u, 210u}) {
    for (uint64_t r : Coprime(M)) {
      for (int round = 0; round < (M == 210 ? 4 : 25); ++round) {
        const int64_t room = rnd.Range(1, 400);
        SubBlock sub(static_cast<double>(M), static_cast<double>(r), static_cast<int32_t>(room));
        const uint64_t start = static_cast<uint64_t>(rnd.Range(0, 3000000));
        const uint64_t end = start + static_cast<uint64_t>(rnd.Range(1, room * static_cast<int64_t>(M) - 1));
        const double low = rnd.Range(0, 1) ? 0.0 : 7.0;
        const double high = static_cast<double>(rnd.Range(0, 4) ? 1800 : rnd.Range(1, 300));
        PrimeSeries table(low, high);
        const std::vector<uint64_t> primes = TablePrimes(table);
        sub.SetPrimes(&table);
        const Window w = Reference(M, r, start, end, primes);
        SCOPED_TRACE("M=" + std::to_string(M) + " r=" + std::to_string(r) + " window (" +
                     std::to_string(start) + ", " + std::to_string(end) + "] table (" +
                     std::to_string(low) + ", " + std::to_string(high) + "]");
        sub.RunSieve(static_cast<double>(start), static_cast<double>(end));
        ASSERT_EQ(sub.Count(), static_cast<int32_t>(w.members.size()));
        if (!w.members.empty()) {
          ASSERT_EQ(sub.Lo(), static_cast<double>(w.members.front()));
        }
        double all = 0;
        for (bool s : w.struck) all += !s;
        ASSERT_EQ(sub.CountAll(), all);
        ASSERT_EQ(sub.Rank(), static_cast<int32_t>(all));

        sub.RunSieve(static_cast<double>(start), static_cast<double>(end));
        CursorModel model{w.struck};
        double bound = static_cast<double>(start) - static_cast<double>(rnd.Range(0, 3 * M));
        int32_t total = 0;
        for (int step = 0; step < 12; ++step) {
          bound += static_cast<double>(rnd.Range(0, (end - start) / 6 + 2));
          int upto = 0;
          while (upto < static_cast<int>(w.members.size()) && w.members[upto] <= bound) ++upto;
          int wantK;
          const int want = model.CountTo(upto, &wantK);
          int32_t k = -1;
          ASSERT_EQ(sub.CountTo(bound, k), want) << "bound " << bound;
          ASSERT_EQ(k, wantK) << "bound " << bound;
          total += k;
          ASSERT_EQ(sub.Rank(), total);
        }
        // Next yields the members the cursor has not passed yet.
        int32_t nexts = 0;
        while (sub.Next()) ++nexts;
        int32_t left = 0;
        for (int i = model.pos + 1; i < static_cast<int>(w.struck.size()); ++i) left += !w.struck[i];
        ASSERT_EQ(nexts, left);
        ASSERT_EQ(sub.Rank(), static_cast<int32_t>(all));
        ASSERT_EQ(sub.Next(), 0);
      }
    }
  }
}

// Counts by word: CountBelow(e) against the reference for every e of random
// windows of all classes of the wheels 6, 30 and 210, on a second window too
// (counts rebuilt), and the first member as First() M + r.
TEST(SubBlockTest, CountBelowEveryEntry) {
  ref::Random rnd(57);
  for (uint64_t M : {6u, 30u, 210u}) {
    for (uint64_t r : Coprime(M)) {
      const int64_t room = rnd.Range(1, 300);
      SubBlock sub(static_cast<double>(M), static_cast<double>(r), static_cast<int32_t>(room));
      PrimeSeries table(0.0, static_cast<double>(rnd.Range(1, 1800)));
      const std::vector<uint64_t> primes = TablePrimes(table);
      sub.SetPrimes(&table);
      for (int round = 0; round < 2; ++round) {
        const uint64_t start = static_cast<uint64_t>(rnd.Range(0, 3000000));
        const uint64_t end = start + static_cast<uint64_t>(rnd.Range(1, room * static_cast<int64_t>(M) - 1));
        const Window w = Reference(M, r, start, end, primes);
        SCOPED_TRACE("M=" + std::to_string(M) + " r=" + std::to_string(r) + " start=" +
                     std::to_string(start) + " end=" + std::to_string(end));
        sub.RunSieve(static_cast<double>(start), static_cast<double>(end));
        sub.BuildCounts();
        ASSERT_EQ(sub.Count(), static_cast<int32_t>(w.members.size()));
        if (!w.members.empty()) {
          EXPECT_EQ(sub.First() * static_cast<double>(M) + static_cast<double>(r),
                    static_cast<double>(w.members.front()));
        }
        int32_t want = 0;
        for (int32_t e = 0; e <= sub.Count(); ++e) {
          ASSERT_EQ(sub.CountBelow(e), want) << "e=" << e;
          if (e < sub.Count() && !w.struck[e]) ++want;
        }
      }
    }
  }
}

// On a window with all primes up to its square root, the unstruck members
// are its primes: the eight classes modulo 30 add up to a known count.
TEST(SubBlockTest, WheelOfThirtyCountsPrimes) {
  const uint64_t X = 3000000;
  PrimeSeries table(5, 1733);
  double total = 3;  // 2, 3, 5
  total += table.GetCount();
  for (uint64_t r : Coprime(30)) {
    SubBlock sub(30, static_cast<double>(r), 5000);
    sub.SetPrimes(&table);
    for (double lo = 1733; lo < X;) {
      const double hi = lo + 30 * 4999 < X ? lo + 30 * 4999 : X;
      sub.RunSieve(lo, hi);
      total += sub.CountAll();
      lo = hi;
    }
  }
  EXPECT_EQ(total, 216816.0);  // pi(3 * 10^6)
}

// Windows of a million members and more, struck in several cache-sized
// stretches: the larger primes carry their next entry from one stretch to the
// next. The eight classes modulo 30 count the primes up to 10^8, then one
// class is checked entry by entry against a plain sieve near 10^8.
TEST(SubBlockTest, LongWindowsAcrossStretches) {
  const uint64_t X = 100000000;
  PrimeSeries table(5, 10000);
  const int32_t room = 1200000;
  double total = 3;  // 2, 3, 5
  total += table.GetCount();
  for (uint64_t r : Coprime(30)) {
    SubBlock sub(30, static_cast<double>(r), room);
    sub.SetPrimes(&table);
    for (double lo = 10000; lo < X;) {
      const double hi = lo + 30.0 * (room - 1) < X ? lo + 30.0 * (room - 1) : X;
      sub.RunSieve(lo, hi);
      total += sub.CountAll();
      lo = hi;
    }
  }
  EXPECT_EQ(total, 5761455.0);  // pi(10^8)

  const uint64_t start = X - 30 * 1100000, end = X;
  std::vector<bool> composite(end - start + 1, false);  // n = start + i
  for (uint64_t p = 2; p * p <= end; ++p) {
    for (uint64_t n = (start + p - 1) / p * p; n <= end; n += p)
      if (n != p) composite[n - start] = true;
  }
  SubBlock sub(30, 13, room);
  sub.SetPrimes(&table);
  sub.RunSieve(static_cast<double>(start), static_cast<double>(end));
  int32_t members = 0;
  for (uint64_t n = start + 1; n <= end; ++n) {
    if (n % 30 != 13) continue;
    ++members;
    int32_t k = -1;
    sub.CountTo(static_cast<double>(n), k);
    ASSERT_EQ(k, composite[n - start] ? 0 : 1) << "n = " << n;
  }
  EXPECT_EQ(sub.Count(), members);
}

TEST(SubBlockTest, OversizedWindowIsClampedToTheCapacity) {
  PrimeSeries table(5, 40);
  SubBlock sub(30, 7, 5);
  sub.SetPrimes(&table);
  testing::internal::CaptureStdout();
  sub.RunSieve(0, 3000);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pb in SubBlock::RunSieve, _Size is too big\n");
  EXPECT_EQ(sub.Count(), 5);
  EXPECT_EQ(sub.Lo(), 7.0);
  EXPECT_EQ(sub.Hi(), 157.0);
  // 7 37 67 97 127: 7 itself is a multiple of a table prime.
  EXPECT_EQ(sub.CountAll(), 4.0);
  int32_t k;
  testing::internal::CaptureStdout();
  sub.RunSieve(0, 3000);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(sub.CountTo(1e6, k), 0);
  EXPECT_EQ(k, 4);
}

}  // namespace
