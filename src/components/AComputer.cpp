#include "components/AComputer.h"

#include <cstring>

#include "engine/PrimeSeries.h"
#include "sieve/Block.h"

AComputer::AComputer(const Integer& x_, double y_, double blockFactor_)
    : Computer(x_, y_, blockFactor_), primes(nullptr) {}
AComputer::~AComputer() { delete primes; }
void AComputer::GetName(char* out) const { strcpy(out, "A"); }
void AComputer::GetRange(double& start, double& end) { start = end = 0.0; }
double AComputer::EstimateMemory() { return 0.0; }
void AComputer::FreeTables() {
  delete primes;
  primes = nullptr;
}
void AComputer::Run() {}
void AComputer::Prepare() {}
Integer AComputer::SumBlock(const Block&, double, double, double, double, double, double) {
  return Integer(0.0);
}
