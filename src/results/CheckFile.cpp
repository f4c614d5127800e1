#include "results/CheckFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "results/ResultScan.h"

// Both checks read a whole file through ScanResultFile with the deviation
// recomputed: a returned file is checked as strictly as it can be, since its
// lines are all the coordinator gets. Lines are compared as texts; in valid
// files equal texts mean equal values, and every field is shown when they
// differ.

namespace {

// "1 point", "2 points".
std::string Count(long n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// The indices held by a scan from S, "k=S..last", or "no point".
std::string Held(const ResultScan& scan, int64_t S) {
  if (scan.points == 0) return "no point";
  return "k=" + std::to_string(S) + ".." + std::to_string(scan.nextIndex - 1);
}

}  // namespace

CheckedFile CheckResultFile(const std::string& path, bool complete) {
  CheckedFile file;
  if (!ParseResultFileName(path, &file.S, &file.E)) {
    file.summary = "the name is not of the form PixS-E.txt";
    return file;
  }
  if (file.S < kFirstGridIndex || file.E > kLastGridIndex) {
    file.summary = "the range " + std::to_string(file.S) + ".." + std::to_string(file.E) +
                   " of the name is not inside the grid " + std::to_string(kFirstGridIndex) + ".." +
                   std::to_string(kLastGridIndex);
    return file;
  }
  file.named = true;
  file.scan = ScanResultFile(path, static_cast<long>(file.S), static_cast<long>(file.E), true);
  const ResultScan& scan = file.scan;
  if (scan.absent || !scan.readError.empty()) {
    file.summary =
        "cannot be read: " + (scan.absent ? std::string(strerror(ENOENT)) : scan.readError);
  } else if (scan.badLine != 0) {
    file.summary = "line " + std::to_string(scan.badLine) + ": " + scan.reason;
    file.summary += scan.points == 0 ? " (no valid point before it)"
                                     : " (after " + Count(scan.points, "valid point") + ", " +
                                           Held(scan, file.S) + ")";
  } else if (scan.checkFailed) {
    file.summary = "check failed at k=" + std::to_string(scan.nextIndex - 1) + ", marked on line " +
                   std::to_string(scan.points + 1) + " (" + Count(scan.points, "point") + ", " +
                   Held(scan, file.S) + ")";
    file.checkFailed = true;
  } else {
    long missing = static_cast<long>(file.E) - file.scan.nextIndex + 1;
    file.summary = scan.points == 0
                       ? "empty"
                       : Count(scan.points, "point") + ", " + Held(scan, file.S) + ", all valid";
    if (missing > 0) file.summary += ", " + std::to_string(missing) + " missing";
    file.valid = !complete || missing == 0;
  }
  return file;
}

int CheckResultFiles(const std::vector<std::string>& paths, FILE* out, bool complete) {
  bool allValid = true;
  for (const std::string& path : paths) {
    CheckedFile file = CheckResultFile(path, complete);
    fprintf(out, "%s: %s\n", path.c_str(), file.summary.c_str());
    allValid = allValid && file.valid;
  }
  return allValid ? 0 : 1;
}

int CompareResultFiles(const std::string& file, const std::string& other, FILE* out) {
  CheckedFile a = CheckResultFile(file);
  CheckedFile b = CheckResultFile(other);
  if (!a.valid) fprintf(out, "%s: %s\n", file.c_str(), a.summary.c_str());
  if (!b.valid) fprintf(out, "%s: %s\n", other.c_str(), b.summary.c_str());
  if (!a.valid || !b.valid) return 1;

  const std::string both = file + " and " + other;
  long first = static_cast<long>(a.S > b.S ? a.S : b.S);
  long last = a.scan.nextIndex < b.scan.nextIndex ? a.scan.nextIndex - 1 : b.scan.nextIndex - 1;
  if (first > last) {
    fprintf(out, "%s: no common point (the first holds %s, the second %s)\n", both.c_str(),
            Held(a.scan, a.S).c_str(), Held(b.scan, b.S).c_str());
    return 1;
  }
  long differing = 0;
  for (long k = first; k <= last; ++k) {
    std::string lineA = ResultLineText(a.scan.lines[k - a.S]);
    std::string lineB = ResultLineText(b.scan.lines[k - b.S]);
    if (lineA == lineB) continue;
    ++differing;
    fprintf(out, "k=%ld differs:\n  %s: %s\n  %s: %s\n", k, file.c_str(), lineA.c_str(),
            other.c_str(), lineB.c_str());
  }
  std::string verdict = differing == 0   ? "all equal"
                        : differing == 1 ? "1 differs"
                                         : std::to_string(differing) + " differ";
  fprintf(out, "%s: %s, k=%ld..%ld, %s\n", both.c_str(),
          Count(last - first + 1, "common point").c_str(), first, last, verdict.c_str());
  return differing == 0 ? 0 : 1;
}
