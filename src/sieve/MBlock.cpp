#include "sieve/MBlock.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <cmath>
#include <limits>

#include "arith/BatchFloor.h"
#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/PrimeSeries.h"
#if BRUNSK_WIDE_FLOORS
#include <immintrin.h>
#endif

MBlock::MBlock(int32_t width, double z)
    : lo_(0.0), hi_(0.0), z_(z), primes_(nullptr), count_(0), limit_(0), pos_(-1) {
  capacity_ = width / 2 + 1;
  if (capacity_ < 1) capacity_ = 1;
  lpf_ = Buffer<int32_t>(capacity_);
  prod_ = Buffer<double>(capacity_);
}

void MBlock::SetPrimes(PrimeSeries* table) {
  primes_ = table;
  tableRead_ = false;
  table_.clear();
}

namespace {

// Smallest even number >= x.
double EvenCeil(double x) {
  double u = 2.0 * DoubleFloor(x * 0.5);
  return (x - u >= 1.0) ? u + 2.0 : u;
}

// Index of the first odd multiple of m above lo (lo even, m odd): the
// distance j from lo to the first multiple above it, moved on by m when even.
int64_t FirstOddMultipleIndex(int64_t lo, int64_t m) {
  int64_t r = lo % m;
  if (r < 0) r += m;
  int64_t j = m - r;  // 1 <= j <= m
  if ((j & 1) == 0) j += m;
  return (j - 1) >> 1;
}

#if BRUNSK_WIDE_FLOORS
// The first loop of NextNonZero without a limit on the least factor, eight
// entries at a time in the AVX-512 copy, with the same comparisons lane for
// lane (every n is a whole number below 2^53, exact in either form): the
// kept n and their values are written compressed at ns[k] and vs[k], while a
// whole group of eight lies in the segment and fits the batch. Returns the
// new k; pos moves past the groups taken.
__attribute__((target("avx512f,avx512dq,avx512vl,popcnt"))) int32_t KeepNonZero8(const double* prod, int32_t& pos,
                                                                                int32_t count, double lo1, double z,
                                                                                double* ns, int32_t* vs, int32_t k,
                                                                                int32_t max) {
  const __m512d steps = _mm512_set_pd(14.0, 12.0, 10.0, 8.0, 6.0, 4.0, 2.0, 0.0);
  const __m512d zs = _mm512_set1_pd(z), halves = _mm512_set1_pd(0.5), zero = _mm512_setzero_pd();
  const __m256i plus = _mm256_set1_epi32(1), minus = _mm256_set1_epi32(-1);
  for (; pos + 8 <= count && k + 8 <= max; pos += 8) {
    const __m512d signedProd = _mm512_loadu_pd(prod + pos);
    const __m512d n = _mm512_add_pd(_mm512_set1_pd(lo1 + 2.0 * pos), steps);
    const __m512d a = _mm512_abs_pd(signedProd);
    // A NaN (a marked entry) and a product of 0 fail the comparison.
    const __mmask8 kept = _mm512_cmp_pd_mask(n, _mm512_mul_pd(zs, a), _CMP_LE_OQ);
    const __mmask8 odd = _mm512_cmp_pd_mask(signedProd, zero, _CMP_LT_OQ) ^
                         _mm512_cmp_pd_mask(a, _mm512_mul_pd(n, halves), _CMP_LT_OQ);
    _mm512_mask_compressstoreu_pd(ns + k, kept, n);
    _mm256_mask_compressstoreu_epi32(vs + k, kept, _mm256_mask_blend_epi32(odd, plus, minus));
    k += _mm_popcnt_u32(kept);
  }
  return k;
}
#endif

// The odd primes whose multiples a segment with a limit of at least 13 takes
// marked from a pattern, and the pattern's period in entries (its product:
// entry t stands for the odd number 1 + 2t, period 2 15015 in numbers).
constexpr int32_t kWheelPrimeCount = 5;
constexpr int32_t kWheelPrimes[kWheelPrimeCount] = {3, 5, 7, 11, 13};
constexpr int32_t kWheelPeriod = 3 * 5 * 7 * 11 * 13;

bool StartsWithWheelPrimes(const std::vector<int32_t>& table) {
  if (table.size() < static_cast<size_t>(kWheelPrimeCount)) return false;
  for (int32_t j = 0; j < kWheelPrimeCount; ++j)
    if (table[j] != kWheelPrimes[j]) return false;
  return true;
}

// Entry t: NaN when 1 + 2t has a factor among the wheel primes, else 1.
const std::vector<double>& WheelMarks() {
  static const std::vector<double> marks = [] {
    std::vector<double> m(kWheelPeriod, 1.0);
    for (const int32_t q : kWheelPrimes)
      for (int64_t t = (q - 1) / 2; t < kWheelPeriod; t += q) m[t] = std::numeric_limits<double>::quiet_NaN();
    return m;
  }();
  return marks;
}

// prod[i] for i < count from the pattern, entry i standing for lo + 1 + 2i
// (lo even), that is for the pattern's entry lo / 2 + i modulo its period.
void CopyWheelMarks(double* prod, int64_t count, int64_t lo) {
  const double* const marks = WheelMarks().data();
  int64_t t = (lo / 2) % kWheelPeriod;
  for (int64_t i = 0; i < count;) {
    const int64_t n = std::min<int64_t>(kWheelPeriod - t, count - i);
    std::memcpy(prod + i, marks + t, static_cast<size_t>(n) * sizeof(double));
    i += n;
    t = 0;
  }
}

}  // namespace

