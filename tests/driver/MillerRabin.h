#pragma once
// Deterministic primality test for 64-bit integers, as an independent
// reference for the sieves: strong probable-prime tests to the first twelve
// prime bases, which decide every n below 3.3e24.
#include <cstdint>

namespace testref {

inline uint64_t MulMod(uint64_t a, uint64_t b, uint64_t m) {
  return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % m);
}

inline uint64_t PowMod(uint64_t base, uint64_t exponent, uint64_t m) {
  uint64_t result = 1 % m;
  base %= m;
  while (exponent > 0) {
    if (exponent & 1) result = MulMod(result, base, m);
    base = MulMod(base, base, m);
    exponent >>= 1;
  }
  return result;
}

inline bool IsPrime(uint64_t n) {
  static const uint64_t kBases[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
  if (n < 2) return false;
  for (uint64_t p : kBases) {
    if (n % p == 0) return n == p;
  }
  uint64_t d = n - 1;
  int s = 0;
  while ((d & 1) == 0) {
    d >>= 1;
    ++s;
  }
  for (uint64_t a : kBases) {
    uint64_t x = PowMod(a, d, n);
    if (x == 1 || x == n - 1) continue;
    bool composite = true;
    for (int r = 1; r < s; ++r) {
      x = MulMod(x, x, n);
      if (x == n - 1) {
        composite = false;
        break;
      }
    }
    if (composite) return false;
  }
  return true;
}

// Number of primes p with lo < p <= hi.
inline uint64_t CountPrimes(uint64_t lo, uint64_t hi) {
  uint64_t count = 0;
  for (uint64_t n = lo + 1; n <= hi; ++n) count += IsPrime(n) ? 1 : 0;
  return count;
}

}  // namespace testref
