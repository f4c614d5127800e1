#include "components/DComputer.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "arith/Floor.h"
#include "auxcount/PhiNFast.h"
#include "auxcount/SmallPi.h"
#include "base/Messages.h"
#include "components/SumLeaves.h"
#include "sieve/CBlock.h"
#include "sieve/MBlock.h"
#include "sieve/MMBlock.h"
#include "sieve/PrimeSeries.h"

namespace {

constexpr double kTwo52 = 4503599627370496.0;

// The longest window the fourfold length gives (see the constructor).
constexpr double kLongestWindow = 4194304.0;

// ceil(a / p) for a non-negative Integer a and a prime p < 2^31. Below 2^52
// the value of a is exact in its double summary and the quotient is taken in
// double arithmetic with a one-step correction; above, in exact Integer
// arithmetic (read back without the large-value warning: such quotients only
// ever meet a min() against a far smaller bound).
double CeilQuotientBy(const Integer& a, double p) {
  double v = a.GetApprox();
  if (v < kTwo52) {
    double q = DoubleFloor(v / p);
    double r = v - q * p;
    if (r < 0.0) {
      q -= 1.0;
      r += p;
    } else if (r >= p) {
      q += 1.0;
      r -= p;
    }
    return r > 0.0 ? q + 1.0 : q;
  }
  Integer t = a;
  if (t.DivideBy(p) != 0) t.Add(1.0);
  return t.GetApprox();
}

// ceil(x / s) for a whole s > 0.
Integer CeilDivideBy(const Integer& x, double s) {
  Integer r;
  r.CeilDivide(x, Integer(s));
  return r;
}

}  // namespace

DComputer::DComputer(const Integer& x_, double y_, double z_, double blockFactor_)
    : Computer(x_, y_, blockFactor_),
      z(z_),
      zTableLimit(0),
      phiCount(0),
      phiPosition(0.0),
      segmentLength(0),
      mStep(0) {
  // Factor tables up to 4 L (at most z), windows of 4 times 8 (L / 2)
  // numbers but no more than 2^22 unless 8 (L / 2) is more, m segments a
  // quarter of a window. A window strikes every prime up to sqrt(x / lo) and
  // asks for its count, most of them with a leaf or two only: windows four
  // times longer than the 8 (L / 2) of the first design cut that work per
  // prime fourfold, and took D 13 to 18 % less time at 10^16, 10^17 and
  // 10^18, where eight times longer ones were slower at 10^18
  // (bench/README.md, "Per-core speed, fourth round"). The bound keeps the
  // lists of a group (a third of a window) within some 13 MB where the
  // windows are already long, as in the auxiliary counts.
  zTableLimit = 4 * blockLength;
  if (z < 4.0 * blockLength) zTableLimit = LongFloor(z);
  blockLength = blockLength / 2;
  double start, end;
  GetRange(start, end);
  const double first = 8.0 * blockLength;
  double length = 4.0 * first;
  if (length > kLongestWindow) length = first > kLongestWindow ? first : kLongestWindow;
  if (length > end - start) length = DoubleFloor(end - start);
  segmentLength = static_cast<int32_t>(length);
  // A window must advance: never let a degenerate interval give length 0.
  if (segmentLength < 2) segmentLength = 2;
  mStep = segmentLength / 4;
  if (mStep & 1) ++mStep;
  if (mStep < 2) mStep = 2;
}

DComputer::~DComputer() = default;

void DComputer::GetName(char* out) const {
  out[0] = 'D';
  out[1] = '\0';
}

void DComputer::GetRange(double& start, double& end) {
  start = DoubleFloor(xValue / lowerBound / z) - 1.0;
  Integer q;
  q.Divide(x, Integer(DoubleFloor(z)));
  end = q.GetDouble();
}

double DComputer::EstimateMemory() {
  double primes = EstimateCount(2.0, lowerBound);
  double tables = 3.0 * (zTableLimit / 2);
  double mm = MMBlock::EstimateMemory(z, y);
  double series = primes + EstimateCount(2.0, std::sqrt(z));
  double acc = 8.0 * primes;
  double cblock = CBlock::MemorySize(segmentLength);
  double mblock = 13.0 * (mStep / 2 + 1);
  double delta3 = segmentLength / 3 + 1;
  double lists = 9.0 * delta3 + 4.0 * (primes + 1.0) + 24.0 * primes;
  return tables + mm + series + acc + cblock + mblock + lists;
}

