#include "engine/PiNYZ.h"

#include <cmath>
#include <cstdio>

#include "arith/Floor.h"
#include "auxcount/PhiNFast.h"
#include "auxcount/SmallPi.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "driver/ElapsedSeconds.h"
#include "engine/SigmaTerms.h"

namespace {

// Runs one component to completion and returns its term; the object lives
// only for this call, so one component exists at a time.
Integer RunComponent(Computer& c, int verbose) {
  c.SetVerbose(verbose);
  c.TimedRun();
  Integer r;
  c.GetResult(&r);
  return r;
}

}  // namespace

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
  Integer Y(y);
  Integer Y2;
  Y2.Product(Y, Y);
  Integer quotient;
  quotient.Divide(x, Y2);
  double q = quotient.GetDouble();
  const double r4 = DoubleFloor(std::sqrt(x.FloorSqrt()));
  if (r4 > q) q = r4;
  const double u = x.FloorCbrt();

  Integer A(0.0), B(0.0), C(0.0), D(0.0), phi0(0.0), sigma(0.0);
  {
    AComputer c(x, y, 1.0);
    A = RunComponent(c, verbose);
  }
  {
    BComputer c(x, y, 1.0);
    B = RunComponent(c, verbose);
  }
  {
    CComputer c(x, y, z, 1.0);
    C = RunComponent(c, verbose);
  }
  {
    DComputer c(x, y, z, 1.0);
    D = RunComponent(c, verbose);
  }

  const double t1 = ElapsedSeconds();
  phi0 = OrdinaryLeafSum(x, y, z, DoubleFloor(std::sqrt(xd / z)));
  if (verbose) {
    printf("phi0=");
    phi0.Print();
    printf(", time=%.2lf\n", ElapsedSeconds() - t1);
  }

  const double t2 = ElapsedSeconds();
  sigma = SigmaTerms(x, y, u, q);
  if (verbose) {
    printf("Sigma=");
    sigma.Print();
    printf(", time=%.2lf\n", ElapsedSeconds() - t2);
  }

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
