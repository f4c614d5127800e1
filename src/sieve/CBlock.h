#pragma once
// Sieve window of the odd integers of (lo, hi] with a count per chunk: strike
// the multiples of the odd primes one after another, in increasing order from
// 3 on without leaving one out, and ask at any moment how many odd integers
// of (lo, lo + d] are still unstruck. A prime p strikes its multiples from p^2
// on, so p itself is never struck.
//
// The bits hold only the integers prime to 30, eight per 30 integers: byte i
// stands for base + 30 i + 1, 7, 11, 13, 17, 19, 23, 29, with base the
// multiple of 30 at or below lo. The multiples of 7, 11 and 13 come struck
// from a pattern at each Reset; until 13 is struck, the counts are taken from
// the residues instead of the bits.
#include <cstdint>

#include "arith/BatchFloor.h"
#include "base/Buffer.h"
#include "sieve/BitOps.h"
#if BRUNSK_WIDE_FLOORS
#include <immintrin.h>
#endif

class CBlock {
 public:
  explicit CBlock(int32_t n);     // room for windows of up to n integers
  ~CBlock() = default;
  CBlock(const CBlock&) = delete;
  CBlock& operator=(const CBlock&) = delete;

  void Reset(double a, double b);  // the odd integers of (a, b], all unstruck
  void RemoveMultiples(double p);
  // Any order of queries; between two strikes their cost is that of the
  // prefix of chunk counts up to the highest chunk asked for, once, plus at
  // most 4 words per query.
  int32_t CountUpTo(int32_t d) const;
  // In the AVX-512 copy, once the wheel primes are struck and none lies in
  // the window: the sum of weight[t] CountUpTo(d[t]) over t < n, eight
  // queries at a time, into sum. False, with sum untouched, otherwise.
  bool SumWeightedCounts(const int32_t* d, const int32_t* weight, int32_t n, int64_t& sum) const;
  static double MemorySize(int32_t n);

  double Lo() const;
  double Hi() const;
  int32_t Positions() const;  // odd integers in the window

  // A chunk is 256 bits, half a cache line: 32 bytes of 30 integers each.
  static constexpr int32_t kChunkShift = 8;
  // The odd primes whose multiples the bits never hold (3, 5) or hold struck
  // from the start (7, 11, 13).
  static constexpr int32_t kWheelPrimes = 5;

 private:
  // The bodies of the hot functions, one text for every copy of the hot
  // loops (arith/HotPath.h).
  void ResetBody(double a, double b);
  void ExtendBelowBody(int32_t chunk) const;
  void RemoveMultiplesBody(double p);
  void StrikePatternBody(int32_t p, double first);
  void StrikeProgressionsBody(double p, double first);

  int32_t CountFromResidues(int32_t d) const;
  int32_t WheelPrimesUpTo(int32_t d) const;
  void ExtendBelow(int32_t chunk) const;
  void StrikePattern(int32_t p, double square);
  void StrikeProgressions(double p, double first);

  double length_;
  int32_t capacity_;          // odd integers a window may hold
  Buffer<uint64_t> bitmap_;   // a set bit is struck (or outside the window); whole chunks
  Buffer<int32_t> unstruck_;  // unstruck bits of each chunk
  int32_t total_;             // unstruck bits of the window
  // below_[c]: unstruck bits of the chunks before c, for c <= valid_; filled
  // on demand by the queries after each strike.
  mutable Buffer<int32_t> below_;
  mutable int32_t valid_;
  double lo_, hi_, base_;
  int32_t positions_;  // odd integers of the window
  int32_t shift_;      // lo - base
  int32_t bytes_;      // bytes of the window: base + 30 bytes_ >= hi
  uint32_t top_;       // bits of the integers of (base, hi]
  int32_t stage_;      // wheel primes struck so far, kWheelPrimes once the bits count
  bool nearZero_;      // some wheel prime lies in the window
  int32_t wheelOffset_[kWheelPrimes];  // q - lo for a wheel prime q in (lo, hi], else above any d
  int32_t residue_[kWheelPrimes];      // lo modulo the product of 2 and the wheel primes of each stage
#ifndef NDEBUG
  double lastStruck_ = 0.0;  // the primes of a window are struck in increasing order
#endif
};

namespace cblock {
// kAtMost30[r]: integers of 1 .. r prime to 30, for r below 30.
inline constexpr uint8_t kAtMost30[30] = {0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 4, 4,
                                          4, 4, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 8};
}  // namespace cblock

