#pragma once
// Reference values for the component and Sigma tests, computed straight from
// the definitions with a plain sieve and 64/128-bit integer arithmetic.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "arith/Integer.h"

namespace brute {

using u64 = uint64_t;
using i64 = int64_t;
using i128 = __int128;

inline u64 Isqrt(u64 n) {
  u64 r = 0;
  for (int b = 31; b >= 0; --b) {
    u64 c = r | (u64{1} << b);
    if (static_cast<unsigned __int128>(c) * c <= n) r = c;
  }
  return r;
}

inline u64 Icbrt(u64 n) {
  u64 r = 0;
  for (int b = 21; b >= 0; --b) {
    u64 c = r | (u64{1} << b);
    if (static_cast<unsigned __int128>(c) * c * c <= n) r = c;
  }
  return r;
}

// Eratosthenes up to n with a prime count per number, plus least prime
// factors and Moebius values up to a smaller bound.
class Sieve {
 public:
  explicit Sieve(u64 n) : n_(n), composite_(n + 1, false), counts_((n >> 6) + 1, 0) {
    composite_[0] = true;
    if (n >= 1) composite_[1] = true;
    for (u64 i = 2; i * i <= n; ++i)
      if (!composite_[i])
        for (u64 j = i * i; j <= n; j += i) composite_[j] = true;
    uint32_t c = 0;
    for (u64 i = 0; i <= n; ++i) {
      if ((i & 63) == 0) counts_[i >> 6] = c;
      if (!composite_[i]) {
        ++c;
        primes_.push_back(i);
      }
    }
  }

  u64 Limit() const { return n_; }
  bool IsPrime(u64 v) const { return v <= n_ && !composite_[v]; }
  const std::vector<u64>& Primes() const { return primes_; }

  // pi(v) for v <= Limit().
  u64 Pi(u64 v) const {
    u64 c = counts_[v >> 6];
    for (u64 i = v & ~u64{63}; i <= v; ++i)
      if (!composite_[i]) ++c;
    return c;
  }

