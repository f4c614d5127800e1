#include "driver/CheckedPi.h"

#include <cstdio>

#include "arith/Floor.h"
#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "driver/WindowPrimeCount.h"
#include "engine/PiNYZ.h"

namespace {
const char kContactAddress[] = "support@vantrel.example.org";
}

TuningParameters MainRunParameters(const Integer& x) {
  double s = x.FloorSqrt();
  double y = DefaultY(x);
  if (y >= s) y = s - 1.0;
  double z = DoubleFloor(2.4 * y);
  if (z >= s) z = s - 1.0;
  return {y, z};
}

TuningParameters SecondRunParameters(const Integer& x, TuningParameters main) {
  double s = x.FloorSqrt();
  double y = main.y + DoubleFloor(0.02 * main.y);
  double z = DoubleFloor(2.5 * y);
  if (z >= s) z = s - 1.0;
  return {y, z};
}

int CheckedPi(Integer x, Integer& result, int verbose) { return CheckedPi(x, result, verbose, PiNYZ); }

int CheckedPi(Integer x, Integer& result, int level, EngineFunction engine) {
  // The engine and the steps of the check report only at the verbose level;
  // the check's outcome is reported at both.
  int verbose = level == kCheckedPiVerbose ? 1 : 0;
  bool outcome = level != kCheckedPiSilent;
  double t0 = ElapsedSeconds();
  double s = x.FloorSqrt();
  TuningParameters main = MainRunParameters(x);
  result = engine(x, main.y, main.z, verbose);
  if (level == kCheckedPiQuiet) {
    char digits[64];
    result.Format(digits);
    printf("pi(x)=%s\n", digits);
    fflush(stdout);
  }

  double delta = DoubleFloor(0.1 * s);
  Integer x2 = x;
  x2.Add(delta);
  TuningParameters second = SecondRunParameters(x, main);
  if (verbose) {
    printf("\n");
    printf("Computation of pi(x+delta) :\n");
  }
  Integer difference = engine(x2, second.y, second.z, verbose);
  difference.Subtract(result);
  double d = difference.GetDouble();

  if (verbose) {
    printf("\n");
    printf("Checking delta value...");
    fflush(stdout);
  }
  double t1 = ElapsedSeconds();
  double count = WindowPrimeCount(x, x2);
  if (verbose) printf(" time=%.2lf\n", ElapsedSeconds() - t1);

  if (d != count) {
    if (outcome) {
      // The range loop ends this line with its own message.
      printf("Check KO, please report the problem to %s", kContactAddress);
      fflush(stdout);
    }
    return 1;
  }
  if (outcome) printf("Check OK, total time=%.2lf\n", ElapsedSeconds() - t0);
  return 0;
}
