#pragma once
// Brute-force references for the sieve tests: a plain table of least prime
// factors, trial division and a deterministic Miller-Rabin on 64-bit integers.
#include <cstdint>
#include <vector>

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

inline bool IsPrimeByTrialDivision(uint64_t n) {
  if (n < 2) return false;
  if (n % 2 == 0) return n == 2;
  for (uint64_t d = 3; d * d <= n; d += 2)
    if (n % d == 0) return false;
  return true;
}

inline uint64_t MulMod(uint64_t a, uint64_t b, uint64_t m) {
  return static_cast<uint64_t>(static_cast<unsigned __int128>(a) * b % m);
}

inline uint64_t PowMod(uint64_t a, uint64_t e, uint64_t m) {
  uint64_t r = 1 % m;
  a %= m;
  while (e) {
    if (e & 1) r = MulMod(r, a, m);
    a = MulMod(a, a, m);
    e >>= 1;
  }
  return r;
}

// Deterministic for every n < 2^64 with the first twelve prime bases.
inline bool IsPrimeMillerRabin(uint64_t n) {
  static const uint64_t kBases[12] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
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
    for (int i = 1; i < s; ++i) {
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
