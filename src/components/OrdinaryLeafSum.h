#pragma once
// The term phi0 of pi(x), the ordinary leaves: the sum of
// mu(n) floor((floor(x/n) + 1) / 2) over the odd squarefree n <= z whose
// prime factors are all at most y, n = 1 included. For z < 2^31 and
// y >= sqrt(z) the values come from OddMoebius in segments of its own;
// otherwise from a Moebius block sieved in segments of m numbers, whose table
// holds the odd primes up to sqrt(z), so that the value it gives is valid for
// every n <= z. The sum is the same either way.
#include "arith/Integer.h"

Integer OrdinaryLeafSum(const Integer& x, double y, double z, double m);
