#include "driver/WindowPrimeCount.h"

#include <cmath>
#include <cstdint>

#include "arith/Floor.h"
#include "sieve/PrimeSeries.h"
#include "sieve/Block.h"
#include "sieve/LargeBlock.h"

double WindowPrimeCount(const Integer& lo, const Integer& hi) {
  double rootHi = hi.FloorSqrt();
  if (rootHi < 3.0) {
    // hi < 9: nothing to sieve with; the primes up to 8 are 2, 3, 5 and 7.
    static const double kPrimes[] = {2.0, 3.0, 5.0, 7.0};
    double a = lo.GetApprox();
    double b = hi.GetApprox();
    double count = 0.0;
    for (double p : kPrimes) {
      if (a < p && p <= b) count += 1.0;
    }
    return count;
  }

  Integer width = hi;
  width.Subtract(lo);
  int32_t n = LongFloor(width.GetDouble());
  LargeBlock window(n);

  // The odd primes up to sqrt(hi) come from a block walked over (2, sqrt(hi)]
  // in segments of W numbers; the block sieves with the primes up to
  // hi^(1/4). Each segment's primes strike the window, which keeps the
  // strikes of the earlier segments.
  int32_t fourthRoot = LongFloor(sqrt(rootHi));
  PrimeSeries smallPrimes(2.0, static_cast<double>(fourthRoot) + 1.0);
  double segment = 4.0 * static_cast<double>(fourthRoot);
  if (static_cast<double>(n / 64) > segment) segment = static_cast<double>(n / 64);
  Block sievingPrimes(segment);
  sievingPrimes.SetPrimes(&smallPrimes);
  window.SetBlock(&sievingPrimes);

  int clear = 1;
  for (double start = 2.0; start < rootHi;) {
    double end = start + segment;
    if (end >= rootHi) end = rootHi;
    sievingPrimes.RunSieve(start, end);
    window.RunSieve(lo, hi, clear);
    clear = 0;
    start = end;
  }

  double count = 0.0;
  window.StartIteration();
  while (window.Next()) count += 1.0;
  return count;
}
