// Randomized cross-check of every Integer operation against __int128.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "arith/Integer.h"
#include "arith/IntegerReference.h"
#include "common/Scale.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

const i128 kE9 = 1000000000;
const i128 kE15 = kE9 * 1000000;
const i128 kE19 = kE15 * 10000;
const double kTwo53 = 9007199254740992.0;

int Occurrences(const std::string& text, const std::string& piece) {
  int n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// The double an operation returns for an exact value r: equal when r is an
// exact double, within the rounding of the summary otherwise.
::testing::AssertionResult SameDouble(double got, i128 r) {
  const double want = static_cast<double>(r);
  if (std::fabs(want) < kTwo53 ? got == want : std::fabs(got - want) <= std::fabs(want) * 1e-15) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "got " << got << " want " << ToString(r);
}

// Large results are read as doubles on purpose in some tests: their
// warnings are caught and dropped while one lives.
struct DropStdout {
  DropStdout() { CaptureStdout(); }
  ~DropStdout() { GetCapturedStdout(); }
};

class IntegerRandom : public testing::Test {
 protected:
  std::mt19937_64 rng{0x5eed1234};
};

TEST_F(IntegerRandom, ConversionsFromDoubles) {
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    const int bits = static_cast<int>(rng() % 54);
    int64_t v = bits == 0 ? 0 : static_cast<int64_t>(rng() >> (64 - bits));
    if (rng() & 1) v = -v;
    const Integer n(static_cast<double>(v));
    ASSERT_TRUE(ValueOf(n) == v) << v;
    ASSERT_TRUE(IsCanonical(n));

    // Integral doubles up to 2^119 (< 10^36), either sign.
    double w = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 67));
    if (rng() & 1) w = -std::floor(std::ldexp(w, -20));  // negative ones above -2^99
    const Integer m(w);
    ASSERT_TRUE(ValueOf(m) == static_cast<i128>(w)) << w;
    ASSERT_TRUE(IsCanonical(m));

    // Fractional doubles below 2^52 for the floor conversion.
    double f = std::ldexp(static_cast<double>(rng() >> 11), -1 - static_cast<int>(rng() % 53));
    if (rng() & 1) f = -f;
    Integer g;
    g.SetFloor(f);
    ASSERT_TRUE(ValueOf(g) == static_cast<i128>(std::floor(f))) << f;
    ASSERT_TRUE(IsCanonical(g));
  }
}

TEST_F(IntegerRandom, AddSubtractCompare) {
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    const i128 a = RandomSigned(rng, 35), b = RandomSigned(rng, 35);
    const Integer A = FromValue(a), B = FromValue(b);
    Integer s = A;
    s.Add(B);
    ASSERT_TRUE(ValueOf(s) == a + b) << ToString(a) << " + " << ToString(b);
    ASSERT_TRUE(IsCanonical(s));
    if (Fits(a - b)) {
      s = A;
      s.Subtract(B);
      ASSERT_TRUE(ValueOf(s) == a - b) << ToString(a) << " - " << ToString(b);
      ASSERT_TRUE(IsCanonical(s));
    }

    const i128 x = RandomBelow(rng, 2 * kE15 + 1) * ((rng() & 1) ? -1 : 1);
    s = A;
    s.Add(static_cast<double>(x));
    ASSERT_TRUE(ValueOf(s) == a + x) << ToString(a) << " + " << ToString(x);
    ASSERT_TRUE(IsCanonical(s));

    const Integer U = FromValue(Abs(a)), V = FromValue(Abs(b));
    const int want = Abs(a) > Abs(b) ? 1 : Abs(a) < Abs(b) ? -1 : 0;
    ASSERT_EQ(Integer::Compare(U, V), want);
    ASSERT_EQ(Integer::Compare(U, U), 0);
    ASSERT_EQ(A.IsEqual(B), a == b ? 1 : 0);
    ASSERT_EQ(A.IsEqual(FromValue(a)), 1);
  }
}

