#include "sieve/MMBlock.h"

#include <cmath>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Console.h"
#include "base/Messages.h"
#include "sieve/PrimeSeries.h"

namespace {

// e = floor(a^(2/3) + 1): the prime list reaches every second factor r of a
// product q r <= a whose first factor q lies above a^(1/3).
int32_t ListLimit(double a) { return LongFloor(std::exp(std::log(a) * 2.0 / 3.0) + 1.0); }

}  // namespace

MMBlock::MMBlock(double a, double b)
    : mStart_(0.0),
      mEnd_(0.0),
      mLimit_(b),
      xArg_(a),
      p_(0.0),
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
      primeWord_(0),
      primeLastWord_(0),
      primeLeft_(0),
      primeLastMask_(0) {
  const int64_t bits = b >= 1.0 ? static_cast<int64_t>(DoubleFloor(b)) / 2 + 1 : 1;
  primeBits_ = Buffer<uint64_t>::Zeroed(bits / 64 + 1);
  {
    PrimeSeries odd(2.0, b >= 3.0 ? DoubleFloor(b) : 2.0);
    odd.StartIteration();
    while (odd.Next()) {
      const int64_t i = static_cast<int64_t>(odd.Current()) >> 1;
      if (odd.Current() > 2.0) primeBits_[i >> 6] |= uint64_t{1} << (i & 63);
    }
  }

  int32_t e = ListLimit(a);
  if (b < e) e = LongFloor(b);
  if (e < 0) e = 0;
  primeLimit_ = e;

  PrimeSeries list(2.0, static_cast<double>(e));
  primeCount_ = list.GetCount();
  primeArray_ = Buffer<double>(primeCount_ > 0 ? primeCount_ : 1);
  int32_t k = 0;
  list.StartIteration();
  while (k < primeCount_ && list.Next()) primeArray_[k++] = list.Current();
  primeCount_ = k;

  // The counts of listed primes come from the bit table: the primes of the
  // words before a word, then those of the word below the bit.
  const int64_t words = ((static_cast<int64_t>(e) + 1) >> 7) + 1;
  primeWordCount_ = Buffer<int32_t>(words);
  int32_t c = 0;
  for (int64_t w = 0; w < words; ++w) {
    primeWordCount_[w] = c;
    c += __builtin_popcountll(primeBits_[w]);
  }
}

// The odd numbers up to n are the bits below (n + 1) / 2.
inline int32_t MMBlock::CountAbove(double v) const {
  if (!(v > 0.0)) return 0;
  if (v >= primeLimit_) return primeCount_;
  const int32_t bits = (static_cast<int32_t>(v) + 1) >> 1;
  const uint64_t below = primeBits_[bits >> 6] & ((uint64_t{1} << (bits & 63)) - 1u);
  return primeWordCount_[bits >> 6] + __builtin_popcountll(below);
}

BRUNSK_HOT_BODY void MMBlock::FindFirstQBody() {
  // Locals, so that the members are written once, not per q.
  const double* const primes = primeArray_.data();
  const double mStart = mStart_ + 0.5, mEnd = mEnd_ + 0.5, mLimit = mLimit_;
  const int32_t end = qIndexEnd_;
  for (int32_t k = qIndex_; k < end; ++k) {
    const double q = primes[k];
    double rLow = DoubleFloor(mStart / q);
    if (rLow < q) rLow = q;
    double rHigh = DoubleFloor(mEnd / q);
    if (rHigh > mLimit) rHigh = mLimit;
    if (rLow <= rHigh) {
      const int32_t first = CountAbove(rLow);
      const int32_t last = CountAbove(rHigh);
      if (first < last) {  // this q has at least one r
        qIndex_ = k;
        q_ = q;
        rLow_ = rLow;
        rHigh_ = rHigh;
        rIndex_ = first;
        rIndexEnd_ = last;
        return;
      }
    }
  }
  qIndex_ = -1;  // the products are exhausted
}

void MMBlock::FindFirstQ() {
  BRUNSK_HOT_DISPATCH(FindFirstQBody());
}

