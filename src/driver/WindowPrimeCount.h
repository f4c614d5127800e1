#pragma once
// Direct count of the primes of a window (lo, hi] at large integers.
#include "arith/Integer.h"

// Number of primes p with lo < p <= hi, for 0 <= hi - lo < 2^31 and
// lo >= sqrt(hi). The window is sieved with every odd prime up to sqrt(hi);
// those primes are themselves produced segment by segment, never stored
// whole.
double WindowPrimeCount(const Integer& lo, const Integer& hi);
