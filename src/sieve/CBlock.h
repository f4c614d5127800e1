#pragma once
// Sieve window of odd integers with a count per chunk of 512 positions:
// strike the multiples of one prime after another and ask at any moment how
// many odd integers of (lo, lo + d] are still unstruck. Position k is
// lo + 2k + 1.
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
  // most 8 words per query.
  int32_t CountUpTo(int32_t d) const;
  static double MemorySize(int32_t n);

  double Lo() const;
  double Hi() const;
  int32_t Positions() const;

  // A chunk is 512 positions: 8 words, one cache line of the bitmap.
  static constexpr int32_t kChunkShift = 9;

 private:
  void ExtendBelow(int32_t chunk) const;
  void StrikeWords(int64_t o, int64_t step);

  double length_;
  Buffer<uint64_t> bitmap_;   // a set bit is a struck position; whole chunks
  int32_t capacity_;
  Buffer<int32_t> unstruck_;  // unstruck positions of each chunk
  int32_t total_;             // unstruck positions of the window
  // below_[c]: unstruck positions of the chunks before c, for c <= valid_;
  // filled on demand by the queries after each strike.
  mutable Buffer<int32_t> below_;
  mutable int32_t valid_;
  Buffer<int32_t> marks_;  // per chunk: new strikes so far, at its last strike
  double lo_, hi_;
  int32_t positions_;
#ifndef NDEBUG
  double lastStruck_ = 0.0;  // the primes of a window are struck in increasing order
#endif
};

inline int32_t CBlock::CountUpTo(int32_t d) const {
  if (d <= 0) return 0;
  const int32_t q = ((d - 1) >> 1) + 1;  // positions k with lo + 2k + 1 <= lo + d
  if (q >= positions_) return total_;
  const int32_t c = q >> kChunkShift;
  if (c > valid_) ExtendBelow(c);
  // Positions of chunk c below q: the words before q's word under masks of
  // all or nothing, so that no branch depends on q, and q's word in part.
  const int32_t r = q & ((1 << kChunkShift) - 1);
  const uint64_t* w = bitmap_.data() + (static_cast<int64_t>(c) << (kChunkShift - 6));
  const int32_t full = r >> 6;
  int32_t struck = bitops::PopCount64(w[full] & ((uint64_t{1} << (r & 63)) - 1u));
  for (int32_t t = 0; t < (1 << (kChunkShift - 6)) - 1; ++t)
    struck += bitops::PopCount64(w[t] & (uint64_t{0} - static_cast<uint64_t>(t < full)));
  return below_[c] + r - struck;
}
