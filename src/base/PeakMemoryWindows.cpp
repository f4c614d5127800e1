// The peak resident set on Windows: the peak working set of the process
// (K32GetProcessMemoryInfo is part of kernel32 from Windows 7 on).
#include <windows.h>
#include <psapi.h>

#include "base/PeakMemory.h"

long long PeakMemoryKilobytes() {
  PROCESS_MEMORY_COUNTERS counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<long long>(counters.PeakWorkingSetSize / 1024);
}
