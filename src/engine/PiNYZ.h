#pragma once
// Top-level evaluation: pi(x) = A - B + C + D + phi0 + Sigma for the tuning
// parameters x^(1/3) < y <= z < x^(1/2) (components/Terms.h). Returns 0
// after a parameter error. With verbose set, the report of every term goes to
// the console: standard output, or a string that collects it.
#include "arith/Integer.h"
#include "base/Console.h"

Integer PiNYZ(const Integer& x, double y, double z, int verbose);
Integer PiNYZ(const Integer& x, double y, double z, int verbose, const Console& console);
