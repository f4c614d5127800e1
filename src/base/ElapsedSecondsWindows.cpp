// The process clock on Windows, where clock() is wall time: the user and
// kernel time of every thread of the process, in units of 100 ns.
#include <windows.h>

#include "base/ElapsedSeconds.h"

namespace {

double Seconds(const FILETIME& t) {
  ULARGE_INTEGER ticks;
  ticks.LowPart = t.dwLowDateTime;
  ticks.HighPart = t.dwHighDateTime;
  return static_cast<double>(ticks.QuadPart) * 1e-7;
}

}  // namespace

double ElapsedSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  return Seconds(kernel) + Seconds(user);
}
