#include "base/ElapsedSeconds.h"

#include <chrono>
#include <ctime>
#include <utility>

namespace {

std::function<double()>& ReplacedClock() {
  static std::function<double()> clock;
  return clock;
}

}  // namespace

double ElapsedSeconds() {
  return static_cast<double>(clock()) / static_cast<double>(CLOCKS_PER_SEC);
}

double WallSeconds() {
  const std::function<double()>& replaced = ReplacedClock();
  if (replaced) return replaced();
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void ReplaceWallClock(std::function<double()> clock) { ReplacedClock() = std::move(clock); }
