#pragma once
// Deterministic primality test for 64-bit integers, as an independent
// reference for the sieves: strong probable-prime tests to the first prime
// bases; the first seven decide every n below 3.4e14, the first nine every n
// below 3.8e18 and all twelve every n below 3.1e23.
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
  static const uint64_t kSmall[] = {41, 43, 47, 53, 59, 61, 67, 71, 73, 79, 83, 89, 97};
  if (n < 2) return false;
  for (uint64_t p : kBases) {
    if (n % p == 0) return n == p;
  }
  for (uint64_t p : kSmall) {
    if (n % p == 0) return n == p;
  }
  int bases = n < 341550071728321ULL ? 7 : n < 3825123056546413051ULL ? 9 : 12;
  uint64_t d = n - 1;
  int s = 0;
  while ((d & 1) == 0) {
    d >>= 1;
    ++s;
  }
  for (int i = 0; i < bases; ++i) {
    uint64_t x = PowMod(kBases[i], d, n);
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
  if (lo < 2 && hi >= 2) count = 1;
  for (uint64_t n = (lo + 1) | 1; n <= hi && n >= lo + 1; n += 2) count += IsPrime(n) ? 1 : 0;
  return count;
}

}  // namespace testref
