#include "components/SumLeaves.h"

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "arith/Integer.h"
#include "components/DComputer.h"
#include "sieve/CBlock.h"
#include "sieve/MBlock.h"
#include "sieve/MMBlock.h"

namespace {

// floor(x / (m p)) - lo from the floating quotient when it lies safely away
// from an integer, exactly otherwise (and always once the quotient reaches
// 10^14, where the relative margin no longer separates neighbours).
inline int32_t LeafOffset(const Integer& x, double xValue, double p, double m, double lo) {
  double q = xValue / (m * p);
  double eps = q * kRelativeMargin;
  if (eps < 0.1) {
    double t = q - lo;
    double g = DoubleFloor(t);
    double f = t - g;
    if (f >= eps && f <= 1.0 - eps) return static_cast<int32_t>(g);
  }
  return static_cast<int32_t>(x.QuotientMinus(p, m, lo));
}

// floor(x / (m p)) - lo for the leaves of the lists and enumerators: the
// quotient of x's two-part value by m p, kept when its fractional part lies
// inside the relative guard band, exact otherwise. vx is 10^12 high + low of
// x, computed once per call.
inline int32_t QuotientOffset(const Integer& x, double vx, double p, double m, double lo) {
  const double h = vx / (p * m);
  const double tol = h * kRelativeMargin;
  const double y = h - lo;
  const int32_t l = LongFloor(y);
  const double f = y - static_cast<double>(l);
  if (__builtin_expect(f > tol && f < 1.0 - tol, 1)) return l;
  return static_cast<int32_t>(x.QuotientMinus(p, m, lo));
}

}  // namespace

BRUNSK_HOT void SumLeaves(const DComputer& d, double& sum, Integer& result, double p, double& mLow,
               double mHigh, double base, const CBlock& block, MBlock& mblock, int32_t mStep,
               const double* mList, const int8_t* muList, int32_t count) {
  if (mLow > mHigh) return;

  const Integer& x = d.XInteger();
  const double xValue = d.XValue();
  const double lo = block.Lo();
  const int32_t tableLimit = d.ZTableLimit();
  double s = sum;
  const double vx = 1e12 * x.High() + x.Low();

  // Factor tables: odd m below tableLimit. An m is admissible when its least
  // prime factor exceeds p, or when the table has no factor for it (1, a
  // prime, or no prime factor up to y; the last has weight 0).
  if (mLow < tableLimit) {
    int32_t start = LongFloor(mLow) + 1;
    int32_t stop = mHigh < tableLimit ? LongFloor(mHigh) + 1 : tableLimit;
    if ((start & 1) == 0) ++start;
    const uint16_t* lpf = d.LpfIndex();
    const int8_t* mu = d.MuTable();
    const int32_t pEntry = (LongFloor(p) - 1) / 2;
    // In chunks: the admissible m are first picked out without a branch on
    // the tables, then their quotients are taken (the divisions overlap), then
    // their leaves are counted.
    constexpr int32_t kChunk = 256;
    int32_t picked[kChunk];
    int32_t weight[kChunk];
    for (int32_t m0 = start; m0 < stop; m0 += 2 * kChunk) {
      const int32_t m1 = stop - m0 > 2 * kChunk ? m0 + 2 * kChunk : stop;
      int32_t n = 0;
      for (int32_t m = m0; m < m1; m += 2) {
        const int32_t k = (m - 1) >> 1;
        const int32_t e = lpf[k];
        const int32_t w = mu[k];
        picked[n] = m;
        weight[n] = w;
        n += static_cast<int32_t>((e == 0 || e > pEntry) & (w != 0));
      }
      for (int32_t t = 0; t < n; ++t)
        picked[t] = LeafOffset(x, xValue, p, static_cast<double>(picked[t]), lo);
      for (int32_t t = 0; t < n; ++t) s += (block.CountUpTo(picked[t]) + base) * weight[t];
    }
  }
  if (mLow < tableLimit - 1) mLow = tableLimit - 1;

  if (mList != nullptr) {
    // The collected m of this prime for a group of windows, increasing.
    if (count >= 1 && mLow < mList[count - 1]) {
      int32_t l = -1, r = count - 1;
      while (r - l >= 2) {
        int32_t k = (l + r) / 2;
        if (mLow < mList[k])
          r = k;
        else
          l = k;
      }
      // In batches: the quotients first (their divisions overlap), then the
      // counts.
      constexpr int32_t kBatch = 256;
      int32_t offset[kBatch];
      int32_t i = r;
      while (i < count && mList[i] <= mHigh) {
        int32_t n = 0;
        for (; n < kBatch && i + n < count && mList[i + n] <= mHigh; ++n)
          offset[n] = QuotientOffset(x, vx, p, mList[i + n], lo);
        for (int32_t t = 0; t < n; ++t) s += (block.CountUpTo(offset[t]) + base) * muList[i + t];
        i += n;
      }
    }
  } else {
    // Up to p^3 - 1 an admissible m is a prime or a product of two primes
    // above p: the two-prime enumerator yields exactly those.
    MMBlock& mm = *d.GetMMBlock();
    double b3 = p * p * p - 1.0;
    if (b3 > mHigh) b3 = mHigh;
    while (mLow < b3) {
      double v = mLow + mStep;
      if (v > b3) v = b3;
      mm.RunSieve(p, mLow, v);
      // In batches, as for the lists.
      constexpr int32_t kBatch = 256;
      int32_t offset[kBatch];
      double weight[kBatch];
      bool more = true;
      while (more) {
        int32_t n = 0;
        while (n < kBatch && (more = mm.Next() != 0)) {
          double w;
          const double m = mm.GetValue(w);
          offset[n] = QuotientOffset(x, vx, p, m, lo);
          weight[n] = w;
          ++n;
        }
        for (int32_t t = 0; t < n; ++t) s += (block.CountUpTo(offset[t]) + base) * weight[t];
      }
      mLow = v;
    }
    // Beyond, the Moebius block with the least-prime-factor filter.
    while (mLow < mHigh) {
      double v = mLow + mStep;
      if (v > mHigh) v = mHigh;
      mblock.RunSieve(mLow, v);
      mblock.StartIteration(p);
      // In batches, as for the lists; the block hands over only the m of
      // nonzero weight.
      constexpr int32_t kBatch = 256;
      double ms[kBatch];
      double weight[kBatch];
      int32_t offset[kBatch];
      int32_t n;
      do {
        n = mblock.NextNonZero(ms, weight, kBatch);
        for (int32_t t = 0; t < n; ++t) offset[t] = QuotientOffset(x, vx, p, ms[t], lo);
        for (int32_t t = 0; t < n; ++t) s += (block.CountUpTo(offset[t]) + base) * weight[t];
      } while (n == kBatch);
      mLow = v;
    }
  }

  if (s * s > kFlushThreshold) {
    result.Add(-s);
    s = 0.0;
  }
  sum = s;
}
