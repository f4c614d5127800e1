#pragma once
// Enumerates, for a prime p and a window (mStart, mEnd], the products q r of
// two primes p < q < r (sign +1), then the primes of the window (sign -1).
// The primes up to b are read from a bit table built once, so that a window
// costs only its own values.
#include <cstdint>

#include "base/Buffer.h"

class MMBlock {
 public:
  MMBlock(double a, double b);  // windows up to a, second factors and prime values up to b
  virtual ~MMBlock() = default;
  MMBlock(const MMBlock&) = delete;
  MMBlock& operator=(const MMBlock&) = delete;

  void RunSieve(double p, double mStart, double mEnd);
  int Next();
  double GetValue(double& sign) const;
  // The next values and their signs (+1 or -1), at most max of them; fewer
  // than max only once the window is exhausted.
  int32_t NextValues(double* values, int32_t* signs, int32_t max);

  static double EstimateMemory(double a, double b);

 private:
  // The bodies of the hot functions, one text for every copy of the hot
  // loops (arith/HotPath.h).
  void FindFirstQBody();
  void RunSieveBody(double p, double mStart, double mEnd);
  int NextBody();
  int32_t NextValuesBody(double* values, int32_t* signs, int32_t max);

  int32_t CountAbove(double v) const;  // listed primes <= v, v taken at most e
  void FindFirstQ();                   // from qIndex on, the first q with an r
  int Advance();                       // the work of Next

  double mStart_, mEnd_, mLimit_, xArg_, p_;
  int32_t primeLimit_, primeCount_;
  Buffer<double> primeArray_;
  Buffer<int32_t> primeWordCount_;  // primes of the bit table's words before each word
  double q_, qLimit_;
  int32_t qIndex_, qIndexEnd_, rIndex_, rIndexEnd_;
  double rLow_, rHigh_, value_, sign_;
  // Bit i of the table: 2 i + 1 is a prime up to b. The window's primes are
  // the bits left in the current word and the words after it up to the last.
  Buffer<uint64_t> primeBits_;
  int64_t primeWord_, primeLastWord_;
  uint64_t primeLeft_, primeLastMask_;
};
