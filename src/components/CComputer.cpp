#include "components/CComputer.h"

#include <cmath>
#include <cstring>

#include "arith/BatchFloor.h"
#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "auxcount/SmallPi.h"
#include "base/Messages.h"
#include "sieve/Block.h"
#include "sieve/MBlock.h"
#include "sieve/PrimeSeries.h"

namespace {

// The n windows: each one walks every m of its range, so that long windows
// visit each m fewer times. 64 times the m window's base length, at most
// 2^22 numbers (768 KB of bits and counts, within the second-level cache of
// 1 MB). bench_term C 10^17, windows of 4, 8, 16, 32, 64 base lengths:
// 2.36, 1.84, 1.71, 1.60, 1.44 s; 10^18 at most 2^22 and 2^23 numbers: 6.74
// and 7.15 s (4 base lengths: 10.64 s).
constexpr int32_t kLongestNWindow = 1 << 22;
constexpr int32_t kNWindowFactor = 64;

int32_t NWindowLength(int32_t baseLength) {
  return baseLength > kLongestNWindow / kNWindowFactor ? kLongestNWindow : kNWindowFactor * baseLength;
}

// Guard band of the per-m bounds on p.
constexpr double kBandLow = 0.0001;
constexpr double kBandHigh = 0.9999;

inline double Min(double a, double b) { return a < b ? a : b; }
inline double Max(double a, double b) { return a > b ? a : b; }

// floor(v) for v = a / m taken in double, exact floor(A / m) near an integer.
inline double GuardedFloor(double v, const Integer& A, double m) {
  double f = DoubleFloor(v);
  double g = v - f;
  if (g < kBandLow || g > kBandHigh) f = A.FloorQuotient(Integer(m));
  return f;
}

}  // namespace

CComputer::CComputer(const Integer& x_, double y_, double z_, double blockFactor_)
    : Computer(x_, y_, blockFactor_),
      z(z_),
      factorLimit(0),
      bigPrimeCount(0),
      cubeRootXz(0.0),
      piCubeRootXz(0.0),
      windowLength(0),
      nWindowLength(0) {
  // The factor tables reach M = 4 L (at most z), and the m windows are
  // 4 (L/2) long: both part of C's definition. The n windows are longer.
  int32_t M = 4 * blockLength;
  if (M > z) M = LongFloor(z);
  if (M % 2 != 0) M = M + 1;
  factorLimit = M;
  blockLength = blockLength / 2;
}

CComputer::~CComputer() = default;

void CComputer::GetName(char* out) const { strcpy(out, "C"); }

void CComputer::GetRange(double& start, double& end) {
  start = DoubleFloor(xValue / lowerBound / z) - 1.0;
  end = lowerBound * lowerBound;
}

double CComputer::EstimateMemory() {
  double M = factorLimit;
  double tables = M / 2.0 * (sizeof(uint16_t) + sizeof(int8_t));
  double sieveBound = std::sqrt(xValue / y);
  double mWidth = 4.0 * blockLength;
  double mBlockBytes = (mWidth / 2.0 + 1.0) * (sizeof(int32_t) + sizeof(int8_t) + sizeof(double));
  // The n window: its bits and counts take 12 bytes per 64 numbers.
  double nWidth = NWindowLength(blockLength);
  double lb = lowerBound;
  return tables + Block::BlockEstimate(M) + EstimateCount(2.0, sieveBound) +
         EstimateCount(2.0, std::sqrt(z)) + EstimateCount(cubeRootXz, lb) + mBlockBytes +
         nWidth * 0.1875 + 8.0 * LongFloor(lb / std::log(lb)) + 4.0 * lb;
}

void CComputer::ShareTablesOf(const Computer& other) {
  const CComputer* c = dynamic_cast<const CComputer*>(&other);
  if (c != nullptr && c->factors && c->factorLimit == factorLimit) factors = c->factors;
}

void CComputer::FreeTables() {
  if (!mBlock) return;
  factors.reset();
  mBlock.reset();  // before the primes it reads
  sievePrimes.reset();
  mPrimes.reset();
  bigPrimeArray.reset();
  bigPrimeInverse.reset();
  bigPrimeIndex.reset();
  bigPrimeCount = 0;
}

