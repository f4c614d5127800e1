// The peak resident set on POSIX systems, from getrusage (Linux counts it in
// kilobytes).
#include <sys/resource.h>

#include "base/PeakMemory.h"

long long PeakMemoryKilobytes() {
  struct rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<long long>(usage.ru_maxrss);
}
