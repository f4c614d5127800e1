#pragma once
// pi of an Integer argument: SmallPi for small arguments, the full
// combinatorial evaluation otherwise.
#include "arith/Integer.h"

Integer PiN(const Integer& x, int verbose);
Integer PiNY(const Integer& x, double y, int verbose);
