#include "components/BComputer.h"

#include <cmath>
#include <cstring>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "sieve/DescendingPrimes.h"
#include "sieve/PrimeCursor.h"
#include "sieve/PrimeSeries.h"  // EstimateCount

BComputer::BComputer(const Integer& x_, double y_, double blockFactor_)
    : Computer(x_, y_, blockFactor_) {}

BComputer::~BComputer() {}

void BComputer::GetName(char* out) const { strcpy(out, "B"); }

void BComputer::GetRange(double& start, double& end) {
  start = x.CeilSqrt() - 1.0;
  end = x.CeilQuotient(Integer(y));
}

double BComputer::EstimateMemory() {
  // Bytes: the library keeps its sieving primes up to sqrt(x/y), 8 bytes
  // each, beside sieve and prime buffers of a few hundred kilobytes.
  return EstimateCount(2.0, std::sqrt(xValue / y) + 1.0) * 8.0 + 512.0 * 1024.0;
}

void BComputer::Run() { Sweep(); }

BRUNSK_HOT_BODY void BComputer::SweepBody() {
  InitRangeCount();
  const double S = x.FloorSqrt();

  // The window of p0 * 200 * 8 * 1024 numbers, p0 = 6 or 30 as x grows (210
  // beyond 10^20 when the interval is long): B's running sum is flushed and
  // its progress shown window by window, so the windows stay part of B's
  // definition although the count no longer sieves them.
  double p0;
  if (xValue < 1e16)
    p0 = 6.0;
  else if (xValue < 1e20 || rangeEnd * rangeEnd / xValue < 8.0)
    p0 = 30.0;
  else
    p0 = 210.0;
  int32_t W = LongFloor(p0 * 200.0 * 8.0 * 1024.0);
  if (rangeEnd - rangeStart < W) W = LongFloor(rangeEnd - rangeStart);
  if (W < 1) W = 1;

  piAtRangeStart = piCurrent;
  // The quotients x/p run up the interval: one cursor counts the primes up to
  // each of them, while the primes p come down from the first window's
  // largest to the last window's smallest (the windows' ranges of p join
  // end to end).
  PrimeCursor cursor(static_cast<uint64_t>(rangeStart), piCurrent, static_cast<uint64_t>(rangeEnd));
  const double yFloor = DoubleFloor(y) < 2.0 ? 2.0 : DoubleFloor(y);  // p = 2 is never a prime of B
  double pTop = x.CeilQuotient(Integer(rangeStart)) - 1.0;
  if (pTop > S) pTop = S;
  DescendingPrimes primes(static_cast<uint64_t>(pTop < yFloor ? yFloor : pTop), static_cast<uint64_t>(yFloor));
  double p = static_cast<double>(primes.Next());
  double start = rangeStart;
  while (start < rangeEnd) {
    double hi = start + W;
    if (hi > rangeEnd) hi = rangeEnd;
    double T = 0.0;

    // The primes p with start < x/p <= hi, largest first: those above
    // ceil(x/hi) - 1 and y (every larger one was taken by an earlier window).
    double pLow = x.CeilQuotient(Integer(hi)) - 1.0;
    if (pLow < yFloor) pLow = yFloor;
    for (; p > pLow; p = static_cast<double>(primes.Next())) {
      const double q = xValue / p;
      double f = DoubleFloor(q);
      const double margin = q * kRelativeMargin;
      const double frac = q - f;
      if (frac < margin || frac > 1.0 - margin) f = x.FloorQuotient(Integer(p));
      piCurrent = cursor.CountTo(static_cast<uint64_t>(f));
      T += piCurrent;
      if (T * T > kFlushThreshold) {
        result.Add(T);
        T = 0.0;
      }
    }
    result.Add(T);

    // The count moves on to the end of the window.
    piCurrent = cursor.CountTo(static_cast<uint64_t>(hi));

    sieveCurrent = hi;
    start = hi;
    ShowProgress(hi);
  }

  piAtRangeEnd = piCurrent;
}

void BComputer::Sweep() {
  BRUNSK_HOT_DISPATCH(SweepBody());
}