TEST_F(IntegerRandom, MultiplyByDouble) {
  std::string failure;
  CaptureStdout();  // large factors on long values may report the product
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    i128 m;
    switch (rng() % 4) {
      case 0: m = kE9; break;
      case 1: m = RandomDigits(rng, 9); break;
      default: m = 1 + RandomBelow(rng, Pow10(1 + static_cast<int>(rng() % 15))); break;
    }
    if (rng() & 1) m = -m;
    const int mDigits = static_cast<int>(ToString(Abs(m)).size());
    const i128 v = RandomSigned(rng, std::max(1, 35 - mDigits));
    if (!Fits(v * m)) continue;
    Integer A = FromValue(v);
    A.Multiply(static_cast<double>(m));
    if (!(ValueOf(A) == v * m) || !IsCanonical(A)) {
      failure = ToString(v) + " * " + ToString(m) + " gave " + ToString(ValueOf(A));
      break;
    }
  }
  GetCapturedStdout();
  EXPECT_EQ(failure, "");
}

TEST_F(IntegerRandom, Product) {
  int expectedMessages = 0;
  std::string failure;
  CaptureStdout();
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    const int da = 1 + static_cast<int>(rng() % 35);
    const int db = 1 + static_cast<int>(rng() % (36 - da));
    i128 a = RandomBelow(rng, Pow10(da)), b = RandomBelow(rng, Pow10(db));
    if ((rng() & 1) && Fits(-a)) a = -a;
    if ((rng() & 1) && Fits(-b)) b = -b;
    if (!Fits(a * b)) continue;
    const Integer A = FromValue(a), B = FromValue(b);
    if (A.Count() + B.Count() - 1 >= 6) ++expectedMessages;
    Integer P;
    P.Product(A, B);
    if (!(ValueOf(P) == a * b) || !IsCanonical(P)) {
      failure = ToString(a) + " * " + ToString(b) + " gave " + ToString(ValueOf(P));
      break;
    }
    if (Abs(a) < Pow10(18)) {
      if (2 * A.Count() - 1 >= 6) ++expectedMessages;
      P.Square(A);
      if (!(ValueOf(P) == a * a)) {
        failure = ToString(a) + " squared";
        break;
      }
    }
  }
  const std::string out = GetCapturedStdout();
  ASSERT_EQ(failure, "");
  EXPECT_EQ(Occurrences(out, "ERROR in Integer::Product\n"), expectedMessages);
  EXPECT_EQ(static_cast<int>(out.size()), expectedMessages * 26);
}

// Divisor drawn below, at and above 10^9; dividend a multiple of it, next to
// one, or anywhere.
void CheckDivision(i128 a, i128 b) {
  const Integer A = FromValue(a), B = FromValue(b);
  Integer Q;
  const int r = Q.Divide(A, B);
  ASSERT_TRUE(ValueOf(Q) == a / b) << ToString(a) << " / " << ToString(b);
  ASSERT_TRUE(IsCanonical(Q));
  ASSERT_EQ(r, a % b != 0 ? 1 : 0) << ToString(a) << " / " << ToString(b);
  const i128 ceil = a / b + (a % b != 0 ? 1 : 0);
  Integer C;
  C.CeilDivide(A, B);
  ASSERT_TRUE(ValueOf(C) == ceil) << ToString(a) << " / " << ToString(b);
  ASSERT_TRUE(SameDouble(A.FloorQuotient(B), a / b));
  ASSERT_TRUE(SameDouble(A.CeilQuotient(B), ceil));
  ASSERT_TRUE(ValueOf(A) == a);  // the quotient helpers leave the value alone
}

TEST_F(IntegerRandom, DivideUpTo1e19) {
  DropStdout quiet;
  for (int i = 0; i < testref::Scaled(30000); ++i) {
    i128 b;
    switch (rng() % 5) {
      case 0: b = 1 + RandomDigits(rng, 9); break;
      case 1: b = kE9 - static_cast<i128>(rng() % 3); break;
      case 2: b = kE9 + static_cast<i128>(rng() % 1000); break;
      default: b = 1 + RandomDigits(rng, 19); break;
    }
    b = std::min(b, kE19);
    const i128 q = RandomBelow(rng, kE19 / b + 1);
    i128 a;
    switch (rng() % 5) {
      case 0: a = b * q; break;
      case 1: a = b * q + 1; break;
      case 2: a = b * q - 1; break;
      case 3: a = b * q + b - 1; break;
      default: a = RandomDigits(rng, 19); break;
    }
    if (a < 0) a = 0;
    CheckDivision(a, b);
    if (HasFatalFailure()) return;
  }
}