__attribute__((always_inline)) inline int32_t CBlock::CountUpTo(int32_t d) const {
  if (d <= 0) return 0;
  if (stage_ < kWheelPrimes) return CountFromResidues(d);
  const int32_t fix = nearZero_ ? WheelPrimesUpTo(d) : 0;
  // q bits stand for the integers of (base, lo + d].
  const uint32_t e = static_cast<uint32_t>(d) + static_cast<uint32_t>(shift_);
  const uint32_t q = 8u * (e / 30u) + cblock::kAtMost30[e % 30u];
  if (q >= top_) return total_ + fix;
  const int32_t c = static_cast<int32_t>(q >> kChunkShift);
  if (c > valid_) ExtendBelow(c);
  // Bits of chunk c below q: the words before q's word under masks of all or
  // nothing, so that no branch depends on q, and q's word in part.
  const int32_t r = static_cast<int32_t>(q & ((1u << kChunkShift) - 1u));
  const uint64_t* w = bitmap_.data() + (static_cast<int64_t>(c) << (kChunkShift - 6));
  const int32_t full = r >> 6;
  int32_t struck = bitops::PopCount64(w[full] & ((uint64_t{1} << (r & 63)) - 1u));
  for (int32_t t = 0; t < (1 << (kChunkShift - 6)) - 1; ++t)
    struck += bitops::PopCount64(w[t] & (uint64_t{0} - static_cast<uint64_t>(t < full)));
  return below_[c] + r - struck + fix;
}

