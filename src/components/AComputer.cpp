#include "components/AComputer.h"

#include <cmath>
#include <cstring>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "engine/PrimeSeries.h"
#include "sieve/Block.h"

namespace {

// Guard band of the bounds on q: a floor or ceiling of a double quotient is
// trusted only when the quotient lies at least this far from an integer.
constexpr double kBandLow = 0.0001;
constexpr double kBandHigh = 0.9999;
// Fixed band of the last, unpaired q of a run.
constexpr double kSingleLow = 0.001;
constexpr double kSingleHigh = 0.999;

inline double Min(double a, double b) { return a < b ? a : b; }
inline double Max(double a, double b) { return a > b ? a : b; }

// ceil(x / (a b)) - 1, exact.
double CeilQuotientMinusOne(const Integer& x, double a, double b) {
  Integer A(a), B(b), P;
  P.Product(A, B);
  return x.CeilQuotient(P) - 1.0;
}

}  // namespace

AComputer::AComputer(const Integer& x_, double y_, double blockFactor_)
    : Computer(x_, y_, blockFactor_), primes(nullptr) {
  double s = std::sqrt(xValue / y);
  if (8.0 * s >= 30000.0)
    blockLength = 30000;
  else
    blockLength = 8 * LongFloor(s);
}

AComputer::~AComputer() { delete primes; }

void AComputer::GetName(char* out) const { strcpy(out, "A"); }

void AComputer::GetRange(double& start, double& end) {
  Integer q;
  q.Divide(x, Integer(cubeRootX));
  start = q.FloorSqrt();
  q.Divide(x, Integer(lowerBound * lowerBound));
  end = q.GetDouble();
}

double AComputer::EstimateMemory() {
  double L = blockLength;
  return EstimateCount(2.0, cubeRootX) + Block::BlockEstimate(8.0 * L) + EstimateCount(2.0, L) +
         L * (1.0 / 3.0) * 8.0;
}

void AComputer::FreeTables() {
  delete primes;
  primes = nullptr;
}

void AComputer::Prepare() {
  if (primes == nullptr) primes = new PrimeSeries(2.0, cubeRootX);
}

void AComputer::Run() {
  Prepare();
  InitRangeCount();
  piAtRangeStart = piCurrent;

  const double L = blockLength;
  const double width = 8.0 * L;
  Block block(width);
  block.SetPrimes(primes);

  double start = rangeStart;
  while (start < rangeEnd) {
    double hi = Min(start + width, rangeEnd);
    block.RunSieve(start, hi);
    block.BuildCounts();

    // Pairs with start < x/(p q) <= hi have ceil(x/hi) - 1 < p q <= ceil(x/start) - 1.
    Integer Q1, Q2;
    Q1.CeilDivide(x, Integer(start));
    Q2.CeilDivide(x, Integer(hi));

    double pLow = Max(lowerBound, Q2.CeilQuotient(Integer(hi)) - 1.0);
    double pHigh = Min(cubeRootX, Q1.CeilSqrt() - 1.0);
    if (pLow < pHigh) {
      Integer xOverPLow;
      xOverPLow.Divide(x, Integer(pLow));
      double qLow = Max(pLow, Q2.CeilQuotient(Integer(pHigh)) - 1.0);
      double qHigh = Min(Q1.CeilQuotient(Integer(pLow)) - 1.0, xOverPLow.FloorSqrt());

      double span = qHigh - qLow;
      double step = L;
      if (L > span) step = std::trunc(span) + 1.0;

      if (qLow < qHigh) {
        double cur = qLow;
        double nxt;
        do {
          nxt = Min(cur + step, qHigh);
          double u = Max(pLow, Q2.CeilQuotient(Integer(nxt)) - 1.0);
          double v = Min(pHigh, Q1.CeilQuotient(Integer(cur)) - 1.0);
          if (u < v) {
            v = Min(v, nxt);
            result.Add(SumBlock(block, u, v, cur, nxt, start, hi));
          }
          cur = nxt;
        } while (nxt < qHigh);
      }
    }

    piCurrent += block.CountAll();
    sieveCurrent = hi;
    start = hi;
    ShowProgress(hi);
  }
  piAtRangeEnd = piCurrent;
}

