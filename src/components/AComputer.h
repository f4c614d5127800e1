#pragma once
// The term A: the sum of w * pi(floor(x/(p q))) over the primes
// lowerBound < p <= cubeRootX and p < q <= floor(sqrt(x/p)), with weight
// w = 2 when the quotient is below y and 1 otherwise. The quotients are
// walked in sieve windows with a running prime count.
#include <optional>
#include <vector>

#include "components/Computer.h"
#include "sieve/PrimeSeries.h"

class Block;

class AComputer : public Computer {
 public:
  AComputer(const Integer& x, double y, double blockFactor);
  ~AComputer() override;

  void GetName(char* out) const override;
  void GetRange(double& start, double& end) override;
  double EstimateMemory() override;
  void FreeTables() override;
  void Run() override;
  void Prepare() override;

 private:
  // The body of SumBlock, one text for every copy of the hot loops
  // (arith/HotPath.h).
  Integer SumBlockBody(const Block& block, double u, double v, double qLo, double qHi, double start,
                       double hi);

  // Pairs u < p <= v, qLo < q <= qHi whose quotient falls in the window
  // (start, hi] currently held by block.
  Integer SumBlock(const Block& block, double u, double v, double qLo, double qHi,
                   double start, double hi);

  std::optional<PrimeSeries> primes;  // the p of the sum, from Prepare
  std::vector<double> qs;         // the q of one SumBlock, reused from call to call
  std::vector<double> qInverses;  // their reciprocals
};
