#pragma once
// Brute-force references for the sieve tests: a plain table of least prime
// factors, trial division and a deterministic Miller-Rabin on 64-bit integers.
#include <cstdint>
#include <vector>

#include "common/Factors.h"
#include "common/MillerRabin.h"

namespace ref {

// Least prime factor of every n <= limit (0 and 1 map to themselves).
inline std::vector<uint32_t> LeastFactors(uint32_t limit) {
  std::vector<uint32_t> lpf(limit + 1, 0);
  for (uint32_t n = 0; n <= limit; ++n) lpf[n] = n;
  for (uint64_t p = 2; p * p <= limit; ++p) {
    if (lpf[p] != p) continue;
    for (uint64_t m = p * p; m <= limit; m += p)
      if (lpf[m] == m) lpf[m] = static_cast<uint32_t>(p);
  }
  return lpf;
}

using testref::IsPrimeByTrialDivision;

// Deterministic for every n < 2^64.
inline bool IsPrimeMillerRabin(uint64_t n) { return testref::IsPrime(n); }

// Small deterministic generator, so that failures can be replayed.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  // Uniform in [lo, hi].
  int64_t Range(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
  }

 private:
  uint64_t state_;
};

}  // namespace ref
