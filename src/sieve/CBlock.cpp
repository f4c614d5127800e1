#include "sieve/CBlock.h"

// Why the bits hold only the integers prime to 30: a window then takes 8 bits
// per 30 integers instead of 15, so that a window of D at 10^18 (about 10^6
// integers) fits the first-level cache; the multiples of 3 and 5 are never
// struck, and a prime p >= 7 strikes 8 of every 30 p integers instead of 15.
// The multiples of 7, 11 and 13 are copied from a pattern of 1001 bytes
// (7 * 11 * 13 * 30 integers) at each Reset; the primes below 64 are struck a word
// at a time from patterns of p bytes, the larger ones a byte at a time along
// the eight residues of their cofactor modulo 30.
//
// Why counts per chunk of 256 bits: a strike changes one count, and the
// leaves of one prime, asked one after another between two strikes, share
// one prefix of those counts, summed once up to the highest chunk they reach;
// each query then adds the bits of at most 4 words. The counts and their
// prefix take 8 bytes per 32 bytes of bits. With 8 bits per 30 integers a
// chunk of 256 bits (960 integers) measured 5 to 10 % faster in D at 10^17
// than one of 512, and the same as one of 128 (bench/README.md).

#include <cassert>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/BitOps.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the patterns are read as words of 8 bytes");

namespace {

// Largest n accepted by the constructor: keeps the odd integers of a window
// at or below 2^30 so that offsets, bits and counts stay 32-bit values.
constexpr int32_t kMaxLength = 2147483644;

// The integers prime to 30 in (0, 30], one bit each in this order.
constexpr int32_t kResidues[8] = {1, 7, 11, 13, 17, 19, 23, 29};
constexpr int32_t kBitOf[30] = {-1, 0, -1, -1, -1, -1, -1, 1, -1, -1, -1, 2, -1, 3, -1,
                                -1, -1, 4, -1, 5, -1, -1, -1, 6, -1, -1, -1, -1, -1, 7};
constexpr int32_t kWheel[CBlock::kWheelPrimes] = {3, 5, 7, 11, 13};

// The primes above the wheel's and below this bound strike from patterns.
constexpr int32_t kPatternLimit = 64;
constexpr int32_t kPresieve = 7 * 11 * 13;

// Bytes of a chunk.
constexpr int32_t kByteShift = CBlock::kChunkShift - 3;
constexpr int32_t kChunkBytes = 1 << kByteShift;

// Before the bits count, stage s (wheel primes struck so far) counts the
// integers prime to the modulus 2 kWheel[0] ... kWheel[s - 1], with phi of
// it per period and the counts of each residue in kAtMost starting at
// kFirst[s].
constexpr int32_t kModulus[CBlock::kWheelPrimes] = {2, 6, 30, 210, 2310};
constexpr int32_t kPhi[CBlock::kWheelPrimes] = {1, 2, 8, 48, 480};
constexpr int32_t kFirst[CBlock::kWheelPrimes] = {0, 2, 8, 38, 248};

struct Tables {
  // kAtMost[kFirst[s] + r]: integers of 1 .. r prime to kModulus[s].
  uint16_t atMost[2 + 6 + 30 + 210 + 2310];
  // pattern[p][g]: bit j set when p divides 30 g + kResidues[j], for the
  // primes p below kPatternLimit and g below p + 64 (a word, or the 64
  // bytes of two chunks, read from any g below p stays inside).
  uint8_t pattern[kPatternLimit][kPatternLimit + 64];
  // The same for the multiples of 7, 11 and 13 over one period.
  uint8_t presieve[kPresieve];

