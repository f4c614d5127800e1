#pragma once
// Basic segmented sieve: one bit per odd number of a window (lo, hi], entry i
// standing for n = lo + 1 + 2i; a set bit means struck out.
#include <cassert>
#include <cstdint>

#include "base/Buffer.h"
#include "sieve/BitOps.h"

class PrimeSeries;

class Block {
 public:
  explicit Block(double size);   // size: the widest window in numbers
  ~Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  void SetPrimes(PrimeSeries* table);
  void RunSieve(double start, double end);   // odd n with start < n <= end
  void BuildCounts();
  double CountUpTo(int32_t d) const;         // unstruck odd n with lo < n <= lo + d
  int32_t CountUpToInt(int32_t d) const;     // the same count as an integer
  // The same for -1 <= d <= 2 Count() (a position inside the window), without
  // the clamps, for the leaf loops.
  int32_t CountInWindow(int32_t d) const;
  double CountAll();

  void StartIteration();
  int Next();
  int Previous();
  double Current() const;                    // 1 + lo + 2 pos
  double Rank() const;

  // Moebius values and least-prime-factor entries of the odd n < N.
  void RunMoebiusSieve(int32_t N, uint16_t* lpf, int8_t* mu, double L);

  static double BlockEstimate(double size);

  double Lo() const;
  double Hi() const;
  int32_t Count() const;                     // entries in the current window

  // Entry i of the current window is struck out (0 <= i < Count()).
  bool IsStruck(int32_t i) const { return (bits_[i >> 5] >> (i & 31)) & 1u; }
  double Capacity() const { return capacity_; }

 private:
  // The bodies of the hot functions, one text for every copy of the hot
  // loops (arith/HotPath.h).
  void RunSieveBody(double start, double end);
  void BuildCountsBody();

  // First unstruck entry at or after i, or count_ when there is none.
  int32_t NextUnstruck(int32_t i) const;
  // Last unstruck entry at or before i, or -1 when there is none.
  int32_t PreviousUnstruck(int32_t i) const;

  double lo_, hi_, length_;
  PrimeSeries* primes_;
  Buffer<uint32_t> bits_;
  double capacity_;
  int32_t words_;
  int32_t count_;
  // Per word of bits, the unstruck entries of the words before it and the
  // word's unstruck entries as set bits, side by side, so that a count reads
  // one place.
  struct WordCount {
    uint32_t before;
    uint32_t open;
  };
  Buffer<WordCount> counts_;
  int32_t countEntries_;
  int32_t prefixValid_;
  int32_t pos_;
  double rank_;
};

// The counting and walking operations sit in the innermost loops of the
// components: they are defined here so that they inline.

inline int32_t Block::CountInWindow(int32_t d) const {
  assert(prefixValid_ && d >= -1 && d <= 2 * count_);
  // The entries counted are i < c: lo + 2i + 1 <= lo + d. The words before
  // c's word from their count, the first c & 31 entries of c's word by a
  // population count (a whole word lies in the next entry).
  const uint32_t c = static_cast<uint32_t>(d + 1) >> 1;
  const WordCount& word = counts_[c >> 5];
  const uint32_t below = (1u << (c & 31)) - 1u;
  return static_cast<int32_t>(word.before + static_cast<uint32_t>(bitops::PopCount32(word.open & below)));
}

inline int32_t Block::CountUpToInt(int32_t d) const {
  if (d <= 0) return 0;
  if (d > 2 * count_) d = 2 * count_;  // nothing lies beyond the window
  return CountInWindow(d);
}

inline double Block::CountUpTo(int32_t d) const { return static_cast<double>(CountUpToInt(d)); }

inline int32_t Block::NextUnstruck(int32_t i) const {
  return bitops::NextClearBit(bits_.data(), i, count_);
}

inline int32_t Block::PreviousUnstruck(int32_t i) const {
  if (i >= count_) i = count_ - 1;
  if (i < 0) return -1;
  int32_t w = i >> 5;
  uint32_t free = ~bits_[w] << (31 - (i & 31));
  if (free != 0) return i - __builtin_clz(free);
  while (--w >= 0) {
    free = ~bits_[w];
    if (free != 0) return (w << 5) + 31 - __builtin_clz(free);
  }
  return -1;
}

inline int Block::Next() {
  pos_ = NextUnstruck(pos_ + 1);
  if (pos_ >= count_) return 0;
  rank_ += 1.0;
  return 1;
}

inline int Block::Previous() {
  pos_ = PreviousUnstruck(pos_ - 1);
  if (pos_ < 0) return 0;
  rank_ -= 1.0;
  return 1;
}

inline double Block::Current() const { return 1.0 + lo_ + 2.0 * pos_; }
