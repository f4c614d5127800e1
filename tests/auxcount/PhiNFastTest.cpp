// phi(v, a) on each of its methods against a brute-force count, and the
// previous prime below a whole number.
#include "auxcount/PhiNFast.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "common/Factors.h"
#include "common/Scale.h"

namespace {

typedef long long i64;

// Smallest prime factor of every n <= N, shared by the brute-force counts.
const std::vector<int32_t>& Spf(i64 N) {
  static std::vector<int32_t> spf;
  if (static_cast<i64>(spf.size()) <= N) {
    spf.assign(N + 1, 0);
    for (i64 i = 2; i <= N; ++i)
      if (spf[i] == 0)
        for (i64 j = i; j <= N; j += i)
          if (spf[j] == 0) spf[j] = static_cast<int32_t>(i);
  }
  return spf;
}

// Number of 1 <= n <= v with no prime factor <= a.
i64 BrutePhi(i64 v, i64 a) {
  const std::vector<int32_t>& spf = Spf(v);
  i64 c = v >= 1 ? 1 : 0;
  for (i64 n = 2; n <= v; ++n)
    if (spf[n] > a) ++c;
  return c;
}

// The same count by a segmented sieve, for v beyond the factor table.
i64 SievePhi(i64 v, i64 a) {
  std::vector<i64> primes;
  for (i64 q = 2; q <= a; ++q) {
    bool prime = true;
    for (i64 d = 2; d * d <= q; ++d)
      if (q % d == 0) { prime = false; break; }
    if (prime) primes.push_back(q);
  }
  const i64 W = 1 << 20;
  std::vector<char> alive(W);
  i64 count = 0;
  for (i64 lo = 1; lo <= v; lo += W) {
    const i64 hi = std::min(v, lo + W - 1);
    std::fill(alive.begin(), alive.begin() + (hi - lo + 1), 1);
    for (i64 p : primes) {
      i64 first = ((lo + p - 1) / p) * p;
      for (i64 n = first; n <= hi; n += p) alive[n - lo] = 0;
    }
    for (i64 n = lo; n <= hi; ++n) count += alive[n - lo];
  }
  return count;
}

bool IsPrime(i64 n) { return testref::IsPrimeByTrialDivision(n < 0 ? 0 : n); }

}  // namespace

TEST(PreviousPrime, EdgeCasesAndAllSmallArguments) {
  EXPECT_EQ(PreviousPrime(3), 2);
  EXPECT_EQ(PreviousPrime(4), 3);
  EXPECT_EQ(PreviousPrime(5), 3);
  EXPECT_EQ(PreviousPrime(9), 7);
  EXPECT_EQ(PreviousPrime(10), 7);
  EXPECT_EQ(PreviousPrime(25), 23);
  EXPECT_EQ(PreviousPrime(1000), 997);
  EXPECT_EQ(PreviousPrime(1000000), 999983);
  for (i64 v = 4; v < 20000; ++v) {
    i64 p = v - 1;
    while (!IsPrime(p)) --p;
    ASSERT_EQ(PreviousPrime(static_cast<double>(v)), static_cast<double>(p)) << v;
  }
}

