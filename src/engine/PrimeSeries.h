#pragma once
// The odd primes of an interval (a, b], one byte per prime (half-gaps),
// walked forwards, backwards or from a point. The prime 2 is never stored.
#include <cstdint>

class PrimeSeries {
 public:
  PrimeSeries(double a, double b);  // builds the series (Run); walk at its start
  ~PrimeSeries();
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

 private:
  void Run();
  // Private fields may change freely; only the public interface is shared.
  double start_, end_;
  int32_t size_, pos_, count_;
  double base_, last_, cur_;
  double markValue_;
  int32_t markPos_;
  uint8_t* gaps_;
  int32_t indexEntries_;
  double* indexValues_;
  int32_t* indexPositions_;
};

// Generous estimate of the number of primes in (a, b]: 2.2 (b/ln b - a'/ln a').
double EstimateCount(double a, double b);
