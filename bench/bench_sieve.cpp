// Times the two largest sieves of the prime counting helpers: the prime
// count of 10^10 by the wheel sieve and the table of the odd primes up to
// 10^9, and reports the peak memory of the process.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "base/PeakMemory.h"
#include "sieve/PrimeSeries.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double CpuSeconds(double since) { return ElapsedSeconds() - since; }

long PeakKilobytes() { return static_cast<long>(PeakMemoryKilobytes()); }

}  // namespace

int main() {
  auto t0 = std::chrono::steady_clock::now();
  double c0 = ElapsedSeconds();
  const double pi = SmallPi(1e10);
  printf("SmallPi(1e10) = %.0lf  wall %.2lf s, cpu %.2lf s  (peak memory %ld kB)\n", pi,
         Seconds(t0), CpuSeconds(c0), PeakKilobytes());

  t0 = std::chrono::steady_clock::now();
  c0 = ElapsedSeconds();
  {
    PrimeSeries series(0, 1e9);
    printf("PrimeSeries(0, 1e9): %ld odd primes, room %ld  wall %.2lf s, cpu %.2lf s"
           "  (peak memory %ld kB)\n",
           static_cast<long>(series.GetCount()), static_cast<long>(series.GetMaxNbPrimes()),
           Seconds(t0), CpuSeconds(c0), PeakKilobytes());
  }
  return 0;
}
