#include "components/OrdinaryLeafSum.h"

#include <cstdint>

#include "arith/Floor.h"
#include "sieve/MBlock.h"
#include "sieve/PrimeSeries.h"

Integer OrdinaryLeafSum(const Integer& x, double y, double z, double m) {
  PrimeSeries primes(2.0, Integer(z).FloorSqrt());
  MBlock block(LongFloor(m), y);
  block.SetPrimes(&primes);
  Integer acc = x;
  acc.Add(1.0);
  acc.DivideBy(2.0);
  // floor(x / n) from the quotient of x's two-part value when it lies safely
  // away from an integer, the halves summed in a double flushed into the
  // total before it can lose a unit; exactly otherwise (always for the
  // quotients of 10^14 and more, where the relative band no longer separates
  // neighbours).
  const double vx = 1e12 * x.High() + x.Low();
  double s = 0.0;
  // n taken from the Moebius block per call, as for D's leaves (SumLeaves).
  constexpr int32_t kBatch = 256;
  double ns[kBatch];
  int32_t vs[kBatch];
  for (double start = 1.0; z > start;) {
    double end = start + m;
    if (end >= z) end = z;
    block.RunSieve(start, end);
    block.StartIteration(0.0);
    int32_t k;
    do {
      k = block.NextNonZero(ns, vs, kBatch);
      for (int32_t i = 0; i < k; ++i) {
        const double n = ns[i], v = static_cast<double>(vs[i]);
        const double h = vx / n;
        const double eps = h * kRelativeMargin;
        if (eps < 0.1) {
          const double q = DoubleFloor(h);
          const double f = h - q;
          if (f >= eps && f <= 1.0 - eps) {
            s += v * DoubleFloor((q + 1.0) * 0.5);
            if (s * s > kFlushThreshold) {
              acc.Add(s);
              s = 0.0;
            }
            continue;
          }
        }
        Integer t = x;
        t.DivideBy(n);
        t.Add(1.0);
        t.DivideBy(2.0);
        if (v == 1.0)
          acc.Add(t);
        else
          acc.Subtract(t);
      }
    } while (k == kBatch);
    start = end;
  }
  acc.Add(s);
  return acc;
}
