#include "components/BComputer.h"

#include <cstring>

BComputer::BComputer(const Integer& x_, double y_, double blockFactor_)
    : Computer(x_, y_, blockFactor_) {}
BComputer::~BComputer() {}
void BComputer::GetName(char* out) const { strcpy(out, "B"); }
void BComputer::GetRange(double& start, double& end) { start = end = 0.0; }
double BComputer::EstimateMemory() { return 0.0; }
void BComputer::Run() {}
