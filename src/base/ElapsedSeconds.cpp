// The wall clock, the same on every system. The process clock lives in one
// file per system (ElapsedSecondsPosix.cpp, ElapsedSecondsWindows.cpp).
#include "base/ElapsedSeconds.h"

#include <chrono>

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
