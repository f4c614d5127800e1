#include "components/OrdinaryLeafSum.h"

#include <cmath>
#include <cstdint>

#include "arith/Floor.h"
#include "sieve/MBlock.h"
#include "sieve/OddMoebius.h"
#include "sieve/PrimeSeries.h"

namespace {

// floor((floor(x / n) + 1) / 2), exactly.
Integer LeafExactly(const Integer& x, double n) {
  Integer t = x;
  t.DivideBy(n);
  t.Add(1.0);
  t.DivideBy(2.0);
  return t;
}

// The sum over the numbers of OddMoebius, for z < 2^31 and y >= sqrt(z).
Integer SumOverOddMoebius(const Integer& x, double y, double z) {
  constexpr int32_t kSegment = 1 << 15;
  OddMoebius block(z, y, kSegment);
  Integer acc(0.0);
  // floor(x / n) from the quotient of x's two-part value when it lies safely
  // away from an integer, as below; the leaves of such quotients (below
  // 10^14, so below 2^46 each) summed in 64 bits over a segment, the others
  // taken exactly.
  const double vx = 1e12 * x.High() + x.Low();
  while (block.Next()) {
    const int8_t* const mu = block.Values();
    const int32_t k = block.Size();
    double n = block.First();
    int64_t s = 0;
    for (int32_t i = 0; i < k; ++i, n += 2.0) {
      const double h = vx / n;
      const double eps = h * kRelativeMargin;
      const double hc = h < 1e14 ? h : 1e14;
      const int64_t q = static_cast<int64_t>(hc);
      const double f = hc - static_cast<double>(q);
      if (__builtin_expect(eps < 0.1 && f >= eps && f <= 1.0 - eps, 1)) {
        s += mu[i] * ((q + 1) >> 1);
      } else if (mu[i] == 1) {
        acc.Add(LeafExactly(x, n));
      } else if (mu[i] == -1) {
        acc.Subtract(LeafExactly(x, n));
      }
    }
    // |s| < 2^15 2^46: two parts below 2^31 and 2^30.
    const int64_t high = s / (int64_t{1} << 30), low = s - high * (int64_t{1} << 30);
    Integer part(static_cast<double>(high));
    part.Multiply(1073741824.0);
    part.Add(static_cast<double>(low));
    acc.Add(part);
  }
  return acc;
}

}  // namespace

Integer OrdinaryLeafSum(const Integer& x, double y, double z, double m) {
  if (z < 2147483648.0 && DoubleFloor(std::sqrt(z)) <= y) return SumOverOddMoebius(x, y, z);
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
