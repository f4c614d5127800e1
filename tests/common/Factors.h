#pragma once
// Reference factor tables and primality for the tests: trial division, the
// smallest prime factor of every n up to a bound, and the Moebius function
// restricted to numbers whose prime factors are all at most y.
#include <cstdint>
#include <vector>

namespace testref {

inline bool IsPrimeByTrialDivision(uint64_t n) {
  if (n < 2) return false;
  if (n % 2 == 0) return n == 2;
  for (uint64_t d = 3; d * d <= n; d += 2)
    if (n % d == 0) return false;
  return true;
}

// Smallest prime factor of every n <= N (spf[1] = 1).
inline std::vector<int32_t> SmallestFactors(int64_t N) {
  std::vector<int32_t> spf(N + 1, 0);
  for (int64_t i = 2; i <= N; ++i)
    if (spf[i] == 0)
      for (int64_t j = i; j <= N; j += i)
        if (spf[j] == 0) spf[j] = static_cast<int32_t>(i);
  if (N >= 1) spf[1] = 1;
  return spf;
}

// mu(m) when every prime factor of m is at most y, else 0.
inline int MuBounded(int64_t m, int64_t y, const std::vector<int32_t>& spf) {
  int mu = 1;
  while (m > 1) {
    const int64_t p = spf[m];
    if (p > y) return 0;
    m /= p;
    if (m % p == 0) return 0;
    mu = -mu;
  }
  return mu;
}

}  // namespace testref
