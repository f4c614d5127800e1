#pragma once
// Independent reference for Integer tests: exact values in signed __int128,
// read straight from the limbs, and the representation invariants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "arith/Integer.h"

using i128 = __int128;

inline i128 Pow10(int k) {
  i128 r = 1;
  while (k-- > 0) r *= 10;
  return r;
}

inline std::string ToString(i128 v) {
  if (v == 0) return "0";
  const bool negative = v < 0;
  unsigned __int128 u = negative ? -static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
  std::string s;
  while (u > 0) {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
    u /= 10;
  }
  return negative ? "-" + s : s;
}

// The exact value the limbs stand for.
inline i128 ValueOf(const Integer& n) {
  i128 v = 0;
  for (int i = n.Count() - 1; i >= 0; --i) v = v * 1000000 + static_cast<i128>(n.Limb(i));
  return v;
}

inline i128 FloorDiv(i128 a, i128 b) {
  i128 q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

inline i128 FloorMod(i128 a, i128 b) { return a - FloorDiv(a, b) * b; }

inline i128 Abs(i128 v) { return v < 0 ? -v : v; }

// Checks the canonical form (limb ranges, sign convention, no superfluous
// limb) and that the three summaries agree with the limbs.
inline ::testing::AssertionResult IsCanonical(const Integer& n) {
  const int c = n.Count();
  if (c < 1 || c > Integer::kLimbs) return ::testing::AssertionFailure() << "count " << c;
  for (int i = 0; i < c; ++i) {
    const double l = n.Limb(i);
    if (l != std::floor(l)) return ::testing::AssertionFailure() << "limb " << i << " not integral";
    if (i < c - 1 && (l < 0 || l > 999999)) return ::testing::AssertionFailure() << "limb " << i << " = " << l;
  }
  const double top = n.Limb(c - 1);
  if (c == 1) {
    if (top < -1 || top > 999999) return ::testing::AssertionFailure() << "single limb " << top;
  } else if (top == -1) {
    if (n.Limb(c - 2) == 999999) return ::testing::AssertionFailure() << "-1 above 999999";
  } else if (top < 1 || top > 999999) {
    return ::testing::AssertionFailure() << "top limb " << top;
  }
  const i128 v = ValueOf(n);
  const double dv = static_cast<double>(v);
  const double two53 = 9007199254740992.0;
  if (std::fabs(dv) < two53) {
    if (n.GetApprox() != dv) return ::testing::AssertionFailure() << "approx " << n.GetApprox() << " for " << ToString(v);
  } else if (std::fabs(n.GetApprox() - dv) > std::fabs(dv) * 1e-15) {
    return ::testing::AssertionFailure() << "approx " << n.GetApprox() << " far from " << ToString(v);
  }
  if (c <= 2) {
    if (n.High() != 0 || n.Low() != dv) return ::testing::AssertionFailure() << "high/low of a short value";
  } else {
    const i128 trillion = 1000000000000LL;
    const double high = static_cast<double>(FloorDiv(v, trillion));
    if (n.Low() != static_cast<double>(FloorMod(v, trillion))) return ::testing::AssertionFailure() << "low";
    if (std::fabs(high) < two53 ? n.High() != high : std::fabs(n.High() - high) > std::fabs(high) * 1e-15) {
      return ::testing::AssertionFailure() << "high " << n.High() << " for " << ToString(v);
    }
  }
  return ::testing::AssertionSuccess();
}

// Builds v digit by digit (base 10^6) and checks the result against v.
inline Integer FromValue(i128 v) {
  const i128 m = Abs(v);
  int digits[7];
  int k = 0;
  i128 t = m;
  do {
    digits[k++] = static_cast<int>(t % 1000000);
    t /= 1000000;
  } while (t > 0 && k < 7);
  Integer r(static_cast<double>(digits[k - 1]));
  for (int i = k - 2; i >= 0; --i) {
    r.Multiply(1e6);
    r.Add(static_cast<double>(digits[i]));
  }
  if (v < 0) r.Multiply(-1.0);
  EXPECT_TRUE(ValueOf(r) == v) << ToString(v);
  return r;
}

// Uniform-ish value in [0, n), n >= 1.
inline i128 RandomBelow(std::mt19937_64& rng, i128 n) {
  const unsigned __int128 u = (static_cast<unsigned __int128>(rng()) << 64) | rng();
  return static_cast<i128>(u % static_cast<unsigned __int128>(n));
}

// A value of 1 to maxDigits decimal digits, the digit count drawn uniformly
// so that every magnitude is met.
inline i128 RandomDigits(std::mt19937_64& rng, int maxDigits) {
  const int d = 1 + static_cast<int>(rng() % maxDigits);
  return RandomBelow(rng, Pow10(d));
}

// Six limbs hold -10^30 ... 10^36 - 1 (a negative value spends one limb on
// its sign).
inline bool Fits(i128 v) { return v >= -Pow10(30) && v < Pow10(36); }

// Positive values of up to maxDigits digits, negative ones of up to 29, so
// that sums of two still fit.
inline i128 RandomSigned(std::mt19937_64& rng, int maxDigits) {
  if (rng() & 1) return -RandomDigits(rng, maxDigits < 29 ? maxDigits : 29);
  return RandomDigits(rng, maxDigits);
}
