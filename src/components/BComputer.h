#pragma once
// The term B: the sum of pi(floor(x/p)) over the primes y < p <= sqrt(x).
// The quotients are sieved in large windows with a wheel, one sub-sieve per
// residue class prime to the wheel modulus; within a window the primes are
// taken in decreasing order so that the running count only moves forward.
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
  void Sweep();  // the work of Run, in the innermost-loop build
};