  constexpr Tables() : atMost(), pattern(), presieve() {
    for (int32_t s = 0; s < CBlock::kWheelPrimes; ++s) {
      int32_t count = 0;
      for (int32_t r = 0; r < kModulus[s]; ++r) {
        bool prime = r > 0 && r % 2 != 0;
        for (int32_t j = 0; j < s; ++j) prime = prime && r % kWheel[j] != 0;
        count += prime ? 1 : 0;
        atMost[kFirst[s] + r] = static_cast<uint16_t>(count);
      }
    }
    for (int32_t p = 17; p < kPatternLimit; p += 2)
      for (int32_t g = 0; g < p + 64; ++g)
        for (int32_t j = 0; j < 8; ++j)
          if ((30 * g + kResidues[j]) % p == 0) pattern[p][g] |= static_cast<uint8_t>(1 << j);
    for (int32_t g = 0; g < kPresieve; ++g)
      for (int32_t j = 0; j < 8; ++j) {
        const int32_t n = 30 * g + kResidues[j];
        if (n % 7 == 0 || n % 11 == 0 || n % 13 == 0) presieve[g] |= static_cast<uint8_t>(1 << j);
      }
  }
};
constexpr Tables kTables{};

// Bytes of bits a window of up to `odd` odd integers may take.
int64_t MaxBytes(int64_t odd) { return (2 * odd + 28 + 29) / 30; }

}  // namespace

CBlock::CBlock(int32_t n) {
  if (n < 256) n = 256;
  if (n > kMaxLength) n = kMaxLength;
  length_ = DoubleFloor(static_cast<double>(n)) + 1.0;
  capacity_ = static_cast<int32_t>(DoubleFloor(length_ * 0.5)) + 1;
  const int64_t chunks = (MaxBytes(capacity_) + kChunkBytes - 1) >> kByteShift;
  bitmap_ = Buffer<uint64_t>::Zeroed(chunks << (kChunkShift - 6));
  unstruck_ = Buffer<int32_t>::Zeroed(chunks);
  below_ = Buffer<int32_t>::Zeroed(chunks + 1);
  valid_ = 0;
  total_ = 0;
  lo_ = hi_ = base_ = 0.0;
  positions_ = shift_ = bytes_ = stage_ = 0;
  top_ = 0;
  nearZero_ = false;
  for (int32_t j = 0; j < kWheelPrimes; ++j) wheelOffset_[j] = residue_[j] = 0;
}

double CBlock::Lo() const { return lo_; }
double CBlock::Hi() const { return hi_; }
int32_t CBlock::Positions() const { return positions_; }

BRUNSK_HOT_BODY void CBlock::ResetBody(double a, double b) {
  double u = 2.0 * DoubleFloor(a * 0.5);
  lo_ = (a - u >= 1.0) ? u + 2.0 : u;
  double v = 2.0 * DoubleFloor(b * 0.5);
  hi_ = (b - v >= 1.0) ? v + 2.0 : v;

#ifndef NDEBUG
  lastStruck_ = 0.0;
#endif
  double half = (hi_ - lo_) * 0.5;
  if (half > capacity_) {
    ReportFault(msg::CBlockReset());
    positions_ = capacity_;  // the window is cut to what the arrays hold
    hi_ = lo_ + 2.0 * positions_;
  } else if (half < 1.0) {
    positions_ = 0;
  } else {
    positions_ = static_cast<int32_t>(half);
  }

  shift_ = static_cast<int32_t>(std::fmod(lo_, 30.0));
  base_ = lo_ - shift_;
  const int32_t span = 2 * positions_;
  bytes_ = positions_ == 0 ? 0 : (span + shift_ + 29) / 30;
  top_ = 8u * static_cast<uint32_t>((span + shift_) / 30) + cblock::kAtMost30[(span + shift_) % 30];
  const int32_t chunks = (bytes_ + kChunkBytes - 1) >> kByteShift;
  const int32_t filled = chunks << kByteShift;

  // The multiples of 7, 11 and 13, from the pattern's byte of base on; bytes
  // past the window are all struck.
  uint8_t* const bytes = reinterpret_cast<uint8_t*>(bitmap_.data());
  int32_t from = static_cast<int32_t>(std::fmod(base_ / 30.0, static_cast<double>(kPresieve)));
  for (int32_t i = 0; i < bytes_;) {
    const int32_t run = kPresieve - from < bytes_ - i ? kPresieve - from : bytes_ - i;
    memcpy(bytes + i, kTables.presieve + from, run);
    i += run;
    from = 0;
  }
  if (filled > bytes_) memset(bytes + bytes_, 0xFF, filled - bytes_);
  if (bytes_ > 0) {
    // The integers of the first byte up to lo, and of the last above hi.
    bytes[0] |= static_cast<uint8_t>((1u << cblock::kAtMost30[shift_]) - 1u);
    const int32_t top = span + shift_ - 30 * (bytes_ - 1);  // 1 .. 30
    if (top < 29) bytes[bytes_ - 1] |= static_cast<uint8_t>(0xFFu << cblock::kAtMost30[top]);
  }

  const uint64_t* const words = bitmap_.data();
  total_ = 0;
  for (int32_t c = 0; c < chunks; ++c) {
    int32_t struck = 0;
    for (int32_t t = 0; t < (1 << (kChunkShift - 6)); ++t)
      struck += bitops::PopCount64(words[(c << (kChunkShift - 6)) + t]);
    unstruck_[c] = (1 << kChunkShift) - struck;
    total_ += unstruck_[c];
  }
  valid_ = 0;
  below_[0] = 0;

  stage_ = 0;
  nearZero_ = false;
  for (int32_t j = 0; j < kWheelPrimes; ++j) {
    const double q = kWheel[j];
    const bool inside = q > lo_ && q <= hi_;
    wheelOffset_[j] = inside ? static_cast<int32_t>(q - lo_) : INT32_MAX;
    nearZero_ = nearZero_ || inside;
    residue_[j] = static_cast<int32_t>(std::fmod(lo_, static_cast<double>(kModulus[j])));
  }
}

