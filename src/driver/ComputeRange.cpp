#include "driver/ComputeRange.h"

#include <ctime>

#include "base/ElapsedSeconds.h"
#include "driver/CheckedPi.h"
#include "results/OffsetLogIntegral.h"
#include "driver/RangeProgress.h"
#include "driver/ResultFile.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace {

constexpr double kGridStep = 1e14;

void PrintHeader(double k, double E, int threads) {
  printf("\n");
  printf("----------------------------------------------------------\n");
  printf("%ld/%ld - Compute and check pi(x) for x=%E\n", static_cast<long>(k), static_cast<long>(E),
         k * kGridStep);
  if (threads > 1) printf("Running on %d threads\n", threads);
  printf("----------------------------------------------------------\n");
  printf("\n");
  fflush(stdout);
}

// Reads what the file already holds, by the same rules as the check of a
// returned file (the deviation field recomputed too): a file the
// coordinator would reject is never continued. Returns the first index
// still to compute, or -1 when the file must not be continued (reported on
// errors).
long FirstMissingIndex(ResultFile& file, const std::string& name, long S, long E, FILE* errors) {
  std::string text;
  if (!file.ReadAll(&text)) {
    fprintf(errors, "ERROR, the result file %s cannot be read\n", name.c_str());
    return -1;
  }
  ResultScan scan = ScanResults(text, S, E, true);
  if (!scan.Valid() || scan.checkFailed) {
    long line = scan.Valid() ? scan.points + 1 : scan.badLine;
    const char* reason =
        scan.Valid() ? "the last computation failed its check (Last computation : Check KO)" : scan.reason.c_str();
    fprintf(errors, "ERROR, %s line %ld: %s; the file is left as it is\n", name.c_str(), line, reason);
    return -1;
  }
  if (scan.points == 0) return S;
  const char* points = scan.points == 1 ? "point" : "points";
  if (scan.nextIndex > E) {
    printf("Range complete: %ld %s already in %s\n", scan.points, points, name.c_str());
  } else {
    printf("Resuming at k=%ld: %ld %s already in %s\n", scan.nextIndex, scan.points, points, name.c_str());
  }
  fflush(stdout);
  return scan.nextIndex;
}

}  // namespace

RangeStatus ComputeRange(double S, double E) { return ComputeRange(S, E, RangeSettings(), kCheckedPi); }

RangeStatus ComputeRange(double S, double E, PointFunction checkedPi) {
  return ComputeRange(S, E, RangeSettings(), checkedPi);
}

RangeStatus ComputeRange(double S, double E, const RangeSettings& settings, PointFunction checkedPi) {
  long first = static_cast<long>(S);
  long last = static_cast<long>(E);
  std::string name = ResultFileName(first, last);
  if (!settings.folder.empty()) name = settings.folder + "/" + name;
  if (!settings.path.empty()) name = settings.path;
  if (S > E) return kRangeDone;

  // The file is checked and locked before any work, and read to continue
  // where an earlier run of the range stopped.
  ResultFile file;
  std::string unusable = file.Open(name);
  if (!unusable.empty()) {
    fprintf(settings.errors, "ERROR, the result file %s cannot be used: %s\n", name.c_str(), unusable.c_str());
    return kRangeFileUnusable;
  }
  long next = FirstMissingIndex(file, name, first, last, settings.errors);
  if (next < 0) return kRangeCheckFailed;

  const double started = WallSeconds();
  long total = last - first + 1;
  for (double k = static_cast<double>(next); k <= E; k += 1.0) {
    Integer x(kGridStep);
    x.Multiply(k);
    Integer p;

    PrintHeader(k, E, settings.threads);
    if (settings.pointStarted) settings.pointStarted(static_cast<long>(k));
    int status = checkedPi(x, p, settings.quiet ? kCheckedPiQuiet : kCheckedPiVerbose, settings.threads);

    char digits[64];
    p.Format(digits);
    std::string line =
        FormatResultLine(static_cast<long>(k), digits, NormalisedDeviation(p.GetApprox(), x.GetApprox()));

    // The line, and the failure mark after a failed check, go out in one
    // write that reaches the disk before the next point starts.
    if (settings.lineWriteBegins) settings.lineWriteBegins();
    std::string unwritten = file.Append(status != 0 ? line + kCheckFailedLine : line);
    if (settings.lineWriteEnds) settings.lineWriteEnds();
    bool written = unwritten.empty();

    if (status != 0) printf("ERROR, computation stopped\n");
    fflush(stdout);
    if (!written) {
      fprintf(settings.errors, "ERROR, the result file %s cannot be written: %s; its line would have been:\n%s",
              name.c_str(), unwritten.c_str(), line.c_str());
      fflush(settings.errors);
    }
    if (status != 0) return kRangeCheckFailed;
    if (!written) return kRangeFileUnusable;
    if (settings.pointWritten) settings.pointWritten(static_cast<long>(k));

    long computed = static_cast<long>(k) - next + 1;
    double perPoint = (WallSeconds() - started) / computed;
    long done = static_cast<long>(k) - first + 1;
    time_t end = time(nullptr) + static_cast<time_t>(perPoint * static_cast<double>(total - done) + 0.5);
    printf("%s\n", ProgressLine(done, total, perPoint, end).c_str());
    fflush(stdout);
  }
  return kRangeDone;
}
