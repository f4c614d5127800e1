// The wall clock, the same on every system, and the one a host may put in
// its place. The process clock lives in one file per system
// (ElapsedSecondsPosix.cpp, ElapsedSecondsWindows.cpp).
#include "base/ElapsedSeconds.h"

#include <chrono>
#include <utility>

namespace {

std::function<double()>& ReplacedClock() {
  static std::function<double()> clock;
  return clock;
}

}  // namespace

double WallSeconds() {
  const std::function<double()>& replaced = ReplacedClock();
  if (replaced) return replaced();
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void ReplaceWallClock(std::function<double()> clock) { ReplacedClock() = std::move(clock); }
