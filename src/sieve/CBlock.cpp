#include "sieve/CBlock.h"

// Why counts per chunk of 512 positions: a strike changes one count (a count
// tree changed one node per level, over a table too large for the first-level
// cache), and the leaves of one prime, asked one after another between two
// strikes, share one prefix of those counts, summed once up to the highest
// chunk they reach; each query then adds the bits of at most 8 words, one
// cache line. The counts and their prefix take 8 bytes per 512 positions.
// Chunks of 256 positions measured the same as 512 in D at 10^16, of 1024
// 15 % slower (bench/README.md).

#include <cassert>
#include <cmath>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/BitOps.h"

namespace {

// Largest n accepted by the constructor: keeps the capacity at or below 2^30
// so that positions, chunks and counts stay 32-bit signed values.
constexpr int32_t kMaxLength = 2147483644;

// Steps below this are struck a word at a time.
constexpr int64_t kWordStrikeLimit = 64;

// Bits 0, p, 2p, ... of a 64-bit word for every step p below 64.
struct StepPatterns64 {
  uint64_t mask[kWordStrikeLimit];
  constexpr StepPatterns64() : mask() {
    for (int p = 1; p < kWordStrikeLimit; ++p) {
      uint64_t m = 0;
      for (int b = 0; b < 64; b += p) m |= uint64_t{1} << b;
      mask[p] = m;
    }
  }
};
constexpr StepPatterns64 kPatterns{};

}  // namespace

CBlock::CBlock(int32_t n) {
  if (n < 256) n = 256;
  if (n > kMaxLength) n = kMaxLength;
  length_ = DoubleFloor(static_cast<double>(n)) + 1.0;
  capacity_ = static_cast<int32_t>(DoubleFloor(length_ * 0.5)) + 1;
  const int32_t chunks = ((capacity_ - 1) >> kChunkShift) + 1;
  bitmap_ = Buffer<uint64_t>::Zeroed(static_cast<int64_t>(chunks) << (kChunkShift - 6));
  unstruck_ = Buffer<int32_t>::Zeroed(chunks);
  below_ = Buffer<int32_t>::Zeroed(chunks + 1);
  marks_ = Buffer<int32_t>::Zeroed(chunks);
  valid_ = 0;
  total_ = 0;
  lo_ = 0.0;
  hi_ = 0.0;
  positions_ = 0;
}

double CBlock::Lo() const { return lo_; }
double CBlock::Hi() const { return hi_; }
int32_t CBlock::Positions() const { return positions_; }

BRUNSK_HOT void CBlock::Reset(double a, double b) {
  double u = 2.0 * DoubleFloor(a * 0.5);
  lo_ = (a - u >= 1.0) ? u + 2.0 : u;
  double d = 2.0 * DoubleFloor(b * 0.5);
  hi_ = (b - d >= 1.0) ? d + 2.0 : d;

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

  const int32_t words = (positions_ + 63) >> 6;
  for (int32_t w = 0; w < words; ++w) bitmap_[w] = 0;
  // Every chunk starts full; the last one holds what is left of the window.
  const int32_t chunk = 1 << kChunkShift;
  const int32_t whole = positions_ >> kChunkShift;
  for (int32_t c = 0; c < whole; ++c) unstruck_[c] = chunk;
  if ((positions_ & (chunk - 1)) != 0) unstruck_[whole] = positions_ & (chunk - 1);
  total_ = positions_;
  valid_ = 0;
  below_[0] = 0;
}

void CBlock::ExtendBelow(int32_t chunk) const {
  int32_t* const below = below_.data();
  const int32_t* const unstruck = unstruck_.data();
  int32_t sum = below[valid_];
  for (int32_t c = valid_; c < chunk; ++c) {
    sum += unstruck[c];
    below[c + 1] = sum;
  }
  valid_ = chunk;
}

