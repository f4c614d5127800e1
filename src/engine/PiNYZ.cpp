#include "engine/PiNYZ.h"

#include <cmath>
#include <cstdio>

#include "arith/Floor.h"
#include "auxcount/SmallPi.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "driver/ElapsedSeconds.h"
#include "engine/PrimeSeries.h"
#include "engine/SigmaTerms.h"
#include "sieve/MBlock.h"

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

// The ordinary leaves: the sum of mu(n) floor((floor(x/n) + 1) / 2) over the
// odd squarefree n <= z whose prime factors are all at most y, n = 1
// included. The block's table holds the odd primes up to sqrt(z), so the
// value it gives is valid for every n <= z.
Integer Phi0(const Integer& x, double xd, double y, double z) {
  const double m = DoubleFloor(std::sqrt(xd / z));
  PrimeSeries primes(2.0, Integer(z).FloorSqrt());
  MBlock block(LongFloor(m), y);
  block.SetPrimes(&primes);
  Integer acc = x;
  acc.Add(1.0);
  acc.DivideBy(2.0);
  // floor(x / n) from the quotient of x's two-part value when it lies safely
  // away from an integer, the halves summed in a double flushed into the
  // total before it can lose a unit; exactly otherwise (always for the
  // quotients of 10^14 and more, where the relative band no longer separates
  // neighbours).
  const double vx = 1e12 * x.High() + x.Low();
  double s = 0.0;
  constexpr int32_t kBatch = 256;
  double ns[kBatch], vs[kBatch];
  for (double start = 1.0; z > start;) {
    double end = start + m;
    if (end >= z) end = z;
    block.RunSieve(start, end);
    block.StartIteration(0.0);
    int32_t k;
    do {
      k = block.NextNonZero(ns, vs, kBatch);
      for (int32_t i = 0; i < k; ++i) {
        const double n = ns[i], v = vs[i];
        const double h = vx / n;
        const double eps = h * kRelativeMargin;
        if (eps < 0.1) {
          const double q = DoubleFloor(h);
          const double f = h - q;
          if (f >= eps && f <= 1.0 - eps) {
            s += v * DoubleFloor((q + 1.0) * 0.5);
            if (s * s > kFlushThreshold) {
              acc.Add(s);
              s = 0.0;
            }
            continue;
          }
        }
        Integer t = x;
        t.DivideBy(n);
        t.Add(1.0);
        t.DivideBy(2.0);
        if (v == 1.0)
          acc.Add(t);
        else
          acc.Subtract(t);
      }
    } while (k == kBatch);
    start = end;
  }
  acc.Add(s);
  return acc;
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
  phi0 = Phi0(x, xd, y, z);
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