void DComputer::FreeTables() {
  factors.reset();
  mmBlock.reset();
}

void DComputer::ShareTablesOf(const Computer& other) {
  const DComputer* d = dynamic_cast<const DComputer*>(&other);
  if (d != nullptr && d->factors && d->zTableLimit == zTableLimit) factors = d->factors;
}

int DComputer::IsNormalMode() const { return (mode == 0 && phiPosition != rangeStart) ? 1 : 0; }

void DComputer::Prepare() {
  if (mmBlock) return;
  if (!factors) factors = std::make_shared<const FactorTable>(zTableLimit, y);
  mmBlock.emplace(z, y);
  phiCount = LongFloor(SmallPi(lowerBound)) - 1;
  if (phiCount < 0) phiCount = 0;
  if (phiAcc.empty()) {
    phiAcc = Buffer<double>::Zeroed(phiCount + 1);
    phiPosition = 0.0;
  }
}

void DComputer::InitRangeCount() {
  if (!IsNormalMode()) return;
  const double s = rangeStart;
  PrimeSeries primes(2.0, lowerBound);
  phiPosition = s;
  for (int32_t b = 0; b < phiCount; ++b) phiAcc[b] = 0.0;

  if (s >= lowerBound) {
    // phi(s, pi(p_b) - 1) + b for the primes that the windows from s on
    // still read, by the recurrence phi(s, k) = phi(s, k-1) - phi(s/p_k, k-1).
    const double Q = CeilDivideBy(x, s).GetApprox();
    double q = 2.0, r = 0.0;
    int32_t b = 0;
    primes.StartIteration();
    while (b < phiCount && primes.Next()) {
      const double p = primes.Current();
      if (p * p > Q) break;
      if (p > 11.0)
        phiAcc[b] = phiAcc[b - 1] - (b - 1) - PhiNFast(DoubleFloor((s + 0.5) / q), r) + b;
      else
        phiAcc[b] = PhiNFast(s, q) + b;
      r = q;
      q = p;
      ++b;
    }
  } else if (s > 0.0) {
    // Sieve (0, s] window by window, counting before each prime is struck.
    const int32_t len = 8 * blockLength;
    CBlock block(len);
    for (double lo = 0.0; lo < s;) {
      double hi = lo + len;
      if (hi > s) hi = s;
      block.Reset(lo, hi);
      const int32_t d = LongFloor(block.Hi() - block.Lo());
      primes.StartIteration();
      for (int32_t b = 0; b < phiCount && primes.Next(); ++b) {
        phiAcc[b] += block.CountUpTo(d);
        block.RemoveMultiples(primes.Current());
      }
      lo = hi;
    }
  }
}

double DComputer::Checksum(double s, PrimeSeries& primes) const {
  if (phiAcc.empty()) return 0.0;
  const double Q = s <= 0.0 ? xValue : CeilDivideBy(x, s).GetApprox();
  double sum = 0.0;
  primes.StartIteration();
  for (int32_t b = 0; b < phiCount && primes.Next(); ++b) {
    const double p = primes.Current();
    if (p * p > Q) break;
    sum += phiAcc[b] - 1e9 * DoubleFloor(phiAcc[b] * 1e-9);
  }
  return sum;
}

// The state of one Run: the primes of the component with their
// window-independent bounds, the window, the Moebius block, and the lists of
// m collected for a group of windows.
struct DComputer::Sweep {
  Sweep(DComputer& d, double sqrtZ)
      : block(d.segmentLength),
        mPrimes(2.0, sqrtZ),
        mblock(d.mStep, d.y),
        bounds(d.phiCount + 1),
        delta3(d.segmentLength / 3 + 1),
        mList(delta3),
        muList(delta3),
        mStart(d.phiCount + 1) {
    mblock.SetPrimes(&mPrimes);
  }

  // Per-prime bounds that do not depend on the window.
  struct PrimeBounds {
    double p;
    double zOverP;  // floor(z / p)
    double mCap;    // min(floor(z), floor(x / p^3))
  };

  CBlock block;
  PrimeSeries mPrimes;  // the odd primes up to sqrt(z), for the Moebius block
  MBlock mblock;
  std::vector<PrimeBounds> bounds;
  int32_t nbPrimes = 0;
  // The m of the group above the factor tables, prime after prime: those of
  // prime b are mList[mStart[b] .. mStart[b + 1] - 1]. When they do not fit
  // (overflow), the group's windows enumerate their m directly.
  int32_t delta3;
  Buffer<double> mList;
  Buffer<int8_t> muList;
  std::vector<int32_t> mStart;
  bool overflow = false;
};

