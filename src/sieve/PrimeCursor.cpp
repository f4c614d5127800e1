// Why the library's buffer rather than next_prime(): B asks for pi at about
// one bound per 50 primes at 10^18 (and at one per prime near sqrt(x)), so
// whole buffers are counted by their length and the partial one by strides
// and a short search; a prime costs a store in the library and almost nothing here.
// Each cursor owns its iterator and the iterator starts no threads, so
// pieces on several threads run their cursors side by side.
#include "sieve/PrimeCursor.h"

PrimeCursor::PrimeCursor(uint64_t start, double piStart, uint64_t stopHint)
    : primes_(start + 1, stopHint), count_(piStart) {
  Refill();
}

void PrimeCursor::Refill() {
  primes_.generate_next_primes();
  next_ = 0;
}

double PrimeCursor::CountTo(uint64_t bound) {
  // A buffer is never empty: the last prime of each one decides whether the
  // bound lies beyond it.
  while (primes_.primes_[primes_.size_ - 1] <= bound) {
    count_ += static_cast<double>(primes_.size_ - next_);
    Refill();
  }
  // Within the buffer: strides of 16 primes, then a search without branches
  // among the last 16 (a plain binary search over the buffer mispredicts at
  // most of its steps).
  const uint64_t* const primes = primes_.primes_;
  const size_t size = primes_.size_;
  size_t i = next_;
  while (i + 16 <= size && primes[i + 15] <= bound) i += 16;
  // The first prime above the bound lies among primes[i .. i + n - 1]: the
  // buffer's last prime is above it, and so is primes[i + 15] after a stride.
  size_t n = size - i < 16 ? size - i : 16;
  while (n > 1) {
    const size_t half = n / 2;
    i = primes[i + half - 1] <= bound ? i + half : i;
    n -= half;
  }
  count_ += static_cast<double>(i - next_);
  next_ = i;
  return count_;
}
