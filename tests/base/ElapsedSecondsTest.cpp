// The two clocks on every system: the process clock counts work, not
// waiting (on Windows clock() is wall time, the fault this catches); the
// wall clock counts waiting too.
#include "base/ElapsedSeconds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(ElapsedSecondsTest, ProcessClockCountsWorkAndNotSleep) {
  double cpu0 = ElapsedSeconds();
  double wall0 = WallSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_GE(WallSeconds() - wall0, 0.39);
  EXPECT_LT(ElapsedSeconds() - cpu0, 0.2);

  // Work until the process clock has moved by 0.1 s (bounded by the wall
  // clock, so that a clock that never moves fails instead of hanging).
  volatile double sink = 0.0;
  cpu0 = ElapsedSeconds();
  wall0 = WallSeconds();
  while (ElapsedSeconds() - cpu0 < 0.1 && WallSeconds() - wall0 < 60.0) {
    for (int i = 0; i < 100000; ++i) sink = sink + 1.0;
  }
  EXPECT_GE(ElapsedSeconds() - cpu0, 0.1);
}

}  // namespace
