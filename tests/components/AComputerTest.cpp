#include "components/AComputer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "auxcount/SmallPi.h"
#include "common/Scale.h"
#include "components/BruteForce.h"

namespace {

using brute::u64;

const brute::Sieve& Primes() {
  static const brute::Sieve sieve(400000);  // covers sqrt(x) for x <= 1.6e11
  return sieve;
}

std::string RunA(u64 x, u64 y) {
  AComputer a(Integer(static_cast<double>(x)), static_cast<double>(y), 1.0);
  a.TimedRun();
  Integer r;
  a.GetResult(&r);
  return brute::Text(r);
}

std::string ExpectedA(u64 x, u64 y) { return brute::Text(brute::A(brute::Params(x, y), Primes())); }

// The window walk of the component: first quotient, window width, count.
struct Walk {
  u64 start, end, width;
};
Walk WalkOf(u64 x, u64 y) {
  brute::Params P(x, y);
  Walk w;
  w.start = brute::Isqrt(x / P.cubeRootX);
  w.end = x / (P.lowerBound * P.lowerBound);
  double s = std::sqrt(static_cast<double>(x) / static_cast<double>(y));
  u64 L = 8.0 * s >= 240000.0 ? 240000 : 8 * static_cast<u64>(std::floor(s));
  w.width = 8 * L;
  return w;
}

TEST(AComputer, SmallCaseWithOddFirstWindow) {
  // rangeStart is 215 here, and the pair (59, 151) has quotient 1122 with
  // 1123 prime: the count must stop at 1122.
  const u64 x = 10000000;
  const u64 y = static_cast<u64>(DefaultY(Integer(1e7)));
  ASSERT_EQ(y, 430u);
  EXPECT_EQ(WalkOf(x, y).start, 215u);
  EXPECT_EQ(ExpectedA(x, y), "118968");
  EXPECT_EQ(RunA(x, y), "118968");
}

TEST(AComputer, RandomArgumentsMatchTheDefinition) {
  std::mt19937_64 rng(20240611);
  int oddMultiWindow = 0;
  for (int i = 0; i < testref::Scaled(60); ++i) {
    u64 x = brute::RandomX(1e4, 2e10, rng);
    u64 y = (i % 3 == 0) ? static_cast<u64>(DefaultY(Integer(static_cast<double>(x))))
                         : brute::RandomY(x, rng);
    if (y * y >= x) continue;
    Walk w = WalkOf(x, y);
    if (w.start % 2 == 1 && w.end > w.start + w.width) ++oddMultiWindow;
    EXPECT_EQ(RunA(x, y), ExpectedA(x, y)) << "x=" << x << " y=" << y;
  }
  // The sample must exercise windows that start at an odd number.
  EXPECT_GE(oddMultiWindow, 3);
}

TEST(AComputer, LargerArguments) {
  std::mt19937_64 rng(77);
  for (int i = 0; i < 4; ++i) {
    u64 x = brute::RandomX(3e10, 1e11, rng);
    u64 y = i < 2 ? static_cast<u64>(DefaultY(Integer(static_cast<double>(x))))
                  : brute::RandomY(x, rng);
    EXPECT_EQ(RunA(x, y), ExpectedA(x, y)) << "x=" << x << " y=" << y;
  }
}

TEST(AComputer, SquaresCubesAndPrimeY) {
  const u64 roots[] = {317, 1000, 4649, 21544};
  for (u64 k : roots) {
    for (u64 x : {k * k - 1, k * k, k * k + 1}) {
      if (x < 1000) continue;
      u64 c = brute::Icbrt(x);
      u64 ys[] = {c + 1, c + 2, (c + brute::Isqrt(x)) / 2, brute::Isqrt(x) - 1};
      for (u64 y : ys) {
        if (y * y >= x || y * y * y <= x) continue;
        EXPECT_EQ(RunA(x, y), ExpectedA(x, y)) << "x=" << x << " y=" << y;
      }
    }
  }
  const u64 cubeRoots[] = {47, 100, 211, 1000, 2003};
  for (u64 k : cubeRoots) {
    for (u64 x : {k * k * k - 1, k * k * k, k * k * k + 1}) {
      // y prime, y composite, and y right above the cube root.
      u64 c = brute::Icbrt(x);
      u64 yPrime = c + 1;
      while (!Primes().IsPrime(yPrime)) ++yPrime;
      u64 yComposite = yPrime + 1;
      for (u64 y : {c + 1, yPrime, yComposite, 4 * c}) {
        if (y * y >= x || y * y * y <= x) continue;
        EXPECT_EQ(RunA(x, y), ExpectedA(x, y)) << "x=" << x << " y=" << y;
      }
    }
  }
}

TEST(AComputer, QuotientsOnWindowEnds) {
  // x = p q h with h a window end: the pair must be counted with pi(h) in
  // the window that closes at h, whatever the parity of the window start.
  int found = 0;
  int oddStart = 0;
  const u64 targets[] = {3000000000ull, 7000000000ull, 20000000000ull, 50000000000ull};
  for (u64 X0 : targets) {
    const u64 y = brute::Isqrt(X0) * 9 / 10;
    brute::Params P0(X0, y);
    int here = 0;
    for (u64 p : Primes().Primes()) {
      if (p <= P0.lowerBound) continue;
      if (p > P0.cubeRootX || here >= 3) break;
      for (u64 q : Primes().Primes()) {
        if (q <= p) continue;
        if (q > brute::Isqrt(X0 / p)) break;
        // Settle x = p q h with h on the window lattice of x itself.
        u64 x = X0, h = 0;
        bool settled = false;
        for (int round = 0; round < 6 && !settled; ++round) {
          Walk w = WalkOf(x, y);
          u64 target = x / (p * q);
          if (target <= w.start + w.width) break;
          h = w.start + (target - w.start) / w.width * w.width;
          settled = p * q * h == x;
          x = p * q * h;
        }
        if (!settled) continue;
        Walk w = WalkOf(x, y);
        brute::Params P(x, y);
        if (h >= w.end || p <= P.lowerBound || p > P.cubeRootX || q > brute::Isqrt(x / p)) continue;
        if (y * y >= x || y * y * y <= x) continue;
        EXPECT_EQ(RunA(x, y), ExpectedA(x, y)) << "x=" << x << " y=" << y << " p=" << p
                                                << " q=" << q << " h=" << h;
        ++found;
        ++here;
        if (w.start % 2 == 1) ++oddStart;
        break;
      }
    }
  }
  EXPECT_GE(found, 8);
  EXPECT_GE(oddStart, 1);
}

TEST(AComputer, PrimeOnTheBoundOfTheWalk) {
  // The window starting at 11130 has ceil(x / 11130) = 108^2: the walk over
  // p must take the primes up to its bound, the bound included, or a
  // twin-prime pair sitting on it is dropped.
  EXPECT_EQ(RunA(129818748, 4679), "2022890");
}

TEST(AComputer, WeightTwoBelowY) {
  // y set to a quotient of a pair and to one above it: the weights change
  // exactly there.
  const u64 x = 1234567891;
  brute::Params P(x, 3000);
  for (u64 p : Primes().Primes()) {
    if (p <= P.lowerBound) continue;
    u64 q = 0;
    for (u64 cand : Primes().Primes())
      if (cand > p) {
        q = cand;
        break;
      }
    u64 n = x / (p * q);
    for (u64 y : {n - 1, n, n + 1}) {
      if (y * y >= x || y * y * y <= x) continue;
      EXPECT_EQ(RunA(x, y), ExpectedA(x, y)) << "x=" << x << " y=" << y;
    }
    break;
  }
}

TEST(AComputer, YOnAWindowEnd) {
  // y = h, an even window end, and x = p q h: the window closing at h holds
  // the pair's quotient h at its last position (weight 1), the next one
  // starts at h (every weight 1). The weights change exactly on the edges.
  int found = 0;
  for (u64 X0 : {2000000000ull, 9000000000ull, 40000000000ull}) {
    int here = 0;
    for (u64 p : Primes().Primes()) {
      if (p * p * p * p <= X0) continue;
      if (p * p * p > X0 || here >= 3) break;
      for (u64 q : Primes().Primes()) {
        if (q <= p || p * q * p * q <= X0) continue;
        if (q * q * p > X0) break;
        u64 x = X0, y = X0 / (p * q);
        bool settled = false;
        for (int round = 0; round < 8 && !settled; ++round) {
          Walk w = WalkOf(x, y);
          const u64 target = x / (p * q);
          if (target <= w.start + w.width) break;
          const u64 h = w.start + (target - w.start) / w.width * w.width;
          settled = p * q * h == x && h == y;
          x = p * q * h;
          y = h;
        }
        if (!settled || y % 2 != 0) continue;
        brute::Params P(x, y);
        if (y * y >= x || y * y * y <= x || y >= WalkOf(x, y).end) continue;
        if (p <= P.lowerBound || p > P.cubeRootX || q > brute::Isqrt(x / p)) continue;
        EXPECT_EQ(RunA(x, y), ExpectedA(x, y)) << "x=" << x << " y=" << y << " p=" << p << " q=" << q;
        ++found;
        ++here;
        break;
      }
    }
  }
  EXPECT_GE(found, 4);
}

TEST(AComputer, PiBoundsAndEmptyRange) {
  const u64 x = 500000000;
  const u64 y = 5000;
  AComputer a(Integer(static_cast<double>(x)), static_cast<double>(y), 1.0);
  a.TimedRun();
  double lo, hi;
  a.GetPiBounds(&lo, &hi);
  Walk w = WalkOf(x, y);
  EXPECT_EQ(lo, static_cast<double>(Primes().Pi(w.start)));
  EXPECT_EQ(hi, static_cast<double>(Primes().Pi(w.end)));
  char name[2];
  a.GetName(name);
  EXPECT_STREQ(name, "A");
}

}  // namespace
