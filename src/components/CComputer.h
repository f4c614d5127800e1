#pragma once
// The term C: minus the sum of mu(m) L(m, p) over the special leaves x/(p m)
// with cbrt(x/z) < p <= lowerBound that a running prime count can evaluate.
// The leaves are visited window by window over n = x/(p m); the m values of
// a window come from a factor table, a sieve of primes and a Moebius sieve.
#include <cstdint>
#include <memory>
#include <optional>

#include "base/Buffer.h"
#include "components/Computer.h"
#include "components/FactorTable.h"
#include "sieve/MBlock.h"
#include "sieve/PrimeSeries.h"

class Block;

class CComputer : public Computer {
 public:
  CComputer(const Integer& x, double y, double z, double blockFactor);
  ~CComputer() override;

  void GetName(char* out) const override;
  void GetRange(double& start, double& end) override;
  double EstimateMemory() override;
  void FreeTables() override;
  void Run() override;
  void Prepare() override;
  void ShareTablesOf(const Computer& other) override;  // the factor tables

 private:
  // Bounds of the current window, handed to every LeafSum call.
  struct Window {
    double X1, X2;        // X1 < p m <= X2, as doubles
    Integer P1, P2;       // the same bounds, exact
    const Block* block;   // the n-window sieve, prefix counts built
    double lo;            // its even lower boundary
    double root;          // floor(cbrt(x/m)) for the largest m so far
    double T;             // double accumulator of the window
  };
  void LeafSum(double m, double a, double mu, Window& w);
  // The body of LeafSum, one text for every copy of the hot loops
  // (arith/HotPath.h).
  void LeafSumBody(double m, double a, double mu, Window& w);

  double z;
  int32_t factorLimit;
  // The tables of Prepare, freed by FreeTables.
  std::shared_ptr<const FactorTable> factors;  // of the odd m below factorLimit
  int32_t bigPrimeCount;
  Buffer<double> bigPrimeArray;
  Buffer<double> bigPrimeInverse;  // 1/p of each entry of bigPrimeArray
  Buffer<int32_t> bigPrimeIndex;
  std::optional<PrimeSeries> sievePrimes;
  double cubeRootXz;
  double piCubeRootXz;
  int32_t windowLength;   // of the m windows
  int32_t nWindowLength;  // of the n windows
  std::optional<PrimeSeries> mPrimes;
  std::optional<MBlock> mBlock;
};
