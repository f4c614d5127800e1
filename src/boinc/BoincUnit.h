#pragma once
// One BOINC work unit: the range "S E" read from the input file (logical
// name "in"), computed and checked point by point with the range loop of
// the command line, its lines written to the output file (logical name
// "out"). The output file is the checkpoint: every line is written and
// synced inside a critical section, declared to the client as a checkpoint
// once it is on disk, and a restarted unit continues at the first missing
// index. A last line cut short (a power cut in the middle of its write) is
// cut off and its point computed again; the mark of a failed check cut
// short is completed, and the unit ends as for a failed check. The log's
// lines are time stamped, and the times of the console lines leave out the
// time spent suspended.
#include <cstdio>
#include <string>
#include <vector>

#include "boinc/BoincCalls.h"
#include "boinc/PointProgress.h"
#include "driver/CheckedPi.h"
#include "driver/ComputeRange.h"

// The unit's exit statuses (given to Finish).
enum UnitStatus {
  kUnitDone = 0,            // every point of the range computed and checked
  kUnitBadInput = 1,        // bad arguments, or an input file missing or not a valid range
  kUnitCheckFailed = 2,     // a check failed, or the output holds a bad line or a failure mark
  kUnitOutputUnusable = 3,  // the output file cannot be used, written or read back whole
  kUnitNoRuntime = 4,       // the runtime did not start (Finish is not called)
};

struct UnitSettings {
  int threads = 1;     // --nthreads N: the threads the client gives the unit
  long start = 0;      // S and E as the input file gives them
  long end = 0;
  std::string input;   // the resolved paths
  std::string output;
};

// The per-point computation with the progress of its evaluations (CheckedPi,
// or a stand-in in the tests).
typedef std::function<int(Integer x, Integer& result, int verbose, int threads,
                          const EvaluationProgress& progress)>
    UnitPointFunction;

class BoincUnit {
 public:
  // point is the per-point computation; the unit's messages go to log, one
  // line each.
  BoincUnit(BoincCalls& boinc, UnitPointFunction point, FILE* log);

  // Starts the runtime, reads the arguments ("--nthreads N", and those the
  // runtime may add, which are ignored) and the input, computes the range
  // and calls Finish once with the status, which it also returns (the
  // runtime's Finish does not return).
  int Run(const std::vector<std::string>& arguments);

  const UnitSettings& Settings() const { return settings_; }

 private:
  bool ReadArguments(const std::vector<std::string>& arguments);
  bool ReadInput();
  int Compute();
  void CutTornLastLine();
  bool OutputIsWhole();
  int RunStamped(const std::vector<std::string>& arguments);
  void Report(double fraction);

  BoincCalls& boinc_;
  UnitPointFunction point_;
  FILE* log_;
  UnitSettings settings_;
  PointProgress progress_;
  long pointsBefore_ = 0;  // points of the range before the one in hand
  long inHand_ = -1;       // the point being computed, -1 between points
  double reported_ = -1.0;
};