void MBlock::RunSieve(double start, double end) {
  Sieve(start, end, 0);
  StartIteration(0.0);
}

void MBlock::RunSieveAbove(double start, double end, double limit) {
  StartIteration(limit);
  Sieve(start, end, limit_ > 0 ? limit_ : 0);
}

// With a limit of 0 every table prime gives its entries their least factor
// and product; with a positive limit the least factors are not kept, and the
// primes up to the limit put a NaN in place of the product of their
// multiples, which Next and NextNonZero pass over.
BRUNSK_HOT_BODY void MBlock::SieveBody(double start, double end, int32_t limit) {
  fused_ = limit > 0;
  lo_ = EvenCeil(start);
  hi_ = EvenCeil(end);
  const double half = DoubleFloor((hi_ - lo_) * 0.5);
  if (half > capacity_) {
    ReportFault(msg::MBlockTooLong());
    count_ = capacity_;  // the surplus entries do not fit: the segment is cut
    hi_ = lo_ + 2.0 * count_;
  } else if (half < 1.0) {
    count_ = 0;
    hi_ = lo_;
  } else {
    count_ = static_cast<int32_t>(half);
  }

  // Each entry holds its least table factor and the product of its distinct
  // table factors, negated once per factor: the sign of the product is the
  // sign of the Moebius value over the table, and a product of 0 marks a
  // value of 0 (a square factor, or a table factor above z). The arrays are
  // reached through local pointers so that stores do not force reloads.
  const int64_t count = count_;
  int32_t* const lpf = lpf_.data();
  double* const prod = prod_.data();
  // The primes are read out of the table once, to be walked downward.
  if (primes_ != nullptr && !tableRead_) {
    PrimeSeries& primes = *primes_;
    primes.StartIteration();
    while (primes.Next()) table_.push_back(static_cast<int32_t>(primes.Current()));
    tableRead_ = true;
  }
  // When the limit passes over the table's first primes 3 .. 13, their marks
  // come with the products' start from one period of the pattern.
  const bool wheel = limit >= kWheelPrimes[kWheelPrimeCount - 1] && primes_ != nullptr && StartsWithWheelPrimes(table_);
  if (wheel) {
    CopyWheelMarks(prod, count, static_cast<int64_t>(lo_));
  } else if (limit > 0) {
    for (int64_t i = 0; i < count; ++i) prod[i] = 1.0;
  } else {
    for (int64_t i = 0; i < count; ++i) {
      lpf[i] = 0;
      prod[i] = 1.0;
    }
  }
  if (primes_ == nullptr || count == 0) return;

  const int64_t lo = static_cast<int64_t>(lo_);
  const int64_t hi = static_cast<int64_t>(hi_);
  const int64_t zBound = z_ >= 9.0e18 ? INT64_MAX : static_cast<int64_t>(DoubleFloor(z_));

  // First pass: every table prime flips the sign of the product of its
  // multiples and becomes their least factor. The primes go downward so
  // that the least one writes last, without reading the entry.
  size_t top = 0;
  while (top < table_.size() && table_[top] < hi) ++top;  // odd multiples below hi
  // With a limit, the primes up to it only mark their multiples (a NaN stays
  // a NaN under the products).
  size_t marked = 0;
  while (marked < top && table_[marked] <= limit) ++marked;
  for (size_t j = top; j-- > marked;) {
    const int32_t p32 = table_[j];
    const int64_t p = p32;
    const double pd = static_cast<double>(p32);
    const double factor = p <= zBound ? -pd : 0.0;  // a prime above z: value 0
    if (limit > 0) {
      for (int64_t i = FirstOddMultipleIndex(lo, p); i < count; i += p) prod[i] *= factor;
    } else {
      for (int64_t i = FirstOddMultipleIndex(lo, p); i < count; i += p) {
        prod[i] *= factor;
        lpf[i] = p32;
      }
    }
  }
  const double mark = std::numeric_limits<double>::quiet_NaN();
  for (size_t j = wheel ? kWheelPrimeCount : 0; j < marked; ++j) {
    const int64_t p = table_[j];
    for (int64_t i = FirstOddMultipleIndex(lo, p); i < count; i += p) prod[i] = mark;
  }

  // Second pass: multiples of a square of a table prime get value 0 (those
  // of a marked prime are passed over anyway, and keep their mark).
  for (size_t j = marked; j < table_.size(); ++j) {
    const int64_t p = table_[j];
    const int64_t sq = p * p;
    if (sq >= hi) break;  // the first multiple of sq above lo is at least hi
    for (int64_t i = FirstOddMultipleIndex(lo, sq); i < count; i += sq) prod[i] *= 0.0;
  }
}

