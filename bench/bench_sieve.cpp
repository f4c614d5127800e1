// Times the two largest sieves of the prime counting helpers: the prime
// count of 10^10 by the wheel sieve and the table of the odd primes up to
// 10^9, and reports the peak memory of the process.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "auxcount/SmallPi.h"
#include "engine/PrimeSeries.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakKilobytes() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<long>(usage.ru_maxrss);
}

}  // namespace

int main() {
  auto t0 = std::chrono::steady_clock::now();
  const double pi = SmallPi(1e10);
  printf("SmallPi(1e10) = %.0lf  %.2lf s  (peak memory %ld kB)\n", pi, Seconds(t0),
         PeakKilobytes());

  t0 = std::chrono::steady_clock::now();
  {
    PrimeSeries series(0, 1e9);
    printf("PrimeSeries(0, 1e9): %ld odd primes, room %ld  %.2lf s  (peak memory %ld kB)\n",
           static_cast<long>(series.GetCount()), static_cast<long>(series.GetMaxNbPrimes()),
           Seconds(t0), PeakKilobytes());
  }
  return 0;
}
