// The leaf sum of one prime in one window against a brute-force sum, on each
// of its three sources of m, with and without a collected list.
#include "components/SumLeaves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "arith/Integer.h"
#include "common/Factors.h"
#include "components/DComputer.h"
#include "sieve/CBlock.h"
#include "sieve/MBlock.h"
#include "sieve/PrimeSeries.h"

namespace {

typedef long long i64;

using testref::MuBounded;
using testref::SmallestFactors;

// One window (lo, lo + W] of x = 2^6 3^4 5^3 7^2 11 13 17 (many exact
// quotients x/(m p)) with the odd primes below p struck out.
struct Fixture {
  static constexpr i64 kX = 64LL * 81 * 125 * 49 * 11 * 13 * 17;
  i64 y = 0, z = 0;
  double p = 0;
  i64 lo = 0, W = 0;
  std::vector<int32_t> spf;
  std::vector<i64> prefix;  // prefix[d]: unstruck odd n in (lo, lo + d]

  Fixture(double prime, i64 windowLo, i64 width) : p(prime), lo(windowLo), W(width) {
    y = 17025;  // about 4 x^(1/3)
    z = 3 * y;
    spf = SmallestFactors(z + 1);
    std::vector<char> alive(W + 1, 0);
    for (i64 d = 1; d <= W; ++d) {
      i64 n = lo + d;
      if ((n & 1) == 0) continue;
      bool ok = true;
      for (i64 q = 3; q < p && ok; q += 2)
        if (n % q == 0 && n != q && IsPrime(q)) ok = false;
      alive[d] = ok;
    }
    prefix.assign(W + 1, 0);
    for (i64 d = 1; d <= W; ++d) prefix[d] = prefix[d - 1] + alive[d];
  }
  static bool IsPrime(i64 q) { return testref::IsPrimeByTrialDivision(q < 0 ? 0 : q); }
  bool Admissible(i64 m) const { return (m & 1) && spf[m] > p && MuBounded(m, y, spf) != 0; }
  // sum of mu(m) (base + count up to x/(m p)) over admissible m in (a, b].
  double Brute(i64 a, i64 b, double base) const {
    double s = 0;
    for (i64 m = a + 1; m <= b; ++m) {
      if (!Admissible(m)) continue;
      i64 d = kX / (m * static_cast<i64>(p)) - lo;
      s += (base + (d <= 0 ? 0 : prefix[d])) * MuBounded(m, y, spf);
    }
    return s;
  }
  // The m whose leaf lies in the window: lo < x/(m p) <= lo + W.
  void MRange(i64& a, i64& b) const {
    const i64 P = static_cast<i64>(p);
    b = (kX - 1) / (lo * P);          // m p < x / lo
    a = (kX + (lo + W) * P - 1) / ((lo + W) * P) - 1;  // m p >= x / (lo + W)
  }
};

struct Engine {
  DComputer d;
  PrimeSeries t2;
  MBlock mblock;
  CBlock block;
  LeafTables tables;
  Engine(const Fixture& f)
      : d(Integer(static_cast<double>(Fixture::kX)), static_cast<double>(f.y),
          static_cast<double>(f.z), 1.0),
        t2(2.0, std::floor(std::sqrt(static_cast<double>(f.z)))),
        mblock(d.MStep(), static_cast<double>(f.y)),
        block(static_cast<int32_t>(f.W)) {
    d.Prepare();
    tables = d.LeafTablesFor(block, mblock);
    mblock.SetPrimes(&t2);
    block.Reset(static_cast<double>(f.lo), static_cast<double>(f.lo + f.W));
    PrimeSeries below(2.0, f.p - 1.0);
    below.StartIteration();
    while (below.Next()) block.RemoveMultiples(below.Current());
  }
};

// The factor-table limit of the D that every fixture builds (it depends on
// x, y and z only).
i64 TableLimit() {
  Fixture probe(31, 2, 2);
  Engine e(probe);
  return e.tables.tableLimit;
}

// The window of prime p whose leaves have their m in about (mLow, mHigh].
Fixture WindowOfM(i64 p, i64 mLow, i64 mHigh) {
  const i64 lo = Fixture::kX / (p * mHigh) + 1;
  const i64 hi = Fixture::kX / (p * mLow);
  return Fixture(static_cast<double>(p), lo, hi - lo);
}

}  // namespace

TEST(SumLeaves, AllThreeSourcesMatchABruteForceSum) {
  // p = 31: tables below zTableLimit, two-prime enumerator up to 31^3 - 1,
  // Moebius block beyond; a wide window makes the m range straddle both cuts.
  {
    const i64 tl = TableLimit();
    ASSERT_LT(tl, 29791) << "the window must reach the table limit and p^3";
    Fixture f = WindowOfM(31, tl / 2, 40000);
    Engine e(f);
    i64 a, b;
    f.MRange(a, b);
    ASSERT_LT(a, tl);
    ASSERT_GT(b, 29791);
    double sum = 0.0, mLow = static_cast<double>(a);
    Integer result(0.0);
    SumLeaves(e.tables, sum, result, 31, mLow, static_cast<double>(b), 1000.0, LeafList());
    EXPECT_EQ(sum - result.GetApprox(), f.Brute(a, b, 1000.0));
    EXPECT_EQ(mLow, static_cast<double>(b));  // consumed to the end
  }
}

