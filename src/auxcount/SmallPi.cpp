#include "auxcount/SmallPi.h"

#include <cmath>

#include "arith/Floor.h"
#include "arith/Integer.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"
#include "sieve/SubBlock.h"

namespace {

const double kSmallPrimes[10] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29};
const double kWheelResidues[8] = {1, 7, 11, 13, 17, 19, 23, 29};

// pi(X) for a whole 31 <= X < 10000: plain sieve of the odd numbers.
double PlainSievePi(double X) {
  const double s = DoubleFloor(sqrt(X));
  PrimeSeries table(0.0, s);
  double total = table.GetCount() + 1.0;  // the table lacks 2
  const double L = 32.0 * s;  // windows of 32 sqrt(X): part of the definition
  Block block(L);
  block.SetPrimes(&table);
  for (double lo = s; lo < X;) {
    const double hi = lo + L < X ? lo + L : X;
    block.RunSieve(lo, hi);
    total += block.CountAll();
    lo = hi;
  }
  return total;
}

// pi(V) for a whole V >= 10000: one residue class modulo 30 at a time.
double WheelSievePi(double V) {
  const double s = DoubleFloor(sqrt(V));
  PrimeSeries table(5.0, s);
  double total = table.GetCount() + 3.0;  // the table lacks 2, 3 and 5
  const double W = 256.0 * s;  // windows of 256 sqrt(V): part of the definition
  const int32_t m = LongFloor(W * (1.0 / 30.0)) + 1;
  for (double r : kWheelResidues) {
    SubBlock sub(30.0, r, m);
    sub.SetPrimes(&table);
    for (double lo = s; V > lo;) {
      const double hi = lo + W < V ? lo + W : V;
      sub.RunSieve(lo, hi);
      total += sub.CountAll();
      lo = hi;
    }
  }
  return total;
}

}  // namespace

double SmallPi(double v) {
  if (v < 31.0) {
    double n = 0.0;
    for (double p : kSmallPrimes) {
      if (p > v) break;
      n += 1.0;
    }
    return n;
  }
  // A fractional part never adds a prime: both sieves work on floor(v).
  const double X = DoubleFloor(v);
  if (v < 10000.0) return PlainSievePi(X);  // the wheel from 10^4 on: part of the definition
  return WheelSievePi(X);
}

double DefaultY(const Integer& x) {
  const double L = log(x.GetApprox());
  double alpha = 0.00023 * L * L * L;
  if (alpha < 2.0) alpha = 2.0;
  return DoubleFloor(alpha * exp(L / 3.0));
}
