#pragma once
// The term phi0 of pi(x), the ordinary leaves: the sum of
// mu(n) floor((floor(x/n) + 1) / 2) over the odd squarefree n <= z whose
// prime factors are all at most y, n = 1 included, sieved in segments of m
// numbers. The block's table holds the odd primes up to sqrt(z), so the
// value it gives is valid for every n <= z.
#include "arith/Integer.h"

Integer OrdinaryLeafSum(const Integer& x, double y, double z, double m);