BRUNSK_HOT void CBlock::RemoveMultiples(double p) {
  // Striking from p^2 on counts each integer once only when the smaller odd
  // primes are struck before p.
  assert(p > lastStruck_ && (p < 3.0 || std::fmod(p, 2.0) == 1.0));
#ifndef NDEBUG
  lastStruck_ = p;
#endif
  // First multiple of p above lo; striking starts at p^2 at the earliest.
  double f = p + p * DoubleFloor((lo_ + 0.5) / p);
  const double square = p * p;
  if (square > f) {
    f = square;
    if (f > hi_) return;
  }
  const int64_t step = static_cast<int64_t>(p);
  if (step < 3) return;  // only odd primes are struck
  const int64_t e = static_cast<int64_t>(f - lo_);
  int64_t o = (e & 1) ? (e - 1) / 2 : (e + step - 1) / 2;
  const int64_t positions = positions_;
  if (o >= positions) return;  // nothing to strike: the counts stay as they are

  valid_ = 0;
  if (step < kWordStrikeLimit) {
    StrikeWords(o, step);
    return;
  }
  // One strike at a time, a position struck for the first time counted
  // without a branch on its bit.
  uint64_t* const bits = bitmap_.data();
  int32_t* const unstruck = unstruck_.data();
  int32_t fresh = 0;
  if (step > (1 << kChunkShift)) {
    // At most one strike per chunk: its count is decremented at once.
    for (; o < positions; o += step) {
      const int32_t at = static_cast<int32_t>(o);
      uint64_t& word = bits[at >> 6];
      const uint64_t w = word;
      const int32_t f = static_cast<int32_t>(~(w >> (at & 63)) & 1u);
      unstruck[at >> kChunkShift] -= f;
      fresh += f;
      word = w | (uint64_t{1} << (at & 63));
    }
  } else {
    // At least one strike in every chunk from the first struck to the last:
    // each strike notes the running count of new strikes in its chunk's
    // mark, and the chunks take the differences at the end (decrementing a
    // count at every strike would chain strike after strike on one chunk).
    int32_t* const marks = marks_.data();
    const int32_t first = static_cast<int32_t>(o >> kChunkShift);
    for (; o < positions; o += step) {
      const int32_t at = static_cast<int32_t>(o);
      uint64_t& word = bits[at >> 6];
      const uint64_t w = word;
      fresh += static_cast<int32_t>(~(w >> (at & 63)) & 1u);
      marks[at >> kChunkShift] = fresh;
      word = w | (uint64_t{1} << (at & 63));
    }
    const int32_t lastChunk = static_cast<int32_t>((o - step) >> kChunkShift);
    int32_t before = 0;
    for (int32_t c = first; c <= lastChunk; ++c) {
      unstruck[c] -= marks[c] - before;
      before = marks[c];
    }
  }
  total_ -= fresh;
}

BRUNSK_HOT void CBlock::StrikeWords(int64_t o, int64_t step) {
  // Positions o, o + step, ... below positions_, one 64-bit word at a time;
  // each word's new strikes are taken off its chunk's count.
  const uint64_t pattern = kPatterns.mask[step];
  const int64_t advance = step - 64 % step;  // moves the first strike of a word to the next word
  const int64_t last = (positions_ - 1) >> 6;
  const int32_t tail = positions_ - 64 * static_cast<int32_t>(last);  // 1 .. 64
  const uint64_t lastMask = tail == 64 ? ~uint64_t{0} : (uint64_t{1} << tail) - 1u;
  uint64_t* const bits = bitmap_.data();
  int32_t* const unstruck = unstruck_.data();
  constexpr int32_t kWordShift = kChunkShift - 6;
  int32_t fresh = 0;
  int64_t w = o >> 6;
  int64_t s = o & 63;  // first strike of word w
  uint64_t strike = pattern << s;
  s = s % step + advance;  // from here on below step
  if (s >= step) s -= step;
  for (; w < last; ++w) {
    const int32_t f = bitops::PopCount64(strike & ~bits[w]);
    bits[w] |= strike;
    unstruck[w >> kWordShift] -= f;
    fresh += f;
    strike = pattern << s;
    s += advance;
    if (s >= step) s -= step;
  }
  strike &= lastMask;
  const int32_t f = bitops::PopCount64(strike & ~bits[last]);
  bits[last] |= strike;
  unstruck[last >> kWordShift] -= f;
  total_ -= fresh + f;
}

double CBlock::MemorySize(int32_t n) {
  // The bitmap of whole chunks, a count and a prefix count per chunk.
  const int64_t positions = (static_cast<int64_t>(n < 256 ? 256 : n) + 1) / 2 + 1;
  const double chunks = static_cast<double>(((positions - 1) >> kChunkShift) + 1);
  return chunks * 64.0 + chunks * 8.0 + 4.0;
}
