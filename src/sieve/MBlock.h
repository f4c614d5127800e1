#pragma once
// Segmented sieve of odd numbers giving, for each odd n of a segment, its
// least table prime factor and its Moebius value restricted to numbers whose
// prime factors are all at most a bound z. Entry i stands for n = lo + 1 + 2i.
#include <cstdint>
#include <vector>

#include "base/Buffer.h"

class PrimeSeries;

class MBlock {
 public:
  MBlock(int32_t width, double z);
  virtual ~MBlock() = default;
  MBlock(const MBlock&) = delete;
  MBlock& operator=(const MBlock&) = delete;

  void SetPrimes(PrimeSeries* table);
  void RunSieve(double start, double end);    // odd n with start < n <= end
  // RunSieve and StartIteration(limit) in one pass, for Next, Current and
  // NextNonZero (not CurrentWithFactor): an entry with a table factor at
  // most limit is only marked to be passed over, the others get their
  // products, and the squares of the primes up to limit are left alone.
  // The marks stay until the next sieve, whatever limit StartIteration sets.
  void RunSieveAbove(double start, double end, double limit);
  void StartIteration(double limit);
  int Next();
  double Current(double& v) const;            // returns n, v = v(n)
  double CurrentWithFactor(double& f, double& v) const;
  // The next entries that pass the filter and have a nonzero value, at most
  // max of them, into n[] and their values (1 or -1) into v[]; fewer than
  // max only once the segment is exhausted. Moves the iteration past the
  // last entry examined.
  int32_t NextNonZero(double* n, int32_t* v, int32_t max);

 private:
  // The bodies of the hot functions, one text for every copy of the hot
  // loops (arith/HotPath.h).
  void SieveBody(double start, double end, int32_t limit);
  int32_t NextNonZeroBody(double* ns, int32_t* vs, int32_t max);

  void Sieve(double start, double end, int32_t limit);

  double lo_, hi_, z_;
  PrimeSeries* primes_;
  int32_t capacity_, count_, limit_, pos_;
  Buffer<int32_t> lpf_;
  std::vector<int32_t> table_;  // the primes of the table, read once
  bool tableRead_ = false;
  bool fused_ = false;  // sieved with a limit: marks in the products, no least factors
  // Signed product of the distinct table factors, 0 for value 0, NaN for an
  // entry marked to be passed over (RunSieveAbove).
  Buffer<double> prod_;
};
