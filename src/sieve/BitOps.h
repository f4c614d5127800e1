#pragma once
// Word-level helpers of the bit sieves: population counts and the striking of
// an arithmetic progression of entries.
#include <cstdint>

namespace bitops {

// Number of set bits of w: the processor's instruction when the build allows
// it, a branch-free count otherwise (cheaper than the library call).
inline int PopCount32(uint32_t w) {
#if defined(__POPCNT__)
  return __builtin_popcount(w);
#else
  w = w - ((w >> 1) & 0x55555555u);
  w = (w & 0x33333333u) + ((w >> 2) & 0x33333333u);
  w = (w + (w >> 4)) & 0x0F0F0F0Fu;
  return static_cast<int>((w * 0x01010101u) >> 24);
#endif
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

// Sets bits i, i + step, i + 2 step, ... below count. Steps below 32 are
// struck a word at a time from a shifted pattern; the last word may then get
// bits at or beyond count, which the sieves never read as entries.
inline void StrikeProgression(uint32_t* bits, int64_t i, int64_t step, int64_t count) {
  if (i >= count) return;
  if (step >= 32) {
    for (; i < count; i += step) bits[i >> 5] |= 1u << (i & 31);
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

// Sets the bits of every progression of steps (all below 32) below count in
// one pass: each word takes the shifted patterns of all the steps at once.
// As in StrikeProgression, the last word may get bits at or beyond count.
inline void StrikeSmallSteps(uint32_t* bits, const SmallSteps& steps, int64_t count) {
  const int n = steps.n;
  if (n == 0 || count <= 0) return;
  // Below the first word that every progression has reached, bit by bit.
  int64_t w0 = 0;
  for (int t = 0; t < n; ++t) {
    const int64_t w = (steps.first[t] >> 5) + 1;
    if (w > w0) w0 = w;
  }
  const int64_t last = (count - 1) >> 5;
  uint64_t pattern[SmallSteps::kMax];
  uint32_t offset[SmallSteps::kMax], advance[SmallSteps::kMax], period[SmallSteps::kMax];
  for (int t = 0; t < n; ++t) {
    const int64_t p = steps.step[t];
    int64_t i = steps.first[t];
    for (; i < (w0 << 5) && i < count; i += p) bits[i >> 5] |= 1u << (i & 31);
    if (i >= (w0 << 5)) {
      offset[t] = static_cast<uint32_t>(i - (w0 << 5));  // below p
    } else {
      offset[t] = 0;  // past count, so count < 32 w0 and the pass below is empty
    }
    pattern[t] = kStepPatterns.mask[p];
    period[t] = static_cast<uint32_t>(p);
    advance[t] = static_cast<uint32_t>(p - 32 % p);  // moves a word's first strike to the next word
  }
  for (int64_t w = w0; w <= last; ++w) {
    uint32_t acc = 0;
    for (int t = 0; t < n; ++t) {
      acc |= static_cast<uint32_t>(pattern[t] << offset[t]);
      uint32_t s = offset[t] + advance[t];
      offset[t] = s >= period[t] ? s - period[t] : s;
    }
    bits[w] |= acc;
  }
}

}  // namespace bitops
