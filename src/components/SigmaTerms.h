#pragma once
// The Sigma term of pi(x): Sigma0 + ... + Sigma5 - Sigma6.
#include "arith/Integer.h"

Integer SigmaTerms(const Integer& x, double y, double u, double q);
Integer Sigma4(const Integer& x, double y, double q);
Integer Sigma5(const Integer& x, double y, double u);
Integer Sigma6(const Integer& x, double y, double u, double q);
