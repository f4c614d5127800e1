#pragma once
// Floors of many floating quotients at once, for the leaf loops: the offsets
// floor(X * inv[t] - lo) of a whole batch, several lanes at a time, with the
// relative guard band of the floating quotients checked in the same pass.
#include <cassert>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "arith/HotPath.h"
#include "arith/Integer.h"

// The x86-64-v3 copy of the hot loops (and newer ones) takes four lanes at a
// time, in a separate function compiled for AVX2; the older copies two, so
// that each copy runs the lanes of its own level.
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    (BRUNSK_HOT_X86_COPIES || defined(__AVX2__))
#define BRUNSK_WIDE_FLOORS 1
#else
#define BRUNSK_WIDE_FLOORS 0
#endif

// Most quotients taken per call. The lanes go up to four at a time: a call
// for n quotients reads inv[0 .. n + 2] and writes out[0 .. n + 2].
constexpr int kFloorBatch = 64;

namespace batchfloor {

#if defined(__SSE2__)
// One pair of lanes: the floors of v - lo (cut to -1 below -1) into
// out[0 .. 1]; margin takes the least distance, over the lanes above -1, of
// a fraction to the edges of the safe band (tol, 1 - tol). Two lanes is the
// width of the baseline instruction set, where wider vectors of the compiler
// would go through memory; the masks only ever select doubles.
__attribute__((always_inline)) inline void FloorLanes(__m128d v, double lo, int32_t* out, __m128d& margin) {
  const __m128d minusOne = _mm_set1_pd(-1.0);
  const __m128d raw = _mm_sub_pd(v, _mm_set1_pd(lo));
  // Truncation is the floor above 0; on (-1, 0) it gives 0 and a negative
  // fraction, which falls outside the band.
  const __m128d d = _mm_max_pd(raw, minusOne);
  const __m128i k = _mm_cvttpd_epi32(d);
  const __m128d f = _mm_sub_pd(d, _mm_cvtepi32_pd(k));
  const __m128d tol = _mm_mul_pd(_mm_set1_pd(kRelativeMargin), v);
  const __m128d edge = _mm_min_pd(_mm_sub_pd(f, tol), _mm_sub_pd(_mm_sub_pd(_mm_set1_pd(1.0), tol), f));
  const __m128d above = _mm_cmpgt_pd(raw, minusOne);  // lanes at or below -1 do not count
  const __m128d lane = _mm_or_pd(_mm_and_pd(above, edge), _mm_andnot_pd(above, _mm_set1_pd(1.0)));
  margin = _mm_min_pd(margin, lane);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), k);
}

// Some lane lies on or outside the safe band.
inline bool Any(__m128d margin) {
  const __m128d least = _mm_min_sd(margin, _mm_unpackhi_pd(margin, margin));
  return !(_mm_cvtsd_f64(least) > 0.0);
}
#endif

// The same for one lane, as a fallback without vector instructions.
inline void FloorLane(double v, double lo, int32_t* out, double& margin) {
  const double raw = v - lo;
  const double d = raw > -1.0 ? raw : -1.0;
  const int32_t k = static_cast<int32_t>(d);
  const double f = d - static_cast<double>(k);
  const double tol = kRelativeMargin * v;
  const double below = f - tol, above = (1.0 - tol) - f;
  const double edge = below < above ? below : above;
  if (raw > -1.0 && edge < margin) margin = edge;
  *out = k;
}

}  // namespace batchfloor

