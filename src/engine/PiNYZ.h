#pragma once
// Top-level evaluation: pi(x) = A - B + C + D + phi0 + Sigma for the tuning
// parameters x^(1/3) < y <= z < x^(1/2). Returns 0 after a parameter error.
#include "arith/Integer.h"

Integer PiNYZ(const Integer& x, double y, double z, int verbose);
