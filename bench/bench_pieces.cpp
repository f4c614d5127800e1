// The cost of A, B, C and D along their intervals, against the cost model
// that cuts them into pieces for the threads (engine/PieceCut).
//
//   bench_pieces [x [slices]]      (default 1e15, 16 slices)
//
// Each component's interval (s, e] is cut into slices of equal ratio e/s,
// each run on its own as a piece (one thread, process CPU seconds); the time
// of a piece two units wide at the slice's start, its start cost (the prime
// count at its start, D's running counts), is taken off. For each slice:
// its bounds, the measured work per unit of n relative to the last slice's,
// and what the model predicts for it; then the start cost at the middle of
// the interval and the whole component's time.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "arith/Floor.h"
#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "engine/PieceCut.h"

namespace {

double TimePiece(Computer& c, double a, double b) {
  const double t0 = ElapsedSeconds();
  c.RunPiece(a, b);
  return ElapsedSeconds() - t0;
}

void Profile(const char* name, std::unique_ptr<Computer> c, int slices) {
  double s, e;
  c->GetRange(s, e);
  c->RunPiece(s, s + 2.0);  // builds the tables once
  const CostShape shape = ComponentCostShape(name);
  const double ratio = std::pow(e / s, 1.0 / slices);
  double total = 0.0, startCost = 0.0, lastDensity = 0.0, lastModel = 0.0;
  double density[256], model[256], bounds[257];
  for (int i = 0; i <= slices; ++i) bounds[i] = i == slices ? e : DoubleFloor(s * std::pow(ratio, i));
  for (int i = slices - 1; i >= 0; --i) {
    const double a = bounds[i], b = bounds[i + 1];
    const double start = TimePiece(*c, a, a + 2.0);
    const double t = TimePiece(*c, a, b);
    total += t;
    if (i == slices / 2) startCost = start;
    density[i] = (t - start > 0.0 ? t - start : 0.0) / (b - a);
    model[i] = ExpectedCost(shape, s, e, a, b) / (b - a);
    if (i == slices - 1) {
      lastDensity = density[i];
      lastModel = model[i];
    }
  }
  printf("%s on (%.0f, %.0f]\n", name, s, e);
  printf("  %14s %14s %10s %10s\n", "from", "to", "measured", "model");
  for (int i = 0; i < slices; ++i)
    printf("  %14.0f %14.0f %10.2f %10.2f\n", bounds[i], bounds[i + 1], density[i] / lastDensity,
           model[i] / lastModel);
  printf("  start cost of a piece at the middle: %.4f s; the slices: %.2f s\n", startCost, total);
}

}  // namespace

int main(int argc, char** argv) {
  const double xd = argc > 1 ? atof(argv[1]) : 1e15;
  const int slices = argc > 2 ? atoi(argv[2]) : 16;
  if (xd < 1e9 || xd > 1e19 || slices < 2 || slices > 256) {
    fprintf(stderr, "usage: bench_pieces [x [slices]]   (1e9 <= x <= 1e19, 2 <= slices <= 256)\n");
    return 2;
  }
  const Integer x(DoubleFloor(xd));
  const double y = DefaultY(x), z = DoubleFloor(2.4 * y);
  printf("x=%.0f y=%.0f z=%.0f\n", xd, y, z);
  Profile("A", std::make_unique<AComputer>(x, y, 1.0), slices);
  Profile("B", std::make_unique<BComputer>(x, y, 1.0), slices);
  Profile("C", std::make_unique<CComputer>(x, y, z, 1.0), slices);
  Profile("D", std::make_unique<DComputer>(x, y, z, 1.0), slices);
  return 0;
}
