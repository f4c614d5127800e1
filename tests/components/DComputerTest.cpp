// The D component against its defining sum computed by brute force, its
// independence of the window length and of the split of its interval, and
// the agreement of its start and end checksums across a split.
#include "components/DComputer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "arith/Integer.h"
#include "common/Factors.h"
#include "common/Scale.h"

namespace {

typedef long long i64;

i64 ISqrt(i64 v) {
  i64 r = static_cast<i64>(std::sqrt(static_cast<double>(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}

using testref::MuBounded;
using testref::SmallestFactors;

// lowerBound of the components: max(floor(x^(1/4)), floor(x / y^2)).
i64 LowerBound(i64 x, i64 y) {
  i64 a = ISqrt(ISqrt(x));
  i64 b = x / (y * y);
  return a > b ? a : b;
}

// -sum over odd primes p <= lowerBound and odd m, z/p < m <= min(z, x/p^3),
// m > p, least prime factor of m above p, of mu_y(m) phi(x/(m p), pi(p) - 1),
// restricted to the leaves with lo < x/(m p) <= hi.
i64 BruteD(i64 x, i64 y, i64 z, i64 lo, i64 hi) {
  const i64 lb = LowerBound(x, y);
  const i64 V = x / z + 1;
  std::vector<int32_t> spf = SmallestFactors(std::max(z, V) + 1);
  // alive[n]: n has no prime factor below the current p (1 included).
  std::vector<char> alive(V + 1, 1);
  alive[0] = 0;
  for (i64 n = 2; n <= V; n += 2) alive[n] = 0;
  std::vector<i64> prefix(V + 1, 0);
  i64 D = 0;
  i64 prevPrime = 2;
  for (i64 p = 3; p <= lb; p += 2) {
    if (spf[p] != p) continue;
    for (i64 q = prevPrime; q < p; ++q)  // strike the multiples of the primes in [prev, p)
      if (q > 2 && spf[q] == q)
        for (i64 n = q; n <= V; n += q)
          if (spf[n] == q) alive[n] = 0;
    prevPrime = p;
    for (i64 n = 1; n <= V; ++n) prefix[n] = prefix[n - 1] + alive[n];
    const i64 mMax = std::min(z, x / (p * p * p));
    for (i64 m = p + 1; m <= mMax; ++m) {
      if ((m & 1) == 0 || m * p <= z) continue;
      if (spf[m] <= p) continue;
      const int mu = MuBounded(m, y, spf);
      if (mu == 0) continue;
      const i64 mp = m * p;
      if (!(static_cast<__int128>(lo) * mp < x && x <= static_cast<__int128>(hi) * mp)) continue;
      D -= mu * prefix[x / mp];
    }
  }
  return D;
}

// A D component over a chosen interval instead of its whole range.
class RangedD : public DComputer {
 public:
  RangedD(const Integer& x, double y, double z, double blockFactor, double start, double end)
      : DComputer(x, y, z, blockFactor), start_(start), end_(end) {}
  void GetRange(double& start, double& end) override {
    start = start_;
    end = end_;
  }
  double Lower() const { return lowerBound; }
  // The per-prime counts a run would start from at rangeStart = s.
  void StartAt(double s) {
    rangeStart = s;
    Prepare();
    InitRangeCount();
  }

 private:
  double start_, end_;
};

i64 RunD(i64 x, double y, double z, double blockFactor) {
  DComputer d(Integer(static_cast<double>(x)), y, z, blockFactor);
  d.TimedRun();
  Integer r;
  d.GetResult(&r);
  return static_cast<i64>(r.GetApprox());
}

struct Range {
  double start, end;
};

Range FullRange(i64 x, double y, double z) {
  DComputer d(Integer(static_cast<double>(x)), y, z, 1.0);
  Range r;
  d.GetRange(r.start, r.end);
  return r;
}

}  // namespace

TEST(DComputer, KnownValuesFromTheLeafBookkeeping) {
  // The per-prime counts must move on for every prime of a window, also for
  // the primes without leaves in it.
  EXPECT_EQ(RunD(90154, 129, 139, 0.25), 6256);
  EXPECT_EQ(BruteD(90154, 129, 139, -1, 1LL << 40), 6256);
}

TEST(DComputer, MatchesTheDefiningSumForRandomParameters) {
  std::mt19937_64 rng(20240611);
  for (int iter = 0; iter < testref::Scaled(150); ++iter) {
    // log-uniform x in [10^3, 10^9]
    const double e = 3.0 + 6.0 * std::uniform_real_distribution<double>(0, 1)(rng);
    const i64 x = static_cast<i64>(std::pow(10.0, e));
    const i64 s = ISqrt(x);
    i64 yMin = static_cast<i64>(std::cbrt(static_cast<double>(x)));
    while (yMin * yMin * yMin <= x) ++yMin;
    if (yMin > s - 1) continue;
    const i64 y = std::uniform_int_distribution<i64>(yMin, s - 1)(rng);
    if (y * y >= x) continue;
    const i64 z = std::uniform_int_distribution<i64>(y, s - 1 > y ? s - 1 : y)(rng);
    if (z * z >= x) continue;
    const double factors[] = {0.25, 1.0, 3.0};
    const double bf = factors[iter % 3];
    SCOPED_TRACE(::testing::Message() << "x=" << x << " y=" << y << " z=" << z << " bf=" << bf);
    EXPECT_EQ(RunD(x, y, z, bf), BruteD(x, y, z, -1, 1LL << 50));
  }
}

TEST(DComputer, ResultDoesNotDependOnTheWindowLength) {
  const i64 x = 123456789;
  const double y = 1000, z = 2400;
  const i64 ref = BruteD(x, 1000, 2400, -1, 1LL << 50);
  for (double bf : {0.1, 0.5, 1.0, 2.0, 8.0}) {
    SCOPED_TRACE(bf);
    EXPECT_EQ(RunD(x, y, z, bf), ref);
  }
}

TEST(DComputer, ChecksumsAgreeAcrossASplitOfTheInterval) {
  // (10, 127] as (10, 122] then (122, 127]: the prime 11 has 11^2 =
  // ceil(14641 / 122) and enters both checksums.
  const Integer x(14641.0);
  RangedD first(x, 48, 115, 1.0, 10, 122);
  first.TimedRun();
  RangedD second(x, 48, 115, 1.0, 122, 127);
  second.TimedRun();
  double a1, b1, a2, b2;
  first.GetPiBounds(&a1, &b1);
  second.GetPiBounds(&a2, &b2);
  EXPECT_EQ(b1, a2);
  EXPECT_EQ(b1, 169.0);  // the checksum's value, not only the chaining
  Integer r1, r2;
  first.GetResult(&r1);
  second.GetResult(&r2);
  EXPECT_EQ(r1.GetApprox() + r2.GetApprox(), static_cast<double>(BruteD(14641, 48, 115, 10, 127)));
  EXPECT_EQ(r2.GetApprox(), static_cast<double>(BruteD(14641, 48, 115, 122, 127)));
}

TEST(DComputer, RandomSplitsAddUpAndChain) {
  std::mt19937_64 rng(77);
  struct Case {
    i64 x;
    double y, z, bf;
  } cases[] = {{3000000, 300, 700, 0.5}, {987654321, 2100, 5000, 1.0}, {20000000, 600, 600, 0.3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    const Integer x(static_cast<double>(c.x));
    const Range r = FullRange(c.x, c.y, c.z);
    const i64 total = BruteD(c.x, static_cast<i64>(c.y), static_cast<i64>(c.z), -1, 1LL << 50);
    for (int split = 0; split < 3; ++split) {
      // Three cut points inside the interval; the pieces run on fresh objects.
      std::vector<double> cuts = {r.start, r.end};
      for (int k = 0; k < 3; ++k)
        cuts.push_back(std::floor(std::uniform_real_distribution<double>(r.start, r.end)(rng)));
      std::sort(cuts.begin(), cuts.end());
      cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
      double sum = 0.0, previousEnd = -1.0;
      for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        RangedD d(x, c.y, c.z, c.bf, cuts[k], cuts[k + 1]);
        d.TimedRun();
        Integer piece;
        d.GetResult(&piece);
        sum += piece.GetApprox();
        double a, b;
        d.GetPiBounds(&a, &b);
        if (previousEnd >= 0.0 && b != 0.0) {
          EXPECT_EQ(a, previousEnd) << "cut " << cuts[k];
        }
        previousEnd = b != 0.0 ? b : -1.0;
      }
      EXPECT_EQ(sum, static_cast<double>(total));
    }
  }
}

TEST(DComputer, CountsAtTheStartAgreeBetweenSievingAndTheRecurrence) {
  // For a start at or above lowerBound the counts come from phi(s, k);
  // below, from sieving (0, s]. Both must be what a run from 0 leaves behind.
  const i64 xs[] = {5000000, 400000000};
  for (i64 xv : xs) {
    const Integer x(static_cast<double>(xv));
    const double y = std::floor(2.0 * std::cbrt(static_cast<double>(xv)));
    const double z = std::floor(2.4 * y);
    const Range r = FullRange(xv, y, z);
    const i64 lb = LowerBound(xv, static_cast<i64>(y));
    std::vector<int32_t> spf = SmallestFactors(lb);
    std::vector<double> oddPrimes;
    for (i64 n = 3; n <= lb; n += 2)
      if (spf[n] == n) oddPrimes.push_back(static_cast<double>(n));
    const double starts[] = {static_cast<double>(lb - 7), static_cast<double>(lb),
                             r.start + 1.0, std::floor((r.start + r.end) / 2), r.end - 1.0};
    for (double s : starts) {
      SCOPED_TRACE(::testing::Message() << "x=" << xv << " s=" << s);
      RangedD swept(x, y, z, 1.0, 0.0, s);
      swept.TimedRun();
      RangedD jumped(x, y, z, 1.0, s, r.end);
      jumped.StartAt(s);
      ASSERT_EQ(jumped.PhiCount(), static_cast<int32_t>(oddPrimes.size()));
      const double Q = std::ceil(static_cast<double>(xv) / s);
      int32_t used = 0;
      for (int32_t b = 0; b < jumped.PhiCount(); ++b) {
        const double p = oddPrimes[b];
        if (p * p > Q) break;  // only the primes the windows from s on still read
        EXPECT_EQ(jumped.PhiAcc()[b], swept.PhiAcc()[b]) << "p=" << p;
        ++used;
      }
      EXPECT_GT(used, 0);
    }
  }
}

TEST(DComputer, EmptyIntervalReturnsAtOnce) {
  // ceil(x/s) - 1 = ceil(x/e) - 1: no product m p has a leaf in (s, e].
  const Integer x(1000000.0);
  RangedD none(x, 200, 480, 1.0, 600000, 700000);
  none.TimedRun();
  Integer r;
  none.GetResult(&r);
  double a, b;
  none.GetPiBounds(&a, &b);
  EXPECT_EQ(r.GetApprox(), 0.0);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
  EXPECT_FALSE(none.TablesBuilt());
  // A single candidate n = 2, even: ceil(x/s) - 1 = 2 and ceil(x/e) - 1 = 1.
  RangedD even(x, 200, 480, 1.0, 333334, 500000);
  even.TimedRun();
  EXPECT_FALSE(even.TablesBuilt());
}

TEST(DComputer, StartAtZeroSievesNothingBeforeTheRun) {
  const Integer x(1000000.0);
  RangedD d(x, 200, 480, 1.0, 0, 2083);
  d.StartAt(0);
  for (int32_t b = 0; b < d.PhiCount(); ++b) EXPECT_EQ(d.PhiAcc()[b], 0.0);
  d.TimedRun();
  Integer r;
  d.GetResult(&r);
  EXPECT_EQ(r.GetApprox(), static_cast<double>(BruteD(1000000, 200, 480, 0, 2083)));
}

TEST(DComputer, ListsTooShortAreReportedAndTheResultStaysExact) {
  // A tiny window: the m collected for a group of windows outnumber the
  // lists. Both messages appear, nothing is written past the lists, and the
  // group falls back to enumerating its m window by window.
  testing::internal::CaptureStdout();
  const i64 d = RunD(1000000000, 2000, 4800, 0.005);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Error in DComputer::Run, mIndex is too large\n"), std::string::npos);
  EXPECT_NE(out.find("pb in Compute_CountFirst, Delta3 is too small\n"), std::string::npos);
  EXPECT_EQ(d, BruteD(1000000000, 2000, 4800, -1, 1LL << 40));
}