void MBlock::Sieve(double start, double end, int32_t limit) {
  BRUNSK_HOT_DISPATCH(SieveBody(start, end, limit));
}

void MBlock::StartIteration(double limit) {
  if (limit >= 2147483647.0)
    limit_ = INT32_MAX;
  else if (limit <= -2147483648.0)
    limit_ = INT32_MIN;
  else
    limit_ = static_cast<int32_t>(limit);
  pos_ = -1;
}

int MBlock::Next() {
  if (pos_ >= count_) return 0;  // exhausted: stays at the end
  ++pos_;
  if (fused_) {
    while (pos_ < count_ && std::isnan(prod_[pos_])) ++pos_;
  } else if (limit_ > 0) {
    const int32_t limit = limit_;
    while (pos_ < count_ && lpf_[pos_] >= 1 && lpf_[pos_] <= limit) ++pos_;
  }
  return pos_ != count_;
}

double MBlock::Current(double& v) const {
  assert(pos_ >= 0 && pos_ < count_);
  const double n = lo_ + 1.0 + 2.0 * pos_;
  // An entry without a table factor (1, or a prime outside the table) holds
  // the product 1, which gives its value by the same rule as the others.
  const double signedProd = prod_[pos_];
  const double prod = std::fabs(signedProd);
  double s = signedProd < 0.0 ? -1.0 : 1.0;
  if (prod == 0.0 || n > z_ * prod)
    s = 0.0;  // a square or a factor above z, or the cofactor n / prod is a prime above z
  else if (prod < n * 0.5)
    s = -s;  // the cofactor is a prime outside the table
  v = s;
  return n;
}

BRUNSK_HOT_BODY int32_t MBlock::NextNonZeroBody(double* ns, int32_t* vs, int32_t max) {
  const int32_t count = count_;
  int32_t pos = pos_ < count ? pos_ + 1 : count;
  // An entry is passed over when its least factor f is in 1 .. limit.
  const uint32_t limit = limit_ > 0 ? static_cast<uint32_t>(limit_) : 0u;
  const int32_t* const lpf = lpf_.data();
  const double* const prod = prod_.data();
  const double lo1 = lo_ + 1.0, z = z_;
  // First the entries that are kept and of nonzero value, without a branch
  // on the entry: n is written at the next free place, which moves on only
  // for such an entry. The value is 0 for a square or a factor above z
  // (product 0), or for a cofactor n / a that is a prime above z; an entry
  // without a table factor holds the product 1, which gives it the value of
  // 1 or of a prime (0 above z) by the same rule.
  int32_t k = 0;
  int32_t valued = 0;  // the first entries of ns whose values are written too
  if (fused_ || limit == 0) {
    // No least factor to test: a marked entry holds a NaN, which fails the
    // comparison, and so does a product of 0 (every n is at least 1).
#if BRUNSK_WIDE_FLOORS
    if (batchfloor::Wide8()) k = valued = KeepNonZero8(prod, pos, count, lo1, z, ns, vs, 0, max);
#endif
    for (; pos < count && k < max; ++pos) {
      const double n = lo1 + 2.0 * pos;
      ns[k] = n;
      k += static_cast<int32_t>(n <= z * std::fabs(prod[pos]));
    }
  } else {
    for (; pos < count && k < max; ++pos) {
      const uint32_t f = static_cast<uint32_t>(lpf[pos]);
      const double n = lo1 + 2.0 * pos;
      const double a = std::fabs(prod[pos]);
      ns[k] = n;
      k += static_cast<int32_t>(f - 1u >= limit) & static_cast<int32_t>(a != 0.0) &
           static_cast<int32_t>(n <= z * a);
    }
  }
  // Then their values: the sign of the product, flipped once more for a
  // cofactor that is a prime outside the table.
  for (int32_t t = valued; t < k; ++t) {
    const double n = ns[t];
    const double signedProd = prod[static_cast<int32_t>((n - lo1) * 0.5)];
    const int32_t odd = static_cast<int32_t>(signedProd < 0.0) ^ static_cast<int32_t>(std::fabs(signedProd) < n * 0.5);
    vs[t] = 1 - 2 * odd;
  }
  pos_ = pos - 1;
  if (pos == count) pos_ = count;  // exhausted: Next() reports the end
  return k;
}

int32_t MBlock::NextNonZero(double* ns, int32_t* vs, int32_t max) {
  BRUNSK_HOT_DISPATCH(NextNonZeroBody(ns, vs, max));
}

double MBlock::CurrentWithFactor(double& f, double& v) const {
  const double n = Current(v);
  const int32_t lpf = lpf_[pos_];
  f = lpf == 0 ? n : static_cast<double>(lpf);
  return n;
}
