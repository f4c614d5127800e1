#include "components/CComputer.h"

#include <cstring>

CComputer::CComputer(const Integer& x_, double y_, double z_, double blockFactor_)
    : Computer(x_, y_, blockFactor_), z(z_), factorLimit(0), lpfTable(nullptr),
      muTable(nullptr), bigPrimes(nullptr), bigPrimeCount(0), bigPrimeArray(nullptr),
      bigPrimeIndex(nullptr), sievePrimes(nullptr), cubeRootXz(0.0), piCubeRootXz(0.0),
      windowLength(0), mPrimes(nullptr), mBlock(nullptr) {}
CComputer::~CComputer() {}
void CComputer::GetName(char* out) const { strcpy(out, "C"); }
void CComputer::GetRange(double& start, double& end) { start = end = 0.0; }
double CComputer::EstimateMemory() { return 0.0; }
void CComputer::FreeTables() {}
void CComputer::Run() {}
void CComputer::Prepare() {}
void CComputer::LeafSum(double, double, double, Window&) {}
