#include "components/BComputer.h"

#include <gtest/gtest.h>

#include <random>

#include "auxcount/SmallPi.h"
#include "common/Scale.h"
#include "components/BruteForce.h"

namespace {

using brute::u64;

const brute::Sieve& Primes() {
  static const brute::Sieve sieve(30000000);  // covers x/y for the arguments below
  return sieve;
}

std::string RunB(u64 x, u64 y) {
  BComputer b(Integer(static_cast<double>(x)), static_cast<double>(y), 1.0);
  b.TimedRun();
  Integer r;
  b.GetResult(&r);
  return brute::Text(r);
}

std::string ExpectedB(u64 x, u64 y) { return brute::Text(brute::B(x, y, Primes())); }

// Window width of the wheel of 6 (x below 10^16).
constexpr u64 kWindow = 6 * 1638400;

TEST(BComputer, RandomArgumentsMatchTheDefinition) {
  std::mt19937_64 rng(4242);
  for (int i = 0; i < testref::Scaled(40); ++i) {
    u64 x = brute::RandomX(1e4, 3e9, rng);
    u64 y = (i % 3 == 0) ? static_cast<u64>(DefaultY(Integer(static_cast<double>(x))))
                         : brute::RandomY(x, rng);
    if (y * y >= x) continue;
    EXPECT_EQ(RunB(x, y), ExpectedB(x, y)) << "x=" << x << " y=" << y;
  }
}

TEST(BComputer, SeveralWindows) {
  // x/y beyond one window of the wheel: the running count crosses windows.
  std::mt19937_64 rng(99);
  for (int i = 0; i < 3; ++i) {
    u64 x = brute::RandomX(4e10, 1e11, rng);
    u64 y = brute::Icbrt(x) + 1 + rng() % 200;
    ASSERT_GT(x / y, kWindow + brute::Isqrt(x));
    EXPECT_EQ(RunB(x, y), ExpectedB(x, y)) << "x=" << x << " y=" << y;
  }
  const u64 x = 100000000000ull;
  const u64 y = static_cast<u64>(DefaultY(Integer(1e11)));
  EXPECT_EQ(RunB(x, y), ExpectedB(x, y));
}

TEST(BComputer, SquaresAndPrimeY) {
  const u64 roots[] = {101, 997, 1000, 10007, 31623};
  for (u64 k : roots) {
    for (u64 x : {k * k - 1, k * k, k * k + 1}) {
      u64 c = brute::Icbrt(x);
      u64 yPrime = c + 1;
      while (!Primes().IsPrime(yPrime)) ++yPrime;
      for (u64 y : {c + 1, yPrime, yPrime + 1, k - 1}) {
        if (y * y >= x || y * y * y <= x) continue;
        // p = sqrt(x) itself is in when prime (k = 101, 997, 10007), p = y is out.
        EXPECT_EQ(RunB(x, y), ExpectedB(x, y)) << "x=" << x << " y=" << y;
      }
    }
  }
}

TEST(BComputer, QuotientOnWindowEnd) {
  // x = p h with h = rangeStart + W: x/p closes the first window exactly.
  int found = 0;
  const u64 y = 4000;
  for (u64 p : Primes().Primes()) {
    if (p <= 5000) continue;
    if (found >= 2) break;
    u64 x = 60000000000ull, h = 0;
    bool settled = false;
    for (int round = 0; round < 6 && !settled; ++round) {
      u64 start = brute::Isqrt(x - 1);  // CeilSqrt(x) - 1
      h = start + kWindow;
      settled = p * h == x;
      x = p * h;
    }
    if (!settled || p * p > x || x / y <= h) continue;
    EXPECT_EQ(RunB(x, y), ExpectedB(x, y)) << "x=" << x << " p=" << p;
    ++found;
  }
  EXPECT_EQ(found, 2);
}

TEST(BComputer, PiBoundsCoverTheRange) {
  const u64 x = 2000000000;
  const u64 y = 1500;
  BComputer b(Integer(static_cast<double>(x)), static_cast<double>(y), 1.0);
  b.TimedRun();
  double lo, hi;
  b.GetPiBounds(&lo, &hi);
  u64 start = brute::Isqrt(x - 1);  // CeilSqrt(x) - 1 for x not a square
  u64 end = (x + y - 1) / y;
  EXPECT_EQ(lo, static_cast<double>(Primes().Pi(start)));
  EXPECT_EQ(hi, static_cast<double>(Primes().Pi(end)));
  char name[2];
  b.GetName(name);
  EXPECT_STREQ(name, "B");
}

TEST(BComputer, PiecesCutAtPrimesAndQuotients) {
  // A piece starts its count midway: cut on a prime, just below and above
  // it, and on a quotient x/p that is itself prime (the first target of the
  // second piece, the last of the first). The parts add up and the counts
  // chain.
  const u64 x = 2000000000, y = 1500;
  BComputer probe(Integer(static_cast<double>(x)), static_cast<double>(y), 1.0);
  double s, e;
  probe.GetRange(s, e);
  u64 q = (static_cast<u64>(s) + static_cast<u64>(e)) / 2;
  while (!Primes().IsPrime(q)) ++q;
  u64 quotient = 0;
  for (u64 p = 2000; quotient == 0; ++p)
    if (Primes().IsPrime(p) && Primes().IsPrime(x / p)) quotient = x / p;
  for (u64 m : {q - 1, q, q + 1, quotient}) {
    SCOPED_TRACE(m);
    ASSERT_LT(s, m);
    ASSERT_LT(m, e);
    BComputer first(Integer(static_cast<double>(x)), static_cast<double>(y), 1.0);
    BComputer second(Integer(static_cast<double>(x)), static_cast<double>(y), 1.0);
    first.RunPiece(s, static_cast<double>(m));
    second.RunPiece(static_cast<double>(m), e);
    Integer sum, part;
    first.GetResult(&sum);
    second.GetResult(&part);
    sum.Add(part);
    EXPECT_EQ(brute::Text(sum), ExpectedB(x, y));
    double lo1, hi1, lo2, hi2;
    first.GetPiBounds(&lo1, &hi1);
    second.GetPiBounds(&lo2, &hi2);
    EXPECT_EQ(lo1, static_cast<double>(Primes().Pi(static_cast<u64>(s))));
    EXPECT_EQ(hi1, static_cast<double>(Primes().Pi(m)));
    EXPECT_EQ(lo2, hi1);
    EXPECT_EQ(hi2, static_cast<double>(Primes().Pi(static_cast<u64>(e))));
  }
}

}  // namespace
