#pragma once
// Moebius values of the odd numbers below a bound z, restricted to the
// numbers whose prime factors are all at most y, one segment after another
// from 1 up: each odd n gets the signed product of its distinct prime factors
// up to sqrt(z) (0 when the square of one divides n) in 32-bit integers, and
// what is left of n is its one prime factor above sqrt(z), if any.
// For z < 2^31 and y >= sqrt(z).
#include <cstdint>
#include <vector>

class OddMoebius {
 public:
  // Segments of `segment` odd numbers.
  OddMoebius(double z, double y, int32_t segment);
  OddMoebius(const OddMoebius&) = delete;
  OddMoebius& operator=(const OddMoebius&) = delete;

  // The next segment, the odd n with lo < n <= min(lo + 2 segment, z), lo
  // even (0 for the first): false once z is passed. Entry i of Values(),
  // i < Size(), is the value of First() + 2i.
  bool Next();
  double First() const { return first_; }
  const int8_t* Values() const { return mu_.data(); }
  int32_t Size() const { return size_; }

 private:
  int64_t z_, y_, lo_;
  int32_t segment_, size_;
  std::vector<int32_t> primes_;
  std::vector<int64_t> nextMultiple_;  // index of each prime's next odd multiple past the segment
  std::vector<int64_t> nextSquare_;    // and of its square's
  std::vector<int32_t> prod_;
  std::vector<int8_t> mu_;
  double first_;
};
