#pragma once
// Sieve window of odd integers with a binary tree of partial counts: strike
// the multiples of one prime after another and ask at any moment how many odd
// integers of (lo, lo + d] are still unstruck. Position k is lo + 2k + 1.
#include <cstdint>

#include "base/Buffer.h"

class CBlock {
 public:
  explicit CBlock(int32_t n);     // room for windows of up to n integers
  ~CBlock() = default;
  CBlock(const CBlock&) = delete;
  CBlock& operator=(const CBlock&) = delete;

  void Reset(double a, double b);  // the odd integers of (a, b], all unstruck
  void RemoveMultiples(double p);
  int32_t CountUpTo(int32_t d) const;
  void SetLeafLevel(int32_t k);
  int32_t MaxLeafLevel() const;
  static double MemorySize(int32_t n);

  double Lo() const;
  double Hi() const;
  int32_t Positions() const;

 private:
  void StrikeWords(int64_t o, int64_t step, int32_t split);
  template <int kLeaf>
  void StrikeRun(int64_t o, int64_t step, int32_t split);

  double length_;
  Buffer<uint64_t> bitmap_;
  int32_t capacity_, words_;
  Buffer<int32_t> tree_;
  int32_t size_, levels_, leafLevel_, leafMask_;
  double lo_, hi_;
  int32_t positions_;
  Buffer<int32_t> fresh_;  // positions newly struck by one prime
#ifndef NDEBUG
  double lastStruck_ = 0.0;  // the primes of a window are struck in increasing order
#endif
};
