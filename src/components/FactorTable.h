#pragma once
// The least-prime-factor entries and Moebius values of the odd m below a
// limit, over the primes up to y: the factor tables of C and D. Read-only
// once built, so that the computers of several threads share one.
#include <cstdint>

#include "base/Buffer.h"

class FactorTable {
 public:
  // The odd m < limit; entry (m - 1) / 2 (Block::RunMoebiusSieve).
  FactorTable(int32_t limit, double y);

  const uint16_t* Lpf() const { return lpf_.data(); }
  const int8_t* Mu() const { return mu_.data(); }

 private:
  Buffer<uint16_t> lpf_;
  Buffer<int8_t> mu_;
};
