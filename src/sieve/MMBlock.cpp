#include "sieve/MMBlock.h"

#include <cmath>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "arith/Integer.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"

namespace {

// e = floor(a^(2/3) + 1): the prime list reaches every second factor r of a
// product q r <= a whose first factor q lies above a^(1/3).
int32_t ListLimit(double a) { return LongFloor(std::exp(std::log(a) * 2.0 / 3.0) + 1.0); }

}  // namespace

MMBlock::MMBlock(double a, double b, int32_t n)
    : mStart_(0.0),
      mEnd_(0.0),
      mLimit_(b),
      xArg_(a),
      p_(0.0),
      rootPrimes_(2.0, Integer(a).FloorSqrt()),
      primeLimit_(0),
      primeCount_(0),
      q_(0.0),
      qLimit_(0.0),
      qIndex_(-1),
      qIndexEnd_(0),
      rIndex_(0),
      rIndexEnd_(0),
      rLow_(0.0),
      rHigh_(0.0),
      value_(0.0),
      sign_(0.0),
      block_(static_cast<double>(n)),
      primesDone_(true) {
  block_.SetPrimes(&rootPrimes_);

  int32_t e = ListLimit(a);
  if (b < e) e = LongFloor(b);
  if (e < 0) e = 0;
  primeLimit_ = e;

  PrimeSeries list(2.0, static_cast<double>(e));
  primeCount_ = list.GetCount();
  primeArray_ = Buffer<double>(primeCount_ > 0 ? primeCount_ : 1);
  primeIndex_ = Buffer<int32_t>(static_cast<int64_t>(e) + 1);
  // primeIndex[n]: number of listed primes <= n, that is the index of the
  // first listed prime above n.
  int32_t k = 0;
  int64_t next = 0;  // first n not yet filled
  list.StartIteration();
  while (k < primeCount_ && list.Next()) {
    const double prime = list.Current();
    primeArray_[k] = prime;
    const int64_t stop = static_cast<int64_t>(prime) < e + 1LL ? static_cast<int64_t>(prime) : e + 1LL;
    for (; next < stop; ++next) primeIndex_[next] = k;
    ++k;
  }
  primeCount_ = k;
  for (; next <= e; ++next) primeIndex_[next] = primeCount_;
}

int32_t MMBlock::IndexAbove(double v) const {
  // Look-ups never go past the last entry e of the index.
  if (!(v > 0.0)) return primeIndex_[0];
  if (v >= primeLimit_) return primeIndex_[primeLimit_];
  return primeIndex_[static_cast<int32_t>(v)];
}

BRUNSK_HOT void MMBlock::FindFirstQ() {
  while (qIndex_ < qIndexEnd_) {
    q_ = primeArray_[qIndex_];
    rLow_ = DoubleFloor((mStart_ + 0.5) / q_);
    if (rLow_ < q_) rLow_ = q_;
    rHigh_ = DoubleFloor((mEnd_ + 0.5) / q_);
    if (rHigh_ > mLimit_) rHigh_ = mLimit_;
    if (rLow_ <= rHigh_) {
      rIndex_ = IndexAbove(rLow_);
      rIndexEnd_ = IndexAbove(rHigh_);
      if (rIndex_ < rIndexEnd_) return;  // this q has at least one r
    }
    ++qIndex_;
  }
  qIndex_ = -1;  // the products are exhausted
}

BRUNSK_HOT void MMBlock::RunSieve(double p, double mStart, double mEnd) {
  p_ = p;
  mStart_ = mStart;
  mEnd_ = mEnd;
  if (p * p * p < mEnd) ReportFault(msg::MMBlockPrimeTooSmall());
  if (xArg_ < mEnd) ReportFault(msg::MMBlockEndTooLarge());

  if (p * p <= mEnd) {
    qIndex_ = IndexAbove(p);  // first listed prime above p
    qLimit_ = DoubleFloor(std::sqrt(mEnd + 0.5));
    if (qLimit_ > primeLimit_) qLimit_ = primeLimit_;
    qIndexEnd_ = IndexAbove(qLimit_);
    FindFirstQ();
  } else {
    qIndex_ = -1;
    q_ = 0.0;
  }

  value_ = 0.0;
  const double from = mStart < mLimit_ ? mStart : mLimit_;
  const double to = mEnd < mLimit_ ? mEnd : mLimit_;
  if (from < to) {
    block_.RunSieve(from, to);
    block_.StartIteration();
    primesDone_ = false;
  } else {
    primesDone_ = true;  // no prime values in this window
  }
}

inline int MMBlock::Advance() {
  if (qIndex_ >= 0) {
    value_ = q_ * primeArray_[rIndex_];
    sign_ = 1.0;
    if (++rIndex_ >= rIndexEnd_) {
      ++qIndex_;
      FindFirstQ();
    }
    return 1;
  }
  sign_ = -1.0;
  while (!primesDone_) {
    if (!block_.Next()) {
      primesDone_ = true;
      break;
    }
    value_ = block_.Current();
    if (value_ > 1.0) return 1;  // 1 is left unstruck by the sieve, not a prime
  }
  return 0;
}

BRUNSK_HOT int MMBlock::Next() { return Advance(); }

BRUNSK_HOT int32_t MMBlock::NextValues(double* values, int32_t* signs, int32_t max) {
  int32_t n = 0;
  while (n < max && Advance()) {
    values[n] = value_;
    signs[n] = sign_ > 0.0 ? 1 : -1;
    ++n;
  }
  return n;
}

double MMBlock::GetValue(double& sign) const {
  sign = sign_;
  return value_;
}

double MMBlock::EstimateMemory(double a, int32_t n) {
  const int32_t e = ListLimit(a);
  const double le = std::log(static_cast<double>(e));
  const double listed = e > 2 ? 8.0 * LongFloor(e / le) : 0.0;
  return Block::BlockEstimate(static_cast<double>(n)) + EstimateCount(2.0, std::sqrt(a)) +
         EstimateCount(2.0, static_cast<double>(e)) + listed + 4.0 * e;
}
