#pragma once
// The term B: the sum of pi(floor(x/p)) over the primes y < p <= sqrt(x).
// The primes p are taken in decreasing order, so that the quotients x/p
// increase and one running count of the primes (PrimeCursor) only moves
// forward over the interval; the sum is flushed window by window.
#include "components/Computer.h"

class BComputer : public Computer {
 public:
  BComputer(const Integer& x, double y, double blockFactor);
  ~BComputer() override;

  void GetName(char* out) const override;
  void GetRange(double& start, double& end) override;
  double EstimateMemory() override;
  void Run() override;

 private:
  // The body of Sweep, one text for every copy of the hot loops
  // (arith/HotPath.h).
  void SweepBody();

  void Sweep();  // the work of Run, in the innermost-loop build
};