TEST(PreviousPrime, TwoReportsAndGivesOne) {
  testing::internal::CaptureStdout();
  double r = PreviousPrime(2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error in PreviousPrime, x=2.000000\n");
  EXPECT_EQ(r, 1.0);
}

TEST(PhiNFast, SmallArgumentsAndClosedForms) {
  EXPECT_EQ(PhiNFast(0.5, 7), 0);
  EXPECT_EQ(PhiNFast(0, 3), 0);
  EXPECT_EQ(PhiNFast(1, 7), 1);
  EXPECT_EQ(PhiNFast(6, 7), 1);
  EXPECT_EQ(PhiNFast(10, 2), 5);
  EXPECT_EQ(PhiNFast(11, 2), 6);
  EXPECT_EQ(PhiNFast(100, 3), 33);
  EXPECT_EQ(PhiNFast(1000, 31), 158);  // 1 and the primes of (31, 1000]
  // beyond 10^15 a message, and the evaluation goes on
  testing::internal::CaptureStdout();
  const double big = PhiNFast(2000000000000001.0, 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error in PhiNFast, x=2000000000000001 is too large\n");
  EXPECT_EQ(big, 1000000000000001.0);
}

TEST(PhiNFast, RecurrenceForSmallPrimes) {
  std::mt19937_64 rng(5);
  const i64 as[] = {3, 5, 7, 11, 13, 17, 19};
  for (int i = 0; i < testref::Scaled(300); ++i) {
    const i64 a = as[i % 7];
    const i64 v = std::uniform_int_distribution<i64>(1, 2000000)(rng);
    ASSERT_EQ(PhiNFast(static_cast<double>(v), static_cast<double>(a)), BrutePhi(v, a))
        << "v=" << v << " a=" << a;
  }
}

TEST(PhiNFast, DirectSieveBelowTenThousand) {
  std::mt19937_64 rng(6);
  for (int i = 0; i < testref::Scaled(300); ++i) {
    i64 v = std::uniform_int_distribution<i64>(30, 9999)(rng);
    i64 a = std::uniform_int_distribution<i64>(23, 3000)(rng);
    while (!IsPrime(a)) ++a;
    if (v < a) v = a + std::uniform_int_distribution<i64>(0, 9999 - a > 0 ? 9999 - a : 0)(rng);
    if (v >= 10000) continue;
    ASSERT_EQ(PhiNFast(static_cast<double>(v), static_cast<double>(a)), BrutePhi(v, a))
        << "v=" << v << " a=" << a;
  }
}

TEST(PhiNFast, MediumPrimesByRecurrenceOrByCounting) {
  // a < 1000, v > 10000: v <= a^2 goes to the prime count; otherwise the
  // recurrence while 2^pi(a) stays small, else Meissel (a above the default
  // y of v) or the full evaluation.
  struct Case {
    i64 v, a;
  } cases[] = {
      {40000, 211},    // v <= a^2: 1 + pi(v) - pi(a)
      {44521, 211},    // v = a^2
      {1000000, 23},   // 2^9 below the bound: recurrence
      {1999993, 29},   // just past the recurrence's reach
      {1000000, 331},  // default y of v is 200 < 331: Meissel
      {2000000, 211},  // default y 252 >= 211: full evaluation
      {1500007, 97},
      {777777, 499},
      {123457, 41},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PhiNFast(static_cast<double>(c.v), static_cast<double>(c.a)), BrutePhi(c.v, c.a))
        << "v=" << c.v << " a=" << c.a;
  std::mt19937_64 rng(8);
  for (int i = 0; i < testref::Scaled(40); ++i) {
    i64 v = std::uniform_int_distribution<i64>(10001, 2000000)(rng);
    i64 a = std::uniform_int_distribution<i64>(23, 997)(rng);
    while (!IsPrime(a)) ++a;
    EXPECT_EQ(PhiNFast(static_cast<double>(v), static_cast<double>(a)), BrutePhi(v, a))
        << "v=" << v << " a=" << a;
  }
}

TEST(PhiNFast, LargePrimes) {
  // a >= 1000: below a^2 a prime count, above Meissel or the full evaluation.
  EXPECT_EQ(PhiNFast(1000000, 1009), BrutePhi(1000000, 1009));
  EXPECT_EQ(PhiNFast(1500000, 1223), BrutePhi(1500000, 1223));
  EXPECT_EQ(PhiNFast(1999999, 1013), BrutePhi(1999999, 1013));  // Meissel
  // default y of 2e8 is 1169 >= 1009: the C and D components for v
  EXPECT_EQ(PhiNFast(200000000, 1009), SievePhi(200000000, 1009));
}

TEST(PhiNFast, InternalMethodsAgreeWithBruteForce) {
  EXPECT_EQ(PhiBySieve(1000, 31), 158);
  EXPECT_EQ(PhiBySieve(9999, 97), BrutePhi(9999, 97));
  EXPECT_EQ(PhiBySieve(5000, 1009), BrutePhi(5000, 1009));
  // special plus ordinary leaves make up phi(v, a)
  struct Case {
    i64 v, a, t;
  } cases[] = {{2000000, 211, 422}, {1000000, 97, 194}, {500000, 67, 134}};
  for (const Case& c : cases) {
    Integer X(static_cast<double>(c.v));
    Integer s = PhiSpecialLeaves(X, static_cast<double>(c.a), static_cast<double>(c.t));
    s.Add(PhiOrdinaryLeaves(X, static_cast<double>(c.a), static_cast<double>(c.t)));
    EXPECT_EQ(s.GetApprox(), static_cast<double>(BrutePhi(c.v, c.a))) << c.v;
  }
}

TEST(PhiNFast, OrdinaryLeavesAreTheMoebiusSum) {
  // sum over odd squarefree n <= t with prime factors <= a of
  // mu(n) floor((floor(v/n) + 1) / 2)
  const i64 v = 987654, a = 53, t = 106;
  const std::vector<int32_t>& spf = Spf(2000000);
  i64 want = 0;
  for (i64 n = 1; n <= t; n += 2) {
    int mu = 1;
    i64 m = n;
    bool ok = true;
    while (m > 1) {
      i64 p = spf[m];
      if (p > a) { ok = false; break; }
      m /= p;
      if (m % p == 0) { ok = false; break; }
      mu = -mu;
    }
    if (ok) want += mu * ((v / n + 1) / 2);
  }
  Integer got = PhiOrdinaryLeaves(Integer(static_cast<double>(v)), a, t);
  EXPECT_EQ(got.GetApprox(), static_cast<double>(want));
}
