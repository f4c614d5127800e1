#pragma once
// The formula on one screen: pi(x) = A - B + C + D + phi0 + Sigma for the
// parameters x^(1/3) < y <= z < x^(1/2), each term a function of (x, y, z).
// The top-level evaluation (engine/PiNYZ) checks the parameters and adds the
// terms up; with verbose set, each term reports its "name=value, time=t" line
// (A to D after their "Computing" line and progress dots) on the console.
#include "arith/Integer.h"
#include "base/Console.h"

// A: the sum of w pi(x/(p q)) over the primes max(x^(1/4), x/y^2) < p <=
// x^(1/3) and p < q <= sqrt(x/p), w = 2 when the quotient is below y
// (AComputer).
Integer TermA(const Integer& x, double y, double z, int verbose,
    const Console& console = Console());
// B: the sum of pi(x/p) over the primes y < p <= sqrt(x) (BComputer).
Integer TermB(const Integer& x, double y, double z, int verbose,
    const Console& console = Console());
// C: the special leaves with cbrt(x/z) < p that a running count evaluates
// (CComputer).
Integer TermC(const Integer& x, double y, double z, int verbose,
    const Console& console = Console());
// D: the special leaves of the small primes, counted in a sieve with counts
// per chunk (DComputer).
Integer TermD(const Integer& x, double y, double z, int verbose,
    const Console& console = Console());
// phi0: the ordinary leaves, mu(n) floor((floor(x/n) + 1) / 2) over n <= z
// (OrdinaryLeafSum).
Integer TermPhi0(const Integer& x, double y, double z, int verbose,
    const Console& console = Console());
// Sigma: Sigma0 + ... + Sigma5 - Sigma6 (SigmaTerms).
Integer TermSigma(const Integer& x, double y, double z, int verbose,
    const Console& console = Console());
