#include "components/SigmaTerms.h"

#include <cmath>
#include <cstdint>

#include "arith/Floor.h"
#include "auxcount/PiN.h"
#include "components/BComputer.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"

namespace {

// n (n - k) as an Integer.
Integer TimesMinus(double n, double k) {
  Integer r;
  r.Product(Integer(n), Integer(n - k));
  return r;
}

// pi(v) for a whole v >= 0. The full evaluation costs far less than a sieve
// up to v once v passes a few million (pi(sqrt(x)) above all).
double Pi(double v) { return PiN(Integer(v), 0).GetDouble(); }

// floor(x / d) for a whole d from 1 to 1.8e7 whose quotient stays below
// 2^64: x = H 10^12 + L in two 64-bit divisions, the remainder of the first
// (below d) times 10^12 staying below 2^64.
uint64_t SmallQuotient(const Integer& x, uint64_t d) {
  const uint64_t H = static_cast<uint64_t>(x.High()), L = static_cast<uint64_t>(x.Low());
  const uint64_t top = H / d;
  return top * 1000000000000ull + ((H - top * d) * 1000000000000ull + L) / d;
}

// floor(sqrt(v)) for a whole 0 <= v < 2^53.
double FloorRoot(double v) {
  double r = DoubleFloor(std::sqrt(v));
  while (r * r > v) r -= 1.0;
  while ((r + 1.0) * (r + 1.0) <= v) r += 1.0;
  return r;
}

// pi(k) for bounds k that never decrease, from a start s whose count is
// known up to a last bound: the numbers above s are sieved one window of w
// at a time, as far as the bounds asked for reach, and a count reads the
// prefix counts of the window holding k.
class WindowedCount {
 public:
  WindowedCount(PrimeSeries* sievePrimes, int32_t w, double s, double piS, double last)
      : block_(w), width_(w), hi_(s), last_(last), before_(piS), open_(false) {
    block_.SetPrimes(sievePrimes);
  }

  // pi(k) for s <= k <= last, k at least every bound asked before.
  double Pi(double k) {
    while (k > hi_ && hi_ < last_) {
      if (open_) before_ += block_.CountAll();
      const double lo = hi_;
      hi_ = lo + width_ < last_ ? lo + width_ : last_;
      block_.RunSieve(lo, hi_);
      block_.BuildCounts();
      open_ = true;
    }
    if (!open_) return before_;
    return before_ + block_.CountUpTo(static_cast<int32_t>(k - block_.Lo()));
  }

 private:
  Block block_;
  double width_, hi_, last_, before_;
  bool open_;
};

// The largest divisor SmallQuotient takes.
constexpr double kSmallDivisorLimit = 1.8e7;

}  // namespace

Integer Sigma4(const Integer& x, double y, double q) {
  Integer xy;
  xy.Divide(x, Integer(y));
  Integer b;
  {
    BComputer B(xy, q, 1.0);
    B.TimedRun();
    B.GetResult(&b);
  }
  Integer r;
  r.Product(Integer(Pi(y)), b);
  return r;
}

Integer Sigma5(const Integer& x, double y, double u) {
  const double xd = x.GetApprox();
  Integer xy;
  xy.Divide(x, Integer(y));
  const double pFloor = xy.FloorSqrt();
  if (!(pFloor < u)) return Integer(0.0);

  // The primes p with sqrt(x/y) < p <= u from the largest, so that the
  // quotients k = floor(x/p^2) increase, from x/u^2 to y.
  PrimeSeries sievePrimes(2.0, DoubleFloor(std::sqrt(y)) + 1.0);
  Integer u2;
  u2.Square(Integer(u));
  const double s = x.CeilQuotient(u2) - 1.0;
  WindowedCount counts(&sievePrimes, 4 * LongFloor(std::sqrt(xd / y)), s, Pi(s), y);
  const bool small = u < kSmallDivisorLimit && xd / pFloor < 1e19;
  double sum = 0.0;  // below pi(u) pi(y)
  PrimeSeries ps(pFloor, u);
  ps.StartBackward();
  while (ps.Previous()) {
    const double p = ps.Current();
    const uint64_t P = static_cast<uint64_t>(p);
    const double k = small ? static_cast<double>(SmallQuotient(x, P) / P)
                           : static_cast<double>(x.QuotientMinus(p, p, 0.0));
    sum += counts.Pi(k);
  }
  return Integer(sum);
}