void CBlock::Reset(double a, double b) {
  BRUNSK_HOT_DISPATCH(ResetBody(a, b));
}

int32_t CBlock::WheelPrimesUpTo(int32_t d) const {
  int32_t n = 0;
  for (int32_t j = 0; j < kWheelPrimes; ++j) n += static_cast<int32_t>(d >= wheelOffset_[j]);
  return n;
}

int32_t CBlock::CountFromResidues(int32_t d) const {
  // The integers of (lo, lo + d] prime to the modulus of the stage, and the
  // wheel primes struck so far among them, which stay unstruck.
  if (d > 2 * positions_) d = 2 * positions_;
  const int32_t s = stage_;
  const int64_t modulus = kModulus[s];
  const uint16_t* const atMost = kTables.atMost + kFirst[s];
  const int64_t e = static_cast<int64_t>(residue_[s]) + d;
  int32_t n = static_cast<int32_t>((e / modulus) * kPhi[s]) + atMost[e % modulus] - atMost[residue_[s]];
  if (nearZero_)
    for (int32_t j = 0; j < s; ++j) n += static_cast<int32_t>(d >= wheelOffset_[j]);
  return n;
}

#if BRUNSK_WIDE_FLOORS
namespace {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// The prefix of the chunk counts sixteen chunks at a time (the AVX-512
// copy): the running sums within a group by four shifted additions, then
// the total below the group added to all sixteen. From below[c] on, up to
// the last whole group below chunk; returns the chunk it stopped at.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline int32_t ExtendBelow16(
    const int32_t* unstruck, int32_t* below, int32_t c, int32_t chunk) {
  const __m512i zero = _mm512_setzero_si512(), top = _mm512_set1_epi32(15);
  __m512i carry = _mm512_set1_epi32(below[c]);
  for (; c + 16 <= chunk; c += 16) {
    __m512i v = _mm512_loadu_si512(unstruck + c);
    v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 15));
    v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 14));
    v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 12));
    v = _mm512_add_epi32(v, _mm512_alignr_epi32(v, zero, 8));
    _mm512_storeu_si512(below + c + 1, _mm512_add_epi32(v, carry));
    carry = _mm512_add_epi32(carry, _mm512_permutexvar_epi32(top, v));  // the only chain: one addition
  }
  return c;
}