TEST_F(IntegerRandom, DivideWithQuotientsBeyond2To48) {
  int expectedMessages = 0;
  std::string failure;
  CaptureStdout();
  for (int i = 0; i < testref::Scaled(3000); ++i) {
    const i128 b = kE9 + RandomDigits(rng, 12);
    const i128 a = b * (Pow10(15) / 4 + RandomDigits(rng, 36 - 13)) + RandomBelow(rng, b);
    if (a >= Pow10(36)) continue;
    const double ld = static_cast<double>(a / b) + 2.0;
    if (ld > 4e15 * (1 + 1e-12)) ++expectedMessages;
    if (ld > 4e15 * (1 - 1e-12) && ld < 4e15 * (1 + 1e-12)) continue;  // either way
    Integer Q;
    const int r = Q.Divide(FromValue(a), FromValue(b));
    if (!(ValueOf(Q) == a / b) || r != (a % b != 0 ? 1 : 0) || !IsCanonical(Q)) {
      failure = ToString(a) + " / " + ToString(b) + " gave " + ToString(ValueOf(Q));
      break;
    }
  }
  const std::string out = GetCapturedStdout();
  ASSERT_EQ(failure, "");
  EXPECT_EQ(Occurrences(out, "ERROR IN DIVIDE, _LD="), expectedMessages);
}

TEST_F(IntegerRandom, DivideByDoubleBothSigns) {
  std::string failure;
  CaptureStdout();  // quotients beyond 4*10^15 are reported
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    i128 d;
    switch (rng() % 4) {
      case 0: d = kE9; break;
      case 1: d = 1 + RandomDigits(rng, 9); break;
      default: d = 1 + RandomBelow(rng, Pow10(1 + static_cast<int>(rng() % 15))); break;
    }
    d = std::min(d, kE9 * 4000000);
    i128 v;
    switch (rng() % 3) {
      case 0: v = RandomSigned(rng, 35); break;
      case 1: v = d * RandomSigned(rng, 19); break;
      default: v = d * RandomSigned(rng, 19) - 1; break;
    }
    if (!Fits(v)) continue;
    Integer N = FromValue(v);
    const int r = N.DivideBy(static_cast<double>(d));
    if (!(ValueOf(N) == FloorDiv(v, d)) || !IsCanonical(N) || r != (FloorMod(v, d) != 0 ? 1 : 0)) {
      failure = ToString(v) + " / " + ToString(d) + " gave " + ToString(ValueOf(N));
      break;
    }
  }
  GetCapturedStdout();
  EXPECT_EQ(failure, "");
}

TEST_F(IntegerRandom, QuotientMinus) {
  for (int i = 0; i < testref::Scaled(100000); ++i) {
    const i128 a = 1 + RandomDigits(rng, 7);
    const i128 q = (rng() & 1) ? RandomDigits(rng, 9) : 2147483647 - RandomBelow(rng, 1000000000);
    const i128 bMax = std::min(kE19 / (a * (q + 1)), kE15 / a);
    if (bMax < 1) continue;
    // b near its largest value puts x above 2^53 most of the time.
    const i128 b = (rng() & 1) ? bMax - RandomBelow(rng, bMax / 10 + 1) : 1 + RandomBelow(rng, bMax);
    const i128 ab = a * b;
    i128 x;
    switch (rng() % 4) {
      case 0: x = ab * q; break;      // exact: always through the exact path
      case 1: x = ab * q + 1; break;
      case 2: x = ab * q - 1; break;
      default: x = ab * q + RandomBelow(rng, ab); break;  // mostly the fast path
    }
    if (x < 0) x = 0;
    const i128 e = (rng() % 3 == 0) ? 0 : RandomBelow(rng, q + 1);
    const Integer X = FromValue(x);
    const i128 want = x / ab - e;
    ASSERT_EQ(X.QuotientMinus(static_cast<double>(a), static_cast<double>(b), static_cast<double>(e)),
              static_cast<long>(want))
        << ToString(x) << " / (" << ToString(a) << " * " << ToString(b) << ") - " << ToString(e);
  }
}

