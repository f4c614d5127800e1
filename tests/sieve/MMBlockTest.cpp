#include "sieve/MMBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<int64_t> PrimesUpTo(int64_t n) {
  std::vector<bool> composite(n + 1, false);
  std::vector<int64_t> primes;
  for (int64_t i = 2; i <= n; ++i) {
    if (composite[i]) continue;
    primes.push_back(i);
    for (int64_t j = i * i; j <= n; j += i) composite[j] = true;
  }
  return primes;
}

std::vector<int64_t> Factor(int64_t n, const std::vector<int64_t>& primes) {
  std::vector<int64_t> f;
  for (int64_t p : primes) {
    if (p * p > n) break;
    while (n % p == 0) {
      f.push_back(p);
      n /= p;
    }
  }
  if (n > 1) f.push_back(n);
  return f;
}

struct Item {
  int64_t m;
  int sign;
  bool operator==(const Item& o) const { return m == o.m && sign == o.sign; }
};

std::ostream& operator<<(std::ostream& os, const Item& i) { return os << i.m << "/" << i.sign; }

// What the window (mStart, mEnd] must yield, from a factorisation of every m:
// the products q r of primes p < q < r with r <= mLimit (both factors within
// the prime list, which ends at e), by q and then r; then the odd primes of
// (min(mStart, mLimit), min(mEnd, mLimit)] in increasing order.
std::vector<Item> Expected(int64_t p, int64_t mStart, int64_t mEnd, int64_t mLimit, int64_t e,
                           const std::vector<int64_t>& primes) {
  std::vector<std::pair<int64_t, int64_t>> products;
  if (p * p <= mEnd) {
    for (int64_t m = std::max<int64_t>(mStart + 1, 1); m <= mEnd; ++m) {
      std::vector<int64_t> f = Factor(m, primes);
      if (f.size() != 2 || f[0] == f[1] || f[0] == 2) continue;
      if (f[0] > p && f[1] <= mLimit && f[1] <= e) products.push_back({f[0], f[1]});
    }
  }
  std::sort(products.begin(), products.end());
  std::vector<Item> out;
  for (const auto& qr : products) out.push_back({qr.first * qr.second, +1});
  const int64_t from = std::min(mStart, mLimit), to = std::min(mEnd, mLimit);
  for (int64_t m = std::max<int64_t>(from + 1, 3); m <= to; ++m) {
    if (m % 2 == 0) continue;
    if (Factor(m, primes).size() == 1) out.push_back({m, -1});
  }
  return out;
}

std::vector<Item> Enumerate(MMBlock& block, double p, double mStart, double mEnd, std::string* messages) {
  testing::internal::CaptureStdout();
  block.RunSieve(p, mStart, mEnd);
  std::vector<Item> out;
  while (block.Next()) {
    double sign = 0;
    double m = block.GetValue(sign);
    out.push_back({static_cast<int64_t>(m), static_cast<int>(sign)});
  }
  EXPECT_EQ(block.Next(), 0);  // stays at the end
  *messages = testing::internal::GetCapturedStdout();
  return out;
}

int64_t ListEnd(double a, double b) {
  int64_t e = static_cast<int64_t>(std::floor(std::exp(std::log(a) * 2.0 / 3.0) + 1.0));
  return b < e ? static_cast<int64_t>(b) : e;
}

