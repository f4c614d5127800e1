#pragma once
// Runs a list of pieces of work on N threads so that they finish together:
// one queue, guarded by one mutex, hands the pieces out largest expected cost
// first, each to the next thread that is free. The pieces write their results
// where their index says; whoever adds them up does so in piece order, so the
// sum does not depend on N or on which thread ran what. With one thread the
// pieces run in the calling thread, one after the other.
#include <functional>
#include <vector>

class PieceScheduler {
 public:
  explicit PieceScheduler(int threads);  // threads >= 1

  // work(piece, worker) runs once for every piece; worker (0 .. threads - 1)
  // names the thread, so that it can keep tables from one piece to the next.
  // done(piece), when given, runs after each piece, one call at a time, in
  // the order the pieces finish. An exception thrown by a piece stops the
  // handing out; the first one is rethrown here once every thread has stopped.
  void Run(const std::vector<double>& costs, const std::function<void(int, int)>& work,
           const std::function<void(int)>& done = nullptr) const;

  int Threads() const { return threads_; }

 private:
  int threads_;
};