// The strikes of a pattern two chunks (64 bytes) at a time, on processors
// with the vector population count: the bits newly struck in each of the
// eight words counted at once, and each chunk's four words summed by two
// exchanges within its half. From chunk c on, while two chunks remain before
// chunks; g is the pattern's byte for chunk c and moves on with it. Returns
// the chunk it stopped at, with the count of the bits struck added to fresh.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq"))) inline int32_t StrikePattern2Chunks(
    const uint8_t* pattern, int32_t p, int32_t& g, uint64_t* bits, int32_t* unstruck, int32_t c, int32_t chunks,
    int32_t& fresh) {
  for (; c + 2 <= chunks; c += 2) {
    uint64_t* const w = bits + (static_cast<int64_t>(c) << (CBlock::kChunkShift - 6));
    const __m512i strike = _mm512_loadu_si512(pattern + g);
    const __m512i old = _mm512_loadu_si512(w);
    __m512i f = bitops::PopCountLanes(_mm512_andnot_si512(old, strike));
    f = _mm512_add_epi64(f, _mm512_permutex_epi64(f, 0xB1));  // lanes 2i and 2i + 1 exchanged
    f = _mm512_add_epi64(f, _mm512_permutex_epi64(f, 0x4E));  // pairs exchanged within each half
    _mm512_storeu_si512(w, _mm512_or_si512(old, strike));
    const int32_t f0 = static_cast<int32_t>(_mm_cvtsi128_si64(_mm512_castsi512_si128(f)));
    const int32_t f1 = static_cast<int32_t>(_mm_cvtsi128_si64(_mm512_extracti64x2_epi64(f, 2)));
    unstruck[c] -= f0;
    unstruck[c + 1] -= f1;
    fresh += f0 + f1;
    g += 2 * kChunkBytes;
    while (g >= p) g -= p;
  }
  return c;
}
#pragma GCC diagnostic pop
}  // namespace
#endif

BRUNSK_HOT_BODY void CBlock::ExtendBelowBody(int32_t chunk) const {
  int32_t* const below = below_.data();
  const int32_t* const unstruck = unstruck_.data();
  int32_t c = valid_;
#if BRUNSK_WIDE_FLOORS
  if (batchfloor::Wide8()) c = ExtendBelow16(unstruck, below, c, chunk);
#endif
#if defined(__SSE2__)
  // Four at a time: the running sums within a group by two shifted
  // additions, then the total below the group added to all four.
  __m128i carry = _mm_set1_epi32(below[c]);
  for (; c + 4 <= chunk; c += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(unstruck + c));
    v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
    v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(below + c + 1), _mm_add_epi32(v, carry));
    carry = _mm_add_epi32(carry, _mm_shuffle_epi32(v, 0xFF));  // the only chain: one addition
  }
#endif
  int32_t sum = below[c];
  for (; c < chunk; ++c) {
    sum += unstruck[c];
    below[c + 1] = sum;
  }
  valid_ = chunk;
}

void CBlock::ExtendBelow(int32_t chunk) const {
  BRUNSK_HOT_DISPATCH(ExtendBelowBody(chunk));
}

BRUNSK_HOT_BODY void CBlock::RemoveMultiplesBody(double p) {
  // Striking from p^2 on counts each integer once only when the smaller odd
  // primes are struck before p.
  assert(p > lastStruck_ && (p < 3.0 || std::fmod(p, 2.0) == 1.0));
#ifndef NDEBUG
  lastStruck_ = p;
#endif
  if (p < 3.0) return;  // only odd primes are struck
  if (p <= kWheel[kWheelPrimes - 1]) {
    // The bits already hold the wheel primes' multiples struck; the counts
    // move on to the next stage.
    int32_t j = 0;
    while (kWheel[j] != p && j < kWheelPrimes - 1) ++j;
    assert(kWheel[j] == p && j == stage_);
    stage_ = j + 1;
    return;
  }
  assert(stage_ == kWheelPrimes);
  stage_ = kWheelPrimes;

  // First multiple of p above lo; striking starts at p^2 at the earliest.
  double f = p + p * DoubleFloor((lo_ + 0.5) / p);
  const double square = p * p;
  if (square > f) f = square;
  if (f > hi_) return;  // nothing to strike: the counts stay as they are

  valid_ = 0;
  if (p < kPatternLimit)
    StrikePattern(static_cast<int32_t>(p), f);
  else
    StrikeProgressions(p, f);
}

void CBlock::RemoveMultiples(double p) {
  BRUNSK_HOT_DISPATCH(RemoveMultiplesBody(p));
}

