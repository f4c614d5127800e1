#include "auxcount/PiN.h"

#include "arith/Floor.h"
#include "auxcount/SmallPi.h"
#include "engine/PiNYZ.h"

Integer PiN(const Integer& x, int verbose) {
  double X = x.GetDouble();
  if (X < 50000.0) return Integer(SmallPi(X));
  double y = DefaultY(x);
  if (y * y >= X) return Integer(SmallPi(X));
  return PiNY(x, y, verbose);
}

Integer PiNY(const Integer& x, double y, int verbose) {
  double X = x.GetDouble();
  double z = DoubleFloor(2.5 * y);  // the default z, part of the definition of PiN
  if (z * z >= X) z = x.FloorSqrt() - 1.0;
  return PiNYZ(x, y, z, verbose);
}