BRUNSK_HOT Integer AComputer::SumBlock(const Block& block, double u, double v, double qLo, double qHi,
                            double start, double hi) {
  Integer R(0.0);
  double W = 0.0;

  // The primes q of (qLo, qHi], closed by a sentinel above qHi.
  PrimeSeries qTable(qLo, qHi);
  int32_t capacity = qTable.GetCount() + 2;
  if (static_cast<int32_t>(qs.size()) < capacity) {
    qs.resize(capacity);
    qInverses.resize(capacity);
  }
  double* Qs = qs.data();
  double* invQs = qInverses.data();
  int32_t m = 0;
  qTable.StartIteration();
  while (m < capacity - 2 && qTable.Next()) {
    double q = qTable.Current();
    if (q > qHi) break;
    invQs[m] = 1.0 / q;
    Qs[m++] = q;
  }
  Qs[m] = qHi + 1.0;
  Qs[m + 1] = qHi + 1.0;

  // Counts are read from the block's own even lower boundary lo: count(d)
  // covers (lo, lo + d], and pi(lo) = pi(start) because lo = start or
  // start + 1 (an even number above 2).
  const double lo = block.Lo();
  const int32_t yPos = (y - lo >= 0.0) ? LongFloor(y - lo) : -1;

  primes->StartIteration();
  primes->Seek(u);
  while (primes->Next()) {
    const double p = primes->Current();
    if (p > v) break;
    const double X = xValue * (1.0 / p);

    // q > a keeps x/(p q) <= hi.
    double t = xValue / (p * hi) - 1.0;
    double a = DoubleCeil(t);
    double g = a - t;
    if (g < kBandLow || g > kBandHigh) a = CeilQuotientMinusOne(x, p, hi);

    // q <= b keeps q <= sqrt(x/p).
    double r = std::sqrt(X);
    double b = DoubleFloor(r);
    g = r - b;
    if (g < kBandLow || g > kBandHigh) {
      Integer xp;
      xp.Divide(x, Integer(p));
      b = xp.FloorSqrt();
    }

    // q <= c keeps x/(p q) > start.
    t = xValue / (start * p) - 1.0;
    double c = DoubleCeil(t);
    g = c - t;
    if (g < kBandLow || g > kBandHigh) c = CeilQuotientMinusOne(x, p, start);

    const double qMax = Min(Min(b, c), qHi);
    const double qMin = Max(Max(a, qLo), p);

    int32_t i;
    if (Qs[0] > qMin) {
      i = 0;
    } else {
      int32_t l = 0, h = m;
      while (h - l > 1) {
        int32_t mid = (l + h) / 2;
        if (Qs[mid] <= qMin)
          l = mid;
        else
          h = mid;
      }
      i = h;
    }

    double T = 0.0;
    // Two q at a time while both are in range, with a relative guard band.
    while (Qs[i] <= qMax && Qs[i + 1] <= qMax) {
      const double q1 = Qs[i], q2 = Qs[i + 1];
      // X/q as a product with the reciprocal: a few units in the last
      // place at most, far inside the guard band.
      const double v1 = X * invQs[i], v2 = X * invQs[i + 1];
      const double tol = kRelativeMargin * v1;
      // d > -1 and far below 2^31: truncation is the floor except on
      // (-1, 0), where it gives 0 and a negative fraction that the band
      // sends to the exact quotient.
      double d1 = v1 - lo, d2 = v2 - lo;
      int32_t k1 = static_cast<int32_t>(d1), k2 = static_cast<int32_t>(d2);
      double f1 = d1 - k1, f2 = d2 - k2;
      if (f1 < tol || f1 > 1.0 - tol) k1 = static_cast<int32_t>(x.QuotientMinus(p, q1, lo));
      if (f2 < tol || f2 > 1.0 - tol) k2 = static_cast<int32_t>(x.QuotientMinus(p, q2, lo));
      double c1 = block.CountUpTo(k1), c2 = block.CountUpTo(k2);
      if (k1 < yPos) {
        T += 2.0 * c1;
        W += 2.0;
      } else {
        T += c1;
        W += 1.0;
      }
      if (k2 < yPos) {
        T += 2.0 * c2;
        W += 2.0;
      } else {
        T += c2;
        W += 1.0;
      }
      i += 2;
    }
    // The q left over, one at a time with the fixed band.
    while (Qs[i] <= qMax) {
      const double q = Qs[i];
      double d = X * invQs[i] - lo;
      int32_t k = static_cast<int32_t>(d);
      double f = d - k;
      if (f < kSingleLow || f > kSingleHigh) k = static_cast<int32_t>(x.QuotientMinus(p, q, lo));
      double cnt = block.CountUpTo(k);
      if (k < yPos) {
        T += 2.0 * cnt;
        W += 2.0;
      } else {
        T += cnt;
        W += 1.0;
      }
      ++i;
    }
    R.Add(T);
  }

  // Each term w pi(n) is w (pi(start) + count(n - lo)).
  Integer weights(W), base(piCurrent), product;
  product.Product(base, weights);
  R.Add(product);
  return R;
}
