#include "sieve/PrimeSeries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/Scale.h"
#include "sieve/SieveReference.h"

namespace {

const uint32_t kLimit = 3000000;

// The odd primes up to kLimit, by a plain sieve.
const std::vector<uint32_t>& OddPrimes() {
  static const std::vector<uint32_t> primes = [] {
    std::vector<uint32_t> lpf = ref::LeastFactors(kLimit);
    std::vector<uint32_t> out;
    for (uint32_t n = 3; n <= kLimit; n += 2)
      if (lpf[n] == n) out.push_back(n);
    return out;
  }();
  return primes;
}

std::vector<uint32_t> Expected(double a, double b) {
  const std::vector<uint32_t>& all = OddPrimes();
  auto first = std::upper_bound(all.begin(), all.end(), a);
  auto last = std::upper_bound(all.begin(), all.end(), b);
  if (last < first) last = first;
  return std::vector<uint32_t>(first, last);
}

std::vector<uint32_t> Forward(PrimeSeries& s) {
  std::vector<uint32_t> out;
  s.StartIteration();
  while (s.Next()) out.push_back(static_cast<uint32_t>(s.Current()));
  return out;
}

std::vector<uint32_t> Backward(PrimeSeries& s) {
  std::vector<uint32_t> out;
  s.StartBackward();
  while (s.Previous()) out.push_back(static_cast<uint32_t>(s.Current()));
  return out;
}

TEST(PrimeSeriesTest, BuiltInTableAndItsBorder) {
  PrimeSeries ten(0, 10);
  EXPECT_EQ(ten.GetCount(), 3);
  EXPECT_EQ(Forward(ten), (std::vector<uint32_t>{3, 5, 7}));
  EXPECT_EQ(ten.GetLast(), 7.0);

  PrimeSeries small(0, 22);
  EXPECT_EQ(Forward(small), (std::vector<uint32_t>{3, 5, 7, 11, 13, 17, 19}));
  EXPECT_EQ(Backward(small), (std::vector<uint32_t>{19, 17, 13, 11, 7, 5, 3}));
  EXPECT_EQ(small.Previous(), 0);

  PrimeSeries sieved(0, 23);
  EXPECT_EQ(Forward(sieved), (std::vector<uint32_t>{3, 5, 7, 11, 13, 17, 19, 23}));

  for (double b : {-1.0, 0.0, 1.0, 2.0, 2.5}) {
    PrimeSeries none(0, b);
    EXPECT_EQ(none.GetCount(), 0) << b;
    EXPECT_EQ(none.Next(), 0);
    none.StartBackward();
    EXPECT_EQ(none.Previous(), 0);
    none.Seek(100);
    EXPECT_EQ(none.Next(), 0);
  }
  for (double b = 3; b < 23; b += 1) {
    PrimeSeries s(0, b);
    EXPECT_EQ(Forward(s), Expected(0, b)) << b;
    s.Seek(b);
    EXPECT_EQ(s.Current(), static_cast<double>(Expected(0, b).back()));
    EXPECT_EQ(s.Next(), 0);
  }
}

TEST(PrimeSeriesTest, IntervalsOfTheGuide) {
  PrimeSeries hundred(2, 100);
  EXPECT_EQ(hundred.GetCount(), 24);
  EXPECT_EQ(hundred.GetBase(), 3.0);
  EXPECT_EQ(hundred.GetLast(), 97.0);

  PrimeSeries open(11, 30);
  EXPECT_EQ(Forward(open), (std::vector<uint32_t>{13, 17, 19, 23, 29}));

  hundred.Seek(20);
  EXPECT_EQ(hundred.Current(), 19.0);
  ASSERT_TRUE(hundred.Next());
  EXPECT_EQ(hundred.Current(), 23.0);
  hundred.Seek(23);
  EXPECT_EQ(hundred.Current(), 23.0);
  ASSERT_TRUE(hundred.Next());
  EXPECT_EQ(hundred.Current(), 29.0);
  hundred.Seek(2);
  ASSERT_TRUE(hundred.Next());
  EXPECT_EQ(hundred.Current(), 3.0);

  EXPECT_NEAR(EstimateCount(0, 100), 2.2 * (100 / std::log(100.0) - 2 / std::log(2.0)), 1e-12);
  EXPECT_NEAR(EstimateCount(0, 100), 41.4, 0.05);
}

// Random intervals, many of them starting or ending on a prime: the three
// walks against the plain sieve.
TEST(PrimeSeriesTest, RandomIntervalsWalkForwardBackwardAndFromSeek) {
  const std::vector<uint32_t>& all = OddPrimes();
  ref::Random rnd(2024);
  for (int round = 0; round < testref::Scaled(400); ++round) {
    double a, b;
    const int64_t span = rnd.Range(0, 3) == 0 ? rnd.Range(0, 200000) : rnd.Range(0, 3000);
    a = static_cast<double>(rnd.Range(0, kLimit - 300000));
    b = a + static_cast<double>(span);
    switch (rnd.Range(0, 3)) {
      case 0:  // starts on a prime (excluded)
        a = all[std::upper_bound(all.begin(), all.end(), static_cast<uint32_t>(a)) - all.begin()];
        if (b < a) b = a + 50;
        break;
      case 1:  // ends on a prime (included)
        b = all[std::upper_bound(all.begin(), all.end(), static_cast<uint32_t>(b)) - all.begin()];
        break;
      case 2:  // both
        a = all[std::upper_bound(all.begin(), all.end(), static_cast<uint32_t>(a)) - all.begin()];
        b = all[std::upper_bound(all.begin(), all.end(), static_cast<uint32_t>(a + span)) -
                all.begin()];
        break;
      default:
        break;
    }
    if (rnd.Range(0, 9) == 0) a = static_cast<double>(rnd.Range(0, 3));
    const std::vector<uint32_t> want = Expected(a, b);
    SCOPED_TRACE("(" + std::to_string(a) + ", " + std::to_string(b) + "]");
    PrimeSeries s(a, b);
    ASSERT_EQ(s.GetCount(), static_cast<int32_t>(want.size()));
    ASSERT_EQ(Forward(s), want);
    ASSERT_EQ(Backward(s), std::vector<uint32_t>(want.rbegin(), want.rend()));
    if (!want.empty()) {
      EXPECT_EQ(s.GetBase(), want.front());
      EXPECT_EQ(s.GetLast(), want.back());
    }
    for (int probe = 0; probe < 30; ++probe) {
      double x = a - 5 + static_cast<double>(rnd.Range(0, span + 10));
      if (!want.empty() && probe % 3 == 0) x = want[rnd.Range(0, want.size() - 1)];
      s.StartIteration();
      s.Seek(x);
      const auto above = std::upper_bound(want.begin(), want.end(), x);
      if (above != want.begin()) {
        ASSERT_EQ(s.Current(), *(above - 1)) << "x=" << x;
      }
      // The walk goes on from there: the next primes, then the end.
      for (auto it = above; it != want.end() && it - above < 25; ++it) {
        ASSERT_TRUE(s.Next()) << "x=" << x;
        ASSERT_EQ(s.Current(), *it) << "x=" << x;
      }
      if (want.end() - above < 25) {
        EXPECT_EQ(s.Next(), 0);
      }
    }
  }
}

TEST(PrimeSeriesTest, WalksAreSafeBeyondTheirEnds) {
  PrimeSeries s(100, 130);  // 101 103 107 109 113 127
  s.StartIteration();
  while (s.Next()) {
  }
  EXPECT_EQ(s.Next(), 0);
  EXPECT_EQ(s.Next(), 0);
  ASSERT_TRUE(s.Previous());
  EXPECT_EQ(s.Current(), 127.0);
  ASSERT_TRUE(s.Previous());
  EXPECT_EQ(s.Current(), 113.0);
  s.StartIteration();
  EXPECT_EQ(s.Previous(), 0);
  EXPECT_EQ(s.Previous(), 0);
  ASSERT_TRUE(s.Next());
  EXPECT_EQ(s.Current(), 101.0);
}

// The room computed from the estimates always suffices: no message over many
// intervals, small and large, near and far from 0.
TEST(PrimeSeriesTest, EstimatedRoomSuffices) {
  ref::Random rnd(5);
  testing::internal::CaptureStdout();
  for (int round = 0; round < testref::Scaled(3000); ++round) {
    const double a = static_cast<double>(rnd.Range(0, 1) ? rnd.Range(0, 700) : rnd.Range(0, 2000000));
    const double b = a + static_cast<double>(rnd.Range(1, rnd.Range(0, 1) ? 60 : 5000));
    PrimeSeries s(a, b);
    ASSERT_GE(s.GetMaxNbPrimes(), s.GetCount());
    ASSERT_EQ(s.GetCount(), static_cast<int32_t>(Expected(a, b).size())) << a << " " << b;
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(PrimeSeriesTest, TooSmallRoomKeepsTheFirstPrimes) {
  testing::internal::CaptureStdout();
  PrimeSeries s(1000, 2000, 10);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Pb in PrimeSeries::Run, MaxNbPrimes is too small\n");
  const std::vector<uint32_t> all = Expected(1000, 2000);
  const std::vector<uint32_t> first(all.begin(), all.begin() + 10);
  EXPECT_EQ(s.GetCount(), 10);
  EXPECT_EQ(Forward(s), first);
  EXPECT_EQ(Backward(s), std::vector<uint32_t>(first.rbegin(), first.rend()));
  s.Seek(1900);
  EXPECT_EQ(s.Current(), first.back());
  EXPECT_EQ(s.Next(), 0);

  testing::internal::CaptureStdout();
  PrimeSeries exact(1000, 2000, static_cast<int32_t>(all.size()));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(Forward(exact), all);

  testing::internal::CaptureStdout();
  PrimeSeries none(1000, 2000, 0);
  EXPECT_FALSE(testing::internal::GetCapturedStdout().empty());
  EXPECT_EQ(none.GetCount(), 0);
  EXPECT_EQ(none.Next(), 0);
}

// The first gap above 510 follows 304599508537: its half-gap does not fit a
// byte, so the series ends on the prime before it.
TEST(PrimeSeriesTest, HalfGapAboveAByteEndsTheSeries) {
  const uint64_t p = 304599508537ull;
  const uint64_t q = p + 514;
  ASSERT_TRUE(ref::IsPrimeByTrialDivision(p));
  ASSERT_TRUE(ref::IsPrimeByTrialDivision(q));
  for (uint64_t n = p + 2; n < q; n += 2) ASSERT_FALSE(ref::IsPrimeMillerRabin(n));
  testing::internal::CaptureStdout();
  PrimeSeries s(static_cast<double>(p - 1), static_cast<double>(q + 100));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ERROR in PrimeSeries, delta=257 is too large\n");
  EXPECT_EQ(s.GetCount(), 1);
  s.StartIteration();
  ASSERT_TRUE(s.Next());
  EXPECT_EQ(s.Current(), static_cast<double>(p));
  EXPECT_EQ(s.Next(), 0);
  EXPECT_EQ(s.GetLast(), static_cast<double>(p));
}

}  // namespace