// The leaves of each source are taken in batches: ranges holding several
// batches of m in each source must still give the brute-force sum, with the
// blocks and with a list.
TEST(SumLeaves, SourcesLongerThanABatch) {
  const i64 tl = TableLimit();
  const i64 cube = 31LL * 31 * 31;
  Fixture f = WindowOfM(31, tl / 4, 50000);
  Engine e(f);
  i64 a, b;
  f.MRange(a, b);
  i64 inTables = 0, belowCube = 0, aboveCube = 0;
  std::vector<double> mList;
  std::vector<int8_t> muList;
  for (i64 m = a + 1; m <= b; ++m) {
    if (!f.Admissible(m)) continue;
    if (m < tl) {
      ++inTables;
    } else {
      (m < cube ? belowCube : aboveCube) += 1;
      mList.push_back(static_cast<double>(m));
      muList.push_back(static_cast<int8_t>(MuBounded(m, f.y, f.spf)));
    }
  }
  ASSERT_GT(inTables, 600);
  ASSERT_GT(belowCube, 600);
  ASSERT_GT(aboveCube, 600);
  const double brute = f.Brute(a, b, 7.0);
  double s1 = 0, s2 = 0, l1 = static_cast<double>(a), l2 = static_cast<double>(a);
  Integer r1(0.0), r2(0.0);
  SumLeaves(e.tables, s1, r1, 31, l1, static_cast<double>(b), 7.0, LeafList());
  SumLeaves(e.tables, s2, r2, 31, l2, static_cast<double>(b), 7.0,
            LeafList{mList.data(), muList.data(), static_cast<int32_t>(mList.size())});
  EXPECT_EQ(s1 - r1.GetApprox(), brute);
  EXPECT_EQ(s2 - r2.GetApprox(), brute);
}

TEST(SumLeaves, ListGivesTheSameSumAsTheBlocks) {
  const i64 tl = TableLimit();
  Fixture f = WindowOfM(7, tl / 2, 3 * tl);
  Engine e(f);
  i64 a, b;
  f.MRange(a, b);
  ASSERT_LT(a, tl);
  // list: the admissible m above the tables, increasing, with their weights
  std::vector<double> mList;
  std::vector<int8_t> muList;
  for (i64 m = tl; m <= b + 50; ++m)
    if (f.Admissible(m)) {
      mList.push_back(static_cast<double>(m));
      muList.push_back(static_cast<int8_t>(MuBounded(m, f.y, f.spf)));
    }
  ASSERT_GT(mList.size(), 10u);
  double s1 = 0, s2 = 0, l1 = static_cast<double>(a), l2 = static_cast<double>(a);
  Integer r1(0.0), r2(0.0);
  SumLeaves(e.tables, s1, r1, 7, l1, static_cast<double>(b), 5.0, LeafList());
  SumLeaves(e.tables, s2, r2, 7, l2, static_cast<double>(b), 5.0,
            LeafList{mList.data(), muList.data(), static_cast<int32_t>(mList.size())});
  const double brute = f.Brute(a, b, 5.0);
  EXPECT_EQ(s1 - r1.GetApprox(), brute);
  EXPECT_EQ(s2 - r2.GetApprox(), brute);
  // A list whose last m is not above mLow adds nothing beyond the tables.
  double s3 = 0, l3 = mList.back();
  Integer r3(0.0);
  SumLeaves(e.tables, s3, r3, 7, l3, static_cast<double>(b), 5.0,
            LeafList{mList.data(), muList.data(), static_cast<int32_t>(mList.size())});
  EXPECT_EQ(s3, 0.0);
}

TEST(SumLeaves, BoundsAreWrittenBack) {
  Fixture f(5, 1000000, 5000);
  Engine e(f);
  const double tl = e.tables.tableLimit;
  Integer r(0.0);
  double sum = 0;
  // mLow > mHigh: nothing, mLow unchanged
  double mLow = 20.0;
  SumLeaves(e.tables, sum, r, 5, mLow, 10.0, 0.0, LeafList());
  EXPECT_EQ(mLow, 20.0);
  EXPECT_EQ(sum, 0.0);
  // mLow = mHigh below the tables: nothing added, mLow raised to tl - 1
  mLow = 11.0;
  SumLeaves(e.tables, sum, r, 5, mLow, 11.0, 0.0, LeafList());
  EXPECT_EQ(mLow, tl - 1.0);
  EXPECT_EQ(sum, 0.0);
}

TEST(SumLeaves, LargeSumsMoveIntoTheResult) {
  // A window sum that passes 10^15 on the way out moves into the result
  // (subtracted), and the sum starts again from 0.
  Fixture f(5, 1000000, 20000);
  Engine e(f);
  i64 a, b;
  f.MRange(a, b);
  const double added = f.Brute(a, b, 1e9);
  ASSERT_NE(added, 0.0);
  const double start = added > 0 ? 1e15 : -1e15;
  double sum = start, mLow = static_cast<double>(a);
  Integer result(0.0);
  SumLeaves(e.tables, sum, result, 5, mLow, static_cast<double>(b), 1e9, LeafList());
  EXPECT_EQ(sum, 0.0);
  EXPECT_EQ(result.GetApprox(), -(start + added));
  // below the threshold the sum stays in the double
  double small = 0.0;
  mLow = static_cast<double>(a);
  Integer untouched(0.0);
  SumLeaves(e.tables, small, untouched, 5, mLow, static_cast<double>(b), 1e9, LeafList());
  EXPECT_EQ(small, added);
  EXPECT_EQ(untouched.GetApprox(), 0.0);
}
