#pragma once
// Floors of many floating quotients at once, for the leaf loops: the offsets
// floor(X * inv[t] - lo) of a whole batch, four lanes at a time, with the
// relative guard band of the floating quotients checked in the same pass.
#include <cstdint>
#include <cstring>

#include "arith/Integer.h"

// Most quotients taken per call. The lanes go four at a time: a call for n
// quotients reads inv[0 .. n + 2] and writes out[0 .. n + 2].
constexpr int kFloorBatch = 64;

namespace batchfloor {
typedef double V4d __attribute__((vector_size(32)));
typedef int64_t V4l __attribute__((vector_size(32)));
typedef int32_t V4i __attribute__((vector_size(16)));
}  // namespace batchfloor

namespace batchfloor {

// One group of four lanes: the floors of v - lo (cut to -1 below -1) into
// out[0 .. 3], and the lanes to be checked into flagged.
__attribute__((always_inline)) inline void FloorLanes(V4d v, double lo, int32_t* out, V4l& flagged) {
  const V4d minusOne = {-1.0, -1.0, -1.0, -1.0};
  const V4d raw = v - lo;
  // Truncation is the floor above 0; on (-1, 0) it gives 0 and a negative
  // fraction, which the band flags.
  const V4d d = raw > minusOne ? raw : minusOne;
  const V4i k = __builtin_convertvector(d, V4i);
  const V4d f = d - __builtin_convertvector(k, V4d);
  const V4d tol = kRelativeMargin * v;
  flagged |= ((f < tol) | (f > 1.0 - tol)) & (raw > minusOne);
  memcpy(out, &k, sizeof k);
}

inline bool Any(V4l flagged) { return (flagged[0] | flagged[1] | flagged[2] | flagged[3]) != 0; }

}  // namespace batchfloor

// out[t] = floor(X * inv[t] - lo) for every t below n <= kFloorBatch, with
// values below -1 cut to -1. Returns false when every quotient
// v = X * inv[t] above lo - 1 lies farther than kRelativeMargin v from an
// integer, true when some offset must be checked (and replaced by the exact
// one where OffsetNeedsExact(v, lo)). Offsets must stay below 2^31. Inlined
// so that it follows the instruction set of its caller.
__attribute__((always_inline)) inline bool BatchFloorOffsets(double X, const double* inv, double lo, int n,
                                                              int32_t* out) {
  batchfloor::V4l flagged = {0, 0, 0, 0};
  for (int t = 0; t < n; t += 4) {
    batchfloor::V4d r;
    memcpy(&r, inv + t, sizeof r);
    batchfloor::FloorLanes(X * r, lo, out + t, flagged);
  }
  return batchfloor::Any(flagged);
}

// The same with the quotients v = V / (p * m[t]) (p m below 2^53).
__attribute__((always_inline)) inline bool BatchFloorQuotients(double V, double p, const double* m, double lo,
                                                                int n, int32_t* out) {
  batchfloor::V4l flagged = {0, 0, 0, 0};
  for (int t = 0; t < n; t += 4) {
    batchfloor::V4d r;
    memcpy(&r, m + t, sizeof r);
    batchfloor::FloorLanes(V / (p * r), lo, out + t, flagged);
  }
  return batchfloor::Any(flagged);
}

// The test of one lane: true when floor(v - lo) must be taken exactly.
inline bool OffsetNeedsExact(double v, double lo) {
  const double d = v - lo;
  if (!(d > -1.0)) return false;
  const double f = d - static_cast<double>(static_cast<int32_t>(d));
  const double tol = kRelativeMargin * v;
  return f < tol || f > 1.0 - tol;
}
