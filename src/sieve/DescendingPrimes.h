#pragma once
// The primes at or below a bound, largest first, from the prime-sieve
// library's iterator: B takes its primes p in decreasing order, one window of
// quotients after another, and the library lists them faster than a series
// of our own built per window.
#include <cstdint>

#include <primesieve.hpp>

class DescendingPrimes {
 public:
  // The first Next() gives the largest prime <= high; lowHint is the
  // smallest prime expected (a hint only).
  DescendingPrimes(uint64_t high, uint64_t lowHint);
  DescendingPrimes(const DescendingPrimes&) = delete;
  DescendingPrimes& operator=(const DescendingPrimes&) = delete;

  // The next prime down, 0 once the primes are exhausted (below 2).
  uint64_t Next() { return primes_.prev_prime(); }

 private:
  primesieve::iterator primes_;  // its own: no settings shared with other threads
};
