#pragma once
// Reference prime counts for the tests: pi(x) for a list of x up to some
// 10^12, by one segmented sieve of the odd numbers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace testref {

typedef long long i64;

// pi(x) for every x of a list, by one segmented sweep over the odd numbers
// with one bit per number.
inline std::vector<i64> SievedPi(const std::vector<i64>& xs) {
  if (xs.empty()) return {};
  std::vector<size_t> order(xs.size());
  for (size_t i = 0; i < xs.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return xs[a] < xs[b]; });
  const i64 top = xs[order.back()];
  const i64 root = static_cast<i64>(std::sqrt(static_cast<double>(top))) + 2;
  std::vector<char> small(root + 1, 1);
  std::vector<i64> primes, nextMultiple;
  for (i64 i = 3; i <= root; i += 2)
    if (small[i]) {
      primes.push_back(i);
      nextMultiple.push_back(i * i);
      for (i64 j = i * i; j <= root; j += 2 * i) small[j] = 0;
    }
  const i64 W = 1 << 18;  // odd numbers per segment, 64-bit words
  std::vector<uint64_t> seg(W / 64);
  std::vector<i64> out(xs.size());
  i64 count = 1;  // the prime 2
  size_t next = 0;
  for (i64 base = 1; next < order.size(); base += 2 * W) {
    std::fill(seg.begin(), seg.end(), ~0ULL);
    if (base == 1) seg[0] &= ~1ULL;
    const i64 last = base + 2 * (W - 1);
    for (size_t k = 0; k < primes.size(); ++k) {
      const i64 p = primes[k];
      i64 n = nextMultiple[k];
      if (n > last) {
        if (p * p > last) break;
        continue;
      }
      for (; n <= last; n += 2 * p) {
        const i64 i = (n - base) >> 1;
        seg[i >> 6] &= ~(1ULL << (i & 63));
      }
      nextMultiple[k] = n;
    }
    // answer the queries that fall in this segment
    while (next < order.size() && xs[order[next]] <= last) {
      const i64 x = xs[order[next]];
      const i64 upto = x < base ? -1 : (x - base) >> 1;  // last index <= x
      i64 c = count;
      for (i64 w = 0; w * 64 <= upto; ++w) {
        uint64_t bits = seg[w];
        if (upto - w * 64 < 63) bits &= (2ULL << (upto - w * 64)) - 1;
        c += __builtin_popcountll(bits);
      }
      out[order[next++]] = x < 2 ? 0 : c;
    }
    for (uint64_t w : seg) count += __builtin_popcountll(w);
  }
  return out;
}

}  // namespace testref
