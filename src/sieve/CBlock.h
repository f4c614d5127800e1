#pragma once
// Sieve window of the odd integers of (lo, hi] with a count per chunk: strike
// the multiples of the odd primes one after another, in increasing order from
// 3 on without leaving one out, and ask at any moment how many odd integers
// of (lo, lo + d] are still unstruck. A prime p strikes its multiples from p^2
// on, so p itself is never struck.
//
// The bits hold only the integers prime to 30, eight per 30 integers: byte i
// stands for base + 30 i + 1, 7, 11, 13, 17, 19, 23, 29, with base the
// multiple of 30 at or below lo. The multiples of 7, 11 and 13 come struck
// from a pattern at each Reset; until 13 is struck, the counts are taken from
// the residues instead of the bits.
#include <cstdint>

#include "base/Buffer.h"
#include "sieve/BitOps.h"

class CBlock {
 public:
  explicit CBlock(int32_t n);     // room for windows of up to n integers
  ~CBlock() = default;
  CBlock(const CBlock&) = delete;
  CBlock& operator=(const CBlock&) = delete;

  void Reset(double a, double b);  // the odd integers of (a, b], all unstruck
  void RemoveMultiples(double p);
  // Any order of queries; between two strikes their cost is that of the
  // prefix of chunk counts up to the highest chunk asked for, once, plus at
  // most 4 words per query.
  int32_t CountUpTo(int32_t d) const;
  static double MemorySize(int32_t n);

  double Lo() const;
  double Hi() const;
  int32_t Positions() const;  // odd integers in the window

  // A chunk is 256 bits, half a cache line: 32 bytes of 30 integers each.
  static constexpr int32_t kChunkShift = 8;
  // The odd primes whose multiples the bits never hold (3, 5) or hold struck
  // from the start (7, 11, 13).
  static constexpr int32_t kWheelPrimes = 5;

 private:
  // The bodies of the hot functions, one text for every copy of the hot
  // loops (arith/HotPath.h).
  void ResetBody(double a, double b);
  void ExtendBelowBody(int32_t chunk) const;
  void RemoveMultiplesBody(double p);
  void StrikePatternBody(int32_t p, double first);
  void StrikeProgressionsBody(double p, double first);

  int32_t CountFromResidues(int32_t d) const;
  int32_t WheelPrimesUpTo(int32_t d) const;
  void ExtendBelow(int32_t chunk) const;
  void StrikePattern(int32_t p, double square);
  void StrikeProgressions(double p, double first);

  double length_;
  int32_t capacity_;          // odd integers a window may hold
  Buffer<uint64_t> bitmap_;   // a set bit is struck (or outside the window); whole chunks
  Buffer<int32_t> unstruck_;  // unstruck bits of each chunk
  int32_t total_;             // unstruck bits of the window
  // below_[c]: unstruck bits of the chunks before c, for c <= valid_; filled
  // on demand by the queries after each strike.
  mutable Buffer<int32_t> below_;
  mutable int32_t valid_;
  double lo_, hi_, base_;
  int32_t positions_;  // odd integers of the window
  int32_t shift_;      // lo - base
  int32_t bytes_;      // bytes of the window: base + 30 bytes_ >= hi
  uint32_t top_;       // bits of the integers of (base, hi]
  int32_t stage_;      // wheel primes struck so far, kWheelPrimes once the bits count
  bool nearZero_;      // some wheel prime lies in the window
  int32_t wheelOffset_[kWheelPrimes];  // q - lo for a wheel prime q in (lo, hi], else above any d
  int32_t residue_[kWheelPrimes];      // lo modulo the product of 2 and the wheel primes of each stage
#ifndef NDEBUG
  double lastStruck_ = 0.0;  // the primes of a window are struck in increasing order
#endif
};

namespace cblock {
// kAtMost30[r]: integers of 1 .. r prime to 30, for r below 30.
inline constexpr uint8_t kAtMost30[30] = {0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 4, 4,
                                          4, 4, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 8};
}  // namespace cblock

__attribute__((always_inline)) inline int32_t CBlock::CountUpTo(int32_t d) const {
  if (d <= 0) return 0;
  if (stage_ < kWheelPrimes) return CountFromResidues(d);
  const int32_t fix = nearZero_ ? WheelPrimesUpTo(d) : 0;
  // q bits stand for the integers of (base, lo + d].
  const uint32_t e = static_cast<uint32_t>(d) + static_cast<uint32_t>(shift_);
  const uint32_t q = 8u * (e / 30u) + cblock::kAtMost30[e % 30u];
  if (q >= top_) return total_ + fix;
  const int32_t c = static_cast<int32_t>(q >> kChunkShift);
  if (c > valid_) ExtendBelow(c);
  // Bits of chunk c below q: the words before q's word under masks of all or
  // nothing, so that no branch depends on q, and q's word in part.
  const int32_t r = static_cast<int32_t>(q & ((1u << kChunkShift) - 1u));
  const uint64_t* w = bitmap_.data() + (static_cast<int64_t>(c) << (kChunkShift - 6));
  const int32_t full = r >> 6;
  int32_t struck = bitops::PopCount64(w[full] & ((uint64_t{1} << (r & 63)) - 1u));
  for (int32_t t = 0; t < (1 << (kChunkShift - 6)) - 1; ++t)
    struck += bitops::PopCount64(w[t] & (uint64_t{0} - static_cast<uint64_t>(t < full)));
  return below_[c] + r - struck + fix;
}
