#include "engine/SigmaTerms.h"

Integer SigmaTerms(const Integer&, double, double, double) { return Integer(0.0); }
Integer Sigma4(const Integer&, double, double) { return Integer(0.0); }
Integer Sigma5(const Integer&, double, double) { return Integer(0.0); }
Integer Sigma6(const Integer&, double, double, double) { return Integer(0.0); }
