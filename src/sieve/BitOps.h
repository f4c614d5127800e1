#pragma once
// Word-level helpers of the bit sieves: population counts and the striking of
// an arithmetic progression of entries.
#include <cstdint>
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#include <immintrin.h>
#define BRUNSK_BYTE_COUNTS 1
#else
#define BRUNSK_BYTE_COUNTS 0
#endif

namespace bitops {

#if BRUNSK_BYTE_COUNTS
// The number of set bits of each byte of w, from a table of nibbles: the
// loops of eight lanes of the AVX-512 copy (the vector population count is
// not part of every AVX-512 processor). Their lanes are summed with
// _mm512_sad_epu8 against zero.
__attribute__((target("avx512f,avx512bw"))) inline __m512i PopCountBytes(__m512i w) {
  alignas(64) static constexpr uint8_t kNibbleBits[64] = {
      0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
      0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
  const __m512i nibbles = _mm512_load_si512(kNibbleBits);
  const __m512i low4 = _mm512_set1_epi8(0x0F);
  return _mm512_add_epi8(_mm512_shuffle_epi8(nibbles, _mm512_and_si512(w, low4)),
                         _mm512_shuffle_epi8(nibbles, _mm512_and_si512(_mm512_srli_epi16(w, 4), low4)));
}

// The number of set bits of each 64-bit lane of w by the processor's vector
// population count, on the AVX-512 processors that have it (laneCounts):
// one instruction where the table of nibbles and the sum of bytes take
// eight. It is written as the instruction itself, so that the loops around
// it keep the target of every AVX-512 processor and none of their other
// instructions can need the extension.
__attribute__((target("avx512f"), always_inline)) inline __m512i PopCountLanes(__m512i w) {
  __m512i r;
  __asm__("vpopcntq %1, %0" : "=v"(r) : "v"(w));
  return r;
}

inline bool ProcessorCountsLanes() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512vpopcntdq");
}

// The loops of eight lanes count with PopCountLanes rather than
// PopCountBytes: set once at start-up from the processor; the tests turn it
// off to run the other way on the same processor. Both ways give the same
// counts.
inline bool laneCounts = ProcessorCountsLanes();
#endif

// Number of set bits of w: the processor's instruction when the build allows
// it, a branch-free count otherwise (cheaper than the library call; the
// compiled copies for newer processors turn it into the instruction).
inline int32_t PopCount64(uint64_t w) {
#if defined(__POPCNT__)
  return __builtin_popcountll(w);
#else
  w = w - ((w >> 1) & 0x5555555555555555ull);
  w = (w & 0x3333333333333333ull) + ((w >> 2) & 0x3333333333333333ull);
  w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return static_cast<int32_t>((w * 0x0101010101010101ull) >> 56);
#endif
}

inline int PopCount32(uint32_t w) { return PopCount64(w); }

// Index of the first clear bit at or after i among the first count bits of
// words, or count when every one of them is set.
inline int32_t NextClearBit(const uint32_t* words, int32_t i, int32_t count) {
  if (i < 0) i = 0;
  if (i >= count) return count;
  int32_t w = i >> 5;
  uint32_t free = ~words[w] >> (i & 31);
  if (free != 0) {
    i += __builtin_ctz(free);
    return i < count ? i : count;
  }
  const int32_t lastWord = (count - 1) >> 5;
  while (++w <= lastWord) {
    free = ~words[w];
    if (free != 0) {
      i = (w << 5) + __builtin_ctz(free);
      return i < count ? i : count;
    }
  }
  return count;
}

// Bits 0, step, 2 step, ... of a 64-bit word, for the steps below 32.
struct StepPatterns {
  uint64_t mask[32];
  constexpr StepPatterns() : mask() {
    for (int p = 1; p < 32; ++p) {
      uint64_t m = 0;
      for (int b = 0; b < 64; b += p) m |= uint64_t{1} << b;
      mask[p] = m;
    }
  }
};
inline constexpr StepPatterns kStepPatterns{};

// For an odd step p below 32, the p words of one period of the progression
// 0, p, 2p, ...: word k has bit b set when 32 k + b is a multiple of p (32 p
// bits make a whole number of steps).
struct StepWords {
  uint32_t word[32][32];
  constexpr StepWords() : word() {
    for (int p = 3; p < 32; p += 2)
      for (int k = 0; k < p; ++k) {
        uint32_t w = 0;
        for (int b = 0; b < 32; ++b)
          if ((32 * k + b) % p == 0) w |= uint32_t{1} << b;
        word[p][k] = w;
      }
  }
};
inline constexpr StepWords kStepWords{};

// Odd steps 3 .. 31: whole words ORed from the period table, a run of p
// words at a time (a plain array OR that the compiler vectorises).
__attribute__((always_inline)) inline void StrikeOddSmallStep(uint32_t* bits, int64_t i, int64_t p, int64_t count) {
  const uint32_t* const period = kStepWords.word[p];
  const int64_t last = (count - 1) >> 5;
  int64_t w = i >> 5;
  // Word w takes period[(w + c) % p], c being the phase with 32 c + i = 0 (mod p).
  const int64_t r = i % p;
  int64_t c = 0;
  while ((32 * c + r) % p != 0) ++c;
  int64_t k = (w + c) % p;
  bits[w] |= period[k] & (~0u << (i & 31));  // nothing below i
  ++w;
  if (++k == p) k = 0;
  for (; k != 0 && w <= last; ++w) {
    bits[w] |= period[k];
    if (++k == p) k = 0;
  }
  for (; w + p <= last + 1; w += p)
    for (int64_t j = 0; j < p; ++j) bits[w + j] |= period[j];
  for (int64_t j = 0; w <= last; ++w, ++j) bits[w] |= period[j];
}

// Sets bits i, i + step, i + 2 step, ... below count. Steps below 32 are
// struck a word at a time from a shifted pattern; the last word may then get
// bits at or beyond count, which the sieves never read as entries.
__attribute__((always_inline)) inline void StrikeProgression(uint32_t* bits, int64_t i, int64_t step, int64_t count) {
  if (i >= count) return;
  if (step >= 32) {
    for (; i < count; i += step) bits[i >> 5] |= 1u << (i & 31);
    return;
  }
  if ((step & 1) != 0 && step >= 3) {
    StrikeOddSmallStep(bits, i, step, count);
    return;
  }
  const uint64_t pattern = kStepPatterns.mask[step];
  const int64_t p = step;
  const int64_t advance = p - 32 % p;  // moves the first strike of a word to the next word
  int64_t w = i >> 5;
  const int64_t last = (count - 1) >> 5;
  int64_t s = i & 31;
  bits[w] |= static_cast<uint32_t>(pattern << s);
  s = ((s - 32) % p + p) % p;
  while (++w <= last) {
    bits[w] |= static_cast<uint32_t>(pattern << s);
    s += advance;
    if (s >= p) s -= p;
  }
}

// Steps below 32 gathered for one pass over the words (at most one per step).
struct SmallSteps {
  static constexpr int kMax = 16;
  int64_t first[kMax];
  int64_t step[kMax];
  int n = 0;
  void Add(int64_t i, int64_t p) {
    first[n] = i;
    step[n] = p;
    ++n;
  }
};

// Sets the bits of every progression of steps (all below 32) below count,
// one step after the other: the odd ones from their period tables. As in
// StrikeProgression, the last word may get bits at or beyond count.
__attribute__((always_inline)) inline void StrikeSmallSteps(uint32_t* bits, const SmallSteps& steps, int64_t count) {
  for (int t = 0; t < steps.n; ++t) StrikeProgression(bits, steps.first[t], steps.step[t], count);
}

}  // namespace bitops
