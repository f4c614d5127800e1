#pragma once
// Leaf sum of one prime p in one window of the D component: at the moment the
// odd primes below p are struck out of the window but p is not, adds mu(m)
// (base + count of unstruck odd integers in (lo, floor(x/(m p))]) to sum for
// every admissible odd m with mLow < m <= mHigh.
//
// The m come from three sources split at the table limit and at p^3: the
// factor tables below the limit, then either the given list (increasing m
// with nonzero weights) or, without a list, the two-prime enumerator up to
// p^3 - 1 and the Moebius block beyond. mLow is advanced as the range is
// consumed. sum moves into result whenever |sum| passes 10^15.
#include <cstdint>

class CBlock;
class Integer;
class MBlock;
class MMBlock;

// What the leaf sum reads: D's tables and the window.
struct LeafTables {
  const Integer* x;
  int32_t tableLimit;         // the factor tables cover the odd m below it
  const uint16_t* lpfIndex;   // odd m at entry (m - 1) / 2: index of its least
                              // prime factor in the odd primes, 0 for none
  const int8_t* mu;           // and its Moebius value over the primes <= y
  MMBlock* twoPrimes;         // the m below p^3 when no list is given
  MBlock* moebius;            // the m from p^3 on when no list is given
  int32_t mStep;              // segment length of both enumerators
  const CBlock* window;       // the window, odd primes below p struck
};

// The m of a prime collected for a group of windows: increasing, nonzero
// weights. An empty list (m == nullptr) means: enumerate them.
struct LeafList {
  const double* m = nullptr;
  const int8_t* mu = nullptr;
  int32_t count = 0;
};

void SumLeaves(const LeafTables& t, double& sum, Integer& result, double p, double& mLow,
               double mHigh, double base, const LeafList& list);
