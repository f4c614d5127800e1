#include "sieve/Block.h"

#include <cstring>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/BitOps.h"
#include "sieve/PrimeSeries.h"

Block::Block(double size)
    : lo_(0.0),
      hi_(0.0),
      length_(DoubleFloor(size) + 1.0),
      primes_(nullptr),
      capacity_(0.0),
      words_(0),
      count_(0),
      countEntries_(0),
      prefixValid_(0),
      pos_(-1),
      rank_(0.0) {
  if (length_ < 1.0) length_ = 1.0;
  capacity_ = DoubleFloor(length_ * 0.5) + 1.0;
  words_ = static_cast<int32_t>(capacity_ * 0.03125) + 1;
  bits_ = Buffer<uint32_t>::Zeroed(words_);
}

void Block::SetPrimes(PrimeSeries* table) { primes_ = table; }

// Smallest even number >= v, for a whole v.
static double EvenCeil(double v) {
  double e = 2.0 * DoubleFloor(v * 0.5);
  if (v - e >= 1.0) e += 2.0;
  return e;
}

BRUNSK_HOT_BODY void Block::RunSieveBody(double start, double end) {
  if (DoubleFloor(start) != start) ReportFault(msg::StartNotInteger());
  prefixValid_ = 0;
  lo_ = EvenCeil(start);
  hi_ = EvenCeil(end);
  double entries = (hi_ - lo_) * 0.5;
  if (entries < 0.0) entries = 0.0;
  if (entries > capacity_) {
    // The window does not fit: sieve the part that does, (lo, lo + 2 capacity).
    ReportFault(msg::BlockTooLong());
    entries = capacity_;
    hi_ = lo_ + 2.0 * capacity_;
  }
  count_ = static_cast<int32_t>(entries);
  memset(bits_.data(), 0, sizeof(uint32_t) * ((count_ >> 5) + 1));

  if (primes_ != nullptr) {
    const int64_t count = count_;
    uint32_t* const bits = bits_.data();
    PrimeSeries& table = *primes_;
    bitops::SmallSteps small;
    table.StartIteration();
    while (table.Next()) {
      const double p = table.Current();
      const double square = p * p;
      double m = (DoubleFloor((0.5 + lo_) / p) + 1.0) * p;  // first multiple above lo
      if (m < square) {
        if (hi_ < square) break;
        m = square;
      }
      int64_t j = LongFloor(m - lo_);
      const int64_t step = LongFloor(p);
      if ((j & 1) == 0) j += step;  // the next multiple is odd
      if (step < 32 && small.n < bitops::SmallSteps::kMax)
        small.Add((j - 1) >> 1, step);
      else
        bitops::StrikeProgression(bits, (j - 1) >> 1, step, count);
    }
    bitops::StrikeSmallSteps(bits, small, count);
  }
  pos_ = -1;
  rank_ = 0.0;
}

void Block::RunSieve(double start, double end) {
  BRUNSK_HOT_DISPATCH(RunSieveBody(start, end));
}

BRUNSK_HOT_BODY void Block::BuildCountsBody() {
  if (counts_.empty()) {
    countEntries_ = words_ + 1;
    counts_ = Buffer<WordCount>(countEntries_);
  }
  prefixValid_ = 1;
  // The bits of the last word past the window are never counted: a count
  // reads at most the first count_ & 31 entries of that word.
  const int32_t needed = (count_ >> 5) + 1;
  uint32_t total = 0;
  for (int32_t w = 0; w < needed; ++w) {
    const uint32_t open = ~bits_[w];
    counts_[w] = WordCount{total, open};
    total += static_cast<uint32_t>(bitops::PopCount32(open));
  }
}

void Block::BuildCounts() {
  BRUNSK_HOT_DISPATCH(BuildCountsBody());
}

double Block::CountAll() {
  if (prefixValid_) return CountUpTo(static_cast<int32_t>(count_) * 2);
  const int32_t fullWords = count_ >> 5;
  int64_t total = 0;
  for (int32_t w = 0; w < fullWords; ++w) total += bitops::PopCount32(~bits_[w]);
  const int rest = count_ & 31;
  if (rest != 0) total += bitops::PopCount32(~bits_[fullWords] & ((1u << rest) - 1u));
  pos_ = count_;
  rank_ = static_cast<double>(total);
  return rank_;
}

void Block::StartIteration() {
  pos_ = -1;
  rank_ = 0.0;
}

double Block::Rank() const { return rank_; }

void Block::RunMoebiusSieve(int32_t N, uint16_t* lpf, int8_t* mu, double L) {
  const int32_t half = N > 0 ? N / 2 : 0;
  for (int32_t i = 0; i < half; ++i) {
    mu[i] = 1;
    lpf[i] = 0;
  }
  int32_t fits = half;
  if (fits > capacity_) {
    // Entries beyond the bits cannot be sieved: they are left out (mu 0).
    ReportFault(msg::MoebiusSieveTooLong());
    fits = static_cast<int32_t>(capacity_);
    for (int32_t i = fits; i < half; ++i) mu[i] = 0;
  }
  prefixValid_ = 0;
  lo_ = 0.0;
  count_ = fits;
  hi_ = 2.0 * fits;
  memset(bits_.data(), 0, sizeof(uint32_t) * ((count_ >> 5) + 1));

  // Primes up to L: each flips mu of its multiples and strikes them; the first
  // prime to strike an entry is its least factor.
  int32_t i = NextUnstruck(1);
  for (; i < count_; i = NextUnstruck(i + 1)) {
    const int32_t p = 2 * i + 1;
    if (p > L) break;
    mu[i] = -1;
    lpf[i] = 0;
    for (int64_t j = static_cast<int64_t>(i) + p; j < count_; j += p) {
      mu[j] = static_cast<int8_t>(-mu[j]);
      uint32_t& word = bits_[j >> 5];
      const uint32_t bit = 1u << (j & 31);
      if ((word & bit) == 0) {
        lpf[j] = static_cast<uint16_t>(i);
        word |= bit;
      }
    }
  }
  // Every number left with a factor above L drops out of the table.
  for (; i < count_; i = NextUnstruck(i + 1)) {
    const int32_t q = 2 * i + 1;
    for (int64_t j = i; j < count_; j += q) mu[j] = 0;
  }
  // Square factors.
  for (i = NextUnstruck(1); i < count_; i = NextUnstruck(i + 1)) {
    const int64_t r = 2 * static_cast<int64_t>(i) + 1;
    const int64_t s = r * r;
    if (s > N) break;
    for (int64_t j = (s - 1) / 2; j < count_; j += s) mu[j] = 0;
  }
  if (count_ > 0) bits_[0] |= 1u;  // the number 1
  pos_ = -1;
  rank_ = 0.0;
}

double Block::BlockEstimate(double size) {
  return size * 0.5 * 0.03125 * 4.0 + size * 0.5 * 0.5 * 4.0;
}

double Block::Lo() const { return lo_; }
double Block::Hi() const { return hi_; }
int32_t Block::Count() const { return count_; }