TEST(MMBlockTest, SmallWindows) {
  const std::vector<int64_t> primes = PrimesUpTo(100000);
  MMBlock block(100000, 40000);  // e = 2155
  std::string msg;

  // p = 7: products of primes 11 <= q < r in (300, 341], then the primes.
  std::vector<Item> got = Enumerate(block, 7, 300, 341, &msg);
  EXPECT_EQ(msg, "");
  std::vector<Item> want = {{11 * 29, 1}, {11 * 31, 1}, {17 * 19, 1}, {307, -1}, {311, -1},
                            {313, -1},    {317, -1},    {331, -1},    {337, -1}};
  EXPECT_EQ(got, want);

  // 341 = 11 * 31 is the end: yielded; as the start it is not.
  got = Enumerate(block, 7, 341, 350, &msg);
  EXPECT_EQ(got, (std::vector<Item>{{347, -1}, {349, -1}}));

  // p^2 > mEnd: primes only.
  got = Enumerate(block, 31, 800, 900, &msg);
  EXPECT_EQ(got, Expected(31, 800, 900, 40000, 2155, primes));
  for (const Item& i : got) EXPECT_EQ(i.sign, -1);

  // No q has an r: no products, the primes follow at once.
  got = Enumerate(block, 19, 430, 440, &msg);
  EXPECT_EQ(got, (std::vector<Item>{{431, -1}, {433, -1}, {439, -1}}));

  // A window from 0: 1 is not a prime.
  got = Enumerate(block, 3, 0, 20, &msg);
  EXPECT_EQ(got, (std::vector<Item>{{3, -1}, {5, -1}, {7, -1}, {11, -1}, {13, -1}, {17, -1}, {19, -1}}));

  // A window above the bound on r and on the prime values: products only.
  MMBlock low(100000, 200);
  got = Enumerate(low, 11, 1000, 1200, &msg);
  EXPECT_EQ(msg, "");
  EXPECT_EQ(got, Expected(11, 1000, 1200, 200, 200, primes));
  ASSERT_FALSE(got.empty());
  for (const Item& i : got) EXPECT_EQ(i.sign, 1);

  // The first prime, 3, serves as q when p is below it.
  got = Enumerate(block, 2, 14, 22, &msg);
  EXPECT_EQ(msg, "Error in MMBlock::RunSieve, p is too small\n");
  EXPECT_EQ(got, (std::vector<Item>{{15, 1}, {21, 1}, {17, -1}, {19, -1}}));
}

// Random windows against a factorisation of every m, in the setting of the
// leaf sums: mEnd below p^3 and below a.
TEST(MMBlockTest, RandomWindowsMatchFactorisation) {
  std::mt19937_64 rng(4242);
  const std::vector<int64_t> primes = PrimesUpTo(200000);
  std::vector<int64_t> oddPrimes(primes.begin() + 1, primes.begin() + 120);
  struct Setting {
    double a, b;
    int32_t n;
  };
  const Setting settings[] = {{2.4e6, 1.0e6, 4000}, {5.0e7, 2.0e7, 6000}, {3.0e5, 1.0e3, 2000}};
  for (const Setting& s : settings) {
    MMBlock block(s.a, s.b);
    const int64_t e = ListEnd(s.a, s.b);
    const int64_t mLimit = static_cast<int64_t>(s.b);
    int windows = 0;
    while (windows < 40) {
      const int64_t p = oddPrimes[rng() % oddPrimes.size()];
      const int64_t top = std::min<int64_t>(p * p * p - 1, static_cast<int64_t>(s.a));
      const int64_t bottom = p;  // m above p
      if (top <= bottom + 2) continue;
      const int64_t mStart = bottom + static_cast<int64_t>(rng() % (top - bottom));
      const int64_t mEnd = std::min<int64_t>(top, mStart + 1 + static_cast<int64_t>(rng() % s.n));
      std::string msg;
      std::vector<Item> got = Enumerate(block, p, mStart, mEnd, &msg);
      EXPECT_EQ(msg, "");
      ASSERT_EQ(got, Expected(p, mStart, mEnd, mLimit, e, primes))
          << "a=" << s.a << " b=" << s.b << " p=" << p << " (" << mStart << ", " << mEnd << "]";
      ++windows;
    }
    // Consecutive windows of one prime tile its m range.
    const int64_t p = 53;
    const int64_t end = std::min<int64_t>(p * p * p - 1, static_cast<int64_t>(s.a));
    std::vector<Item> all, parts;
    for (int64_t lo = p; lo < end;) {
      int64_t hi = std::min<int64_t>(lo + s.n, end);
      std::string msg;
      std::vector<Item> got = Enumerate(block, p, lo, hi, &msg);
      std::vector<Item> want = Expected(p, lo, hi, mLimit, e, primes);
      ASSERT_EQ(got, want) << lo << " " << hi;
      lo = hi;
    }
  }
}

