#pragma once
// The range loop: for every grid index k = S .. E, x = k * 1E+14 is computed
// and checked, and one checksummed line "k:pi(x):deviation:checksum" is
// appended to the result file "Pix<S>-<E>.txt". A file that already holds
// the first points of the range is continued at its first missing index.
#include <cstdio>
#include <functional>
#include <string>

#include "arith/Integer.h"

// The per-point computation: stores pi(x) in result and returns 0 when the
// value is confirmed, 1 when its check failed. verbose is one of the
// CheckedPi report levels; threads is the number of threads it may use.
typedef std::function<int(Integer x, Integer& result, int verbose, int threads)> PointFunction;

struct RangeSettings {
  std::string folder;    // where the result file goes; "" is the current directory
  bool quiet = false;    // no engine report: header, value and check line only
  FILE* errors = stdout; // where the result-file errors are reported
  std::string path;      // when not "", the result file itself, in place of folder/PixS-E.txt
  // Optional: told the index of a point before it is computed, and again
  // once its line is on disk.
  std::function<void(long k)> pointStarted;
  std::function<void(long k)> pointWritten;
  // Optional: called just before a line's write and just after its sync
  // (a host that must not be stopped in between brackets it).
  std::function<void()> lineWriteBegins;
  std::function<void()> lineWriteEnds;
  int threads = 1;       // of each point's computation; above 1 the point header says so
};

// How a range ended; the values are the program's exit statuses.
enum RangeStatus {
  kRangeDone = 0,         // every point computed and checked (or already there)
  kRangeCheckFailed = 2,  // a check failed, or the file holds a bad line or a failure mark
  kRangeFileUnusable = 3, // the result file cannot be used or written
};

// The range loop with CheckedPi, the result file in the current directory.
RangeStatus ComputeRange(double S, double E);
// The range loop with the given per-point computation.
RangeStatus ComputeRange(double S, double E, PointFunction checkedPi);
RangeStatus ComputeRange(double S, double E, const RangeSettings& settings, PointFunction checkedPi);
