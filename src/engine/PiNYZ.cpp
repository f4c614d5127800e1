#include "engine/PiNYZ.h"

#include <memory>

#include "auxcount/SmallPi.h"
#include "base/Messages.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "components/Terms.h"
#include "engine/SplitTerm.h"

Integer PiNYZ(const Integer& x, double y, double z, int verbose) {
  return PiNYZ(x, y, z, verbose, Console());
}

Integer PiNYZ(const Integer& x, double y, double z, int verbose, const Console& console) {
  return PiNYZ(x, y, z, verbose, console, 1);
}

Integer PiNYZ(const Integer& x, double y, double z, int verbose, const Console& given, int threads) {
  // Several threads: the times are those of the wall clock.
  const Console console = threads > 1 ? given.WithWallClock() : given;
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

  const double t0 = console.Seconds();
  Integer A, B, C, D;
  if (threads <= 1) {
    A = TermA(x, y, z, verbose, console);
    B = TermB(x, y, z, verbose, console);
    C = TermC(x, y, z, verbose, console);
    D = TermD(x, y, z, verbose, console);
  } else {
    A = SplitTerm([&] { return std::make_unique<AComputer>(x, y, 1.0); }, threads, verbose, console);
    B = SplitTerm([&] { return std::make_unique<BComputer>(x, y, 1.0); }, threads, verbose, console);
    C = SplitTerm([&] { return std::make_unique<CComputer>(x, y, z, 1.0); }, threads, verbose, console);
    D = SplitTerm([&] { return std::make_unique<DComputer>(x, y, z, 1.0); }, threads, verbose, console);
  }
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
    console.Write(msg::TotalTime(console.Seconds() - t0));
    console.Write(msg::PiValue(x.Text(), R.Text()));
  }
  return R;
}
