#include "sieve/LargeBlock.h"

#include <cstring>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "arith/Integer.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/BitOps.h"
#include "sieve/Block.h"

namespace {

// The value of a non-negative Integer below 2^64, when it is one.
bool ToUnsigned(const Integer& n, uint64_t* out) {
  if (n.Count() < 1 || n.Count() > 4) return false;
  unsigned __int128 v = 0;
  for (int i = n.Count() - 1; i >= 0; --i) {
    const double limb = n.Limb(i);
    if (limb < 0.0) return false;
    v = v * 1000000u + static_cast<uint64_t>(limb);
  }
  if (v >> 64) return false;
  *out = static_cast<uint64_t>(v);
  return true;
}

}  // namespace

LargeBlock::LargeBlock(double n)
    : width_(DoubleFloor(n) + 1.0),
      source_(nullptr),
      capacity_(0.0),
      words_(0),
      count_(0),
      pos_(-1) {
  if (width_ < 1.0) width_ = 1.0;
  capacity_ = DoubleFloor(width_ * 0.5) + 1.0;
  words_ = LongFloor(capacity_ * 0.03125) + 1;
  bits_ = Buffer<uint32_t>::Zeroed(words_);
}


void LargeBlock::SetBlock(Block* block) { source_ = block; }

BRUNSK_HOT_BODY void LargeBlock::RunSieveBody(const Integer& lo, const Integer& hi, int clear) {
  // The window is the odd numbers between the even bounds L and H.
  Integer L = lo;
  Integer H = hi;
  if (L.Modulo(2.0) == 1.0) L.Add(1.0);
  if (H.Modulo(2.0) == 1.0) H.Add(1.0);
  Integer span = H;
  span.Subtract(L);
  double half = span.GetApprox() * 0.5;
  if (half < 0.0) half = 0.0;
  if (half > capacity_) {
    // Only the first capacity odd numbers of the window fit.
    ReportFault(msg::LargeBlockTooLong());
    half = capacity_;
  }
  count_ = LongFloor(half);
  if (clear != 0) memset(bits_.data(), 0, sizeof(uint32_t) * ((count_ >> 5) + 1));
  pos_ = -1;
  if (source_ == nullptr) return;

  uint64_t small = 0;
  const bool fits = ToUnsigned(L, &small);  // L mod p on machine integers
  const int64_t count = count_;
  const int64_t len = 2 * count + 1;
  uint32_t* const bits = bits_.data();
  Block& block = *source_;
  block.StartIteration();
  while (block.Next()) {
    const double pd = block.Current();
    if (pd < 3.0) continue;  // the number 1 of a window starting at 0
    const int64_t p = static_cast<int64_t>(pd);
    const int64_t rem = fits ? static_cast<int64_t>(small % static_cast<uint64_t>(p))
                             : static_cast<int64_t>(L.Modulo(pd));
    int64_t off = p - rem;  // L + off is the first multiple of p above L
    if (fits && small < static_cast<uint64_t>(p)) off += p;  // p itself stays unstruck
    if (off > len) continue;
    const int64_t f = p <= len ? p : 0;
    int64_t j = off;
    if ((j & 1) == 0) {
      if (p + off > len) continue;  // the next, odd, multiple lies outside
      j += p;
    }
    int64_t i = (j - 1) >> 1;
    if (count >= p) {
      bitops::StrikeProgression(bits, i, f, count);
    } else if (i < count) {
      bits[i >> 5] |= 1u << (i & 31);
    }
  }
}

void LargeBlock::RunSieve(const Integer& lo, const Integer& hi, int clear) {
  BRUNSK_HOT_DISPATCH(RunSieveBody(lo, hi, clear));
}

void LargeBlock::StartIteration() { pos_ = -1; }

int LargeBlock::Next() {
  int32_t i = pos_ + 1;
  if (i >= count_) {
    pos_ = count_;
    return 0;
  }
  int32_t w = i >> 5;
  uint32_t free = ~bits_[w] >> (i & 31);
  if (free != 0) {
    i += __builtin_ctz(free);
  } else {
    const int32_t lastWord = (count_ - 1) >> 5;
    i = count_;
    while (++w <= lastWord) {
      free = ~bits_[w];
      if (free != 0) {
        i = (w << 5) + __builtin_ctz(free);
        break;
      }
    }
  }
  if (i >= count_) {
    pos_ = count_;
    return 0;
  }
  pos_ = i;
  return 1;
}

int32_t LargeBlock::Count() const { return count_; }
