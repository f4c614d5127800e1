#pragma once
// Exact floors of doubles. They sit in the innermost loops of every sieve:
// one truncating conversion and a compare, no library call, no change of the
// rounding mode.
#include <cstdint>

// Slow path of LongFloor for x >= 2^31: prints
// "PB in LongFloor, x=%.0lf is too large\n" and returns the 21 leading
// significand bits of x.
int32_t LongFloorTooLarge(double x);

// Floor of x as a double; exact for |x| < 2^53 (-0.0 stays -0.0).
inline double DoubleFloor(double x) {
  if (x >= 4503599627370496.0 || x <= -4503599627370496.0) return x;  // |x| >= 2^52: integral
  double t = static_cast<double>(static_cast<int64_t>(x));             // truncation
  if (t == x) return x;
  return t > x ? t - 1.0 : t;
}

// Ceiling of x as a double; exact for |x| < 2^53.
inline double DoubleCeil(double x) {
  double f = DoubleFloor(x);
  return f == x ? x : f + 1.0;
}

// Floor of x as a 32-bit signed integer; exact for -2^31 <= x < 2^31.
inline int32_t LongFloor(double x) {
  if (x >= 2147483648.0) return LongFloorTooLarge(x);
  int64_t t = static_cast<int64_t>(x);
  if (static_cast<double>(t) > x) t -= 1;
  return static_cast<int32_t>(t);
}
