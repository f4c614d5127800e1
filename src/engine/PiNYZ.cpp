#include "engine/PiNYZ.h"

#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "base/Messages.h"
#include "components/Terms.h"

Integer PiNYZ(const Integer& x, double y, double z, int verbose) {
  return PiNYZ(x, y, z, verbose, Console());
}

Integer PiNYZ(const Integer& x, double y, double z, int verbose, const Console& console) {
  const double xd = x.GetApprox();
  if (verbose) console.Write(msg::ComputingPi(x.Text(), xd, y, z));
  if (xd < 100.0) return Integer(SmallPi(xd));
  if (z * z >= xd || z < y) {
    console.Write(msg::ZOutOfRange());
    return Integer(0.0);
  }
  if (y * y * y <= xd || y * y >= xd) {
    console.Write(msg::YOutOfRange());
    return Integer(0.0);
  }

  const double t0 = ElapsedSeconds();
  const Integer A = TermA(x, y, z, verbose, console);
  const Integer B = TermB(x, y, z, verbose, console);
  const Integer C = TermC(x, y, z, verbose, console);
  const Integer D = TermD(x, y, z, verbose, console);
  const Integer phi0 = TermPhi0(x, y, z, verbose, console);
  const Integer sigma = TermSigma(x, y, z, verbose, console);

  Integer R(0.0);
  R.Add(A);
  R.Subtract(B);
  R.Add(C);
  R.Add(D);
  R.Add(phi0);
  R.Add(sigma);
  if (verbose) {
    console.Write(msg::TotalTime(ElapsedSeconds() - t0));
    console.Write(msg::PiValue(x.Text(), R.Text()));
  }
  return R;
}
