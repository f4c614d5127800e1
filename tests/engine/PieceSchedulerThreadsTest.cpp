// The scheduler of pieces: every piece runs once whatever the number of
// threads, the largest go out first, a piece's exception reaches the caller.
// Built with ThreadSanitizer by make test-tsan.
#include "engine/PieceScheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(PieceScheduler, EveryPieceRunsOnceAndTheLargestGoFirst) {
  std::vector<double> costs;
  for (int i = 0; i < 50; ++i) costs.push_back((i * 37) % 11);  // with ties
  for (int threads : {1, 2, 3, 8, 64}) {
    SCOPED_TRACE(threads);
    std::vector<int> runs(costs.size(), 0), worker(costs.size(), -1);
    std::vector<int> started;  // in the order done() sees them
    PieceScheduler(threads).Run(
        costs,
        [&](int i, int w) {
          ++runs[i];  // each piece owns its slot
          worker[i] = w;
        },
        [&](int i) { started.push_back(i); });
    EXPECT_EQ(std::vector<int>(costs.size(), 1), runs);
    EXPECT_EQ(costs.size(), started.size());
    for (int w : worker) EXPECT_TRUE(w >= 0 && w < threads);
    if (threads == 1) {
      // In the calling thread, by decreasing cost, ties in index order.
      for (size_t k = 1; k < started.size(); ++k) {
        const int a = started[k - 1], b = started[k];
        EXPECT_TRUE(costs[a] > costs[b] || (costs[a] == costs[b] && a < b)) << k;
      }
    }
  }
}

TEST(PieceScheduler, SeveralThreadsRunAtOnce) {
  // Two pieces that each wait for the other to start: only two threads let
  // both finish.
  std::mutex mutex;
  std::condition_variable cv;
  int arrived = 0;
  PieceScheduler(2).Run({1.0, 1.0}, [&](int, int) {
    std::unique_lock<std::mutex> lock(mutex);
    ++arrived;
    cv.notify_all();
    cv.wait(lock, [&] { return arrived == 2; });
  });
  EXPECT_EQ(2, arrived);
}

TEST(PieceScheduler, AFailingPieceStopsTheRunAndReachesTheCaller) {
  for (int threads : {1, 4}) {
    std::vector<int> runs(40, 0);
    EXPECT_THROW(PieceScheduler(threads).Run(std::vector<double>(40, 1.0),
                                             [&](int i, int) {
                                               if (i == 5) throw std::runtime_error("piece 5");
                                               // Pieces that take a while, so that the failure
                                               // stops the handing out in time even where
                                               // throwing is slow (under an emulator).
                                               std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                               ++runs[i];
                                             }),
                 std::runtime_error);
    int ran = 0;
    for (int r : runs) ran += r;
    EXPECT_LT(ran, 39) << "the pieces after the failure were handed out";
  }
}

}  // namespace
