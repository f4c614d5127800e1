#include "driver/CheckedPi.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <thread>

#include "arith/Floor.h"
#include "auxcount/SmallPi.h"
#include "base/Console.h"
#include "driver/WindowPrimeCount.h"
#include "engine/EvaluationFailure.h"
#include "engine/PiNYZ.h"

namespace {

const char kContactAddress[] = "support@vantrel.example.org";

// One evaluation with its report on the console, on the given threads.
using Evaluation = std::function<Integer(const Integer& x, TuningParameters p, int verbose,
                                         const Console& console, int threads)>;

// The value of one evaluation; false when it failed (its report says why).
bool Evaluate(const Evaluation& engine, const Integer& x, TuningParameters p, int verbose,
              const Console& console, int threads, Integer& value) {
  try {
    value = engine(x, p, verbose, console, threads);
    return true;
  } catch (const EvaluationFailure&) {
    value = Integer(0.0);
    return false;
  }
}

int Check(Integer x, Integer& result, int level, const Evaluation& engine, int threads,
          const EvaluationProgress& progress) {
  if (threads < 1) threads = 1;
  // The engine and the steps of the check report only at the verbose level;
  // the check's outcome is reported at both.
  int verbose = level == kCheckedPiVerbose ? 1 : 0;
  bool outcome = level != kCheckedPiSilent;
  const Console console = threads > 1 ? Console().WithWallClock() : Console();
  // Each evaluation's terms report their progress tagged with its number.
  auto tagged = [&progress](const Console& c, int evaluation) {
    if (!progress) return c;
    return c.WithProgress([&progress, evaluation](char term, double f) { progress(evaluation, term, f); });
  };
  double t0 = console.Seconds();
  double s = x.FloorSqrt();
  TuningParameters main = MainRunParameters(x);
  double delta = DoubleFloor(0.1 * s);
  Integer x2 = x;
  x2.Add(delta);
  TuningParameters second = SecondRunParameters(x, main);

  // The window count, beside the evaluations when there are several threads.
  double count = 0.0, countSeconds = 0.0;
  auto countWindow = [&] {
    const double t1 = console.Seconds();
    count = WindowPrimeCount(x, x2);
    countSeconds = console.Seconds() - t1;
  };
  std::thread window;
  if (threads > 1) window = std::thread(countWindow);

  auto reportMain = [&] {
    if (level == kCheckedPiQuiet) {
      char digits[64];
      result.Format(digits);
      printf("pi(x)=%s\n", digits);
      fflush(stdout);
    }
  };
  Integer upper;
  bool evaluated;
  if (threads % 2 == 0) {
    // Side by side: the second evaluation's report is collected and printed
    // after the first one's.
    std::string secondReport;
    bool secondEvaluated = false;
    std::thread other([&] {
      secondEvaluated = Evaluate(engine, x2, second, verbose, tagged(Console(&secondReport).WithWallClock(), 1),
                                 threads / 2, upper);
    });
    evaluated = Evaluate(engine, x, main, verbose, tagged(console, 0), threads / 2, result);
    reportMain();
    other.join();
    evaluated = evaluated && secondEvaluated;
    if (verbose) {
      printf("\n");
      printf("Computation of pi(x+delta) :\n");
      fputs(secondReport.c_str(), stdout);
    }
  } else {
    evaluated = Evaluate(engine, x, main, verbose, tagged(console, 0), threads, result);
    reportMain();
    if (verbose) {
      printf("\n");
      printf("Computation of pi(x+delta) :\n");
    }
    evaluated = Evaluate(engine, x2, second, verbose, tagged(console, 1), threads, upper) && evaluated;
  }
  upper.Subtract(result);
  double d = upper.GetDouble();

  if (verbose) {
    printf("\n");
    printf("Checking delta value...");
    fflush(stdout);
  }
  if (window.joinable())
    window.join();
  else
    countWindow();
  if (verbose) printf(" time=%.2lf\n", countSeconds);

  if (!evaluated || d != count) {
    if (outcome) {
      // The range loop ends this line with its own message.
      printf("Check KO, please report the problem to %s", kContactAddress);
      fflush(stdout);
    }
    return 1;
  }
  if (outcome) printf("Check OK, total time=%.2lf\n", console.Seconds() - t0);
  return 0;
}

}  // namespace

TuningParameters MainRunParameters(const Integer& x) {
  double s = x.FloorSqrt();
  double y = DefaultY(x);
  if (y >= s) y = s - 1.0;
  double z = DoubleFloor(2.4 * y);
  if (z >= s) z = s - 1.0;
  return {y, z};
}

TuningParameters SecondRunParameters(const Integer& x, TuningParameters main) {
  double s = x.FloorSqrt();
  double y = main.y + DoubleFloor(0.02 * main.y);
  double z = DoubleFloor(2.5 * y);
  if (z >= s) z = s - 1.0;
  return {y, z};
}

int CheckedPi(Integer x, Integer& result, int verbose) { return CheckedPi(x, result, verbose, 1); }

int CheckedPi(Integer x, Integer& result, int verbose, int threads) {
  return CheckedPi(x, result, verbose, threads, EvaluationProgress());
}

int CheckedPi(Integer x, Integer& result, int verbose, int threads, const EvaluationProgress& progress) {
  Evaluation engine = [](const Integer& v, TuningParameters p, int report, const Console& console, int n) {
    return PiNYZ(v, p.y, p.z, report, console, n);
  };
  return Check(x, result, verbose, engine, threads, progress);
}

int CheckedPi(Integer x, Integer& result, int level, EngineFunction engine) {
  Evaluation evaluation = [engine](const Integer& v, TuningParameters p, int report, const Console&, int) {
    return engine(v, p.y, p.z, report);
  };
  return Check(x, result, level, evaluation, 1, EvaluationProgress());
}