Integer Sigma6(const Integer& x, double y, double u, double q) {
  const double xd = x.GetApprox();
  Integer t;
  t.Divide(x, Integer(u));
  const double s = t.CeilSqrt() - 1.0;
  t.Divide(x, Integer(q));
  const double T = t.CeilSqrt();
  if (!(q < u)) return Integer(0.0);

  // The primes q < p <= u from the largest, so that k = floor(sqrt(x/p))
  // increases, from sqrt(x/u) to sqrt(x/q).
  PrimeSeries sievePrimes(2.0, DoubleFloor(std::sqrt(T)) + 1.0);
  WindowedCount counts(&sievePrimes, 4 * LongFloor(std::sqrt(xd / y)), s, Pi(s), T);
  const bool small = u < kSmallDivisorLimit && xd / q < 4e15;
  Integer result(0.0);
  double sum = 0.0;  // flushed into result before it can lose a unit
  PrimeSeries ps(q, u);
  ps.StartBackward();
  while (ps.Previous()) {
    const double p = ps.Current();
    double k;
    if (small) {
      k = FloorRoot(static_cast<double>(SmallQuotient(x, static_cast<uint64_t>(p))));
    } else {
      Integer xp;
      xp.Divide(x, Integer(p));
      k = xp.FloorSqrt();
    }
    const double c = counts.Pi(k);
    sum += c * c;
    if (sum > 1e15) {
      result.Add(sum);
      sum = 0.0;
    }
  }
  result.Add(sum);
  return result;
}

Integer SigmaTerms(const Integer& x, double y, double u, double q) {
  const double a = Pi(y);
  const double b = Pi(x.FloorSqrt());
  const double c = Pi(u);
  Integer xy;
  xy.Divide(x, Integer(y));
  const double d = Pi(xy.FloorSqrt());
  const double e = Pi(q);

  // Sigma0 = (a - 1) + (b(b - 1) - a(a - 1)) / 2
  Integer s0 = TimesMinus(b, 1.0);
  s0.Subtract(TimesMinus(a, 1.0));
  s0.DivideBy(2.0);
  s0.Add(a - 1.0);

  // Sigma1 = (a - c)(a - c - 1) / 2
  Integer s1 = TimesMinus(a - c, 1.0);
  s1.DivideBy(2.0);

  // Sigma2 = a ((c - d) + (e(e - 3) - d(d - 3)) / 2)
  Integer inner = TimesMinus(e, 3.0);
  inner.Subtract(TimesMinus(d, 3.0));
  inner.DivideBy(2.0);
  inner.Add(c - d);
  Integer s2;
  s2.Product(Integer(a), inner);

  // Sigma3 = (e - c) + c(c - 1)(2c - 1) / 6 - e(e - 1)(2e - 1) / 6
  Integer cc, ee;
  cc.Product(TimesMinus(c, 1.0), Integer(2.0 * c - 1.0));
  cc.DivideBy(6.0);
  ee.Product(TimesMinus(e, 1.0), Integer(2.0 * e - 1.0));
  ee.DivideBy(6.0);
  Integer s3(e - c);
  s3.Add(cc);
  s3.Subtract(ee);

  Integer sum(0.0);
  sum.Add(s0);
  sum.Add(s1);
  sum.Add(s2);
  sum.Add(s3);
  sum.Add(Sigma4(x, y, q));
  sum.Add(Sigma5(x, y, u));
  sum.Subtract(Sigma6(x, y, u, q));
  return sum;
}
