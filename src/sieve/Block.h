#pragma once
// Basic segmented sieve: one bit per odd number of a window (lo, hi], entry i
// standing for n = lo + 1 + 2i; a set bit means struck out.
#include <cassert>
#include <cstdint>

#include "arith/BatchFloor.h"
#include "base/Buffer.h"
#include "sieve/BitOps.h"
#if BRUNSK_WIDE_FLOORS
#include <immintrin.h>
#endif

class PrimeSeries;

class Block {
 public:
  explicit Block(double size);   // size: the widest window in numbers
  ~Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  void SetPrimes(PrimeSeries* table);
  void RunSieve(double start, double end);   // odd n with start < n <= end
  void BuildCounts();
  double CountUpTo(int32_t d) const;         // unstruck odd n with lo < n <= lo + d
  int32_t CountUpToInt(int32_t d) const;     // the same count as an integer
  // The same for -1 <= d <= 2 Count() (a position inside the window), without
  // the clamps, for the leaf loops.
  int32_t CountInWindow(int32_t d) const;
  // The sum of CountInWindow over d[0 .. n - 1] (each -1 <= d <= 2 Count()),
  // eight positions at a time in the AVX-512 copy.
  int64_t SumCountsInWindow(const int32_t* d, int32_t n) const;
  // In the AVX-512 copy: the same sum over the positions
  // floor(X * inv[t] - lo) (cut to -1 below -1) of n <= kFloorBatch
  // quotients, eight at a time, into sum; true when every quotient above
  // lo - 1 lies outside the guard band of BatchFloorOffsets. False, with
  // sum untouched, in the other copies or when some quotient needs its exact
  // floor: the caller then takes the offsets one batch at a time.
  bool SumCountsOfQuotients(double X, const double* inv, double lo, int32_t n, int64_t& sum) const;
  double CountAll();

  void StartIteration();
  int Next();
  int Previous();
  double Current() const;                    // 1 + lo + 2 pos
  double Rank() const;

  // Moebius values and least-prime-factor entries of the odd n < N.
  void RunMoebiusSieve(int32_t N, uint16_t* lpf, int8_t* mu, double L);

  static double BlockEstimate(double size);

  double Lo() const;
  double Hi() const;
  int32_t Count() const;                     // entries in the current window

  // Entry i of the current window is struck out (0 <= i < Count()).
  bool IsStruck(int32_t i) const { return (bits_[i >> 5] >> (i & 31)) & 1u; }
  double Capacity() const { return capacity_; }

 private:
  // The bodies of the hot functions, one text for every copy of the hot
  // loops (arith/HotPath.h).
  void RunSieveBody(double start, double end);
  void BuildCountsBody();

  // First unstruck entry at or after i, or count_ when there is none.
  int32_t NextUnstruck(int32_t i) const;
  // Last unstruck entry at or before i, or -1 when there is none.
  int32_t PreviousUnstruck(int32_t i) const;

  double lo_, hi_, length_;
  PrimeSeries* primes_;
  Buffer<uint32_t> bits_;
  double capacity_;
  int32_t words_;
  int32_t count_;
  // Per word of bits, the unstruck entries of the words before it and the
  // word's unstruck entries as set bits, side by side, so that a count reads
  // one place.
  struct WordCount {
    uint32_t before;
    uint32_t open;
  };
  Buffer<WordCount> counts_;
  int32_t countEntries_;
  int32_t prefixValid_;
  int32_t pos_;
  double rank_;
};

// The counting and walking operations sit in the innermost loops of the
// components: they are defined here so that they inline.

inline int32_t Block::CountInWindow(int32_t d) const {
  assert(prefixValid_ && d >= -1 && d <= 2 * count_);
  // The entries counted are i < c: lo + 2i + 1 <= lo + d. The words before
  // c's word from their count, the first c & 31 entries of c's word by a
  // population count (a whole word lies in the next entry).
  const uint32_t c = static_cast<uint32_t>(d + 1) >> 1;
  const WordCount& word = counts_[c >> 5];
  const uint32_t below = (1u << (c & 31)) - 1u;
  return static_cast<int32_t>(word.before + static_cast<uint32_t>(bitops::PopCount32(word.open & below)));
}

#if BRUNSK_WIDE_FLOORS
namespace blockcounts {
// (GCC 12's AVX-512 intrinsics leave a lane operand undefined on purpose and
// warn about it once inlined: the warnings are off for these functions.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// CountInWindow of eight positions d (the lanes of live only, 0 in the
// others): each position's entry of the count words gathered as one 64-bit
// value (the count before in its low half, the open bits in its high half),
// the open bits below the position kept by a mask and counted bytewise.
// kLanes: the open bits counted by the vector population count
// (bitops::laneCounts), else bytewise.
template <bool kLanes>
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline __m512i Counts8(const void* words, __m256i d,
                                                                                     __mmask8 live) {
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i c = _mm256_srli_epi32(_mm256_add_epi32(d, one), 1);
  const __m512i word = _mm512_mask_i32gather_epi64(_mm512_setzero_si512(), live, _mm256_srli_epi32(c, 5), words, 8);
  const __m256i below = _mm256_sub_epi32(_mm256_sllv_epi32(one, _mm256_and_si256(c, _mm256_set1_epi32(31))), one);
  const __m512i open = _mm512_and_si512(word, _mm512_slli_epi64(_mm512_cvtepu32_epi64(below), 32));
  const __m512i openCount = kLanes ? bitops::PopCountLanes(open)
                                   : _mm512_sad_epu8(bitops::PopCountBytes(open), _mm512_setzero_si512());
  return _mm512_add_epi64(openCount, _mm512_and_si512(word, _mm512_set1_epi64(0xFFFFFFFFll)));
}

// The sum of the counts of d[0 .. n - 1], n a multiple of eight.
template <bool kLanes>
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline int64_t Sum8Wide(const void* words,
                                                                                     const int32_t* d, int32_t n) {
  __m512i total = _mm512_setzero_si512();
  for (int32_t t = 0; t + 8 <= n; t += 8)
    total = _mm512_add_epi64(
        total, Counts8<kLanes>(words, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + t)), 0xFF));
  return _mm512_reduce_add_epi64(total);
}