BRUNSK_HOT_BODY void CBlock::StrikePatternBody(int32_t p, double first) {
  // Whole words from the pattern of p, from the chunk of p's first strike
  // on; the pattern's multiples below p^2 other than p itself are struck
  // already (by their least prime factor), and p is set free again below.
  const uint8_t* const pattern = kTables.pattern[p];
  const int32_t from = static_cast<int32_t>(static_cast<int64_t>(first - base_) / 30) >> kByteShift;
  const int32_t chunks = (bytes_ + kChunkBytes - 1) >> kByteShift;
  int32_t g = static_cast<int32_t>((static_cast<int64_t>(base_) / 30 + kChunkBytes * static_cast<int64_t>(from)) % p);
  uint64_t* const bits = bitmap_.data();
  int32_t* const unstruck = unstruck_.data();
  int32_t fresh = 0;
  int32_t c = from;
#if BRUNSK_WIDE_FLOORS
  if (batchfloor::Wide8() && bitops::laneCounts)
    c = StrikePattern2Chunks(pattern, p, g, bits, unstruck, c, chunks, fresh);
#endif
  for (; c < chunks; ++c) {
    int32_t f = 0;
    uint64_t* const w = bits + (static_cast<int64_t>(c) << (kChunkShift - 6));
    for (int32_t t = 0; t < (1 << (kChunkShift - 6)); ++t) {
      uint64_t strike;
      memcpy(&strike, pattern + g, sizeof strike);
      f += bitops::PopCount64(strike & ~w[t]);
      w[t] |= strike;
      g += 8;
      if (g >= p) g -= p;
    }
    unstruck[c] -= f;
    fresh += f;
  }
  total_ -= fresh;
  if (p > lo_) {
    // p lies in the window (p^2 <= hi): it stays unstruck.
    const int32_t off = static_cast<int32_t>(p - base_);
    uint8_t* const bytes = reinterpret_cast<uint8_t*>(bits);
    const uint8_t bit = static_cast<uint8_t>(1u << kBitOf[off % 30]);
    if (bytes[off / 30] & bit) {
      bytes[off / 30] = static_cast<uint8_t>(bytes[off / 30] & ~bit);
      ++unstruck[(off / 30) >> kByteShift];
      ++total_;
    }
  }
}

void CBlock::StrikePattern(int32_t p, double first) {
  BRUNSK_HOT_DISPATCH(StrikePatternBody(p, first));
}

BRUNSK_HOT_BODY void CBlock::StrikeProgressionsBody(double p, double first) {
  // The multiples p m from first on with m prime to 30: for each of the 8
  // residues of m, one bit in every p-th byte. A step of 64 bytes or more
  // strikes each chunk at most once per residue, so its count is decremented
  // at once without waiting on the previous strike.
  assert(p >= kPatternLimit);
  const int64_t step = static_cast<int64_t>(p);
  const int64_t start = static_cast<int64_t>(first - base_);  // of p m0, first = p m0
  const int32_t mr = static_cast<int32_t>(static_cast<int64_t>(first / p) % 30);
  const int64_t end = bytes_;
  uint8_t* const bytes = reinterpret_cast<uint8_t*>(bitmap_.data());
  int32_t* const unstruck = unstruck_.data();
  // The first byte and bit of each residue, apart from the strikes so that
  // their arithmetic overlaps (a large p strikes each residue once or not at
  // all in a window).
  int64_t first8[8];
  int32_t bit8[8];
  for (int32_t j = 0; j < 8; ++j) {
    int32_t delta = kResidues[j] - mr;
    if (delta < 0) delta += 30;
    const int64_t off = start + step * delta;
    first8[j] = off / 30;
    bit8[j] = kBitOf[off % 30];
  }
  int32_t fresh = 0;
  for (int32_t j = 0; j < 8; ++j) {
    const int32_t bit = bit8[j];
    for (int64_t i = first8[j]; i < end; i += step) {
      const uint32_t old = bytes[i];
      const int32_t f = static_cast<int32_t>((~old >> bit) & 1u);
      bytes[i] = static_cast<uint8_t>(old | (1u << bit));
      unstruck[i >> kByteShift] -= f;
      fresh += f;
    }
  }
  total_ -= fresh;
}

void CBlock::StrikeProgressions(double p, double first) {
  BRUNSK_HOT_DISPATCH(StrikeProgressionsBody(p, first));
}

double CBlock::MemorySize(int32_t n) {
  // The bits of whole chunks, a count and a prefix count per chunk.
  const int64_t odd = (static_cast<int64_t>(n < 256 ? 256 : n) + 1) / 2 + 1;
  const double chunks = static_cast<double>((MaxBytes(odd) + kChunkBytes - 1) >> kByteShift);
  return chunks * kChunkBytes + chunks * 8.0 + 4.0;
}
