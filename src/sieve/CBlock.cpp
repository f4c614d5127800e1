#include "sieve/CBlock.h"

#include <cmath>
#include <cstdio>

#include "arith/Floor.h"
#include "sieve/BitOps.h"

namespace {

// Largest n accepted by the constructor: keeps the capacity at or below 2^30
// so that the tree size, a power of two, stays a 32-bit signed value.
constexpr int32_t kMaxLength = 2147483644;

}  // namespace

CBlock::CBlock(int32_t n) {
  if (n < 256) n = 256;
  if (n > kMaxLength) n = kMaxLength;
  length_ = DoubleFloor(static_cast<double>(n)) + 1.0;
  capacity_ = static_cast<int32_t>(DoubleFloor(length_ * 0.5)) + 1;
  words_ = static_cast<int32_t>(DoubleFloor(capacity_ * 0.03125)) + 1;
  bitmap_ = new uint32_t[words_]();

  levels_ = 1;
  size_ = 2;
  while (size_ < capacity_) {
    size_ *= 2;
    ++levels_;
  }
  tree_ = new int32_t[size_ / 8]();

  leafLevel_ = 4;
  leafMask_ = 15;
  lo_ = 0.0;
  hi_ = 0.0;
  positions_ = 0;
}

CBlock::~CBlock() {
  delete[] bitmap_;
  delete[] tree_;
}

double CBlock::Lo() const { return lo_; }
double CBlock::Hi() const { return hi_; }
int32_t CBlock::Positions() const { return positions_; }

void CBlock::Reset(double a, double b) {
  double u = 2.0 * DoubleFloor(a * 0.5);
  lo_ = (a - u >= 1.0) ? u + 2.0 : u;
  double d = 2.0 * DoubleFloor(b * 0.5);
  hi_ = (b - d >= 1.0) ? d + 2.0 : d;

  double half = (hi_ - lo_) * 0.5;
  if (half > capacity_) {
    printf("Pb in CBlock::Reset()\n");
    positions_ = capacity_;  // the window is cut to what the arrays hold
    hi_ = lo_ + 2.0 * positions_;
  } else if (half < 1.0) {
    positions_ = 0;
  } else {
    positions_ = static_cast<int32_t>(half);
  }

  const int32_t lastWord = positions_ >> 5;
  for (int32_t w = 0; w <= lastWord; ++w) bitmap_[w] = 0;

  // Every stored node starts full. The right-most node of a level may reach
  // past the window; it is never read.
  for (int32_t l = leafLevel_; l < levels_; ++l) {
    const int32_t full = 1 << l;
    int32_t* node = tree_ + (size_ >> l);
    const int32_t last = (positions_ - 1) >> l;
    for (int32_t j = 0; j <= last; ++j) node[j] = full;
  }
}

void CBlock::RemoveMultiples(double p) {
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
  // levels from it upward are rebuilt once at the end. The level is bounded
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
  uint32_t* const bits = bitmap_;
  int32_t* const tree = tree_;
  for (; o < positions; o += step) {
    const uint32_t mask = 1u << (o & 31);
    uint32_t& word = bits[o >> 5];
    if (word & mask) continue;
    word |= mask;
    int64_t i = (size + o) >> leaf;
    for (int32_t k = 0; k < depth; ++k) {
      --tree[i];
      i >>= 1;
    }
  }

  // Rebuild the nodes of the upper levels that lie wholly inside the window.
  for (int32_t l = split; l < levels_; ++l) {
    const int32_t first = size_ >> l;
    const int32_t end = first + (positions_ >> l);
    for (int32_t i = first; i < end; ++i) tree[i] = tree[2 * i] + tree[2 * i + 1];
  }
}

int32_t CBlock::CountUpTo(int32_t d) const {
  if (d <= 0) return 0;
  int32_t q = ((d - 1) >> 1) + 1;  // positions k with lo + 2k + 1 <= lo + d
  if (q >= positions_) {
    q = positions_;
    // A window filling every leaf of the tree (capacity a power of two):
    // its whole count is that of the two top nodes, the root is not kept.
    if (q == size_) return tree_[2] + tree_[3];
  }
  const int32_t r = q & leafMask_;

  // Partial leaf: positions q - r .. q - 1. Its start is a multiple of 16,
  // so it either lies in one half word or starts on a word boundary.
  int32_t struck = 0;
  if (r != 0) {
    const int32_t start = q - r;
    const uint32_t* w = bitmap_ + (start >> 5);
    const int32_t shift = start & 31;
    if (shift != 0) {
      struck = bitops::PopCount32((*w >> shift) & ((1u << r) - 1u));
    } else {
      int32_t rest = r;
      for (; rest >= 32; rest -= 32) struck += bitops::PopCount32(*w++);
      if (rest != 0) struck += bitops::PopCount32(*w & ((1u << rest) - 1u));
    }
  }
  int32_t sum = r - struck;

  // Whole nodes to the left of the partial leaf, one per level: the left
  // sibling of every right child on the way up. The number of levels is the
  // same for every query, and the sibling is added under a mask, so that no
  // branch depends on q. The walk stops at the two top nodes (2 and 3); from
  // node 2 it reads the unused slot 1 under a zero mask.
  const int32_t* const tree = tree_;
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