TEST_F(IntegerRandom, Modulo) {
  DropStdout quiet;
  for (int i = 0; i < testref::Scaled(30000); ++i) {
    i128 m;
    switch (rng() % 8) {
      case 0: m = 1 + RandomDigits(rng, 9); break;
      case 1: m = kE9 - 1; break;
      case 2: m = kE9; break;
      case 3: m = kE15 - 1 - static_cast<i128>(rng() % 3); break;
      case 4: m = 999999 + static_cast<i128>(rng() % 3); break;
      default: m = 1 + RandomBelow(rng, Pow10(1 + static_cast<int>(rng() % 15)) - 1); break;
    }
    i128 v;
    switch (rng() % 4) {
      case 0: v = m * RandomSigned(rng, 19); break;
      case 1: v = m * RandomSigned(rng, 19) - 1; break;
      default: v = RandomSigned(rng, 36); break;
    }
    if (!Fits(v)) continue;
    const Integer N = FromValue(v);
    ASSERT_EQ(N.Modulo(static_cast<double>(m)), static_cast<double>(FloorMod(v, m)))
        << ToString(v) << " mod " << ToString(m);
  }
}

i128 ISqrt(i128 x) {
  i128 s = static_cast<i128>(std::sqrt(static_cast<long double>(x)));
  while (s * s > x) --s;
  while ((s + 1) * (s + 1) <= x) ++s;
  return s;
}

i128 ICbrt(i128 x) {
  i128 s = static_cast<i128>(std::cbrt(static_cast<long double>(x)));
  while (s * s * s > x) --s;
  while ((s + 1) * (s + 1) * (s + 1) <= x) ++s;
  return s;
}

TEST_F(IntegerRandom, SquareRoots) {
  DropStdout quiet;
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    // Up to 10^19, and now and then up to 2^106 (roots still exact doubles).
    const i128 r = (i % 50 == 0) ? RandomBelow(rng, static_cast<i128>(1) << 53)
                                 : RandomBelow(rng, static_cast<i128>(3162277660LL) + 1);
    i128 x;
    switch (rng() % 5) {
      case 0: x = r * r; break;
      case 1: x = r * r - 1; break;
      case 2: x = r * r + 1; break;
      case 3: x = r * r + 2 * r; break;
      default: x = RandomDigits(rng, 19); break;
    }
    if (x < 0) x = 0;
    const i128 f = ISqrt(x);
    const Integer X = FromValue(x);
    ASSERT_EQ(X.FloorSqrt(), static_cast<double>(f)) << ToString(x);
    ASSERT_EQ(X.CeilSqrt(), static_cast<double>(f * f == x ? f : f + 1)) << ToString(x);
  }
  // Roots beyond 2^53 (x up to 10^36): reached without hanging, close to the root.
  for (int i = 0; i < testref::Scaled(50); ++i) {
    const i128 x = Pow10(35) + RandomBelow(rng, 9 * Pow10(35));
    ASSERT_TRUE(SameDouble(FromValue(x).FloorSqrt(), ISqrt(x))) << ToString(x);
  }
}

TEST_F(IntegerRandom, CubeRoots) {
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    // Up to 10^19, and now and then up to 10^36.
    const i128 r = (i % 10 == 0) ? RandomBelow(rng, Pow10(12)) : RandomBelow(rng, 2154435);
    i128 x;
    switch (rng() % 5) {
      case 0: x = r * r * r; break;
      case 1: x = r * r * r - 1; break;
      case 2: x = r * r * r + 1; break;
      case 3: x = r * r * r + 3 * r * r + 3 * r; break;
      default: x = RandomDigits(rng, 19); break;
    }
    if (x < 0) x = 0;
    ASSERT_EQ(FromValue(x).FloorCbrt(), static_cast<double>(ICbrt(x))) << ToString(x);
  }
}

TEST_F(IntegerRandom, DecimalText) {
  std::string printed, expected, failure;
  CaptureStdout();
  for (int i = 0; i < testref::Scaled(20000); ++i) {
    const i128 v = RandomSigned(rng, 36);
    const Integer N = FromValue(v);
    char buf[64];
    const int len = N.Format(buf);
    if (std::string(buf) != ToString(v) || len != static_cast<int>(ToString(v).size())) {
      failure = std::string(buf) + " for " + ToString(v);
      break;
    }
    if (i % 10 == 0) {
      N.Print();
      printf("\n");
      expected += ToString(v) + "\n";
    }
  }
  fflush(stdout);
  printed = GetCapturedStdout();
  ASSERT_EQ(failure, "");
  EXPECT_EQ(printed, expected);
}

}  // namespace
