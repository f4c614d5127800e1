#include "base/ElapsedSeconds.h"

#include <chrono>
#include <ctime>

double ElapsedSeconds() {
  return static_cast<double>(clock()) / static_cast<double>(CLOCKS_PER_SEC);
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