void CComputer::Prepare() {
  if (mBlock) return;

  Integer xz;
  xz.Divide(x, Integer(z));
  cubeRootXz = xz.FloorCbrt();
  if (cubeRootXz >= lowerBound) return;  // no leaf to count

  // Least prime factors and Moebius values of the odd m below factorLimit.
  if (!factors) factors = std::make_shared<const FactorTable>(factorLimit, y);

  Integer xy;
  xy.Divide(x, Integer(y));
  sievePrimes.emplace(2.0, xy.FloorSqrt());
  mPrimes.emplace(2.0, std::sqrt(z));

  double start, end;
  GetRange(start, end);
  int32_t W = 4 * blockLength;
  if (end - start < W) W = LongFloor(end - start);
  if (W < 2) W = 2;
  windowLength = W;
  mBlock.emplace(W, y);
  int32_t nW = NWindowLength(blockLength);
  if (end - start < nW) nW = LongFloor(end - start);
  if (nW < 2) nW = 2;
  nWindowLength = nW;
  mBlock->SetPrimes(&*mPrimes);

  piCubeRootXz = SmallPi(cubeRootXz);

  PrimeSeries bigPrimes(cubeRootXz, lowerBound);
  bigPrimeCount = bigPrimes.GetCount();
  bigPrimeArray = Buffer<double>(bigPrimeCount > 0 ? bigPrimeCount : 1);
  // The reciprocals are read a whole batch at a time: room for one past the end.
  bigPrimeInverse = Buffer<double>((bigPrimeCount > 0 ? bigPrimeCount : 1) + kFloorBatch);
  const int32_t indexSize = LongFloor(lowerBound) + 1;
  bigPrimeIndex = Buffer<int32_t>(indexSize);
  // bigPrimeIndex[n] = number of primes of bigPrimeArray that are <= n.
  int32_t k = 0;
  int32_t n = 0;
  bigPrimes.StartIteration();
  while (k < bigPrimeCount && bigPrimes.Next()) {
    double p = bigPrimes.Current();
    bigPrimeArray[k] = p;
    bigPrimeInverse[k] = 1.0 / p;
    while (n < indexSize && n < p) bigPrimeIndex[n++] = k;
    ++k;
  }
  bigPrimeCount = k;
  while (n < indexSize) bigPrimeIndex[n++] = bigPrimeCount;
  for (int32_t t = 0; t < kFloorBatch; ++t) bigPrimeInverse[bigPrimeCount + t] = 1.0 / (lowerBound + 1.0);
}

BRUNSK_HOT_BODY void CComputer::LeafSumBody(double m, double a, double mu, Window& w) {
  if (mu == 0.0) return;
  const double inv = 1.0 / m;
  if (w.X1 * inv > a + 1.0) return;

  // p m in (X1, X2]: floor(X1/m) < p <= floor(X2/m).
  double lo = GuardedFloor(w.X1 * inv, w.P1, m);
  const double hi = GuardedFloor(w.X2 * inv, w.P2, m);
  // p m > z.
  if (z * inv + 1.0 > lo) {
    double g = GuardedFloor(z * inv, Integer(z), m);
    lo = Max(lo, g);
  }
  const double pMax = Min(hi, a - 1.0);

  // p > floor(cbrt(x/m)); the cursor only moves down as m grows.
  double c = w.root;
  while (c * c * c * m > (1.0 + kRelativeMargin) * xValue) c -= 1.0;
  if (c * c * c * m > (1.0 - kRelativeMargin) * xValue) {
    Integer xm(x);
    xm.DivideBy(m);
    c = xm.FloorCbrt();
  }
  w.root = c;
  const double pMin = Max(c, lo);

  if (pMin > lowerBound) {
    console.Write(msg::CLeafBoundsEmpty());
    return;
  }

  // The primes of (pMin, pMax] are bigPrimeArray[k .. kEnd - 1].
  const int32_t k = bigPrimeIndex[LongFloor(pMin)];
  int32_t kEnd = pMax >= lowerBound ? bigPrimeCount : (pMax < 0.0 ? 0 : bigPrimeIndex[LongFloor(pMax)]);
  if (kEnd < k) kEnd = k;

  // Each leaf adds base - pi(p) + count(x/(m p)), or 1 when x/(m p) < p:
  // summed in integers, a batch of offsets at a time (exact quotients where
  // a floating one lies inside the guard band). Positions are measured from
  // the block's own lower boundary.
  const double xm = xValue * inv;
  const int64_t base = static_cast<int64_t>(2.0 + piCurrent);
  const int64_t piBefore = k + static_cast<int64_t>(piCubeRootXz);  // pi(p) - 1 of the first p
  const Block& block = *w.block;
  const double blockLo = w.lo;
  // Every quotient is at least lo - 1: below lo - 1 >= pMax none falls under
  // its p, and the leaves add base - pi(p) + count, with the pi(p) of the
  // consecutive primes p consecutive.
  const bool underP = blockLo - 1.0 < pMax;
  int32_t offsets[kFloorBatch];
  int64_t L = 0;
  for (int32_t j = k; j < kEnd; j += kFloorBatch) {
    const int32_t n = kEnd - j < kFloorBatch ? kEnd - j : kFloorBatch;
    int64_t counts;
    if (!underP && block.SumCountsOfQuotients(xm, bigPrimeInverse.data() + j, blockLo, n, counts)) {
      L += counts;
      continue;
    }
    if (BatchFloorOffsets(xm, bigPrimeInverse.data() + j, blockLo, n, offsets)) {
      for (int32_t t = 0; t < n; ++t)
        if (OffsetNeedsExact(xm * bigPrimeInverse[j + t], blockLo))
          offsets[t] = static_cast<int32_t>(x.QuotientMinus(bigPrimeArray[j + t], m, blockLo));
    }
    if (underP) {
      for (int32_t t = 0; t < n; ++t) {
        const int32_t pos = offsets[t];
        if (pos + blockLo < bigPrimeArray[j + t])
          L += 1;
        else
          L += base - (piBefore + (j - k) + t + 1) + block.CountInWindow(pos);
      }
    } else {
      L += block.SumCountsInWindow(offsets, n);
    }
  }
  if (!underP) {
    const int64_t n = kEnd - k;
    L += n * (base - piBefore - 1) - n * (n - 1) / 2;
  }
  if (w.T * w.T > kFlushThreshold) {
    result.Add(-w.T);
    w.T = 0.0;
  }
  w.T += static_cast<double>(L) * mu;
}

