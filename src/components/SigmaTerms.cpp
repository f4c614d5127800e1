#include "components/SigmaTerms.h"

#include <cmath>

#include "arith/Floor.h"
#include "auxcount/SmallPi.h"
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

// Walks the primes of a sieved window in increasing order, keeping the
// count of those passed. A prime above the bound asked for is given back,
// so that the next advance starts from it again.
class WindowCursor {
 public:
  explicit WindowCursor(Block& block) : block_(block), exhausted_(false) {}

  // Counts the primes of the window that are <= k and not yet passed.
  double AdvanceTo(double k) {
    double passed = 0.0;
    while (!exhausted_) {
      if (!block_.Next()) {
        exhausted_ = true;
        break;
      }
      if (block_.Current() > k) {
        block_.Previous();
        break;
      }
      passed += 1.0;
    }
    return passed;
  }

  // Counts the primes of the window not yet passed.
  double Rest() {
    double passed = 0.0;
    if (exhausted_) return passed;
    while (block_.Next()) passed += 1.0;
    exhausted_ = true;
    return passed;
  }

 private:
  Block& block_;
  bool exhausted_;
};

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
  r.Product(Integer(SmallPi(y)), b);
  return r;
}

Integer Sigma5(const Integer& x, double y, double u) {
  const double xd = x.GetApprox();
  PrimeSeries sievePrimes(2.0, DoubleFloor(std::sqrt(y)) + 1.0);
  const int32_t W = 4 * LongFloor(std::sqrt(xd / y));
  Block block(W);
  block.SetPrimes(&sievePrimes);

  Integer u2;
  u2.Square(Integer(u));
  double s = x.CeilQuotient(u2) - 1.0;
  double cnt = SmallPi(s);
  Integer result(0.0);

  Integer xy;
  xy.Divide(x, Integer(y));
  const double pFloor = xy.FloorSqrt();

  while (s < y) {
    double e = s + W;
    if (e > y) e = y;
    block.RunSieve(s, e);
    WindowCursor cursor(block);

    // The primes p with s < x/p^2 <= e.
    Integer t;
    t.CeilDivide(x, Integer(e));
    double pLow = t.CeilSqrt() - 1.0;
    if (pLow < pFloor) pLow = pFloor;
    t.CeilDivide(x, Integer(s));
    double pHigh = t.CeilSqrt() - 1.0;
    if (pHigh > u) pHigh = u;

    if (pLow < pHigh) {
      PrimeSeries ps(pLow, pHigh);
      ps.StartBackward();
      while (ps.Previous()) {
        const double p = ps.Current();
        const double k = static_cast<double>(x.QuotientMinus(p, p, 0.0));
        cnt += cursor.AdvanceTo(k);
        result.Add(cnt);
      }
    }
    cnt += cursor.Rest();
    s = e;
  }
  return result;
}

Integer Sigma6(const Integer& x, double y, double u, double q) {
  const double xd = x.GetApprox();
  Integer t;
  t.Divide(x, Integer(u));
  double s = t.CeilSqrt() - 1.0;
  t.Divide(x, Integer(q));
  const double T = t.CeilSqrt();

  PrimeSeries sievePrimes(2.0, DoubleFloor(std::sqrt(T)) + 1.0);
  const int32_t W = 4 * LongFloor(std::sqrt(xd / y));
  Block block(W);
  block.SetPrimes(&sievePrimes);

  double cnt = SmallPi(s);
  Integer result(0.0);

  while (s < T) {
    double e = s + W;
    if (e > T) e = T;
    block.RunSieve(s, e);
    WindowCursor cursor(block);

    // The primes p with s^2 < x/p <= e^2.
    Integer sq;
    sq.Square(Integer(e));
    double pLow = x.CeilQuotient(sq) - 1.0;
    if (pLow < q) pLow = q;
    sq.Square(Integer(s));
    double pHigh = x.CeilQuotient(sq) - 1.0;
    if (pHigh > u) pHigh = u;

    if (pLow < pHigh) {
      PrimeSeries ps(pLow, pHigh);
      ps.StartBackward();
      while (ps.Previous()) {
        const double p = ps.Current();
        Integer xp;
        xp.Divide(x, Integer(p));
        cnt += cursor.AdvanceTo(xp.FloorSqrt());
        Integer c2;
        c2.Square(Integer(cnt));
        result.Add(c2);
      }
    }
    cnt += cursor.Rest();
    s = e;
  }
  return result;
}

Integer SigmaTerms(const Integer& x, double y, double u, double q) {
  const double a = SmallPi(y);
  const double b = SmallPi(x.FloorSqrt());
  const double c = SmallPi(u);
  Integer xy;
  xy.Divide(x, Integer(y));
  const double d = SmallPi(xy.FloorSqrt());
  const double e = SmallPi(q);

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
