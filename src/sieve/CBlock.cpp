#include "sieve/CBlock.h"

#include <cassert>
#include <cmath>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/BitOps.h"

namespace {

// Largest n accepted by the constructor: keeps the capacity at or below 2^30
// so that the tree size, a power of two, stays a 32-bit signed value.
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
  levels_ = 1;
  size_ = 2;
  while (size_ < capacity_) {
    size_ *= 2;
    ++levels_;
  }
  words_ = size_ / 64 + 1;  // every leaf of the tree, and one
  bitmap_ = Buffer<uint64_t>::Zeroed(words_);
  tree_ = Buffer<int32_t>::Zeroed(size_ / 8);
  // Strikes with steps of 64 or more: at most one per 64 positions, and one.
  fresh_ = Buffer<int32_t>(capacity_ / kWordStrikeLimit + 2);

  leafLevel_ = 4;
  leafMask_ = 15;
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

  const int32_t lastWord = positions_ >> 6;
  for (int32_t w = 0; w <= lastWord; ++w) bitmap_[w] = 0;

  // Every stored node starts full. The right-most node of a level may reach
  // past the window; it is never read.
  for (int32_t l = leafLevel_; l < levels_; ++l) {
    const int32_t full = 1 << l;
    int32_t* node = tree_.data() + (size_ >> l);
    const int32_t last = (positions_ - 1) >> l;
    for (int32_t j = 0; j <= last; ++j) node[j] = full;
  }
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
  if (o >= positions) return;  // nothing to strike: the tree stays as it is

  // Split level: levels below it are kept up to date stroke by stroke, the
  // levels from it upward are rebuilt once at the end. The factor 1.6 is part
  // of the count tree's definition: the larger p, the fewer its strokes, the
  // more levels are kept stroke by stroke. The level is bounded
  // before it becomes an integer: a window of one position has ln 1 = 0 in
  // the denominator.
  double level = levels_ * 1.6 * std::log(p) / std::log(static_cast<double>(positions_));
  const int32_t top = levels_ - 3;
  const int32_t bottom = leafLevel_ + 1;
  if (!(level < top)) level = top;  // also catches an infinite or undefined quotient
  if (level < bottom) level = bottom;
  const int32_t split = static_cast<int32_t>(level);

  const int32_t leaf = leafLevel_;
  const int32_t depth = split - leaf;
  const int64_t size = size_;
  uint64_t* const bits = bitmap_.data();
  int32_t* const tree = tree_.data();
  if (step < kWordStrikeLimit) {
    StrikeWords(o, step, split);
  } else {
    // Two passes: the bits are set and the positions struck for the first
    // time are noted without a branch on the bit; then the nodes of those
    // positions are decremented level by level.
    int32_t* const fresh = fresh_.data();
    int32_t n = 0;
    for (; o < positions; o += step) {
      const int32_t at = static_cast<int32_t>(o);
      uint64_t& word = bits[at >> 6];
      const uint64_t w = word;
      fresh[n] = at;
      n += static_cast<int32_t>(~(w >> (at & 63)) & 1u);
      word = w | (uint64_t{1} << (at & 63));
    }
    for (int32_t t = 0; t < n; ++t) {
      int64_t i = (size + fresh[t]) >> leaf;
      for (int32_t k = 0; k < depth; ++k) {
        --tree[i];
        i >>= 1;
      }
    }
  }

  // Rebuild the nodes of the upper levels that lie wholly inside the window.
  for (int32_t l = split; l < levels_; ++l) {
    const int32_t first = size_ >> l;
    const int32_t end = first + (positions_ >> l);
    for (int32_t i = first; i < end; ++i) tree[i] = tree[2 * i] + tree[2 * i + 1];
  }
}

