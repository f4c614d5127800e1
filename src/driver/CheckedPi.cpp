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

int CheckedPi(Integer x, Integer& result, int verbose) { return CheckedPi(x, result, verbose, PiNYZ); }

int CheckedPi(Integer x, Integer& result, int verbose, EngineFunction engine) {
  double t0 = ElapsedSeconds();
  double s = x.FloorSqrt();

  // Main run: the default y, z = 2.4 y, both kept below sqrt(x).
  double y = DefaultY(x);
  if (y >= s) y = s - 1.0;
  double z = DoubleFloor(2.4 * y);
  if (z >= s) z = s - 1.0;
  result = engine(x, y, z, verbose);

  // Second run at x + delta with y raised by 2% and z = 2.5 y2, so that the
  // two runs split their counts differently.
  double delta = DoubleFloor(0.1 * s);
  Integer x2 = x;
  x2.Add(delta);
  double y2 = y + DoubleFloor(0.02 * y);
  double z2 = DoubleFloor(2.5 * y2);
  if (z2 >= s) z2 = s - 1.0;
  if (verbose) {
    printf("\n");
    printf("Computation of pi(x+delta) :\n");
  }
  Integer difference = engine(x2, y2, z2, verbose);
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
    if (verbose) {
      // The range loop ends this line with its own message.
      printf("Check KO, please report the problem to %s", kContactAddress);
      fflush(stdout);
    }
    return 1;
  }
  if (verbose) printf("Check OK, total time=%.2lf\n", ElapsedSeconds() - t0);
  return 0;
}
