#include "auxcount/PhiNFast.h"

#include <cmath>

#include "arith/Floor.h"
#include "auxcount/PiN.h"
#include "auxcount/SmallPi.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "components/OrdinaryLeafSum.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"

namespace {

// phi(v, a) = phi(v, a') - phi(v / a, a') with a' the prime below a.
double PhiRecurrence(double v, double a) {
  double p = PreviousPrime(a);
  double q = DoubleFloor((v + 0.5) / a);
  return PhiNFast(v, p) - PhiNFast(q, p);
}

// The large-argument methods, for a whole v with a^2 > v or v beyond the
// reach of the recurrence and the direct sieve.
double PhiByCounting(double v, double a) {
  Integer X(v);
  if (v < a * a) return 1.0 + PiN(X, 0).GetDouble() - SmallPi(a);

  double y0 = DefaultY(X);
  if (y0 < a) {
    // Meissel: every integer counted that is not 1 or a prime has exactly
    // two prime factors above a.
    double s1 = PiN(X, 0).GetDouble();
    Integer b;
    {
      BComputer B(X, a, 1.0);
      B.TimedRun();
      B.GetResult(&b);
    }
    double r = X.FloorSqrt();
    double s3 = PiN(Integer(r), 0).GetDouble();
    double k = SmallPi(a);
    return 1.0 + s1 + b.GetDouble() - s3 * (s3 - 1.0) / 2.0 - k + k * (k - 1.0) / 2.0;
  }

  double t = 2.0 * a;
  if (X.FloorSqrt() < 2.0 * a) t = a;
  // Summed exactly before the one conversion: each part alone may exceed the
  // value range of a double-held integer even when phi does not.
  Integer sum = PhiSpecialLeaves(X, a, t);
  sum.Add(PhiOrdinaryLeaves(X, a, t));
  return sum.GetDouble();
}

}  // namespace

double PhiNFast(double v, double a) {
  if (v > 1e15)
    ReportFault(msg::PhiArgumentTooLarge(v));
  else if (v < 1.0)
    return 0.0;
  if (v < a) return 1.0;
  if (a == 2.0) return DoubleFloor((v + 1.0) * 0.5);
  // The choice of method (the bounds 20, 1000 and 10000 and the cost bound
  // 10 v^(2/3) / ln^2 v of the recurrence's 2^pi(a) terms) is part of the
  // definition of phi: every path gives the same value, at different costs.
  if (a <= 20.0) return PhiRecurrence(v, a);
  if (a < 1000.0 && v > 10000.0) {
    if (v <= a * a) return PhiByCounting(v, a);
    double L = std::log(v);
    double bound = 10.0 * std::exp(2.0 * L / 3.0) / (L * L);
    double k = SmallPi(a);
    if (std::pow(2.0, k) < bound) return PhiRecurrence(v, a);
    return PhiByCounting(v, a);
  }
  if (v < 10000.0) return PhiBySieve(v, a);
  return PhiByCounting(v, a);
}

double PreviousPrime(double v) {
  if (v == 3.0) return 2.0;
  if (v == 2.0) ReportFault(msg::PreviousPrimeOfTwo(v));
  double p = (2.0 * DoubleFloor(v * 0.5) == v) ? v - 1.0 : v - 2.0;
  for (;;) {
    if (p == 2.0) return 2.0;
    if (2.0 * DoubleFloor(p * 0.5) == p) {
      p -= 2.0;
      continue;
    }
    if (p < 9.0) return p;
    bool composite = false;
    for (double d = 3.0; d * d <= p; d += 2.0) {
      if (DoubleFloor((p + 0.5) / d) * d == p) {
        composite = true;
        break;
      }
    }
    if (!composite) return p;
    p -= 2.0;
  }
}

double PhiBySieve(double v, double a) {
  const double A = DoubleFloor(a);
  PrimeSeries primes(0.0, a);
  const double L = 8.0 * DoubleFloor(std::sqrt(v));
  Block block(L);
  block.SetPrimes(&primes);
  double count = 0.0;
  for (double lo = A; lo < v;) {
    double hi = lo + L;
    if (hi > v) hi = v;
    block.RunSieve(lo, hi);
    count += block.CountAll();
    lo = hi;
  }
  return count + 1.0;
}

Integer PhiSpecialLeaves(const Integer& X, double a, double t) {
  Integer sum(0.0);
  // Windows 32 times the components' usual length: part of the definition.
  CComputer c(X, a, t, 32.0);
  DComputer d(X, a, t, 32.0);
  c.SetLowerBound(a);
  d.SetLowerBound(a);
  c.TimedRun();
  d.TimedRun();
  Integer rc, rd;
  c.GetResult(&rc);
  d.GetResult(&rd);
  sum.Add(rc);
  sum.Add(rd);
  return sum;
}

Integer PhiOrdinaryLeaves(const Integer& X, double a, double t) {
  return OrdinaryLeafSum(X, a, t, DoubleFloor(std::sqrt(X.GetApprox() / a)));
}
