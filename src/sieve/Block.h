#pragma once
// Basic segmented sieve: one bit per odd number of a window (lo, hi], entry i
// standing for n = lo + 1 + 2i; a set bit means struck out.
#include <cstdint>

class PrimeSeries;

class Block {
 public:
  explicit Block(double size);   // size: the widest window in numbers
  ~Block();
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  void SetPrimes(PrimeSeries* table);
  void RunSieve(double start, double end);   // odd n with start < n <= end
  void BuildCounts();
  double CountUpTo(int32_t d) const;         // unstruck odd n with lo < n <= lo + d
  double CountAll();

  void StartIteration();
  int Next();
  int Previous();
  double Current() const;                    // 1 + lo + 2 pos
  double Rank() const;

  // Moebius values and least-prime-factor entries of the odd n < N.
  void RunMoebiusSieve(int32_t N, uint16_t* lpf, int8_t* mu, double L);

  static double BlockEstimate(double size);

  double Lo() const;
  double Hi() const;
  int32_t Count() const;                     // entries in the current window

 private:
  double lo_, hi_, length_;
  PrimeSeries* primes_;
  uint32_t* bits_;
  double capacity_;
  int32_t words_;
  int32_t count_;
  int32_t* prefix_;
  int32_t prefixValid_;
  int32_t pos_;
  double rank_;
};
