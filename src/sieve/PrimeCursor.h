#pragma once
// Running count of the primes up to bounds that only increase, from a start
// whose count is known: the primes come from the prime-sieve library's
// iterator, one buffer at a time, and are counted inside its buffer.
#include <cstddef>
#include <cstdint>

#include <primesieve.hpp>

class PrimeCursor {
 public:
  // The count of the primes <= start is piStart. stopHint is the largest
  // bound expected (a hint only: larger bounds are counted too).
  PrimeCursor(uint64_t start, double piStart, uint64_t stopHint);
  PrimeCursor(const PrimeCursor&) = delete;
  PrimeCursor& operator=(const PrimeCursor&) = delete;

  // pi(bound), for bound >= start and >= every bound asked before.
  double CountTo(uint64_t bound);

 private:
  void Refill();  // the next buffer of primes

  primesieve::iterator primes_;  // its own: no settings shared with other threads
  size_t next_ = 0;              // first prime of the buffer not yet counted
  double count_;                 // primes <= the last bound
};