#if BRUNSK_WIDE_FLOORS
namespace batchfloor {
typedef double V4d __attribute__((vector_size(32)));
typedef int64_t V4l __attribute__((vector_size(32)));
typedef int32_t V4i __attribute__((vector_size(16)));

// Four lanes, as FloorLanes (inlined into the AVX2 functions only).
__attribute__((always_inline)) inline void FloorLanes4(V4d v, double lo, int32_t* out, V4l& flagged) {
  const V4d minusOne = {-1.0, -1.0, -1.0, -1.0};
  const V4d raw = v - lo;
  const V4d d = raw > minusOne ? raw : minusOne;
  const V4i k = __builtin_convertvector(d, V4i);
  const V4d f = d - __builtin_convertvector(k, V4d);
  const V4d tol = kRelativeMargin * v;
  flagged |= ((f <= tol) | (f >= 1.0 - tol)) & (raw > minusOne);
  memcpy(out, &k, sizeof k);
}

#if defined(__AVX2__)
inline bool Wide() { return true; }
#else
inline bool Wide() { return ChosenHotCopy() >= HotCopy::kV3; }
#endif

// The copy runs the loops of eight lanes written for AVX-512 (in the leaf
// counts of the sieve windows).
inline bool Wide8() {
#if BRUNSK_HOT_X86_COPIES
  return ChosenHotCopy() >= HotCopy::kV4;
#elif defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512DQ__) && defined(__AVX512VL__)
  return true;
#else
  return false;
#endif
}

__attribute__((target("avx2"))) inline bool OffsetsWide(double X, const double* inv, double lo, int n,
                                                         int32_t* out) {
  V4l flagged = {0, 0, 0, 0};
  for (int t = 0; t < n; t += 4) {
    V4d r;
    memcpy(&r, inv + t, sizeof r);
    FloorLanes4(X * r, lo, out + t, flagged);
  }
  return (flagged[0] | flagged[1] | flagged[2] | flagged[3]) != 0;
}

__attribute__((target("avx2"))) inline bool QuotientsWide(double V, double p, const double* m, double lo, int n,
                                                           int32_t* out) {
  V4l flagged = {0, 0, 0, 0};
  for (int t = 0; t < n; t += 4) {
    V4d r;
    memcpy(&r, m + t, sizeof r);
    FloorLanes4(V / (p * r), lo, out + t, flagged);
  }
  return (flagged[0] | flagged[1] | flagged[2] | flagged[3]) != 0;
}
}  // namespace batchfloor
#endif

// The precondition of the batch floors: every offset of the batch stays
// below 2^31 (the lanes convert to 32-bit integers). Checked in the debug
// build only.
inline bool OffsetsFit(double X, const double* inv, double lo, int n) {
  for (int t = 0; t < n; ++t)
    if (!(X * inv[t] - lo < 2147483648.0)) return false;
  return true;
}
inline bool QuotientOffsetsFit(double V, double p, const double* m, double lo, int n) {
  for (int t = 0; t < n; ++t)
    if (!(V / (p * m[t]) - lo < 2147483648.0)) return false;
  return true;
}

// out[t] = floor(X * inv[t] - lo) for every t below n <= kFloorBatch, with
// values below -1 cut to -1. Returns false when every quotient
// v = X * inv[t] above lo - 1 lies farther than kRelativeMargin v from an
// integer, true when some offset must be checked (and replaced by the exact
// one where OffsetNeedsExact(v, lo)). Offsets must stay below 2^31. Inlined
// so that it follows the instruction set of its caller.
__attribute__((always_inline)) inline bool BatchFloorOffsets(double X, const double* inv, double lo, int n,
                                                              int32_t* out) {
  assert(OffsetsFit(X, inv, lo, n));
#if BRUNSK_WIDE_FLOORS
  if (batchfloor::Wide()) return batchfloor::OffsetsWide(X, inv, lo, n, out);
#endif
#if defined(__SSE2__)
  __m128d margin = _mm_set1_pd(1.0);
  const __m128d x = _mm_set1_pd(X);
  for (int t = 0; t < n; t += 2) batchfloor::FloorLanes(_mm_mul_pd(x, _mm_loadu_pd(inv + t)), lo, out + t, margin);
  return batchfloor::Any(margin);
#else
  double margin = 1.0;
  for (int t = 0; t < n; ++t) batchfloor::FloorLane(X * inv[t], lo, out + t, margin);
  return !(margin > 0.0);
#endif
}

// The same with the quotients v = V / (p * m[t]) (p m below 2^53).
__attribute__((always_inline)) inline bool BatchFloorQuotients(double V, double p, const double* m, double lo,
                                                                int n, int32_t* out) {
  assert(QuotientOffsetsFit(V, p, m, lo, n));
#if BRUNSK_WIDE_FLOORS
  if (batchfloor::Wide()) return batchfloor::QuotientsWide(V, p, m, lo, n, out);
#endif
#if defined(__SSE2__)
  __m128d margin = _mm_set1_pd(1.0);
  const __m128d v = _mm_set1_pd(V), q = _mm_set1_pd(p);
  for (int t = 0; t < n; t += 2)
    batchfloor::FloorLanes(_mm_div_pd(v, _mm_mul_pd(q, _mm_loadu_pd(m + t))), lo, out + t, margin);
  return batchfloor::Any(margin);
#else
  double margin = 1.0;
  for (int t = 0; t < n; ++t) batchfloor::FloorLane(V / (p * m[t]), lo, out + t, margin);
  return !(margin > 0.0);
#endif
}

// The test of one lane: true when floor(v - lo) must be taken exactly.
inline bool OffsetNeedsExact(double v, double lo) {
  const double d = v - lo;
  if (!(d > -1.0)) return false;
  const double f = d - static_cast<double>(static_cast<int32_t>(d));
  const double tol = kRelativeMargin * v;
  return f < tol || f > 1.0 - tol;
}
