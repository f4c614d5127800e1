#pragma once
// Leaf sum of one prime p in one window of the D component: at the moment the
// odd primes below p are struck out of the window's count tree but p is not,
// adds mu(m) (base + count of unstruck odd integers in (lo, floor(x/(m p))])
// to sum for every admissible odd m with mLow < m <= mHigh.
//
// The m come from three sources split at zTableLimit and at p^3: the factor
// tables below zTableLimit, then either the given list (mList != nullptr:
// increasing m with nonzero weights) or, without a list, the two-prime
// enumerator up to p^3 - 1 and the Moebius block beyond. mLow is advanced as
// the range is consumed. sum moves into result whenever |sum| passes 10^15.
#include <cstdint>

class CBlock;
class DComputer;
class Integer;
class MBlock;

void SumLeaves(const DComputer& d, double& sum, Integer& result, double p, double& mLow,
               double mHigh, double base, const CBlock& block, MBlock& mblock, int32_t mStep,
               const double* mList, const int8_t* muList, int32_t count);