BRUNSK_HOT_BODY void MMBlock::RunSieveBody(double p, double mStart, double mEnd) {
  p_ = p;
  mStart_ = mStart;
  mEnd_ = mEnd;
  if (p * p * p < mEnd) ReportFault(msg::MMBlockPrimeTooSmall());
  if (xArg_ < mEnd) ReportFault(msg::MMBlockEndTooLarge());

  if (p * p <= mEnd) {
    qIndex_ = CountAbove(p);  // first listed prime above p
    qLimit_ = DoubleFloor(std::sqrt(mEnd + 0.5));
    if (qLimit_ > primeLimit_) qLimit_ = primeLimit_;
    qIndexEnd_ = CountAbove(qLimit_);
    FindFirstQ();
  } else {
    qIndex_ = -1;
    q_ = 0.0;
  }

  // The odd n with from < n <= to are the bits first .. last.
  value_ = 0.0;
  const double from = DoubleFloor(mStart < mLimit_ ? mStart : mLimit_);
  const double to = DoubleFloor(mEnd < mLimit_ ? mEnd : mLimit_);
  const int64_t first = from < 0.0 ? 0 : static_cast<int64_t>(from + 1.0) >> 1;
  const int64_t last = to < 1.0 ? -1 : (static_cast<int64_t>(to) - 1) >> 1;
  if (first <= last) {
    primeWord_ = first >> 6;
    primeLastWord_ = last >> 6;
    primeLastMask_ = (uint64_t{2} << (last & 63)) - 1u;  // all ones when last ends its word
    primeLeft_ = primeBits_[primeWord_] & (~uint64_t{0} << (first & 63));
    if (primeWord_ == primeLastWord_) primeLeft_ &= primeLastMask_;
  } else {
    primeWord_ = primeLastWord_ = 0;  // no prime values in this window
    primeLeft_ = 0;
  }
}

void MMBlock::RunSieve(double p, double mStart, double mEnd) {
  BRUNSK_HOT_DISPATCH(RunSieveBody(p, mStart, mEnd));
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
  while (primeLeft_ == 0) {
    if (primeWord_ >= primeLastWord_) return 0;
    primeLeft_ = primeBits_[++primeWord_];
    if (primeWord_ == primeLastWord_) primeLeft_ &= primeLastMask_;
  }
  const int64_t i = 64 * primeWord_ + __builtin_ctzll(primeLeft_);
  primeLeft_ &= primeLeft_ - 1u;
  value_ = static_cast<double>(2 * i + 1);
  return 1;
}

BRUNSK_HOT_BODY int MMBlock::NextBody() { return Advance(); }

int MMBlock::Next() {
  BRUNSK_HOT_DISPATCH(NextBody());
}

BRUNSK_HOT_BODY int32_t MMBlock::NextValuesBody(double* values, int32_t* signs, int32_t max) {
  int32_t n = 0;
  // The products q r of the current q, as many as fit, q after q.
  const double* const primes = primeArray_.data();
  while (qIndex_ >= 0 && n < max) {
    const double q = q_;
    int32_t i = rIndex_;
    const int32_t stop = rIndexEnd_ - i > max - n ? i + (max - n) : rIndexEnd_;
    for (; i < stop; ++i, ++n) {
      values[n] = q * primes[i];
      signs[n] = 1;
    }
    rIndex_ = i;
    if (i >= rIndexEnd_) {
      ++qIndex_;
      FindFirstQ();
    }
  }
  if (qIndex_ < 0) {
    // Then the primes of the window, bit after bit.
    const uint64_t* const bits = primeBits_.data();
    int64_t word = primeWord_;
    uint64_t left = primeLeft_;
    while (n < max) {
      if (left == 0) {
        if (word >= primeLastWord_) break;
        left = bits[++word];
        if (word == primeLastWord_) left &= primeLastMask_;
        continue;
      }
      const int64_t i = 64 * word + __builtin_ctzll(left);
      left &= left - 1u;
      values[n] = static_cast<double>(2 * i + 1);
      signs[n] = -1;
      ++n;
    }
    primeWord_ = word;
    primeLeft_ = left;
  }
  if (n > 0) {  // GetValue reads the last value handed over
    value_ = values[n - 1];
    sign_ = signs[n - 1];
  }
  return n;
}

int32_t MMBlock::NextValues(double* values, int32_t* signs, int32_t max) {
  BRUNSK_HOT_DISPATCH(NextValuesBody(values, signs, max));
}

double MMBlock::GetValue(double& sign) const {
  sign = sign_;
  return value_;
}

double MMBlock::EstimateMemory(double a, double b) {
  const int32_t e = ListLimit(a);
  const double le = std::log(static_cast<double>(e));
  const double listed = e > 2 ? 8.0 * LongFloor(e / le) : 0.0;
  const double table = 8.0 * (DoubleFloor((b >= 1.0 ? DoubleFloor(b) : 1.0) / 128.0) + 1.0);
  const double counts = 4.0 * (DoubleFloor((static_cast<double>(e) + 1.0) / 128.0) + 1.0);
  return table + EstimateCount(2.0, static_cast<double>(e)) + listed + counts;
}
