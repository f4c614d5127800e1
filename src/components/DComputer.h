#pragma once
// The term D: minus the sum, over the odd primes p <= lowerBound and the odd
// m with z/p < m <= min(z, x/p^3), m > p and least prime factor of m above p,
// of mu(m) phi(floor(x/(m p)), pi(p) - 1), mu restricted to m whose prime
// factors are all at most y.
//
// The leaf values are walked in windows of a sieve with counts per chunk: in
// each window the odd primes are struck out one after another, and just
// before p is struck every leaf of p in the window is counted with one query
// of the window plus a per-prime running count of the unstruck odd integers
// of the earlier windows.
#include <cstdint>
#include <memory>
#include <optional>

#include "base/Buffer.h"
#include "components/Computer.h"
#include "components/FactorTable.h"
#include "components/SumLeaves.h"
#include "sieve/MMBlock.h"

class CBlock;
class MBlock;
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
  void ShareTablesOf(const Computer& other) override;  // the factor tables

  // The tables of the leaf sum (after Prepare) with a window and a Moebius
  // block of MStep() numbers.
  LeafTables LeafTablesFor(const CBlock& window, MBlock& mblock) const;
  bool TablesBuilt() const { return mmBlock.has_value(); }
  int32_t MStep() const { return mStep; }
  // The running counts of the primes of the component, for diagnostics.
  int32_t PhiCount() const { return phiCount; }
  const double* PhiAcc() const { return phiAcc.data(); }

 private:
  // Sum of the entries of phiAcc modulo 10^9 over the primes p_b with
  // p_b^2 <= ceil(x / s) (x itself when s <= 0).
  double Checksum(double s, PrimeSeries& primes) const;

  // Run in three parts: the setup (Run itself), the collection of a group's
  // m, and the sweep of one window.
  struct Sweep;
  void MRange(const Sweep& s, int32_t b, const Integer* XL, const Integer& XH, double& mLow,
              double& mHigh) const;
  void CollectGroup(Sweep& s, double lo, double H);
  void SweepWindow(Sweep& s, double lo, double hi, bool fromLists);

  double z;
  int32_t zTableLimit;
  // The tables of Prepare, freed by FreeTables.
  std::shared_ptr<const FactorTable> factors;  // of the odd m below zTableLimit
  mutable std::optional<MMBlock> mmBlock;  // its cursor moves under a const leaf sum
  int32_t phiCount;
  Buffer<double> phiAcc;  // kept from one interval to the next
  double phiPosition;
  int32_t segmentLength;
  int32_t mStep;
};
