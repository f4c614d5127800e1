#include "components/BComputer.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "base/Messages.h"
#include "sieve/Block.h"
#include "sieve/PrimeSeries.h"
#include "sieve/SubBlock.h"

BComputer::BComputer(const Integer& x_, double y_, double blockFactor_)
    : Computer(x_, y_, blockFactor_) {}

BComputer::~BComputer() {}

void BComputer::GetName(char* out) const { strcpy(out, "B"); }

void BComputer::GetRange(double& start, double& end) {
  start = x.CeilSqrt() - 1.0;
  end = x.CeilQuotient(Integer(y));
}

double BComputer::EstimateMemory() {
  double a = EstimateCount(3.0, std::sqrt(xValue / y) + 1.0);
  // The wheel's residue classes prime to p0 as x grows: 2, 8 or (at most) 96.
  double k = xValue < 1e16 ? 2.0 : (xValue < 1e20 ? 8.0 : 96.0);
  double c = SubBlock::SubBlockEstimate(1638400.0) * k;
  return a + c + EstimateCount(2.0, c);
}

void BComputer::Run() { Sweep(); }

BRUNSK_HOT void BComputer::Sweep() {
  InitRangeCount();
  const double S = x.FloorSqrt();

  // Wheel: 2.3, 2.3.5 or 2.3.5.7 as x grows. The wheel thresholds and the
  // window of p0 * 200 * 8 * 1024 numbers are part of B's definition: with
  // them the windows over the interval up to x/y stay few.
  double b;
  if (xValue < 1e16)
    b = 3.0;
  else if (xValue < 1e20)
    b = 5.0;
  else
    b = (rangeEnd * rangeEnd / xValue < 8.0) ? 5.0 : 7.0;

  PrimeSeries sievePrimes(b, std::sqrt(xValue / y) + 1.0);
  PrimeSeries wheelPrimes(2.0, b);

  double p0 = 2.0;
  int32_t phi = 1;
  wheelPrimes.StartIteration();
  while (wheelPrimes.Next()) {
    double p = wheelPrimes.Current();
    p0 *= p;
    phi *= LongFloor(p - 1.0);
  }

  int32_t W = LongFloor(p0 * 200.0 * 8.0 * 1024.0);
  if (rangeEnd - rangeStart < W) W = LongFloor(rangeEnd - rangeStart);
  if (W < 1) W = 1;

  // The residues prime to p0: 1, then the numbers of (b, p0) that no wheel
  // prime divides.
  std::vector<double> residues(phi);
  int32_t found = 0;
  {
    Block wheel(p0);
    wheel.SetPrimes(&wheelPrimes);
    wheel.RunSieve(b + 1.0, p0);
    residues[found++] = 1.0;
    wheel.StartIteration();
    while (wheel.Next()) {
      if (found < phi) residues[found] = wheel.Current();
      ++found;
    }
  }
  if (found != phi) {
    console.Write(msg::WheelResiduesWrong(b));
    if (found > phi) found = phi;
  }

  const int32_t subCapacity = static_cast<int32_t>(std::trunc(W / p0)) + 1;
  std::vector<SubBlock> subs;
  subs.reserve(found);
  for (int32_t i = 0; i < found; ++i) {
    subs.emplace_back(p0, residues[i], subCapacity);
    subs.back().SetPrimes(&sievePrimes);
  }

  // Per class: its residue, and where its first member lies against a common
  // base below the window (filled window by window).
  std::vector<int32_t> classResidue(found), classShift(found), classCount(found);
  for (int32_t i = 0; i < found; ++i) classResidue[i] = LongFloor(residues[i]);
  const int32_t modulus = LongFloor(p0);

  piAtRangeStart = piCurrent;
  double start = rangeStart;
  const double yFloor = DoubleFloor(y);
  while (start < rangeEnd) {
    double hi = start + W;
    if (hi > rangeEnd) hi = rangeEnd;
    double T = 0.0;
    double firstMin = 0.0;
    for (int32_t i = 0; i < found; ++i) {
      SubBlock& s = subs[i];
      s.RunSieve(start, hi);
      s.BuildCounts();
      if (i == 0 || s.First() < firstMin) firstMin = s.First();
    }
    // Members of class i are (First_i + j) M + r_i. With f - base = Q M + R,
    // base = (firstMin - 1) M < start, the members <= f are those with
    // j <= Q - (R < r_i) - (First_i - firstMin + 1).
    const double base = (firstMin - 1.0) * p0;
    for (int32_t i = 0; i < found; ++i) {
      classShift[i] = LongFloor(subs[i].First() - firstMin) + 1;
      classCount[i] = subs[i].Count();
    }

    const double piWindowStart = piCurrent;

    // The primes p with start < x/p <= hi.
    double pLow = x.CeilQuotient(Integer(hi)) - 1.0;
    if (pLow < yFloor) pLow = yFloor;
    double pHigh = x.CeilQuotient(Integer(start)) - 1.0;
    if (pHigh > S) pHigh = S;

    if (pLow < pHigh) {
      PrimeSeries ps(pLow, pHigh);
      ps.StartBackward();
      while (ps.Previous()) {
        const double p = ps.Current();
        const double q = xValue / p;
        double f = DoubleFloor(q);
        const double margin = q * kRelativeMargin;
        const double frac = q - f;
        if (frac < margin || frac > 1.0 - margin) f = x.FloorQuotient(Integer(p));
        // 0 < f - base < W + 2 M, below 2^31.
        const uint32_t d = static_cast<uint32_t>(static_cast<int64_t>(f - base));
        const int32_t Q = static_cast<int32_t>(d / static_cast<uint32_t>(modulus));
        const int32_t R = static_cast<int32_t>(d - static_cast<uint32_t>(Q) * modulus);
        int32_t k = 0;
        for (int32_t i = 0; i < found; ++i) {
          int32_t e = Q - (R < classResidue[i] ? 1 : 0) - classShift[i] + 1;  // members <= f
          if (e < 0) e = 0;
          if (e > classCount[i]) e = classCount[i];
          k += subs[i].CountBelow(e);
        }
        piCurrent = piWindowStart + k;
        T += piCurrent;
        if (T * T > kFlushThreshold) {
          result.Add(T);
          T = 0.0;
        }
      }
    }
    result.Add(T);

    // The count moves on to the end of the window.
    double all = 0.0;
    for (const SubBlock& s : subs) all += s.CountBelow(s.Count());
    piCurrent = piWindowStart + all;

    sieveCurrent = hi;
    start = hi;
    ShowProgress(hi);
  }

  piAtRangeEnd = piCurrent;
}
