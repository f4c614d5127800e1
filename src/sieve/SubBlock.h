#pragma once
// Segmented sieve of one residue class r modulo a wheel modulus M: entry j
// stands for n = lo + j M. Keeps a cursor for counts up to increasing bounds.
#include <cstdint>
#include <vector>

#include "base/Buffer.h"
#include "sieve/BitOps.h"

class PrimeSeries;

class SubBlock {
 public:
  SubBlock(double M, double r, int32_t c);   // room for c members of the class
  virtual ~SubBlock() = default;
  SubBlock(SubBlock&&) = default;
  SubBlock& operator=(SubBlock&&) = default;

  void SetPrimes(PrimeSeries* table);
  void RunSieve(double start, double end);
  double CountAll();
  int CountTo(double x, int32_t& k);
  int Next();

  // Counts by word of the current window, for CountBelow; built after a sieve.
  void BuildCounts();
  // Unstruck entries among 0 .. e-1, for 0 <= e <= Count(), once the counts
  // are built.
  int32_t CountBelow(int32_t e) const {
    const uint32_t below = (1u << (e & 31)) - 1u;
    return wordPrefix_[e >> 5] + bitops::PopCount32(~bits_[e >> 5] & below);
  }
  // The window's first member is First() * M + r.
  double First() const { return first_; }

  static double SubBlockEstimate(double size);

  double Lo() const;
  double Hi() const;
  int32_t Count() const;
  int32_t Rank() const;
  double Mult(int32_t i) const;
  double Quot(int32_t i) const;

 private:
  // The bodies of the hot functions, one text for every copy of the hot
  // loops (arith/HotPath.h).
  void RunSieveBody(double start, double end);
  void BuildCountsBody();

  int32_t NextUnstruck(int32_t i) const;           // or count_ when none is left
  int32_t CountFree(int32_t from, int32_t to) const;  // unstruck entries in [from, to)

  double modulus_, residue_, lo_, hi_;
  PrimeSeries* primes_;
  Buffer<uint32_t> bits_;
  double capacity_;
  int32_t words_;
  Buffer<double> mult_;
  Buffer<double> quot_;
  int32_t count_, pos_, rank_;
  // Primes of step 32 and above, struck a cache-sized stretch of the bits at
  // a time: the next entry each one strikes and its step.
  struct Progression {
    int64_t next, step;
  };
  std::vector<Progression> pending_;
  std::vector<int32_t> wordPrefix_;  // unstruck entries in the words before each word
  double first_;
};
