#pragma once
// pi(x) computed by the counting engine and checked: a second evaluation at
// x + delta with other tuning parameters must exceed pi(x) by the number of
// primes that a direct sieve finds in (x, x + delta], delta = floor(sqrt(x)/10).
#include "arith/Integer.h"

// The evaluation of pi(x) with the tuning parameters y and z.
typedef Integer (*EngineFunction)(const Integer& x, double y, double z, int verbose);

// Stores pi(x) in result (in every case) and returns 0 when the check
// passed, 1 when it failed. verbose prints the engine reports and the check.
int CheckedPi(Integer x, Integer& result, int verbose);
// The same with the given evaluation in place of the counting engine.
int CheckedPi(Integer x, Integer& result, int verbose, EngineFunction engine);
