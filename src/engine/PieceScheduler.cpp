// The queue is the list of piece indices sorted by decreasing cost and a
// cursor into it: taking a piece is one increment under the mutex, which is
// held a few nanoseconds per piece of seconds. Ties keep the index order, so
// that the order of the pieces is the same from run to run.
#include "engine/PieceScheduler.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

PieceScheduler::PieceScheduler(int threads) : threads_(threads < 1 ? 1 : threads) {}

void PieceScheduler::Run(const std::vector<double>& costs, const std::function<void(int, int)>& work,
                         const std::function<void(int)>& done) const {
  const int count = static_cast<int>(costs.size());
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return costs[a] > costs[b]; });

  std::mutex mutex;
  int next = 0;
  std::exception_ptr failure;

  // One thread's loop: take the next piece, run it, report it done.
  auto worker = [&](int id) {
    for (;;) {
      int piece;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (failure || next == count) return;
        piece = order[next++];
      }
      try {
        work(piece, id);
        if (done) {
          std::lock_guard<std::mutex> lock(mutex);
          done(piece);
        }
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure) failure = std::current_exception();
        return;
      }
    }
  };

  const int helpers = std::min(threads_, count) - 1;
  std::vector<std::thread> threads;
  threads.reserve(helpers > 0 ? helpers : 0);
  for (int id = 1; id <= helpers; ++id) threads.emplace_back(worker, id);
  worker(0);
  for (std::thread& t : threads) t.join();
  if (failure) std::rethrow_exception(failure);
}
