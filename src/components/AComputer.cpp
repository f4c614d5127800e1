#include "components/AComputer.h"

#include <cmath>
#include <cstring>

#include "arith/BatchFloor.h"
#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"

namespace {

// The bound of the window parameter L (see the constructor).
constexpr double kLongestL = 240000.0;

// Guard band of the bounds on q: a floor or ceiling of a double quotient is
// trusted only when the quotient lies at least this far from an integer.
constexpr double kBandLow = 0.0001;
constexpr double kBandHigh = 0.9999;

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
    : Computer(x_, y_, blockFactor_) {
  // Windows of 8 L numbers with L = 8 floor(sqrt(x/y)), at most 240000
  // (windows of at most 1.92 million numbers, 120 KB of bits and 240 KB of
  // counts, within the second-level cache); L is also the length of the
  // ranges of q whose primes are listed at a time. Against the first
  // design's bound of 30000, A took 0.93, 0.87 and 0.91 of the time at
  // 10^16, 10^17 and 10^18: fewer windows and lists for the same pairs.
  // Bounds of 120000 and 480000 were as fast as 240000 at 10^17, 960000
  // 1.48 times slower (bench/README.md, "Per-core speed, fourth round").
  double s = std::sqrt(xValue / y);
  if (8.0 * s >= kLongestL)
    blockLength = static_cast<int32_t>(kLongestL);
  else
    blockLength = 8 * LongFloor(s);
}

AComputer::~AComputer() = default;

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
  primes.reset();
}

void AComputer::Prepare() {
  if (!primes) primes.emplace(2.0, cubeRootX);
}

void AComputer::Run() {
  Prepare();
  InitRangeCount();
  piAtRangeStart = piCurrent;

  const double L = blockLength;
  const double width = 8.0 * L;
  Block block(width);
  block.SetPrimes(&*primes);

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

BRUNSK_HOT_BODY Integer AComputer::SumBlockBody(const Block& block, double u, double v, double qLo, double qHi,
                                     double start, double hi) {
  Integer R(0.0);
  double W = 0.0;

  // The primes q of (qLo, qHi], closed by a sentinel above qHi.
  PrimeSeries qTable(qLo, qHi);
  // Room for the sentinels, and for the reads of a whole last batch.
  int32_t capacity = qTable.GetCount() + 2;
  if (static_cast<int32_t>(qs.size()) < capacity + kFloorBatch) {
    qs.resize(capacity + kFloorBatch);
    qInverses.resize(capacity + kFloorBatch);
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
  for (int32_t t = m; t < m + kFloorBatch; ++t) invQs[t] = 1.0 / (qHi + 1.0);
  int32_t offsets[kFloorBatch];

  // Counts are read from the block's own even lower boundary lo: count(d)
  // covers (lo, lo + d], and pi(lo) = pi(start) because lo = start or
  // start + 1 (an even number above 2).
  const double lo = block.Lo();
  const int32_t yPos = (y - lo >= 0.0) ? LongFloor(y - lo) : -1;
  // The offsets lie in [-1, 2 Count()]: unless y falls inside the window,
  // every pair has the same weight, and the counts are summed without it.
  const bool mixed = yPos > -1 && yPos <= 2 * block.Count();
  const int64_t sameWeight = yPos > -1 ? 2 : 1;

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

    // The q of the pair range are Qs[i .. iEnd - 1]; the sentinels end the
    // search.
    int32_t iEnd = i;
    {
      int32_t l = i - 1, h = m;
      while (h - l > 1) {
        const int32_t mid = (l + h) / 2;
        if (Qs[mid] <= qMax)
          l = mid;
        else
          h = mid;
      }
      iEnd = h;
    }

    // A batch of offsets at a time: first their floors (exact where a
    // quotient lies inside the guard band), then their counts, in integers.
    int64_t T = 0, weight = 0;
    for (int32_t j = i; j < iEnd; j += kFloorBatch) {
      const int32_t n = iEnd - j < kFloorBatch ? iEnd - j : kFloorBatch;
      int64_t counts;
      if (!mixed && block.SumCountsOfQuotients(X, invQs + j, lo, n, counts)) {
        T += sameWeight * counts;
        weight += sameWeight * n;
        continue;
      }
      if (BatchFloorOffsets(X, invQs + j, lo, n, offsets)) {
        for (int32_t t = 0; t < n; ++t)
          if (OffsetNeedsExact(X * invQs[j + t], lo))
            offsets[t] = static_cast<int32_t>(x.QuotientMinus(p, Qs[j + t], lo));
      }
      if (mixed) {
        for (int32_t t = 0; t < n; ++t) {
          const int32_t k = offsets[t];
          const int32_t w = 1 + static_cast<int32_t>(k < yPos);
          T += w * block.CountInWindow(k);
          weight += w;
        }
      } else {
        T += sameWeight * block.SumCountsInWindow(offsets, n);
        weight += sameWeight * n;
      }
    }
    W += static_cast<double>(weight);
    R.Add(static_cast<double>(T));
  }

  // Each term w pi(n) is w (pi(start) + count(n - lo)).
  Integer weights(W), base(piCurrent), product;
  product.Product(base, weights);
  R.Add(product);
  return R;
}

Integer AComputer::SumBlock(const Block& block, double u, double v, double qLo, double qHi, double start,
                            double hi) {
  BRUNSK_HOT_DISPATCH(SumBlockBody(block, u, v, qLo, qHi, start, hi));
}
