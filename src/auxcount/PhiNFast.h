#pragma once
// phi(v, a): the number of integers 1 <= n <= v with no prime factor <= a,
// for a = 2 or an odd prime, and the largest prime below a whole v.
#include "arith/Integer.h"

double PhiNFast(double v, double a);
double PreviousPrime(double v);

double PhiBySieve(double v, double a);
Integer PhiSpecialLeaves(const Integer& X, double a, double t);
Integer PhiOrdinaryLeaves(const Integer& X, double a, double t);
