#pragma once
// phi(v, a): the number of integers 1 <= n <= v with no prime factor <= a,
// for a = 2 or an odd prime, and the largest prime below a whole v.
#include "arith/Integer.h"

double PhiNFast(double v, double a);
double PreviousPrime(double v);

double PhiBySieve(double v, double a);
Integer PhiSpecialLeaves(const Integer& X, double a, double t);
Integer PhiOrdinaryLeaves(const Integer& X, double a, double t);

// The ordinary leaves: the sum of mu(n) floor((floor(x/n) + 1) / 2) over the
// odd squarefree n <= z whose prime factors are all at most y, n = 1
// included, sieved in segments of m numbers. The block's table holds the odd
// primes up to sqrt(z), so the value it gives is valid for every n <= z.
Integer OrdinaryLeafSum(const Integer& x, double y, double z, double m);
