// Placeholder until the top-level evaluation lands.
#include "engine/PiNYZ.h"

#include "auxcount/SmallPi.h"

Integer PiNYZ(const Integer& x, double, double, int) {
  return Integer(SmallPi(x.GetApprox()));
}
