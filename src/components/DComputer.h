#pragma once
// The term D: minus the sum, over the odd primes p <= lowerBound and the odd
// m with z/p < m <= min(z, x/p^3), m > p and least prime factor of m above p,
// of mu(m) phi(floor(x/(m p)), pi(p) - 1), mu restricted to m whose prime
// factors are all at most y.
//
// The leaf values are walked in windows of a count-tree sieve: in each window
// the odd primes are struck out one after another, and just before p is
// struck every leaf of p in the window is counted with one tree query plus a
// per-prime running count of the unstruck odd integers of the earlier windows.
#include <cstdint>
#include <optional>

#include "base/Buffer.h"
#include "components/Computer.h"
#include "sieve/MMBlock.h"

class PrimeSeries;

class DComputer : public Computer {
 public:
  DComputer(const Integer& x, double y, double z, double blockFactor);
  ~DComputer() override;

  void GetName(char* out) const override;
  void GetRange(double& start, double& end) override;
  double EstimateMemory() override;
  void FreeTables() override;
  void Run() override;
  int IsNormalMode() const override;
  void InitRangeCount() override;
  void Prepare() override;

  // Read access for the leaf sum and for diagnostics.
  const Integer& XInteger() const { return x; }
  double XValue() const { return xValue; }
  int32_t ZTableLimit() const { return zTableLimit; }
  const uint16_t* LpfIndex() const { return lpfIndex.data(); }
  const int8_t* MuTable() const { return muTable.data(); }
  MMBlock* GetMMBlock() const { return mmBlock ? &*mmBlock : nullptr; }
  int32_t SegmentLength() const { return segmentLength; }
  int32_t MStep() const { return mStep; }
  int32_t PhiCount() const { return phiCount; }
  double PhiPosition() const { return phiPosition; }
  const double* PhiAcc() const { return phiAcc.data(); }

 private:
  // Sum of the entries of phiAcc modulo 10^9 over the primes p_b with
  // p_b^2 <= ceil(x / s) (x itself when s <= 0).
  double Checksum(double s, PrimeSeries& primes) const;

  double z;
  int32_t zTableLimit;
  // The tables of Prepare, freed by FreeTables.
  Buffer<uint16_t> lpfIndex;
  Buffer<int8_t> muTable;
  mutable std::optional<MMBlock> mmBlock;
  int32_t phiCount;
  Buffer<double> phiAcc;  // kept from one interval to the next
  double phiPosition;
  int32_t segmentLength;
  int32_t mStep;
};