LeafTables DComputer::LeafTablesFor(const CBlock& window, MBlock& mblock) const {
  return LeafTables{&x,       zTableLimit, factors->Lpf(), factors->Mu(), &*mmBlock,
                    &mblock, mStep,       &window};
}

// m range of prime b for the window whose quotient bounds are XL = ceil(x/lo)
// (x itself for lo = 0) and XH = ceil(x/hi): exactly the m with
// lo < x/(m p) <= hi.
void DComputer::MRange(const Sweep& s, int32_t b, const Integer* XL, const Integer& XH,
                       double& mLow, double& mHigh) const {
  const Sweep::PrimeBounds& pb = s.bounds[b];
  mLow = CeilQuotientBy(XH, pb.p) - 1.0;
  if (mLow < pb.zOverP) mLow = pb.zOverP;
  if (mLow < pb.p) mLow = pb.p;
  mHigh = pb.mCap;
  const double h = CeilQuotientBy(XL == nullptr ? x : *XL, pb.p) - 1.0;
  if (h < mHigh) mHigh = h;
}

void DComputer::Run() {
  // Empty interval: the products n = m p with a leaf in it are those with
  // a1 < n <= a2; none, or a single even one, means nothing to do.
  if (rangeStart > 0.0) {
    Integer a1 = CeilDivideBy(x, rangeEnd);
    a1.Add(-1.0);
    Integer a2 = CeilDivideBy(x, rangeStart);
    a2.Add(-1.0);
    if (a1.IsEqual(a2)) return;
    Integer gap = a2;
    gap.Subtract(a1);
    if (gap.GetApprox() == 1.0 && a2.Modulo(2.0) == 0.0) return;
  }

  Prepare();
  PrimeSeries t1(2.0, lowerBound);
  Sweep s(*this, DoubleFloor(std::sqrt(z)));
  InitRangeCount();

  piAtRangeStart = Checksum(rangeStart, t1);

  {
    const double zFloor = DoubleFloor(z);
    t1.StartIteration();
    while (s.nbPrimes < phiCount && t1.Next()) {
      const double p = t1.Current();
      Integer c = x;
      c.DivideBy(p);
      c.DivideBy(p);
      c.DivideBy(p);
      const double cube = c.GetApprox();
      Sweep::PrimeBounds& pb = s.bounds[s.nbPrimes++];
      pb.p = p;
      pb.zOverP = DoubleFloor(z / p);
      pb.mCap = cube < zFloor ? cube : zFloor;
    }
  }

  double lo = rangeStart;

  // First phase: below sqrt(2x) the m are enumerated prime by prime.
  while (lo < rangeEnd && lo * lo <= 2.0 * xValue) {
    double hi = lo + segmentLength;
    if (hi > rangeEnd) hi = rangeEnd;
    SweepWindow(s, lo, hi, false);
    lo = hi;
    ShowProgress(hi);
  }

  // Second phase: the m of a group of windows are collected once into lists
  // and reused by every window of the group.
  while (lo < rangeEnd) {
    double H = lo + segmentLength;
    if (H > rangeEnd) H = rangeEnd;
    double B = H;
    while (B < rangeEnd) {
      if (xValue / lo - xValue / B >= segmentLength) break;
      H = B;
      B += segmentLength;
      if (B > rangeEnd) B = rangeEnd;
    }
    CollectGroup(s, lo, H);
    while (lo < H) {
      double hi = lo + segmentLength;
      if (hi > H) hi = H;
      SweepWindow(s, lo, hi, true);
      lo = hi;
      ShowProgress(hi);
    }
  }

  piAtRangeEnd = Checksum(rangeEnd, t1);
  phiPosition = rangeEnd;
}

