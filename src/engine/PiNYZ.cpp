#include "engine/PiNYZ.h"

#include <cmath>
#include <cstdio>

#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "components/Terms.h"

Integer PiNYZ(const Integer& x, double y, double z, int verbose) {
  const double xd = x.GetApprox();
  if (verbose) {
    printf("Computing Pi(x) : ");
    printf("x=");
    x.Print();
    printf(" (%E)", xd);
    printf(" y=%.0lf, z=%.0lf\n", y, z);
  }
  if (xd < 100.0) return Integer(SmallPi(xd));
  if (z * z >= xd || z < y) {
    printf("Pb in PiNYZ, z is not in the good range\n");
    return Integer(0.0);
  }
  if (y * y * y <= xd || y * y >= xd) {
    printf("Pb in PiNY, y is not in the good range\n");
    return Integer(0.0);
  }

  const double t0 = ElapsedSeconds();
  const Integer A = TermA(x, y, z, verbose);
  const Integer B = TermB(x, y, z, verbose);
  const Integer C = TermC(x, y, z, verbose);
  const Integer D = TermD(x, y, z, verbose);
  const Integer phi0 = TermPhi0(x, y, z, verbose);
  const Integer sigma = TermSigma(x, y, z, verbose);

  Integer R(0.0);
  R.Add(A);
  R.Subtract(B);
  R.Add(C);
  R.Add(D);
  R.Add(phi0);
  R.Add(sigma);
  if (verbose) {
    printf("pi(x) total computation time : %.2lf\n", ElapsedSeconds() - t0);
    printf("pi(");
    x.Print();
    printf(")=");
    R.Print();
    printf("\n");
    fflush(stdout);
  }
  return R;
}
