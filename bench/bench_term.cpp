// The time of one term (A, B, C or D) over its whole interval on one thread,
// with its value, so that a change to one component is timed without the
// others:
//
//   bench_term TERM [x [runs]]      (default 1e17, 1 run)
//
// Each run prints the term's value and its process CPU seconds (the tables
// built before the first run are not counted).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "arith/Floor.h"
#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"

int main(int argc, char** argv) {
  const char term = argc > 1 ? argv[1][0] : '?';
  const double xd = argc > 2 ? atof(argv[2]) : 1e17;
  const int runs = argc > 3 ? atoi(argv[3]) : 1;
  if (argc < 2 || strlen(argv[1]) != 1 || !strchr("ABCD", term) || xd < 1e9 || xd > 1e19 || runs < 1) {
    fprintf(stderr, "usage: bench_term A|B|C|D [x [runs]]   (1e9 <= x <= 1e19)\n");
    return 2;
  }
  const Integer x(DoubleFloor(xd));
  const double y = DefaultY(x), z = DoubleFloor(2.4 * y);
  std::unique_ptr<Computer> c;
  if (term == 'A') c = std::make_unique<AComputer>(x, y, 1.0);
  if (term == 'B') c = std::make_unique<BComputer>(x, y, 1.0);
  if (term == 'C') c = std::make_unique<CComputer>(x, y, z, 1.0);
  if (term == 'D') c = std::make_unique<DComputer>(x, y, z, 1.0);
  double s, e;
  c->GetRange(s, e);
  c->RunPiece(s, s + 2.0);  // builds the tables once
  for (int r = 0; r < runs; ++r) {
    const double t0 = ElapsedSeconds();
    c->RunPiece(s, e);
    const double t = ElapsedSeconds() - t0;
    Integer value;
    char digits[64];
    c->GetResult(&value)->Format(digits);
    printf("%c(%.0f)=%s time=%.2f\n", term, xd, digits, t);
    fflush(stdout);
  }
  return 0;
}
