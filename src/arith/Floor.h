#pragma once
// Exact floors of doubles, worked on the IEEE-754 bit pattern. They sit in
// the innermost loops of every sieve: no library call, no change of the
// rounding mode.
#include <cstdint>

// Floor of x as a 32-bit signed integer; exact for -2^31 <= x < 2^31.
// For x >= 2^31 prints "PB in LongFloor, x=%.0lf is too large\n".
int32_t LongFloor(double x);

// Floor of x as a double; exact for |x| < 2^53.
double DoubleFloor(double x);

// Ceiling of x as a double; exact for |x| < 2^53.
double DoubleCeil(double x);
