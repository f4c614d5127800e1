#pragma once
// Exact floors of doubles. They sit in the innermost loops of every sieve:
// one truncating conversion and a compare, no library call, no change of the
// rounding mode.
#include <cstdint>

// Slow path of LongFloor outside -2^31 <= x < 2^31. For x >= 2^31 it prints
// "PB in LongFloor, x=%.0lf is too large\n" and returns the 21 leading
// significand bits of x (a number from 2^20 to 2^21 - 1); below -2^31 (and
// for NaN) it returns -2^31 silently.
int32_t LongFloorOutOfRange(double x);

// Floor of x as a double; exact for |x| < 2^53 (-0.0 stays -0.0). Values of
// 2^52 or more in magnitude are integers already and come back unchanged.
inline double DoubleFloor(double x) {
  if (!(x < 4503599627370496.0 && x > -4503599627370496.0)) return x;  // |x| >= 2^52, NaN
  // Truncate, then take one off where truncation went up (negative
  // non-integers); the correction is computed in integers so that no branch
  // depends on the data. A zero result takes the sign of x: -0.0 stays -0.0,
  // and [0, 1) gives +0.0.
  const int64_t t = static_cast<int64_t>(x);
  const int64_t f = t - static_cast<int64_t>(static_cast<double>(t) > x);
  return __builtin_copysign(static_cast<double>(f), x);
}

// Ceiling of x as a double; exact for |x| < 2^53.
inline double DoubleCeil(double x) {
  const double f = DoubleFloor(x);
  return f == x ? x : f + 1.0;
}

// Floor of x as a 32-bit signed integer; exact for -2^31 <= x < 2^31.
inline int32_t LongFloor(double x) {
  if (__builtin_expect(!(x < 2147483648.0 && x >= -2147483648.0), 0)) {
    return LongFloorOutOfRange(x);
  }
  int64_t t = static_cast<int64_t>(x);  // truncation, in 64 bits: -2^31 fits
  if (static_cast<double>(t) > x) t -= 1;
  return static_cast<int32_t>(t);
}