// The floors of eight quotients X * inv[t] - lo at a time as in
// BatchFloorOffsets, lane for lane the same operations, and their counts;
// the lanes past n are masked out (never read).
template <bool kLanes>
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline bool SumQuotientCounts8(
    const void* words, double X, const double* inv, double lo, int32_t n, int64_t& sum) {
  const __m512d x = _mm512_set1_pd(X), origin = _mm512_set1_pd(lo), minusOne = _mm512_set1_pd(-1.0);
  const __m512d margin = _mm512_set1_pd(kRelativeMargin), unit = _mm512_set1_pd(1.0);
  __m512i total = _mm512_setzero_si512();
  __mmask8 flagged = 0;
  for (int32_t t = 0; t < n; t += 8) {
    const __mmask8 live = n - t >= 8 ? 0xFF : static_cast<__mmask8>((1u << (n - t)) - 1u);
    const __m512d v = _mm512_mul_pd(x, _mm512_maskz_loadu_pd(live, inv + t));
    const __m512d raw = _mm512_sub_pd(v, origin);
    const __m512d d = _mm512_max_pd(raw, minusOne);
    const __m256i k = _mm512_cvttpd_epi32(d);
    const __m512d f = _mm512_sub_pd(d, _mm512_cvtepi32_pd(k));
    const __m512d tol = _mm512_mul_pd(margin, v);
    const __mmask8 edge =
        _mm512_cmp_pd_mask(f, tol, _CMP_LE_OQ) | _mm512_cmp_pd_mask(f, _mm512_sub_pd(unit, tol), _CMP_GE_OQ);
    flagged |= edge & _mm512_cmp_pd_mask(raw, minusOne, _CMP_GT_OQ) & live;
    total = _mm512_add_epi64(total, Counts8<kLanes>(words, k, live));
  }
  if (flagged != 0) return false;
  sum = _mm512_reduce_add_epi64(total);
  return true;
}
#pragma GCC diagnostic pop
}  // namespace blockcounts
#endif

inline int64_t Block::SumCountsInWindow(const int32_t* d, int32_t n) const {
  int64_t sum = 0;
  int32_t t = 0;
#if BRUNSK_WIDE_FLOORS
  static_assert(sizeof(WordCount) == 8, "a count word is gathered as one 64-bit value");
  if (batchfloor::Wide8()) {
    t = n & ~7;
    sum = bitops::laneCounts ? blockcounts::Sum8Wide<true>(counts_.data(), d, t)
                             : blockcounts::Sum8Wide<false>(counts_.data(), d, t);
  }
#endif
  for (; t < n; ++t) sum += CountInWindow(d[t]);
  return sum;
}

inline bool Block::SumCountsOfQuotients(double X, const double* inv, double lo, int32_t n, int64_t& sum) const {
#if BRUNSK_WIDE_FLOORS
  if (batchfloor::Wide8()) {
    assert(OffsetsFit(X, inv, lo, n));
    return bitops::laneCounts ? blockcounts::SumQuotientCounts8<true>(counts_.data(), X, inv, lo, n, sum)
                              : blockcounts::SumQuotientCounts8<false>(counts_.data(), X, inv, lo, n, sum);
  }
#endif
  (void)X, (void)inv, (void)lo, (void)n, (void)sum;
  return false;
}

inline int32_t Block::CountUpToInt(int32_t d) const {
  if (d <= 0) return 0;
  if (d > 2 * count_) d = 2 * count_;  // nothing lies beyond the window
  return CountInWindow(d);
}

inline double Block::CountUpTo(int32_t d) const { return static_cast<double>(CountUpToInt(d)); }

inline int32_t Block::NextUnstruck(int32_t i) const {
  return bitops::NextClearBit(bits_.data(), i, count_);
}

inline int32_t Block::PreviousUnstruck(int32_t i) const {
  if (i >= count_) i = count_ - 1;
  if (i < 0) return -1;
  int32_t w = i >> 5;
  uint32_t free = ~bits_[w] << (31 - (i & 31));
  if (free != 0) return i - __builtin_clz(free);
  while (--w >= 0) {
    free = ~bits_[w];
    if (free != 0) return (w << 5) + 31 - __builtin_clz(free);
  }
  return -1;
}

inline int Block::Next() {
  pos_ = NextUnstruck(pos_ + 1);
  if (pos_ >= count_) return 0;
  rank_ += 1.0;
  return 1;
}

inline int Block::Previous() {
  pos_ = PreviousUnstruck(pos_ - 1);
  if (pos_ < 0) return 0;
  rank_ -= 1.0;
  return 1;
}

inline double Block::Current() const { return 1.0 + lo_ + 2.0 * pos_; }