#if BRUNSK_WIDE_FLOORS
namespace cblock {
// Eight queries at a time, each as CountUpTo computes it: the bit q of the
// position (e = d + shift, q = 8 floor(e / 30) + kAtMost30[e mod 30], the
// quotient taken in doubles, exact for e below 2^31), the chunk's count
// gathered, and the struck bits of the chunk below q from the words before
// q's word and the part of q's word, each gathered only where needed and
// counted bytewise from a table of nibbles.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// kLanes: the struck bits counted by the vector population count
// (bitops::laneCounts), else bytewise.
template <bool kLanes>
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline int64_t SumWeighted8(
    const uint64_t* bitmap, const int32_t* below, const int32_t* d, const int32_t* weight, int32_t n,
    int32_t shift, uint32_t top, int32_t total) {
  alignas(64) static constexpr int32_t kBits[32] = {0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 4, 4, 4,
                                                    4, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 8, 0, 0};
  const __m512i bitsLow = _mm512_load_si512(kBits), bitsHigh = _mm512_load_si512(kBits + 16);
  const __m256i zero = _mm256_setzero_si256();
  const __m512i one64 = _mm512_set1_epi64(1);
  __m512i sum = _mm512_setzero_si512();
  for (int32_t t = 0; t < n; t += 8) {
    const __mmask8 live = n - t >= 8 ? 0xFF : static_cast<__mmask8>((1u << (n - t)) - 1u);
    const __m256i dv = _mm256_maskz_loadu_epi32(live, d + t);
    const __m256i wv = _mm256_maskz_loadu_epi32(live, weight + t);
    const __mmask8 positive = _mm256_cmpgt_epi32_mask(dv, zero) & live;
    const __m256i e = _mm256_add_epi32(dv, _mm256_set1_epi32(shift));
    const __m512d ed = _mm512_add_pd(_mm512_cvtepi32_pd(e), _mm512_set1_pd(0.5));
    const __m256i k = _mm512_cvttpd_epi32(_mm512_mul_pd(ed, _mm512_set1_pd(1.0 / 30.0)));
    const __m256i rem = _mm256_sub_epi32(e, _mm256_mullo_epi32(k, _mm256_set1_epi32(30)));
    const __m256i inByte =
        _mm512_castsi512_si256(_mm512_permutex2var_epi32(bitsLow, _mm512_zextsi256_si512(rem), bitsHigh));
    const __m256i q = _mm256_add_epi32(_mm256_slli_epi32(k, 3), inByte);
    const __mmask8 inside = positive & _mm256_cmplt_epu32_mask(q, _mm256_set1_epi32(static_cast<int32_t>(top)));
    const __m256i c = _mm256_srli_epi32(q, CBlock::kChunkShift);
    const __m256i r = _mm256_and_si256(q, _mm256_set1_epi32(255));
    const __m256i full = _mm256_srli_epi32(r, 6);
    const __m256i first = _mm256_slli_epi32(c, 2);
    // In the first half of the chunk the count runs from the chunk's start,
    // in the second half back from its end (the count of the next chunk):
    // either way through q's word and at most one whole word.
    const __mmask8 fromEnd = _mm256_cmpgt_epi32_mask(full, _mm256_set1_epi32(1));
    const __m256i chunk = _mm256_mask_add_epi32(c, fromEnd, c, _mm256_set1_epi32(1));
    const __m256i before = _mm256_mmask_i32gather_epi32(zero, inside, chunk, below, 4);
    const __m512i part = _mm512_mask_i32gather_epi64(_mm512_setzero_si512(), inside, _mm256_add_epi32(first, full),
                                                     bitmap, 8);
    const __m512i partMask =
        _mm512_sub_epi64(_mm512_sllv_epi64(one64, _mm512_cvtepu32_epi64(_mm256_and_si256(r, _mm256_set1_epi32(63)))),
                         one64);
    const __mmask8 fromEnd64 = fromEnd;
    const __m512i partStruck = _mm512_mask_andnot_epi64(_mm512_and_si512(part, partMask), fromEnd64, partMask, part);
    // The whole word: word 0 below q's word 1, word 3 above q's word 2.
    const __mmask8 oneWhole =
        inside & (_mm256_cmpeq_epi32_mask(full, _mm256_set1_epi32(1)) | _mm256_cmpeq_epi32_mask(full, _mm256_set1_epi32(2)));
    const __m256i wholeIndex = _mm256_mask_add_epi32(first, fromEnd, first, _mm256_set1_epi32(3));
    const __m512i whole = _mm512_mask_i32gather_epi64(_mm512_setzero_si512(), oneWhole, wholeIndex, bitmap, 8);
    const __m512i struck =
        kLanes ? _mm512_add_epi64(bitops::PopCountLanes(partStruck), bitops::PopCountLanes(whole))
               : _mm512_sad_epu8(_mm512_add_epi8(bitops::PopCountBytes(partStruck), bitops::PopCountBytes(whole)),
                                 _mm512_setzero_si512());
    // From the start: before + r - struck; from the end: before - (256 - r) + struck.
    const __m512i fromStart = _mm512_sub_epi64(_mm512_cvtepi32_epi64(_mm256_add_epi32(before, r)), struck);
    const __m512i back = _mm512_add_epi64(
        _mm512_cvtepi32_epi64(_mm256_sub_epi32(before, _mm256_sub_epi32(_mm256_set1_epi32(256), r))), struck);
    __m512i count = _mm512_mask_mov_epi64(fromStart, fromEnd64, back);
    count = _mm512_mask_mov_epi64(count, positive & ~inside, _mm512_set1_epi64(total));
    count = _mm512_maskz_mov_epi64(positive, count);
    sum = _mm512_add_epi64(sum, _mm512_mullo_epi64(count, _mm512_cvtepi32_epi64(wv)));
  }
  return _mm512_reduce_add_epi64(sum);
}

// The largest of d[0 .. n - 1] and 0, sixteen at a time.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline int32_t Largest16(const int32_t* d, int32_t n) {
  __m512i most = _mm512_setzero_si512();
  for (int32_t t = 0; t < n; t += 16) {
    const __mmask16 live = n - t >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << (n - t)) - 1u);
    most = _mm512_max_epi32(most, _mm512_maskz_loadu_epi32(live, d + t));
  }
  return _mm512_reduce_max_epi32(most);
}
#pragma GCC diagnostic pop
}  // namespace cblock
#endif

inline bool CBlock::SumWeightedCounts(const int32_t* d, const int32_t* weight, int32_t n, int64_t& sum) const {
#if BRUNSK_WIDE_FLOORS
  if (batchfloor::Wide8() && stage_ == kWheelPrimes && !nearZero_) {
    // The prefix of the chunk counts reaches the chunk of the largest
    // position in the window (the counts grow with d).
    const int32_t most = cblock::Largest16(d, n);
    if (most > 0 && top_ > 0) {
      const uint32_t e = static_cast<uint32_t>(most) + static_cast<uint32_t>(shift_);
      uint32_t q = 8u * (e / 30u) + cblock::kAtMost30[e % 30u];
      if (q >= top_) q = top_ - 1;
      // The count of the next chunk too: a query in the second half of its
      // chunk counts back from there.
      const int32_t c = static_cast<int32_t>(q >> kChunkShift) + 1;
      if (c > valid_) ExtendBelow(c);
    }
    sum = bitops::laneCounts ? cblock::SumWeighted8<true>(bitmap_.data(), below_.data(), d, weight, n, shift_, top_, total_)
                             : cblock::SumWeighted8<false>(bitmap_.data(), below_.data(), d, weight, n, shift_, top_, total_);
    return true;
  }
#endif
  (void)d, (void)weight, (void)n, (void)sum;
  return false;
}
