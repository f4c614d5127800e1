#include "components/Terms.h"

#include <cmath>

#include "arith/Floor.h"
#include "base/Messages.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "components/OrdinaryLeafSum.h"
#include "components/SigmaTerms.h"

namespace {

// Runs one component to completion and returns its term; the object lives
// only for this call, so one component of an evaluation exists at a time.
Integer RunComponent(Computer&& c, int verbose, const Console& console) {
  c.SetVerbose(verbose);
  c.SetConsole(console);
  c.TimedRun();
  Integer r;
  c.GetResult(&r);
  return r;
}

// The line of a term computed outside the component computers.
void ReportTerm(const char* name, const Integer& value, double t0, int verbose,
                const Console& console) {
  if (verbose) console.Write(msg::TermLine(name, value.Text(), console.Seconds() - t0));
}

}  // namespace

Integer TermA(const Integer& x, double y, double, int verbose, const Console& console) {
  return RunComponent(AComputer(x, y, 1.0), verbose, console);
}

Integer TermB(const Integer& x, double y, double, int verbose, const Console& console) {
  return RunComponent(BComputer(x, y, 1.0), verbose, console);
}

Integer TermC(const Integer& x, double y, double z, int verbose, const Console& console) {
  return RunComponent(CComputer(x, y, z, 1.0), verbose, console);
}

Integer TermD(const Integer& x, double y, double z, int verbose, const Console& console) {
  return RunComponent(DComputer(x, y, z, 1.0), verbose, console);
}

Integer TermPhi0(const Integer& x, double y, double z, int verbose, const Console& console) {
  const double t0 = console.Seconds();
  // Segments of floor(sqrt(x / z)) numbers.
  const Integer phi0 = OrdinaryLeafSum(x, y, z, DoubleFloor(std::sqrt(x.GetApprox() / z)));
  ReportTerm("phi0", phi0, t0, verbose, console);
  return phi0;
}

Integer TermSigma(const Integer& x, double y, double, int verbose, const Console& console) {
  const double t0 = console.Seconds();
  // q = max(floor(x / y^2), floor(x^(1/4))), u = floor(x^(1/3)).
  Integer Y2;
  Y2.Product(Integer(y), Integer(y));
  Integer quotient;
  quotient.Divide(x, Y2);
  double q = quotient.GetDouble();
  const double r4 = DoubleFloor(std::sqrt(x.FloorSqrt()));
  if (r4 > q) q = r4;
  const Integer sigma = SigmaTerms(x, y, x.FloorCbrt(), q);
  ReportTerm("Sigma", sigma, t0, verbose, console);
  return sigma;
}
