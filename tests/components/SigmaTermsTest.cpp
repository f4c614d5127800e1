#include "components/SigmaTerms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "auxcount/SmallPi.h"
#include "common/Scale.h"
#include "components/BruteForce.h"

namespace {

using brute::i128;
using brute::u64;

const brute::Sieve& Primes() {
  static const brute::Sieve sieve(2000000);  // covers sqrt(x) and x/(y q) for x <= 1e11
  return sieve;
}

u64 Pi(u64 v) { return Primes().Pi(v); }

// Sum of f(p) over the primes lo < p <= hi; the negated sum over hi < p <= lo
// when hi < lo.
i128 PrimeSum(u64 lo, u64 hi, const std::function<i128(u64)>& f) {
  if (hi < lo) return -PrimeSum(hi, lo, f);
  i128 s = 0;
  for (u64 p : Primes().Primes()) {
    if (p > hi) break;
    if (p > lo) s += f(p);
  }
  return s;
}

// The arguments as the engine derives them from x and y.
struct Args {
  u64 x, y, u, q;
  Args(u64 x_, u64 y_) : x(x_), y(y_) {
    u = brute::Icbrt(x);
    u64 a = x / (y * y), b = brute::Isqrt(brute::Isqrt(x));
    q = a > b ? a : b;
  }
};

// The seven partial sums written as sums over primes.
i128 Sigma0(const Args& A) {
  return static_cast<i128>(Pi(A.y)) - 1 +
         PrimeSum(A.y, brute::Isqrt(A.x), [](u64 p) { return static_cast<i128>(Pi(p)) - 1; });
}
i128 Sigma1(const Args& A) {
  const i128 c = Pi(A.u);
  return PrimeSum(A.u, A.y, [c](u64 p) { return static_cast<i128>(Pi(p)) - c - 1; });
}
i128 Sigma2(const Args& A) {
  const u64 r = brute::Isqrt(A.x / A.y);
  i128 inner = PrimeSum(r, A.u, [](u64) { return i128{1}; }) +
               PrimeSum(r, A.q, [](u64 p) { return static_cast<i128>(Pi(p)) - 2; });
  return static_cast<i128>(Pi(A.y)) * inner;
}
i128 Sigma3(const Args& A) {
  return PrimeSum(A.q, A.u, [](u64 p) {
    i128 k = static_cast<i128>(Pi(p)) - 1;
    return k * k - 1;
  });
}
i128 Sigma4(const Args& A) {
  const u64 xy = A.x / A.y;
  return static_cast<i128>(Pi(A.y)) *
         PrimeSum(A.q, brute::Isqrt(xy), [xy](u64 p) { return static_cast<i128>(Pi(xy / p)); });
}
i128 Sigma5(u64 x, u64 y, u64 u) {
  return PrimeSum(brute::Isqrt(x / y), u, [x](u64 p) { return static_cast<i128>(Pi(x / (p * p))); });
}
i128 Sigma6(u64 x, u64 u, u64 q) {
  return PrimeSum(q, u, [x](u64 p) {
    i128 c = Pi(brute::Isqrt(x / p));
    return c * c;
  });
}

Integer I(u64 v) { return Integer(static_cast<double>(v)); }

void CheckAll(u64 x, u64 y) {
  Args A(x, y);
  const double dy = static_cast<double>(y), du = static_cast<double>(A.u), dq = static_cast<double>(A.q);
  EXPECT_EQ(brute::Text(::Sigma4(I(x), dy, dq)), brute::Text(Sigma4(A))) << "x=" << x << " y=" << y;
  EXPECT_EQ(brute::Text(::Sigma5(I(x), dy, du)), brute::Text(Sigma5(x, y, A.u)))
      << "x=" << x << " y=" << y;
  EXPECT_EQ(brute::Text(::Sigma6(I(x), dy, du, dq)), brute::Text(Sigma6(x, A.u, A.q)))
      << "x=" << x << " y=" << y;
  i128 total = Sigma0(A) + Sigma1(A) + Sigma2(A) + Sigma3(A) + Sigma4(A) + Sigma5(x, y, A.u) -
               Sigma6(x, A.u, A.q);
  EXPECT_EQ(brute::Text(SigmaTerms(I(x), dy, du, dq)), brute::Text(total)) << "x=" << x << " y=" << y;
}

TEST(SigmaTerms, RandomArgumentsMatchTheSums) {
  std::mt19937_64 rng(31337);
  for (int i = 0; i < testref::Scaled(50); ++i) {
    u64 x = brute::RandomX(1e3, 3e10, rng);
    u64 y = (i % 3 == 0) ? static_cast<u64>(DefaultY(I(x))) : brute::RandomY(x, rng);
    if (y * y >= x || y * y * y <= x) continue;
    CheckAll(x, y);
  }
}

TEST(SigmaTerms, LargerArguments) {
  std::mt19937_64 rng(4711);
  for (int i = 0; i < 4; ++i) {
    u64 x = brute::RandomX(3e10, 1e11, rng);
    u64 y = i < 2 ? static_cast<u64>(DefaultY(I(x))) : brute::RandomY(x, rng);
    CheckAll(x, y);
  }
}

TEST(SigmaTerms, SquaresCubesAndPrimeY) {
  const u64 cubeRoots[] = {30, 101, 1000, 2003};
  for (u64 k : cubeRoots) {
    for (u64 x : {k * k * k - 1, k * k * k, k * k * k + 1}) {
      u64 c = brute::Icbrt(x);
      u64 yPrime = c + 1;
      while (!Primes().IsPrime(yPrime)) ++yPrime;
      for (u64 y : {c + 1, yPrime, yPrime + 1, brute::Isqrt(x - 1)}) {
        if (y * y >= x || y * y * y <= x) continue;
        CheckAll(x, y);
      }
    }
  }
  const u64 roots[] = {1009, 5000, 99991};
  for (u64 k : roots) {
    for (u64 x : {k * k - 1, k * k, k * k + 1}) {
      u64 y = brute::Icbrt(x) + 1;
      CheckAll(x, y);
      CheckAll(x, k - 1);
    }
  }
}

TEST(SigmaTerms, QuotientsOnWindowEnds) {
  // x = p^2 e and x = p e^2 with e a window end of Sigma5 and Sigma6: the
  // prime count at e is the one of the window that closes at e.
  int found5 = 0, found6 = 0;
  // A large y makes the windows narrow against both ranges.
  const u64 targets[] = {1000000000ull, 5000000000ull, 20000000000ull, 80000000000ull};
  for (u64 X0 : targets) {
    const u64 y = brute::Isqrt(X0) / 2;
    for (u64 p : Primes().Primes()) {
      Args A0(X0, y);
      if (p <= brute::Isqrt(X0 / y)) continue;
      if (p > A0.u) break;
      u64 x = X0, e = 0;
      bool settled = false;
      for (int round = 0; round < 6 && !settled; ++round) {
        Args A(x, y);
        const u64 W = 4 * static_cast<u64>(std::floor(std::sqrt(static_cast<double>(x) / y)));
        const u64 s0 = (x + A.u * A.u - 1) / (A.u * A.u) - 1;
        u64 k = x / (p * p);
        if (k <= s0 + W) break;
        e = s0 + (k - s0) / W * W;
        settled = p * p * e == x;
        x = p * p * e;
      }
      if (!settled || y * y * y <= x || y * y >= x || p > brute::Icbrt(x)) continue;
      Args A(x, y);
      EXPECT_EQ(brute::Text(::Sigma5(I(x), static_cast<double>(y), static_cast<double>(A.u))),
                brute::Text(Sigma5(x, y, A.u)))
          << "x=" << x << " p=" << p << " e=" << e;
      if (++found5 % 3 == 0) break;
    }
    for (u64 p : Primes().Primes()) {
      Args A0(X0, y);
      if (p <= A0.q) continue;
      if (p > A0.u) break;
      u64 x = X0, e = 0;
      bool settled = false;
      for (int round = 0; round < 30 && !settled; ++round) {
        Args A(x, y);
        const u64 W = 4 * static_cast<u64>(std::floor(std::sqrt(static_cast<double>(x) / y)));
        const u64 s0 = brute::Isqrt(x / A.u - 1);  // CeilSqrt(x/u) - 1
        u64 k = brute::Isqrt(x / p);
        if (k <= s0 + W) break;
        e = s0 + (k - s0) / W * W;
        x = p * e * e;
        Args B(x, y);
        const u64 W2 = 4 * static_cast<u64>(std::floor(std::sqrt(static_cast<double>(x) / y)));
        const u64 s2 = brute::Isqrt(x / B.u - 1);
        settled = e > s2 && (e - s2) % W2 == 0 && brute::Isqrt(x / p) == e;
      }
      if (!settled || y * y * y <= x || y * y >= x) continue;
      Args A(x, y);
      if (p <= A.q || p > A.u) continue;
      EXPECT_EQ(brute::Text(::Sigma6(I(x), static_cast<double>(y), static_cast<double>(A.u),
                                     static_cast<double>(A.q))),
                brute::Text(Sigma6(x, A.u, A.q)))
          << "x=" << x << " p=" << p << " e=" << e;
      if (++found6 % 3 == 0) break;
    }
  }
  EXPECT_GE(found5, 6);
  EXPECT_GE(found6, 6);
}

// Sigma5 and Sigma6 beyond 2^64, where floor(x/p^2) and floor(sqrt(x/p))
// come from x's two parts, on x = p^2 k and x = p e^2 and their neighbours:
// the quotient whole, or one below.
TEST(SigmaTerms, QuotientsOfPrimesBeyondTwoTo64) {
  static const brute::Sieve primes(18000000);  // covers y and sqrt(x/q)
  const auto pi = [](u64 v) { return static_cast<i128>(primes.Pi(v)); };
  using u128 = unsigned __int128;
  const u64 y = 3000000;
  const double X0 = 2e19;
  // The Integer p a b + d and its value.
  const auto make = [](u64 p, u64 a, u64 b, int d, Integer* x) {
    x->Product(Integer(static_cast<double>(p) * static_cast<double>(a)), Integer(static_cast<double>(b)));
    x->Add(static_cast<double>(d));
    return static_cast<u128>(p) * a * b + static_cast<u128>(static_cast<int64_t>(d));
  };
  const auto root = [](u128 v) {
    u64 r = static_cast<u64>(std::sqrt(static_cast<double>(v)));
    while (static_cast<u128>(r) * r > v) --r;
    while (static_cast<u128>(r + 1) * (r + 1) <= v) ++r;
    return r;
  };
  int checked5 = 0, checked6 = 0;
  for (u64 p : {u64{2581991}, u64{2596991}, u64{2714389}}) {  // primes from sqrt(X0/y) to X0^(1/3)
    ASSERT_TRUE(primes.IsPrime(p));
    const u64 k = static_cast<u64>(X0 / (static_cast<double>(p) * p));
    const u64 e = root(static_cast<u128>(X0 / p));
    for (int d : {-1, 0, 1}) {
      Integer x;
      u128 X = make(p, p, k, d, &x);
      u64 u = static_cast<u64>(x.FloorCbrt());
      if (p <= root(X / y) || p > u) continue;
      i128 s5 = 0;
      for (u64 r : primes.Primes())
        if (r > root(X / y) && r <= u) s5 += pi(static_cast<u64>(X / (static_cast<u128>(r) * r)));
      EXPECT_EQ(brute::Text(::Sigma5(x, static_cast<double>(y), static_cast<double>(u))), brute::Text(s5))
          << "p=" << p << " d=" << d;
      ++checked5;

      X = make(p, e, e, d, &x);
      u = static_cast<u64>(x.FloorCbrt());
      const u64 q = 2000000;
      i128 s6 = 0;
      for (u64 r : primes.Primes())
        if (r > q && r <= u) s6 += pi(root(X / r)) * pi(root(X / r));
      EXPECT_EQ(brute::Text(::Sigma6(x, static_cast<double>(y), static_cast<double>(u), static_cast<double>(q))),
                brute::Text(s6))
          << "p=" << p << " d=" << d;
      ++checked6;
    }
  }
  EXPECT_GE(checked5, 6);
  EXPECT_EQ(checked6, 9);
}

TEST(SigmaTerms, EmptyRanges) {
  // q at u leaves Sigma6 nothing; floor(sqrt(x/y)) at u leaves Sigma5 nothing.
  const u64 x = 123456789;
  const u64 u = brute::Icbrt(x);
  EXPECT_EQ(brute::Text(::Sigma6(I(x), 1000.0, static_cast<double>(u), static_cast<double>(u))), "0");
  EXPECT_EQ(brute::Text(::Sigma5(I(x), static_cast<double>(u), static_cast<double>(u))), "0");
}

}  // namespace
