#pragma once
// Direct count of the primes of a window (lo, hi] at large integers.
#include "arith/Integer.h"

// Number of primes p with lo < p <= hi, for 0 <= hi - lo < 2^31 and
// lo >= sqrt(hi): below 2^63 by the prime-sieve library, beyond by
// SievedWindowPrimeCount.
double WindowPrimeCount(const Integer& lo, const Integer& hi);

// The same count by a sieve of our own: the window is sieved with every odd
// prime up to sqrt(hi); those primes are themselves produced segment by
// segment, never stored whole.
double SievedWindowPrimeCount(const Integer& lo, const Integer& hi);