// Windows beyond what the tables were built for: both messages, and the
// look-ups stop at the end of the prime list.
TEST(MMBlockTest, WindowsBeyondTheTables) {
  const std::vector<int64_t> primes = PrimesUpTo(100000);
  MMBlock block(20000, 5000);  // e = 737
  const int64_t e = ListEnd(20000, 5000);
  std::string msg;

  std::vector<Item> got = Enumerate(block, 3, 100, 2000, &msg);
  EXPECT_EQ(msg, "Error in MMBlock::RunSieve, p is too small\n");
  EXPECT_EQ(got, Expected(3, 100, 2000, 5000, e, primes));

  got = Enumerate(block, 41, 19000, 21000, &msg);
  EXPECT_EQ(msg, "Error in MMBlock::RunSieve, mEnd is too large\n");
  EXPECT_EQ(got, Expected(41, 19000, 21000, 5000, e, primes));

  got = Enumerate(block, 5, 600000, 601000, &msg);
  EXPECT_EQ(msg,
            "Error in MMBlock::RunSieve, p is too small\n"
            "Error in MMBlock::RunSieve, mEnd is too large\n");
  EXPECT_EQ(got, Expected(5, 600000, 601000, 5000, e, primes));

  // A p above the list: no first factor is left.
  got = Enumerate(block, 1009, 1000, 3000, &msg);
  EXPECT_EQ(got, Expected(1009, 1000, 3000, 5000, e, primes));
  got = Enumerate(block, 1009, 1018000, 1019000, &msg);
  EXPECT_EQ(msg, "Error in MMBlock::RunSieve, mEnd is too large\n");
  EXPECT_TRUE(got.empty());
}

// Batches of any size hand over what Next does, across the seam between the
// products and the primes and across the end of a q's run of r.
TEST(MMBlockTest, BatchesMatchOneByOne) {
  const std::vector<int64_t> primes = PrimesUpTo(100000);
  MMBlock block(100000, 40000);
  const int64_t e = ListEnd(100000, 40000);
  const int64_t windows[][3] = {{7, 300, 341}, {5, 100, 124}, {11, 1300, 1330}, {13, 2000, 2196}, {3, 0, 20}};
  for (const auto& w : windows) {
    const std::vector<Item> want = Expected(w[0], w[1], w[2], 40000, e, primes);
    for (int32_t max : {1, 2, 3, 5, 256}) {
      block.RunSieve(w[0], w[1], w[2]);
      std::vector<Item> got;
      double values[256];
      int32_t signs[256];
      int32_t n;
      do {
        n = block.NextValues(values, signs, max);
        for (int32_t i = 0; i < n; ++i) got.push_back({static_cast<int64_t>(values[i]), signs[i]});
        if (n > 0) {
          double sign;
          EXPECT_EQ(block.GetValue(sign), values[n - 1]);
          EXPECT_EQ(sign, signs[n - 1]);
        }
      } while (n == max);
      EXPECT_EQ(block.NextValues(values, signs, max), 0);  // stays at the end
      EXPECT_EQ(got, want) << w[0] << " (" << w[1] << ", " << w[2] << "] by " << max;
    }
  }
}

TEST(MMBlockTest, MemoryEstimateAddsItsParts) {
  // The bit table of the odd numbers up to b, the primes up to e, the prime
  // list and the counts of the table's words up to e.
  const double a = 1.5e6, b = 40000;
  const double e = static_cast<double>(ListEnd(a, b));
  const double est = 8.0 * (std::floor(b / 128) + 1) + 2.2 * (e / std::log(e) - 2 / std::log(2.0)) +
                     8.0 * std::floor(e / std::log(e)) + 4.0 * (std::floor((e + 1) / 128) + 1);
  EXPECT_NEAR(MMBlock::EstimateMemory(a, b), est, 1e-9 * est);
}

}  // namespace