void CComputer::LeafSum(double m, double a, double mu, Window& w) {
  BRUNSK_HOT_DISPATCH(LeafSumBody(m, a, mu, w));
}

void CComputer::Run() {
  Prepare();
  InitRangeCount();

  if (z * lowerBound > xValue) console.Write(msg::CBoundsTooLarge());
  if (lowerBound <= cubeRootXz) return;

  const int32_t W = windowLength;
  const int32_t M = factorLimit;
  const int32_t nW = nWindowLength;
  Block nBlock(nW);
  nBlock.SetPrimes(&*sievePrimes);
  const double zq = Integer(z).FloorQuotient(Integer(lowerBound));

  double start = rangeStart;
  if (start < 2.0) {
    start = 1.0;
    piCurrent = 1.0;  // the prime 2; the block counts odd primes
    piAtRangeStart = 1.0;
  } else {
    piAtRangeStart = piCurrent;
  }

  Window w;
  w.block = &nBlock;
  while (start < rangeEnd) {
    const double hi = Min(start + nW, rangeEnd);

    w.P1.CeilDivide(x, Integer(hi));
    w.P1.Add(-1.0);
    if (start < 2.0) {
      w.P2 = Integer(lowerBound * z);
    } else {
      w.P2.CeilDivide(x, Integer(start));
    }
    w.P2.Add(-1.0);
    w.X1 = w.P1.GetApprox();
    w.X2 = w.P2.GetApprox();

    const double mLo = Max(w.P1.FloorQuotient(Integer(lowerBound)), zq);
    const double mHi = Min(Min(z, w.P2.FloorQuotient(Integer(cubeRootXz))),
                           DoubleFloor(w.X2 * std::sqrt(w.X2 / xValue)) + 1.0);

    w.T = 0.0;
    nBlock.RunSieve(start, hi);
    nBlock.BuildCounts();
    w.lo = nBlock.Lo();

    Integer xmLo;
    xmLo.Divide(x, Integer(mLo));
    w.root = xmLo.FloorCbrt();

    // Small m from the factor tables: a leaf needs mu(m) != 0 and a prime
    // p < a with p m > P1, so a m > P1; a m is exact in double and X1 is P1
    // rounded, so the test a m >= X1 keeps every such m.
    {
      int32_t mEnd = LongFloor(mHi) + 1;
      if (mEnd > M) mEnd = M;
      int32_t m = LongFloor(mLo) + 1;
      if (m % 2 == 0) ++m;
      const uint16_t* lpf = factors->Lpf();
      const int8_t* mu = factors->Mu();
      for (; m < mEnd; m += 2) {
        const int32_t i = (m - 1) / 2;
        if (mu[i] == 0) continue;
        const double a = lpf[i] == 0 ? m : 2.0 * lpf[i] + 1.0;
        if (a * m >= w.X1) LeafSum(m, a, mu[i], w);
      }
    }

    // Primes m below X1^(2/3): no composite m with a m >= X1 lies there.
    const double pEnd = Min(mHi, DoubleFloor(std::pow(w.X1, 2.0 / 3.0)) - 1.0);
    double cur = Max(mLo, M);
    {
      Block mSieve(W);
      mSieve.SetPrimes(&*mPrimes);
      while (cur < pEnd) {
        const double h = Min(Min(cur + W, pEnd), y);
        if (h <= cur) {
          cur = pEnd;
          break;
        }
        mSieve.RunSieve(cur, h);
        mSieve.StartIteration();
        while (mSieve.Next()) {
          const double q = mSieve.Current();
          if (q * q >= w.X1) LeafSum(q, q, -1.0, w);
        }
        cur = h;
      }
    }

    // The remaining m from the Moebius sieve.
    cur = Max(cur, M);
    while (cur < mHi) {
      const double h = Min(cur + W, mHi);
      mBlock->RunSieve(cur, h);
      mBlock->StartIteration(0.0);
      while (mBlock->Next()) {
        double a, mu;
        const double m = mBlock->CurrentWithFactor(a, mu);
        if (a * m >= w.X1) LeafSum(m, a, mu, w);
      }
      cur = h;
    }

    result.Add(-w.T);
    piCurrent += nBlock.CountAll();
    sieveCurrent = hi;
    start = hi;
    ShowProgress(hi);
  }
  piAtRangeEnd = piCurrent;
}
