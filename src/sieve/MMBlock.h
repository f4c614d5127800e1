#pragma once
// Enumerates, for a prime p and a window (mStart, mEnd], the products q r of
// two primes p < q < r (sign +1), then the primes of the window (sign -1).
#include <cstdint>

#include "base/Buffer.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"

class MMBlock {
 public:
  MMBlock(double a, double b, int32_t n);
  virtual ~MMBlock() = default;
  MMBlock(const MMBlock&) = delete;
  MMBlock& operator=(const MMBlock&) = delete;

  void RunSieve(double p, double mStart, double mEnd);
  int Next();
  double GetValue(double& sign) const;
  // The next values and their signs (+1 or -1), at most max of them; fewer
  // than max only once the window is exhausted.
  int32_t NextValues(double* values, int32_t* signs, int32_t max);

  static double EstimateMemory(double a, int32_t n);

 private:
  int32_t IndexAbove(double v) const;  // listed primes <= v, v taken at most e
  void FindFirstQ();                   // from qIndex on, the first q with an r
  int Advance();                       // the work of Next

  double mStart_, mEnd_, mLimit_, xArg_, p_;
  PrimeSeries rootPrimes_;  // the odd primes up to sqrt(a), struck by block_
  int32_t primeLimit_, primeCount_;
  Buffer<double> primeArray_;
  Buffer<int32_t> primeIndex_;
  double q_, qLimit_;
  int32_t qIndex_, qIndexEnd_, rIndex_, rIndexEnd_;
  double rLow_, rHigh_, value_, sign_;
  Block block_;
  bool primesDone_;  // the primes of the window are all given (or none)
};
