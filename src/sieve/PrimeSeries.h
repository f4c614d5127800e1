#pragma once
// The odd primes of an interval (a, b], one byte per prime (half-gaps),
// walked forwards, backwards or from a point. The prime 2 is never stored.
#include <cstdint>

#include "base/Buffer.h"

class PrimeSeries {
 public:
  PrimeSeries(double a, double b);  // builds the series (Run); walk at its start
  // Same, with the room fixed to maxNbPrimes primes instead of the estimate;
  // primes beyond the room are reported and left out.
  PrimeSeries(double a, double b, int32_t maxNbPrimes);
  PrimeSeries(const PrimeSeries&) = delete;
  PrimeSeries& operator=(const PrimeSeries&) = delete;

  int32_t GetCount() const;
  void StartIteration();            // pos = -1, cur = base
  int Next();                       // 1 and cur = next prime, or 0 at the end
  double Current() const;
  int Previous();                   // see StartBackward
  void StartBackward();             // following Previous calls yield last, ..., base
  void Seek(double x);              // cur = largest prime <= x; Next yields the smallest > x

  double GetBase() const;
  double GetLast() const;
  int32_t GetMaxNbPrimes() const { return size_ - 1; }

 private:
  void Run(int32_t forcedCapacity);
  void UseSmallTable();
  void BuildIndex();

  double start_, end_;
  int32_t size_ = 0, pos_ = -1, count_ = 0;
  double base_ = 0.0, last_ = 0.0, cur_ = 0.0;
  double markValue_ = 0.0;
  int32_t markPos_ = 0;
  Buffer<uint8_t> gaps_;
  int32_t indexEntries_ = 0;
  int32_t indexStep_ = 0;  // entry i sits at position i * indexStep_ - 1
  Buffer<double> indexValues_;
};

// Generous estimate of the number of primes in (a, b]: 2.2 (b/ln b - a'/ln a').
double EstimateCount(double a, double b);

// The walk runs in the inner loops of every sieve: defined here to inline.
// pos never leaves -1 .. count, so the gap array is never read outside.

inline int PrimeSeries::Next() {
  if (pos_ >= count_) return 0;
  ++pos_;
  if (pos_ >= count_) return 0;
  cur_ += 2.0 * gaps_[pos_];
  return 1;
}

inline double PrimeSeries::Current() const { return cur_; }

inline int PrimeSeries::Previous() {
  if (pos_ < 0) return 0;
  cur_ -= 2.0 * gaps_[pos_];
  --pos_;
  return pos_ >= 0 ? 1 : 0;
}
