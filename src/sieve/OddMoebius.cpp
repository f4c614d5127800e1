#include "sieve/OddMoebius.h"

#include <cmath>

#include "arith/Floor.h"
#include "sieve/PrimeSeries.h"

OddMoebius::OddMoebius(double z, double y, int32_t segment)
    : z_(static_cast<int64_t>(z)),
      y_(static_cast<int64_t>(y)),
      lo_(0),
      segment_(segment),
      size_(0),
      prod_(segment),
      mu_(segment) {
  PrimeSeries table(2.0, DoubleFloor(std::sqrt(z)));
  table.StartIteration();
  while (table.Next()) {
    const int64_t p = static_cast<int64_t>(table.Current());
    if (p * p > z_) break;
    primes_.push_back(static_cast<int32_t>(p));
    // Entry i stands for 2i + 1: p is entry (p - 1) / 2, p^2 entry (p^2 - 1) / 2.
    nextMultiple_.push_back((p - 1) / 2);
    nextSquare_.push_back((p * p - 1) / 2);
  }
}

bool OddMoebius::Next() {
  if (lo_ >= z_) return false;
  int64_t hi = lo_ + 2 * static_cast<int64_t>(segment_);
  if (hi > z_) hi = z_;
  const int32_t count = static_cast<int32_t>((hi - lo_ + 1) / 2);  // odd n in (lo, hi]
  const int64_t first = lo_ / 2;  // the index of lo + 1
  int32_t* const prod = prod_.data();
  for (int32_t i = 0; i < count; ++i) prod[i] = 1;
  for (size_t k = 0; k < primes_.size(); ++k) {
    const int32_t p = primes_[k];
    int64_t i = nextMultiple_[k] - first;
    for (; i < count; i += p) prod[i] *= -p;
    nextMultiple_[k] = first + i;
    i = nextSquare_[k] - first;
    const int64_t step = static_cast<int64_t>(p) * p;
    for (; i < count; i += step) prod[i] = 0;
    nextSquare_[k] = first + i;
  }
  // The product falls short of n by the one prime factor above sqrt(z), which
  // turns the sign and must not exceed y.
  int8_t* const mu = mu_.data();
  const int64_t base = lo_ + 1;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t pr = prod[i];
    const int64_t n = base + 2 * static_cast<int64_t>(i);
    const int64_t a = pr < 0 ? -pr : pr;
    const bool whole = a == n;
    const int32_t sign = (pr < 0) == whole ? -1 : 1;
    mu[i] = static_cast<int8_t>(sign * ((pr != 0) & (whole | (n <= y_ * a))));
  }
  first_ = static_cast<double>(base);
  size_ = count;
  lo_ = hi + (hi & 1);
  return true;
}