// Collects the m of the windows of (lo, H] above the factor tables into the
// lists, prime after prime; reports and marks an overflow when they do not fit.
void DComputer::CollectGroup(Sweep& s, double lo, double H) {
  // m taken from the Moebius block per call, as for the leaves (SumLeaves).
  constexpr int32_t kCollectBatch = 256;
  int32_t wBatch[kCollectBatch];
  s.overflow = false;
  const Integer XL = CeilDivideBy(x, lo);
  const double Q = XL.GetApprox();
  const Integer XH = CeilDivideBy(x, H);
  double* const mList = s.mList.data();
  int8_t* const muList = s.muList.data();
  const int32_t delta3 = s.delta3;
  MBlock& mblock = s.mblock;
  int32_t mIndex = 0;
  int32_t b = 0;
  for (; b < s.nbPrimes; ++b) {
    s.mStart[b] = mIndex;
    const double p = s.bounds[b].p;
    if (p * p > Q) break;
    double mLow, mHigh;
    MRange(s, b, &XL, XH, mLow, mHigh);
    if (mLow < zTableLimit - 1) mLow = zTableLimit - 1;
    for (double u = mLow; u < mHigh;) {
      double v = u + mStep;
      if (v > mHigh) v = mHigh;
      mblock.RunSieveAbove(u, v, p);
      // The m of nonzero weight come in batches straight into the lists
      // while they have room for a whole batch; near the end of the lists,
      // one by one, so that every m past their end is reported.
      int32_t n = kCollectBatch;
      while (n == kCollectBatch && delta3 - mIndex >= kCollectBatch) {
        n = mblock.NextNonZero(mList + mIndex, wBatch, kCollectBatch);
        for (int32_t t = 0; t < n; ++t) muList[mIndex + t] = static_cast<int8_t>(wBatch[t]);
        mIndex += n;
      }
      if (n == kCollectBatch) {
        while (mblock.Next()) {
          double w;
          double m = mblock.Current(w);
          if (mIndex >= delta3) {
            console.Write(msg::DListOverflow());
            s.overflow = true;
            continue;
          }
          if (w == 0.0) continue;
          mList[mIndex] = m;
          muList[mIndex] = static_cast<int8_t>(w);
          ++mIndex;
        }
      }
      u = v;
    }
  }
  for (; b <= phiCount; ++b) s.mStart[b] = mIndex;
  if (s.overflow) console.Write(msg::DListTooShort());
}

// The window (lo, hi]: before each prime p is struck, the leaves of p in it
// (from the group's lists when fromLists and they did not overflow); then p
// is struck and its running count moves on to the end of the window.
void DComputer::SweepWindow(Sweep& s, double lo, double hi, bool fromLists) {
  CBlock& block = s.block;
  double sum = 0.0;
  block.Reset(lo, hi);
  const bool wholeX = lo <= 0.0;
  Integer XL;
  double Q = xValue;
  if (!wholeX) {
    XL = CeilDivideBy(x, lo);
    Q = XL.GetApprox();
  }
  const Integer XH = CeilDivideBy(x, hi);
  const int32_t d = LongFloor(block.Hi() - block.Lo());
  const LeafTables tables = LeafTablesFor(block, s.mblock);
  const bool lists = fromLists && !s.overflow;
  // The m range of the next prime is found one prime ahead, so that the
  // first factor-table entries it reads are fetched while this prime's
  // leaves are summed and the prime is struck.
  const uint16_t* const lpf = factors->Lpf();
  const int8_t* const mu = factors->Mu();
  double nextLow = 0.0, nextHigh = 0.0;
  if (s.nbPrimes > 0) MRange(s, 0, wholeX ? nullptr : &XL, XH, nextLow, nextHigh);
  for (int32_t b = 0; b < s.nbPrimes; ++b) {
    const double p = s.bounds[b].p;
    if (p * p > Q) break;
    double mLow = nextLow, mHigh = nextHigh;
    if (b + 1 < s.nbPrimes && s.bounds[b + 1].p * s.bounds[b + 1].p <= Q) {
      MRange(s, b + 1, wholeX ? nullptr : &XL, XH, nextLow, nextHigh);
      if (nextHigh > nextLow && nextLow + 1.0 < zTableLimit) {
        const int32_t k = (LongFloor(nextLow) + 1) / 2;  // entry of the first odd m above nextLow
        __builtin_prefetch(lpf + k);
        __builtin_prefetch(mu + k);
      }
    }
    if (mHigh > mLow) {
      LeafList list;
      if (lists) list = LeafList{s.mList.data() + s.mStart[b], s.muList.data() + s.mStart[b],
                                 s.mStart[b + 1] - s.mStart[b]};
      SumLeaves(tables, sum, result, p, mLow, mHigh, phiAcc[b] - b, list);
    }
    phiAcc[b] += block.CountUpTo(d);
    block.RemoveMultiples(p);
  }
  result.Add(-sum);
}
