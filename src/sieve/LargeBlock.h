#pragma once
// Sieve of one window of odd numbers (lo, hi] whose bounds are Integer values
// beyond the exact range of a double. Its sieving primes come segment by
// segment from an attached Block.
#include <cstdint>

#include "base/Buffer.h"

class Block;
class Integer;

class LargeBlock {
 public:
  explicit LargeBlock(double n);  // n: the widest window in numbers
  ~LargeBlock() = default;
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  void SetBlock(Block* block);
  void RunSieve(const Integer& lo, const Integer& hi, int clear);
  void StartIteration();
  int Next();
  int32_t Count() const;      // odd numbers in the current window
  double Capacity() const { return capacity_; }
  bool IsStruck(int32_t i) const { return (bits_[i >> 5] >> (i & 31)) & 1u; }

 private:
  // The body of RunSieve, one text for every copy of the hot loops
  // (arith/HotPath.h).
  void RunSieveBody(const Integer& lo, const Integer& hi, int clear);

  double width_;
  Block* source_;
  Buffer<uint32_t> bits_;
  double capacity_;
  int32_t words_;
  int32_t count_;
  int32_t pos_;
};
