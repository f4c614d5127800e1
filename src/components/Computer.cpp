#include "components/Computer.h"

#include <cmath>

#include "arith/Floor.h"
#include "auxcount/PiN.h"
#include "base/Messages.h"

Computer::Computer(const Integer& x_, double y_, double blockFactor_)
    : x(x_), y(y_), blockFactor(blockFactor_) {
  // x may exceed 2^53: the rounded value is all that is wanted here, read
  // without the large-value warning.
  xValue = x.GetApprox();

  // lowerBound = max(floor(x^(1/4)), floor(x / y^2)).
  Integer Y(y);
  Integer Y2;
  Y2.Product(Y, Y);
  Integer Q;
  Q.Divide(x, Y2);
  double q = Q.GetDouble();
  double s = DoubleFloor(std::sqrt(x.FloorSqrt()));
  lowerBound = s > q ? s : q;

  cubeRootX = x.FloorCbrt();
  blockLength = LongFloor(std::sqrt(xValue / y) * blockFactor);

  verbose = 0;
  rangeStart = rangeEnd = 0.0;
  piAtRangeStart = piAtRangeEnd = 0.0;
  spare = 0.0;
  piCurrent = sieveCurrent = 0.0;
  dotsPrinted = 0;
  result = Integer(0.0);
  mode = 0;
  savedVerbose = 0;
}

Computer::~Computer() {}

double Computer::EstimateMemory() { return 0.0; }

void Computer::FreeTables() {}

Integer* Computer::GetResult(Integer* out) const {
  *out = result;
  return out;
}

void Computer::GetPiBounds(double* a, double* b) const {
  *a = piAtRangeStart;
  *b = piAtRangeEnd;
}

double Computer::GetSpare() const { return spare; }

int Computer::IsNormalMode() const { return mode == 0 ? 1 : 0; }

void Computer::InitRangeCount() {
  if (!IsNormalMode()) return;
  Integer start(rangeStart);
  piCurrent = PiN(start, 0).GetDouble();
  sieveCurrent = rangeStart;
}

void Computer::Prepare() {}

void Computer::ShareTablesOf(const Computer&) {}

void Computer::SetMode(int32_t m) {
  if (m == mode) return;
  mode = m;
  if (m == 1) {
    savedVerbose = verbose;
    verbose = 0;
  } else {
    verbose = savedVerbose;
  }
}

void Computer::TimedRun() {
  char name[8];
  double t0 = 0.0;
  if (verbose) {
    GetName(name);
    console.Write(msg::ComputingTerm(name));
    t0 = console.Seconds();
  }
  GetRange(rangeStart, rangeEnd);
  Run();
  if (verbose) {
    GetName(name);
    console.Write(msg::TermLine(name, result.Text(), console.Seconds() - t0));
  }
}

void Computer::RunPiece(double start, double end) {
  rangeStart = start;
  rangeEnd = end;
  result = Integer(0.0);
  piAtRangeStart = piAtRangeEnd = std::nan("");
  const int32_t v = verbose;
  verbose = 0;
  Run();
  verbose = v;
}

void Computer::ShowProgress(double v) {
  char name[8];
  GetName(name);
  console.Progress(name[0], rangeEnd > rangeStart ? (v - rangeStart) / (rangeEnd - rangeStart) : 1.0);
  if (verbose == 0) return;
  double e;
  if (v == rangeEnd)
    e = 5.0;
  else
    e = (v - rangeStart) * 5.0 / (rangeEnd - rangeStart);
  std::string dots;
  while (dotsPrinted <= e) {
    dots += msg::ProgressDot();
    dotsPrinted++;
  }
  if (!dots.empty()) console.Write(dots);
}
