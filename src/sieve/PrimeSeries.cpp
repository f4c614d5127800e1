#include "sieve/PrimeSeries.h"

#include <cmath>

#include "arith/Floor.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/Block.h"

namespace {

// The odd primes up to 19 as half-gaps from 3: the end of the recursion.
const uint8_t kSmallGaps[8] = {0, 1, 1, 2, 1, 2, 1, 0};
const double kSmallBase = 3.0;
const int32_t kSmallSize = 8;

// Largest room a series can be given: the gap array is indexed by 32 bits.
const double kMaxRoom = 2147483000.0;

// Sieve segments of 2^18 numbers: 16 KB of bits, within the first-level cache.
const double kSegment = 262144.0;

}  // namespace

PrimeSeries::PrimeSeries(double a, double b)
    : start_(DoubleFloor(a)), end_(b) {
  Run(-1);
}

PrimeSeries::PrimeSeries(double a, double b, int32_t maxNbPrimes)
    : start_(DoubleFloor(a)), end_(b) {
  Run(maxNbPrimes < 0 ? 0 : maxNbPrimes);
}

void PrimeSeries::UseSmallTable() {
  size_ = kSmallSize;
  gaps_ = Buffer<uint8_t>(size_);
  for (int32_t i = 0; i < size_; ++i) gaps_[i] = kSmallGaps[i];
  base_ = kSmallBase;
  count_ = kSmallSize - 1;  // let the walk below find the primes <= end
  StartIteration();
  int32_t kept = 0;
  while (Next() && cur_ <= end_) ++kept;
  Previous();
  last_ = cur_;
  count_ = kept;
  gaps_[count_] = 0;
}

void PrimeSeries::Run(int32_t forcedCapacity) {
  if (start_ == 0.0 && end_ < 23.0) {
    UseSmallTable();
    BuildIndex();
    return;
  }

  const double a = start_;
  const double b = end_;
  double n = 0.0;
  if (b >= 3.0 && a < b) {
    const double lb = log(b);
    const double eb = (b / lb) * (1.0 + 1.2762 / lb);
    double ea = 0.0;
    if (a > 2.0) {
      const double la = log(a);
      ea = (a / la) * (1.0 + 0.922 / la);
    }
    n = DoubleFloor(eb - ea) + 10.0;
    if (a > 2.0) {
      double cap = (b - a) * 0.5 + 1.0;
      const double other = sqrt(b) + (b - a) / log(a) + 1.0;
      if (other < cap) cap = other;
      cap = DoubleFloor(cap);
      if (n > cap) n = cap;
    }
  }
  if (forcedCapacity >= 0) n = forcedCapacity;
  if (n < 0.0) n = 0.0;
  if (n > kMaxRoom) n = kMaxRoom;
  const int32_t room = static_cast<int32_t>(n);
  size_ = room + 1;
  gaps_ = Buffer<uint8_t>(size_);
  gaps_[0] = 0;

  base_ = 0.0;
  double prev = 0.0;
  count_ = 0;
  if (b >= 3.0 && a < b) {
    const double r = DoubleFloor(sqrt(b)) + 1.0;
    PrimeSeries inner(0.0, r);
    double s = a < 2.0 ? 2.0 : a;
    // Segments of at least kSegment numbers (when the interval is that long):
    // every segment costs a floor per sieving prime, whatever its width.
    double width = b - s + 2.0 < kSegment ? b - s + 2.0 : kSegment;
    if (width < r) width = r;
    Block block(width);
    block.SetPrimes(&inner);
    bool full = false;  // a prime did not fit: the series ends before it
    while (s < b && !full) {
      const double e = s + width < b ? s + width : b;
      block.RunSieve(s, e);
      while (block.Next()) {
        const double p = block.Current();
        if (base_ == 0.0) {
          base_ = p;
          prev = p;
        }
        const double d = (p - prev) * 0.5;
        if (d > 255.0) {
          // The byte cannot hold the gap: keep the primes before it only.
          ReportFault(msg::PrimeGapTooLarge(d));
          full = true;
          break;
        }
        if (count_ >= room) {
          full = true;
          break;
        }
        gaps_[count_] = static_cast<uint8_t>(d);
        ++count_;
        prev = p;
      }
      s = e;
    }
    if (count_ == 0) base_ = 0.0;
    if (full && count_ >= room) {
      ReportFault(msg::PrimeRoomTooSmall());
    }
  }
  gaps_[count_] = 0;
  last_ = prev;
  BuildIndex();
}

void PrimeSeries::BuildIndex() {
  indexEntries_ = count_ / 10 + 2;
  indexStep_ = count_ / indexEntries_;
  indexValues_ = Buffer<double>(indexEntries_);
  StartIteration();
  for (int32_t i = 0; i < indexEntries_; ++i) {
    indexValues_[i] = cur_;
    for (int32_t k = 0; k < indexStep_; ++k) Next();
  }
  StartIteration();
}

int32_t PrimeSeries::GetCount() const { return count_; }

void PrimeSeries::StartIteration() {
  pos_ = -1;
  cur_ = base_;
}

void PrimeSeries::StartBackward() {
  pos_ = count_;
  cur_ = last_;
  markValue_ = cur_;
  markPos_ = count_;
}

void PrimeSeries::Seek(double x) {
  int32_t entry;
  if (indexValues_[indexEntries_ - 1] <= x) {
    entry = indexEntries_ - 1;
  } else {
    int32_t lo = 0;
    int32_t hi = indexEntries_ - 1;
    while (hi - lo > 1) {
      const int32_t mid = (lo + hi) / 2;
      if (x >= indexValues_[mid]) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    entry = lo;
  }
  cur_ = indexValues_[entry];
  pos_ = entry * indexStep_ - 1;
  const double k = DoubleFloor((x - cur_) * 0.5);
  if (k < 0.0) return;
  // Walk the half-gaps until their sum passes k, then step back once.
  int64_t sum = 0;
  int32_t g = 0;
  const int64_t limit = k < 4.0e18 ? static_cast<int64_t>(k) : static_cast<int64_t>(4.0e18);
  while (pos_ < count_) {
    if (sum > limit) break;
    ++pos_;
    g = gaps_[pos_];
    sum += g;
  }
  sum -= g;
  --pos_;
  cur_ += 2.0 * static_cast<double>(sum);
}

double PrimeSeries::GetBase() const { return base_; }
double PrimeSeries::GetLast() const { return last_; }

double EstimateCount(double a, double b) {
  const double a2 = a < 2.0 ? 2.0 : a;
  return 2.2 * (b / log(b) - a2 / log(a2));
}
