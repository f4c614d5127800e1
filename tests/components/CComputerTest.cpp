#include "components/CComputer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "auxcount/SmallPi.h"
#include "common/Scale.h"
#include "components/BruteForce.h"

namespace {

using brute::u64;

const brute::Sieve& Primes() {
  static const brute::Sieve sieve(25000000);  // covers lowerBound^2 <= x^(2/3)
  return sieve;
}

const brute::Factors& Factors() {
  static const brute::Factors factors(400000);  // covers z < sqrt(x)
  return factors;
}

// Runs C and returns its value; anything it prints goes to *out.
std::string RunC(u64 x, u64 y, u64 z, double blockFactor, std::string* out) {
  testing::internal::CaptureStdout();
  CComputer c(Integer(static_cast<double>(x)), static_cast<double>(y), static_cast<double>(z),
              blockFactor);
  c.TimedRun();
  Integer r;
  c.GetResult(&r);
  *out = testing::internal::GetCapturedStdout();
  return brute::Text(r);
}

std::string ExpectedC(u64 x, u64 y, u64 z) {
  return brute::Text(brute::C(brute::Params(x, y, z), Primes(), Factors()));
}

void Check(u64 x, u64 y, u64 z, double blockFactor) {
  std::string printed;
  EXPECT_EQ(RunC(x, y, z, blockFactor, &printed), ExpectedC(x, y, z))
      << "x=" << x << " y=" << y << " z=" << z << " blockFactor=" << blockFactor;
  EXPECT_EQ(printed, "") << "x=" << x << " y=" << y << " z=" << z;
}

bool Admissible(u64 x, u64 y, u64 z) {
  return y * y * y > x && y <= z && z * z < x;
}

// The window walk of the component.
struct Walk {
  u64 start, end, width;
};
Walk WalkOf(u64 x, u64 y, u64 z, double blockFactor) {
  brute::Params P(x, y, z);
  Walk w;
  w.start = static_cast<u64>(std::floor(static_cast<double>(x) / P.lowerBound / z)) - 1;
  w.end = P.lowerBound * P.lowerBound;
  u64 L = static_cast<u64>(std::floor(std::sqrt(static_cast<double>(x) / y) * blockFactor));
  w.width = L / 2 > (1u << 22) / 64 ? (1u << 22) : 64 * (L / 2);  // the n windows
  if (w.end - w.start < w.width) w.width = w.end - w.start;
  return w;
}

TEST(CComputer, DefaultParametersMatchTheDefinition) {
  std::mt19937_64 rng(1357);
  for (int i = 0; i < testref::Scaled(25); ++i) {
    u64 x = brute::RandomX(2e4, 3e10, rng);
    u64 y = static_cast<u64>(DefaultY(Integer(static_cast<double>(x))));
    u64 z = static_cast<u64>(std::floor(2.4 * y));
    if (!Admissible(x, y, z)) continue;
    Check(x, y, z, 1.0);
  }
  Check(10000000, 430, 1032, 1.0);
}

TEST(CComputer, RandomParametersMatchTheDefinition) {
  std::mt19937_64 rng(2468);
  for (int i = 0; i < testref::Scaled(60); ++i) {
    u64 x = brute::RandomX(1e3, 2e10, rng);
    u64 y = brute::RandomY(x, rng);
    u64 z = brute::RandomZ(x, y, rng);
    if (!Admissible(x, y, z)) continue;
    Check(x, y, z, 1.0);
  }
}

TEST(CComputer, ManySmallWindows) {
  // A small block factor cuts the quotients into many windows, starting at
  // odd and even numbers.
  std::mt19937_64 rng(97531);
  int odd = 0;
  for (int i = 0; i < testref::Scaled(30); ++i) {
    u64 x = brute::RandomX(1e6, 1e10, rng);
    u64 y = i % 2 ? brute::RandomY(x, rng)
                  : static_cast<u64>(DefaultY(Integer(static_cast<double>(x))));
    u64 z = i % 4 < 2 ? brute::RandomZ(x, y, rng) : static_cast<u64>(std::floor(2.4 * y));
    if (!Admissible(x, y, z)) continue;
    double bf = 0.02 + 0.1 * (i % 5);
    Walk w = WalkOf(x, y, z, bf);
    if (w.start % 2 == 1 && w.start + w.width < w.end) ++odd;
    Check(x, y, z, bf);
  }
  EXPECT_GE(odd, 3);
}

TEST(CComputer, LargerArguments) {
  std::mt19937_64 rng(8642);
  for (int i = 0; i < 3; ++i) {
    u64 x = brute::RandomX(5e10, 1e11, rng);
    u64 y = i == 0 ? static_cast<u64>(DefaultY(Integer(static_cast<double>(x))))
                   : brute::RandomY(x, rng);
    u64 z = i == 0 ? static_cast<u64>(std::floor(2.4 * y)) : brute::RandomZ(x, y, rng);
    if (!Admissible(x, y, z)) continue;
    Check(x, y, z, 1.0);
  }
}

TEST(CComputer, TinyArgumentsStartTheCountAtOne) {
  // Below 729 the first window starts under 2, at 1 with the prime 2 counted.
  int fromOne = 0;
  for (u64 x = 100; x < 729; x += 7) {
    for (u64 y = brute::Icbrt(x) + 1; y * y < x; y += 2) {
      for (u64 z : {y, (y + brute::Isqrt(x - 1)) / 2, brute::Isqrt(x - 1)}) {
        if (!Admissible(x, y, z)) continue;
        if (WalkOf(x, y, z, 1.0).start + 1 < 3) ++fromOne;
        Check(x, y, z, 1.0);
      }
    }
  }
  EXPECT_GE(fromOne, 5);
}

TEST(CComputer, SquaresCubesAndPrimeBounds) {
  const u64 cubeRoots[] = {50, 101, 211, 1000, 1801};
  for (u64 k : cubeRoots) {
    for (u64 x : {k * k * k - 1, k * k * k, k * k * k + 1}) {
      u64 c = brute::Icbrt(x);
      u64 yPrime = c + 1;
      while (!Primes().IsPrime(yPrime)) ++yPrime;
      for (u64 y : {c + 1, yPrime, yPrime + 1}) {
        for (u64 z : {y, y + 1, 3 * y}) {
          if (!Admissible(x, y, z)) continue;
          Check(x, y, z, 1.0);
          if (k <= 211) Check(x, y, z, 0.05);
        }
      }
    }
  }
  const u64 roots[] = {1009, 3000, 30011};
  for (u64 k : roots) {
    for (u64 x : {k * k - 1, k * k, k * k + 1}) {
      u64 y = brute::Icbrt(x) + 3;
      for (u64 z : {k - 1, k - 2}) {
        if (!Admissible(x, y, z)) continue;
        Check(x, y, z, 1.0);
      }
    }
  }
}

TEST(CComputer, OddTableBoundIsRaised) {
  // 4 blockLength above an odd z: the factor tables cover the odd m up to
  // z + 1, and nothing past them is read.
  const u64 x = 300000000;
  const u64 y = 700;
  for (u64 z : {u64{701}, u64{703}, u64{1001}, u64{1235}}) {
    ASSERT_TRUE(Admissible(x, y, z));
    Check(x, y, z, 1.0);
    Check(x, y, z, 8.0);
  }
}

TEST(CComputer, QuotientsOnWindowEnds) {
  // x = p m h with h a window end and (m, p) a leaf: the leaf is counted
  // with pi(h) in the window that closes at h.
  const double bf = 0.05;
  int found = 0;
  const u64 targets[] = {100000000ull, 400000000ull, 1000000000ull, 2000000000ull, 5000000000ull, 9000000000ull};
  for (u64 X0 : targets) {
    const u64 y = static_cast<u64>(DefaultY(Integer(static_cast<double>(X0))));
    const u64 z = static_cast<u64>(std::floor(2.4 * y));
    brute::Params P0(X0, y, z);
    int here = 0;
    for (u64 m = z; m > 3 && here < 3; m -= 2) {
      if ((m & 1) == 0 || !Primes().IsPrime(m)) continue;  // m prime: a = m
      for (u64 p : Primes().Primes()) {
        if (p >= m || p > P0.lowerBound || here >= 3) break;
        u64 x = X0, h = 0;
        bool settled = false;
        for (int round = 0; round < 6 && !settled; ++round) {
          Walk w = WalkOf(x, y, z, bf);
          if (w.width == 0) break;
          u64 target = x / (p * m);
          if (target <= w.start + w.width || target >= w.end) break;
          h = w.start + (target - w.start) / w.width * w.width;
          settled = p * m * h == x;
          x = p * m * h;
        }
        if (!settled || !Admissible(x, y, z)) continue;
        brute::Params P(x, y, z);
        if (p <= brute::Icbrt(x / z) || p > P.lowerBound) continue;
        if (static_cast<unsigned __int128>(p) * p * p * m <= x || p * m <= z) continue;
        Check(x, y, z, bf);
        ++found;
        ++here;
      }
    }
  }
  EXPECT_GE(found, 6);
}

TEST(CComputer, LowerBoundSetFromOutside) {
  // The auxiliary counting lowers the bound on p before the run; at or
  // below cbrt(x/z) there is no leaf and no window is sieved.
  std::mt19937_64 rng(111);
  for (int i = 0; i < testref::Scaled(12); ++i) {
    u64 x = brute::RandomX(1e5, 5e9, rng);
    u64 y = brute::RandomY(x, rng);
    u64 z = brute::RandomZ(x, y, rng);
    if (!Admissible(x, y, z)) continue;
    brute::Params P(x, y, z);
    const u64 floorBound = brute::Icbrt(x / z);
    for (u64 lb : {floorBound - 1, floorBound, floorBound + 1, (floorBound + P.lowerBound) / 2}) {
      P.lowerBound = lb;
      testing::internal::CaptureStdout();
      CComputer c(Integer(static_cast<double>(x)), static_cast<double>(y), static_cast<double>(z),
                  32.0);
      c.SetLowerBound(static_cast<double>(lb));
      c.TimedRun();
      Integer r;
      c.GetResult(&r);
      std::string printed = testing::internal::GetCapturedStdout();
      std::string expected = brute::Text(brute::C(P, Primes(), Factors()));
      if (lb <= floorBound) {
        EXPECT_EQ(expected, "0");
      }
      EXPECT_EQ(brute::Text(r), expected) << "x=" << x << " y=" << y << " z=" << z << " lb=" << lb;
      EXPECT_EQ(printed, "");
    }
  }
  CComputer c(Integer(1e6), 101.0, 990.0, 1.0);
  char name[2];
  c.GetName(name);
  EXPECT_STREQ(name, "C");
}

}  // namespace
