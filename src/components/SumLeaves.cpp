#include "components/SumLeaves.h"

#include <algorithm>
#include <cassert>
#include <functional>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "arith/BatchFloor.h"
#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "arith/Integer.h"
#include "sieve/CBlock.h"
#include "sieve/MBlock.h"
#include "sieve/MMBlock.h"

namespace {

// Leaves taken per batch: enough that the divisions of a batch overlap its
// count queries (the batches are measured in bench/README.md, "computing the
// quotients x/(m p) of D's leaves in batches"), few enough that the batch
// (about 4 KB) stays in the first-level cache.
constexpr int32_t kBatch = 256;

// The m of a batch (room for the four-lane reads past the last one, and for
// the sixteen-lane writes of PickAdmissible past it) and their weights.
struct LeafBatch {
  double m[kBatch + 16];
  int32_t weight[kBatch];
  int32_t offset[kBatch + 4];
};

#if BRUNSK_WIDE_FLOORS
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// The admissible odd m of [m0, m1) from the factor tables, sixteen at a
// time, into the batch (the AVX-512 copy): the same test as the loop of one
// m at a time, the kept m and weights packed together; returns their number.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline int32_t PickAdmissible(
    const uint16_t* lpf, const int8_t* mu, int32_t pEntry, int32_t m0, int32_t m1, LeafBatch& batch) {
  const __m512i lanes = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
  const __m512i none = _mm512_setzero_si512(), entry = _mm512_set1_epi32(pEntry);
  int32_t n = 0;
  for (int32_t m = m0; m < m1; m += 32) {
    const int32_t k = (m - 1) >> 1;
    const int32_t left = (m1 - m + 1) >> 1;  // odd m still to look at
    const __mmask16 live = left >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << left) - 1u);
    const __m512i e = _mm512_cvtepu16_epi32(_mm256_maskz_loadu_epi16(live, lpf + k));
    const __m512i w = _mm512_cvtepi8_epi32(_mm_maskz_loadu_epi8(live, mu + k));
    const __mmask16 keep = live & _mm512_test_epi32_mask(w, w) &
                           (_mm512_cmpeq_epi32_mask(e, none) | _mm512_cmpgt_epi32_mask(e, entry));
    _mm512_mask_compressstoreu_epi32(batch.weight + n, keep, w);
    const __m512i kept = _mm512_maskz_compress_epi32(keep, _mm512_add_epi32(_mm512_set1_epi32(m), lanes));
    _mm512_storeu_pd(batch.m + n, _mm512_cvtepi32_pd(_mm512_castsi512_si256(kept)));
    _mm512_storeu_pd(batch.m + n + 8, _mm512_cvtepi32_pd(_mm512_extracti32x8_epi32(kept, 1)));
    n += __builtin_popcount(keep);
  }
  return n;
}

// The sum of w[0 .. n - 1], sixteen at a time (the AVX-512 copy).
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline int64_t WeightTotal16(const int32_t* w,
                                                                                         int32_t n) {
  __m512i sum = _mm512_setzero_si512();
  for (int32_t t = 0; t < n; t += 16) {
    const __mmask16 live = n - t >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << (n - t)) - 1u);
    const __m512i v = _mm512_maskz_loadu_epi32(live, w + t);
    sum = _mm512_add_epi64(sum, _mm512_cvtepi32_epi64(_mm512_castsi512_si256(v)));
    sum = _mm512_add_epi64(sum, _mm512_cvtepi32_epi64(_mm512_extracti32x8_epi32(v, 1)));
  }
  return _mm512_reduce_add_epi64(sum);
}
#pragma GCC diagnostic pop
#endif

// Adds the n leaves of a batch to s: weight (base + count(floor(x/(m p)) -
// lo)). The quotients come from the two-part value vx of x, floored a batch
// at a time (exactly where one lies inside the guard band); the counts and
// weights are summed in integers, and base times the weights (at most 256 of
// them) is exact.
__attribute__((always_inline)) inline void AddBatch(LeafBatch& batch, int32_t n, const Integer& x, double vx,
                                                    double p, double lo, double base, const CBlock& block,
                                                    double& s) {
  if (n <= 0) return;
  for (int32_t t = n; t < ((n + 3) & ~3); ++t) batch.m[t] = batch.m[n - 1];
  if (BatchFloorQuotients(vx, p, batch.m, lo, n, batch.offset)) {
    for (int32_t t = 0; t < n; ++t)
      if (OffsetNeedsExact(vx / (p * batch.m[t]), lo))
        batch.offset[t] = static_cast<int32_t>(x.QuotientMinus(p, batch.m[t], lo));
  }
  int64_t counted = 0, weights = 0;
#if BRUNSK_WIDE_FLOORS
  if (batchfloor::Wide8())
    weights = WeightTotal16(batch.weight, n);
  else
#endif
    for (int32_t t = 0; t < n; ++t) weights += batch.weight[t];
  if (!block.SumWeightedCounts(batch.offset, batch.weight, n, counted)) {
    counted = 0;
    for (int32_t t = 0; t < n; ++t) counted += static_cast<int64_t>(batch.weight[t]) * block.CountUpTo(batch.offset[t]);
  }
  s += static_cast<double>(counted) + base * static_cast<double>(weights);
}

}  // namespace

