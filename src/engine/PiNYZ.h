#pragma once
// Top-level evaluation: pi(x) = A - B + C + D + phi0 + Sigma for the tuning
// parameters x^(1/3) < y <= z < x^(1/2) (components/Terms.h). Returns 0
// after a parameter error. With verbose set, the report of every term goes to
// the console: standard output, or a string that collects it.
//
// With threads > 1 the components A, B, C and D are each cut into pieces
// that the threads share (engine/SplitTerm); every term and pi(x) are the
// same for any number of threads. Their pieces must chain: when they do not,
// the evaluation throws EvaluationFailure (engine/EvaluationFailure.h). With
// one thread everything runs in the calling thread, each component in one
// piece.
#include "arith/Integer.h"
#include "base/Console.h"

Integer PiNYZ(const Integer& x, double y, double z, int verbose);
Integer PiNYZ(const Integer& x, double y, double z, int verbose, const Console& console);
Integer PiNYZ(const Integer& x, double y, double z, int verbose, const Console& console, int threads);
