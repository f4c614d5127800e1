#pragma once
// pi(x) computed by the counting engine and checked: a second evaluation at
// x + delta with other tuning parameters must exceed pi(x) by the number of
// primes that a direct sieve finds in (x, x + delta], delta = floor(sqrt(x)/10).
#include <functional>

#include "arith/Integer.h"

// The tuning parameters y and z of one evaluation.
struct TuningParameters {
  double y, z;
};

// The main run's parameters: the default y and z = 2.4 y, both kept below
// sqrt(x).
TuningParameters MainRunParameters(const Integer& x);
// The second run's, at x + delta: y raised by 2% and z = 2.5 times that,
// kept below sqrt(x), so that the two runs split their counts differently.
TuningParameters SecondRunParameters(const Integer& x, TuningParameters main);

// The evaluation of pi(x) with the tuning parameters y and z.
typedef Integer (*EngineFunction)(const Integer& x, double y, double z, int verbose);

// Report levels: nothing; the engine reports and the check; or, for log
// files, only the value and the check line.
enum { kCheckedPiSilent = 0, kCheckedPiVerbose = 1, kCheckedPiQuiet = 2 };

// Stores pi(x) in result (in every case; 0 when an evaluation failed) and
// returns 0 when the check passed, 1 when it failed; verbose is one of the
// report levels.
int CheckedPi(Integer x, Integer& result, int verbose);
// The same on the given number of threads. The two evaluations and the
// window count are independent: with an even number of threads the two
// evaluations run side by side, each on half of them, otherwise one after the
// other on all of them; the window count runs beside them. The report is the
// same text in the same order as with one thread, its times read from the
// wall clock.
int CheckedPi(Integer x, Integer& result, int verbose, int threads);
// Told, while a point is computed, which evaluation (0 at x, 1 at x + delta)
// has done which fraction (0 .. 1) of which term ('A' .. 'D'); the two
// evaluations may report from two threads at once.
typedef std::function<void(int evaluation, char term, double fraction)> EvaluationProgress;
// CheckedPi on threads, as the range loop takes it.
typedef int (*CheckedPiOnThreads)(Integer x, Integer& result, int verbose, int threads);
constexpr CheckedPiOnThreads kCheckedPi = CheckedPi;
// The same, reporting the progress of the terms to progress.
int CheckedPi(Integer x, Integer& result, int verbose, int threads, const EvaluationProgress& progress);
// The same with the given evaluation in place of the counting engine, on
// one thread.
int CheckedPi(Integer x, Integer& result, int verbose, EngineFunction engine);