static BRUNSK_HOT_BODY void SumLeavesBody(const LeafTables& t, double& sum, Integer& result, double p,
                                          double& mLow, double mHigh, double base, const LeafList& list) {
  if (mLow > mHigh) return;

  const Integer& x = *t.x;
  const CBlock& block = *t.window;
  const double lo = block.Lo();
  const int32_t tableLimit = t.tableLimit;
  const int32_t mStep = t.mStep;
  double s = sum;
  const double vx = 1e12 * x.High() + x.Low();
  LeafBatch batch;

  // Factor tables: odd m below tableLimit. An m is admissible when its least
  // prime factor exceeds p, or when the table has no factor for it (1, a
  // prime, or no prime factor up to y; the last has weight 0).
  if (mLow < tableLimit) {
    int32_t start = LongFloor(mLow) + 1;
    int32_t stop = mHigh < tableLimit ? LongFloor(mHigh) + 1 : tableLimit;
    if ((start & 1) == 0) ++start;
    const uint16_t* lpf = t.lpfIndex;
    const int8_t* mu = t.mu;
    const int32_t pEntry = (LongFloor(p) - 1) / 2;
    // In chunks: the admissible m are first picked out without a branch on
    // the tables, then their leaves are added as a batch.
    for (int32_t m0 = start; m0 < stop; m0 += 2 * kBatch) {
      const int32_t m1 = stop - m0 > 2 * kBatch ? m0 + 2 * kBatch : stop;
      int32_t n = 0;
#if BRUNSK_WIDE_FLOORS
      if (batchfloor::Wide8()) {
        n = PickAdmissible(lpf, mu, pEntry, m0, m1, batch);
        AddBatch(batch, n, x, vx, p, lo, base, block, s);
        continue;
      }
#endif
      for (int32_t m = m0; m < m1; m += 2) {
        const int32_t k = (m - 1) >> 1;
        const int32_t e = lpf[k];
        const int32_t w = mu[k];
        batch.m[n] = m;
        batch.weight[n] = w;
        n += static_cast<int32_t>((e == 0 || e > pEntry) & (w != 0));
      }
      AddBatch(batch, n, x, vx, p, lo, base, block, s);
    }
  }
  if (mLow < tableLimit - 1) mLow = tableLimit - 1;

  if (list.m != nullptr) {
    const double* mList = list.m;
    const int8_t* muList = list.mu;
    const int32_t count = list.count;
    assert(std::adjacent_find(mList, mList + count, std::greater_equal<double>()) == mList + count);
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
      // In batches.
      int32_t i = r;
      while (i < count && mList[i] <= mHigh) {
        int32_t n = 0;
        for (; n < kBatch && i + n < count && mList[i + n] <= mHigh; ++n) {
          batch.m[n] = mList[i + n];
          batch.weight[n] = muList[i + n];
        }
        AddBatch(batch, n, x, vx, p, lo, base, block, s);
        i += n;
      }
    }
  } else {
    // Up to p^3 - 1 an admissible m is a prime or a product of two primes
    // above p: the two-prime enumerator yields exactly those.
    MMBlock& mm = *t.twoPrimes;
    MBlock& mblock = *t.moebius;
    double b3 = p * p * p - 1.0;
    if (b3 > mHigh) b3 = mHigh;
    while (mLow < b3) {
      double v = mLow + mStep;
      if (v > b3) v = b3;
      mm.RunSieve(p, mLow, v);
      // In batches, as for the lists.
      int32_t n;
      do {
        n = mm.NextValues(batch.m, batch.weight, kBatch);
        AddBatch(batch, n, x, vx, p, lo, base, block, s);
      } while (n == kBatch);
      mLow = v;
    }
    // Beyond, the Moebius block with the least-prime-factor filter.
    while (mLow < mHigh) {
      double v = mLow + mStep;
      if (v > mHigh) v = mHigh;
      mblock.RunSieveAbove(mLow, v, p);
      // In batches, as for the lists; the block hands over only the m of
      // nonzero weight.
      int32_t n;
      do {
        n = mblock.NextNonZero(batch.m, batch.weight, kBatch);
        AddBatch(batch, n, x, vx, p, lo, base, block, s);
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

void SumLeaves(const LeafTables& t, double& sum, Integer& result, double p, double& mLow, double mHigh,
               double base, const LeafList& list) {
  BRUNSK_HOT_DISPATCH(SumLeavesBody(t, sum, result, p, mLow, mHigh, base, list));
}