namespace {

// Strikes one word and takes the count of its new strikes off the levels
// leaf .. split - 1. Nodes of level 4 (5) cut a word into lanes of 16 (32)
// bits, whose counts come out of the steps of a population count; from level
// 6 on a word lies inside one node. kLeaf is 4, 5, or 6 for every leaf level
// from 6 on.
template <int kLeaf>
inline void StrikeWord(uint64_t* bits, int32_t* tree, int64_t size, int32_t leaf, int32_t split,
                       int64_t w, uint64_t strike) {
  const uint64_t fresh = strike & ~bits[w];
  bits[w] |= strike;
  uint64_t c = fresh - ((fresh >> 1) & 0x5555555555555555ull);
  c = (c & 0x3333333333333333ull) + ((c >> 2) & 0x3333333333333333ull);
  c = (c + (c >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  const int64_t base = size + 64 * w;
  int32_t l = kLeaf == 6 ? leaf : kLeaf;
  int32_t c64;
  if (kLeaf <= 5) {
    const uint64_t c16 = (c + (c >> 8)) & 0x00FF00FF00FF00FFull;       // per 16-bit lane
    const uint64_t c32 = (c16 + (c16 >> 16)) & 0x0000FFFF0000FFFFull;  // per 32-bit lane
    c64 = static_cast<int32_t>((c32 + (c32 >> 32)) & 0xFFFFFFFFull);
    if (kLeaf == 4) {
      int32_t* node = tree + (base >> 4);
      node[0] -= static_cast<int32_t>(c16 & 0xFFFF);
      node[1] -= static_cast<int32_t>((c16 >> 16) & 0xFFFF);
      node[2] -= static_cast<int32_t>((c16 >> 32) & 0xFFFF);
      node[3] -= static_cast<int32_t>(c16 >> 48);
      ++l;
    }
    if (l < split) {
      int32_t* node = tree + (base >> 5);
      node[0] -= static_cast<int32_t>(c32 & 0xFFFFFFFFull);
      node[1] -= static_cast<int32_t>(c32 >> 32);
      ++l;
    }
  } else {
    c64 = static_cast<int32_t>((c * 0x0101010101010101ull) >> 56);
  }
  for (; l < split; ++l) tree[base >> l] -= c64;
}

}  // namespace

template <int kLeaf>
BRUNSK_HOT void CBlock::StrikeRun(int64_t o, int64_t step, int32_t split) {
  const uint64_t pattern = kPatterns.mask[step];
  const int64_t advance = step - 64 % step;  // moves the first strike of a word to the next word
  const int64_t last = (positions_ - 1) >> 6;
  const int32_t tail = positions_ - 64 * static_cast<int32_t>(last);  // 1 .. 64
  const uint64_t lastMask = tail == 64 ? ~uint64_t{0} : (uint64_t{1} << tail) - 1u;
  const int64_t size = size_;
  const int32_t leaf = leafLevel_;
  uint64_t* const bits = bitmap_.data();
  int32_t* const tree = tree_.data();
  int64_t w = o >> 6;
  int64_t s = o & 63;  // first strike of word w
  if (w == last) {
    StrikeWord<kLeaf>(bits, tree, size, leaf, split, w, (pattern << s) & lastMask);
    return;
  }
  StrikeWord<kLeaf>(bits, tree, size, leaf, split, w, pattern << s);
  s = s % step + advance;  // from here on below step
  if (s >= step) s -= step;
  for (++w; w < last; ++w) {
    StrikeWord<kLeaf>(bits, tree, size, leaf, split, w, pattern << s);
    s += advance;
    if (s >= step) s -= step;
  }
  StrikeWord<kLeaf>(bits, tree, size, leaf, split, last, (pattern << s) & lastMask);
}

BRUNSK_HOT void CBlock::StrikeWords(int64_t o, int64_t step, int32_t split) {
  // Positions o, o + step, ... below positions_, one 64-bit word at a time;
  // every level below split loses what its nodes lost, as if the strikes
  // were made one by one.
  if (leafLevel_ == 4)
    StrikeRun<4>(o, step, split);
  else if (leafLevel_ == 5)
    StrikeRun<5>(o, step, split);
  else
    StrikeRun<6>(o, step, split);
}

BRUNSK_HOT int32_t CBlock::CountUpTo(int32_t d) const {
  if (d <= 0) return 0;
  int32_t q = ((d - 1) >> 1) + 1;  // positions k with lo + 2k + 1 <= lo + d
  if (q >= positions_) {
    q = positions_;
    // A window filling every leaf of the tree (capacity a power of two):
    // its whole count is that of the two top nodes, the root is not kept.
    if (q == size_) return tree_[2] + tree_[3];
  }
  const int32_t r = q & leafMask_;

  // Partial leaf: positions q - r .. q - 1. Its start is a multiple of the
  // leaf length (16 at least): a leaf of at most 64 positions lies inside one
  // word, a longer one starts on a word boundary and is read whole, its words
  // masked, so that no branch depends on q. The bitmap covers every leaf of
  // the tree, so reading a leaf past the window stays inside the array.
  int32_t struck;
  const int32_t start = q - r;
  const uint64_t* w = bitmap_.data() + (start >> 6);
  if (leafLevel_ <= 6) {
    struck = bitops::PopCount64((*w >> (start & 63)) & ((uint64_t{1} << r) - 1u));
  } else {
    struck = 0;
    const int32_t full = r >> 6;
    const uint64_t part = (uint64_t{1} << (r & 63)) - 1u;
    const int32_t words = 1 << (leafLevel_ - 6);
    for (int32_t t = 0; t < words; ++t) {
      const uint64_t m = t < full ? ~uint64_t{0} : (t == full ? part : 0u);
      struck += bitops::PopCount64(w[t] & m);
    }
  }
  int32_t sum = r - struck;

  // Whole nodes to the left of the partial leaf, one per level: the left
  // sibling of every right child on the way up. The number of levels is the
  // same for every query, and the sibling is added under a mask, so that no
  // branch depends on q. The walk stops at the two top nodes (2 and 3); from
  // node 2 it reads the unused slot 1 under a zero mask.
  const int32_t* const tree = tree_.data();
  uint32_t i = static_cast<uint32_t>(size_ + q) >> leafLevel_;
  for (; i >= 4u; i >>= 1) sum += tree[i - 1] & -static_cast<int32_t>(i & 1u);
  sum += tree[i - 1] & -static_cast<int32_t>(i & 1u);
  return sum;
}

void CBlock::SetLeafLevel(int32_t k) {
  leafLevel_ = k;
  if (levels_ - 3 < k + 1) leafLevel_ = levels_ - 4;
  if (leafLevel_ <= 3) leafLevel_ = 4;
  leafMask_ = (1 << leafLevel_) - 1;
}

int32_t CBlock::MaxLeafLevel() const { return levels_ - 4; }

double CBlock::MemorySize(int32_t n) {
  uint32_t q = static_cast<uint32_t>(n / 2 + 1);
  uint32_t t = 2;
  while (t < q && t < 0x80000000u) t *= 2;
  uint32_t bytes = (q / 32) * 4u + (t / 8) * 4u + 4u;
  return static_cast<double>(bytes);
}
