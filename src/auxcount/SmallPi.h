#pragma once
// Prime counts of double-held arguments small enough to be sieved in full,
// and the default tuning parameter y.
class Integer;

// pi(v), the number of primes <= v, for a whole v >= 0 (table, plain sieve
// or wheel-of-30 sieve).
double SmallPi(double v);

// Default y for x: floor(max(2, 0.00023 ln^3 x) x^(1/3)).
double DefaultY(const Integer& x);
