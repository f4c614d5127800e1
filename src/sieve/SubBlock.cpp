#include "sieve/SubBlock.h"

#include <cstring>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/BitOps.h"
#include "sieve/PrimeSeries.h"

namespace {

// Entries struck per stretch by the larger primes: 32 KB of bits, which stay
// in the first-level cache while every prime passes over them.
constexpr int64_t kStretchEntries = int64_t{1} << 18;

}  // namespace

SubBlock::SubBlock(double M, double r, int32_t c)
    : modulus_(M),
      residue_(r),
      lo_(0.0),
      hi_(0.0),
      primes_(nullptr),
      capacity_(c < 0 ? 0 : c),
      words_(0),
      count_(0),
      pos_(-1),
      rank_(0),
      first_(0.0) {
  words_ = static_cast<int32_t>(capacity_) / 32 + 1;
  bits_ = Buffer<uint32_t>::Zeroed(words_);
  const int32_t m = M < 1.0 ? 1 : static_cast<int32_t>(M);
  mult_ = Buffer<double>(m);
  quot_ = Buffer<double>(m);
  // mult(i): the least k with k i = r (mod M); then p mult(i) is the smallest
  // multiple of a prime p = i (mod M) in the class.
  for (int32_t i = 0; i < m; ++i) {
    mult_[i] = 0.0;
    quot_[i] = 0.0;
    if (M <= 1.0) continue;
    for (double k = 1.0; k < M; k += 1.0) {
      const double ki = k * i;
      const double v = ki - M * DoubleFloor((ki + 0.5) / M);
      if (v == 0.0) break;
      if (v == r) {
        mult_[i] = k;
        quot_[i] = DoubleFloor((ki - r) / M + 0.5);
        break;
      }
    }
  }
}

void SubBlock::SetPrimes(PrimeSeries* table) { primes_ = table; }

BRUNSK_HOT_BODY void SubBlock::RunSieveBody(double start, double end) {
  if (DoubleFloor(start) != start) ReportFault(msg::StartNotInteger());
  const double M = modulus_;
  const double r = residue_;
  const double a = DoubleFloor((0.5 - r + start) / M) + 1.0;
  double b = DoubleFloor((0.5 - r + end) / M) + 1.0;
  if (b < a) b = a;
  lo_ = M * a + r;
  first_ = a;
  if (b - a > capacity_) {
    // The window does not fit: sieve its first capacity members only.
    ReportFault(msg::SubBlockTooBig());
    b = a + capacity_;
  }
  hi_ = M * b + r;
  count_ = LongFloor(b - a);
  memset(bits_.data(), 0, sizeof(uint32_t) * ((count_ >> 5) + 1));

  if (primes_ != nullptr) {
    const int64_t count = count_;
    uint32_t* const bits = bits_.data();
    PrimeSeries& table = *primes_;
    pending_.clear();
    bitops::SmallSteps small;
    table.StartIteration();
    while (table.Next()) {
      const double p = table.Current();
      if (hi_ < p * p) break;
      const double q = DoubleFloor((0.5 + p) / M);
      const int32_t i = LongFloor(p - M * q);  // p mod M
      if (mult_[i] == 0.0) continue;           // p divides M: no member is a multiple
      const double d = a - quot_[i] - q * mult_[i];
      const double t = DoubleCeil((d - 0.5) / p);
      const int64_t step = LongFloor(p);
      const int64_t first = LongFloor(t * p - d);
      if (step < 32) {
        if (small.n < bitops::SmallSteps::kMax)
          small.Add(first, step);
        else
          bitops::StrikeProgression(bits, first, step, count);
      } else if (first < count) {
        pending_.push_back(Progression{first, step});
      }
    }
    bitops::StrikeSmallSteps(bits, small, count);
    // The larger steps, stretch by stretch.
    Progression* const progressions = pending_.data();
    const size_t n = pending_.size();
    for (int64_t begin = 0; begin < count; begin += kStretchEntries) {
      const int64_t end = count - begin > kStretchEntries ? begin + kStretchEntries : count;
      for (size_t k = 0; k < n; ++k) {
        int64_t j = progressions[k].next;
        const int64_t step = progressions[k].step;
        for (; j < end; j += step) bits[j >> 5] |= 1u << (j & 31);
        progressions[k].next = j;
      }
    }
  }
  rank_ = 0;
  pos_ = -1;
}

void SubBlock::RunSieve(double start, double end) {
  BRUNSK_HOT_DISPATCH(RunSieveBody(start, end));
}

BRUNSK_HOT_BODY void SubBlock::BuildCountsBody() {
  const int32_t words = (count_ >> 5) + 1;
  if (static_cast<int32_t>(wordPrefix_.size()) < words) wordPrefix_.resize(words);
  int32_t total = 0;
  const int32_t full = count_ >> 5;
  for (int32_t w = 0; w < full; ++w) {
    wordPrefix_[w] = total;
    total += bitops::PopCount32(~bits_[w]);
  }
  wordPrefix_[full] = total;
}

void SubBlock::BuildCounts() {
  BRUNSK_HOT_DISPATCH(BuildCountsBody());
}

int32_t SubBlock::NextUnstruck(int32_t i) const {
  return bitops::NextClearBit(bits_.data(), i, count_);
}

int32_t SubBlock::CountFree(int32_t from, int32_t to) const {
  if (to > count_) to = count_;
  if (from < 0) from = 0;
  if (from >= to) return 0;
  const int32_t first = from >> 5;
  const int32_t last = (to - 1) >> 5;
  const uint32_t headMask = ~0u << (from & 31);
  const uint32_t tailMask = ~0u >> (31 - ((to - 1) & 31));
  if (first == last) return bitops::PopCount32(~bits_[first] & headMask & tailMask);
  int32_t total = bitops::PopCount32(~bits_[first] & headMask);
  for (int32_t w = first + 1; w < last; ++w) total += bitops::PopCount32(~bits_[w]);
  return total + bitops::PopCount32(~bits_[last] & tailMask);
}

double SubBlock::CountAll() {
  rank_ = CountFree(0, count_);
  pos_ = count_;
  return rank_;
}

int SubBlock::CountTo(double x, int32_t& k) {
  // Entries n <= x are those below end.
  const double e = (0.5 - lo_ + x) / modulus_;
  int32_t end = count_;
  if (e < 0.0) {
    end = 0;
  } else if (count_ > e) {
    end = LongFloor(e) + 1;
  }
  const int32_t from = pos_ + 1;
  int32_t stop = from;  // where the scan leaves the cursor
  k = 0;
  if (from < end) {
    k = CountFree(from, end);
    // The scan steps past a counted last entry, or else skips the struck
    // entries up to the next unstruck one (or the end of the window).
    stop = (bits_[(end - 1) >> 5] >> ((end - 1) & 31)) & 1u ? NextUnstruck(end) : end;
  }
  rank_ += k;
  if (stop >= count_) {
    pos_ = count_;
    return 0;
  }
  pos_ = stop - 1;
  return 1;
}

int SubBlock::Next() {
  pos_ = NextUnstruck(pos_ + 1);
  if (pos_ >= count_) return 0;
  rank_ += 1;
  return 1;
}

double SubBlock::SubBlockEstimate(double size) { return size * 0.03125 * 4.0; }

double SubBlock::Lo() const { return lo_; }
double SubBlock::Hi() const { return hi_; }
int32_t SubBlock::Count() const { return count_; }
int32_t SubBlock::Rank() const { return rank_; }
double SubBlock::Mult(int32_t i) const { return mult_[i]; }
double SubBlock::Quot(int32_t i) const { return quot_[i]; }
