// Times the components A, B and C at x = 10^14 and 10^15 with the default
// parameters y = DefaultY(x) and z = floor(2.4 y).
#include <chrono>
#include <cmath>
#include <cstdio>

#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "base/PeakMemory.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"

namespace {

double PeakMegabytes() { return static_cast<double>(PeakMemoryKilobytes()) / 1024.0; }

void Time(const char* name, Computer& c) {
  auto t0 = std::chrono::steady_clock::now();
  double c0 = ElapsedSeconds();
  c.TimedRun();
  double cpu = ElapsedSeconds() - c0;
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  Integer r;
  c.GetResult(&r);
  printf("  %s = ", name);
  r.Print();
  printf("  (cpu %.2f s, wall %.2f s, peak RSS %.1f MB)\n", cpu, s, PeakMegabytes());
  fflush(stdout);
}

}  // namespace

int main() {
  const double xs[] = {1e14, 1e15};
  for (double xd : xs) {
    Integer x(xd);
    const double y = DefaultY(x);
    const double z = std::floor(2.4 * y);
    printf("x=%.0e y=%.0f z=%.0f\n", xd, y, z);
    {
      AComputer a(x, y, 1.0);
      Time("A", a);
    }
    {
      BComputer b(x, y, 1.0);
      Time("B", b);
    }
    {
      CComputer c(x, y, z, 1.0);
      Time("C", c);
    }
  }
  return 0;
}