 private:
  u64 n_;
  std::vector<bool> composite_;
  std::vector<uint32_t> counts_;
  std::vector<u64> primes_;
};

// lpf[m] and mu[m] for m <= n.
struct Factors {
  std::vector<uint32_t> lpf;
  std::vector<int8_t> mu;
  explicit Factors(u64 n) : lpf(n + 1, 0), mu(n + 1, 1) {
    for (u64 i = 2; i <= n; ++i) {
      if (lpf[i] != 0) continue;
      for (u64 j = i; j <= n; j += i) {
        if (lpf[j] == 0) lpf[j] = static_cast<uint32_t>(i);
        mu[j] = static_cast<int8_t>(-mu[j]);
      }
      if (i * i <= n)
        for (u64 j = i * i; j <= n; j += i * i) mu[j] = 0;
    }
  }
};

// Largest prime factor of a squarefree m >= 2 from its least prime factors.
inline u64 LargestPrimeFactor(u64 m, const Factors& f) {
  u64 best = 1;
  while (m > 1) {
    best = f.lpf[m];
    m /= best;
  }
  return best;
}

// Quantities every component derives from x and y.
struct Params {
  u64 x, y, z;
  u64 lowerBound;  // max(floor(x^(1/4)), floor(x / y^2))
  u64 cubeRootX;
  Params(u64 x_, u64 y_, u64 z_ = 0) : x(x_), y(y_), z(z_) {
    u64 q = x / (y * y);
    u64 s = Isqrt(Isqrt(x));
    lowerBound = s > q ? s : q;
    cubeRootX = Icbrt(x);
  }
};

// A: sum over primes lowerBound < p <= cbrt(x), p < q <= sqrt(x/p) of
// w pi(x/(p q)), w = 2 below y.
inline i128 A(const Params& P, const Sieve& s) {
  i128 sum = 0;
  for (u64 p : s.Primes()) {
    if (p > P.cubeRootX) break;
    if (p <= P.lowerBound) continue;
    u64 qMax = Isqrt(P.x / p);
    for (u64 q : s.Primes()) {
      if (q > qMax) break;
      if (q <= p) continue;
      u64 n = P.x / (p * q);
      sum += static_cast<i128>(n < P.y ? 2 : 1) * s.Pi(n);
    }
  }
  return sum;
}

// B: sum of pi(x/p) over the primes y < p <= sqrt(x).
inline i128 B(u64 x, u64 y, const Sieve& s) {
  i128 sum = 0;
  u64 r = Isqrt(x);
  for (u64 p : s.Primes()) {
    if (p > r) break;
    if (p <= y) continue;
    sum += s.Pi(x / p);
  }
  return sum;
}

// C: minus the sum of mu(m) L(m, p) over odd y-smooth squarefree m <= z with
// least prime factor a, and primes p with cbrt(x/z) < p <= lowerBound,
// p < a, p^3 m > x and p m > z; L = pi(n) - pi(p) + 2 for n = x/(p m) >= p,
// else 1.
inline i128 C(const Params& P, const Sieve& s, const Factors& f) {
  i128 sum = 0;
  const u64 cubeRootXz = Icbrt(P.x / P.z);
  for (u64 m = 3; m <= P.z; m += 2) {
    if (f.mu[m] == 0) continue;
    if (LargestPrimeFactor(m, f) > P.y) continue;
    const u64 a = f.lpf[m];
    u64 low = cubeRootXz;
    if (P.z / m > low) low = P.z / m;
    u64 r = Icbrt(P.x / m);
    if (r > low) low = r;
    auto it = std::upper_bound(s.Primes().begin(), s.Primes().end(), low);
    for (; it != s.Primes().end(); ++it) {
      const u64 p = *it;
      if (p >= a || p > P.lowerBound) break;
      if (static_cast<unsigned __int128>(p) * p * p * m <= P.x) continue;
      if (p * m <= P.z) continue;
      u64 n = P.x / (p * m);
      i128 L = n >= p ? static_cast<i128>(s.Pi(n)) - static_cast<i128>(s.Pi(p)) + 2 : 1;
      sum -= f.mu[m] * L;
    }
  }
  return sum;
}

inline std::string Text(i128 v) {
  if (v == 0) return "0";
  bool neg = v < 0;
  unsigned __int128 u = neg ? static_cast<unsigned __int128>(-v) : static_cast<unsigned __int128>(v);
  std::string r;
  while (u > 0) {
    r.insert(r.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
    u /= 10;
  }
  return neg ? "-" + r : r;
}

inline std::string Text(const Integer& n) {
  char buf[64];
  n.Format(buf);
  return buf;
}

}  // namespace brute

#include <cmath>
#include <random>

namespace brute {

// A y with cbrt(x) < y < sqrt(x), log-uniform between the two.
inline u64 RandomY(u64 x, std::mt19937_64& rng) {
  double lo = std::log(static_cast<double>(Icbrt(x) + 1));
  double hi = std::log(static_cast<double>(Isqrt(x) - 1));
  std::uniform_real_distribution<double> d(lo, hi);
  u64 y = static_cast<u64>(std::exp(d(rng)));
  u64 c = Icbrt(x);
  if (y <= c) y = c + 1;
  if (c * c * c == x && y == c) y = c + 1;
  while (y * y >= x) --y;
  return y;
}

// A z with y <= z < sqrt(x).
inline u64 RandomZ(u64 x, u64 y, std::mt19937_64& rng) {
  u64 top = Isqrt(x);
  if (top * top == x) --top;
  if (top < y) return y;
  std::uniform_real_distribution<double> d(std::log(static_cast<double>(y)),
                                           std::log(static_cast<double>(top) + 0.999));
  u64 z = static_cast<u64>(std::exp(d(rng)));
  if (z < y) z = y;
  if (z > top) z = top;
  return z;
}

// x log-uniform in [lo, hi].
inline u64 RandomX(double lo, double hi, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> d(std::log(lo), std::log(hi));
  return static_cast<u64>(std::exp(d(rng)));
}

}  // namespace brute
