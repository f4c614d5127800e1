// A result file's text for a range [S, E], as the resume of a range and
// --check-file read it. The input's first bytes give the range and whether
// every line's checksum is repaired first (so that the rules behind the
// checksum are reached); the rest is the file. What must hold:
// - the scan keeps the valid lines before the first fault, in order from S,
//   and a valid file is exactly its lines (and the failure mark after them);
// - the whole lines before a bad line scan as valid, with the same points;
// - the scan without the deviation check keeps at least the same lines;
// - the file on disk scans the same, and the file check passes it exactly
//   when the scan finds it valid and not marked as failed;
// - the range loop resumes it at the index after its last line, appending
//   only there, and leaves a file it refuses untouched.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "driver/ComputeRange.h"
#include "results/CheckFile.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace {

std::string Described(const ResultScan& scan) {
  return std::to_string(scan.points) + " points, next " + std::to_string(scan.nextIndex) + ", bad line " +
         std::to_string(scan.badLine) + " (" + scan.reason + ")" + (scan.checkFailed ? ", check failed" : "");
}

bool SameScan(const ResultScan& a, const ResultScan& b) {
  return a.points == b.points && a.nextIndex == b.nextIndex && a.badLine == b.badLine && a.reason == b.reason &&
         a.checkFailed == b.checkFailed;
}

// The first n lines of text, each with its newline.
std::string FirstLines(const std::string& text, long n) {
  size_t at = 0;
  for (long i = 0; i < n; ++i) at = text.find('\n', at) + 1;
  return text.substr(0, at);
}

void CheckScan(const std::string& text, long S, long E, const ResultScan& scan) {
  const std::string what = Shown(text) + " in " + std::to_string(S) + ".." + std::to_string(E) + ": " + Described(scan);
  FUZZ_REQUIRE(static_cast<long>(scan.lines.size()) == scan.points && scan.nextIndex == S + scan.points, what);
  FUZZ_REQUIRE(scan.nextIndex <= E + 1, what);
  std::string kept;
  for (long i = 0; i < scan.points; ++i) {
    FUZZ_REQUIRE(scan.lines[i].index == S + i, what);
    kept += ResultLineText(scan.lines[i]) + "\n";
  }
  if (scan.Valid()) {
    FUZZ_REQUIRE(!scan.checkFailed || scan.points > 0, what);
    FUZZ_REQUIRE(text == kept + (scan.checkFailed ? kCheckFailedLine : ""), what);
    return;
  }
  // The fault is on the line after the last valid one, or after the mark.
  FUZZ_REQUIRE(!scan.reason.empty(), what);
  FUZZ_REQUIRE(scan.badLine == scan.points + 1 || scan.badLine == scan.points + 2, what);
  std::string before = FirstLines(text, scan.badLine - 1);
  FUZZ_REQUIRE(before.compare(0, kept.size(), kept) == 0, what);
  ResultScan again = ScanResults(before, S, E, true);
  FUZZ_REQUIRE(again.Valid() && again.points == scan.points && again.checkFailed == (scan.badLine == scan.points + 2),
               what + "; the lines before the bad one: " + Described(again));
}

// The range loop on the file, its per-point computation failing at once:
// the first point it computes is the index it resumes at, and the failure
// ends the run after that one line and its mark.
void CheckResume(const std::string& path, const std::string& text, long S, long E, const ResultScan& scan) {
  std::vector<long> computed;
  PointFunction point = [&computed](Integer x, Integer& result, int, int) {
    computed.push_back(static_cast<long>(x.GetApprox() / 1e14 + 0.5));
    result = Integer(0.0);
    return 1;
  };
  RangeSettings settings;
  settings.path = path;
  settings.quiet = true;
  settings.errors = stdout;
  RangeStatus status = ComputeRange(static_cast<double>(S), static_cast<double>(E), settings, point);
  std::string after = ReadWholeFile(path);
  const std::string what = Shown(text) + " in " + std::to_string(S) + ".." + std::to_string(E) + ": " +
                           Described(scan) + "; range loop status " + std::to_string(status) + ", file now " +
                           Shown(after);
  bool resumable = scan.Valid() && !scan.checkFailed;
  if (!resumable) {
    FUZZ_REQUIRE(status == kRangeCheckFailed && computed.empty() && after == text, what);
  } else if (scan.nextIndex > E) {
    FUZZ_REQUIRE(status == kRangeDone && computed.empty() && after == text, what);
  } else {
    FUZZ_REQUIRE(status == kRangeCheckFailed && computed == std::vector<long>{scan.nextIndex}, what);
    const std::string mark = kCheckFailedLine;
    FUZZ_REQUIRE(after.compare(0, text.size(), text) == 0 && after.size() > text.size() + mark.size() &&
                     after.compare(after.size() - mark.size(), mark.size(), mark) == 0,
                 what);
    // One line, for the index resumed at (its value is the stand-in's).
    std::string added = after.substr(text.size(), after.size() - text.size() - mark.size());
    ResultLine line;
    FUZZ_REQUIRE(added.back() == '\n' && ParseResultLine(added.substr(0, added.size() - 1), &line).empty() &&
                     line.index == scan.nextIndex,
                 what);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SilenceStandardOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const RangeAndText input = TakeRangeAndText(data, size);
  const long S = input.S, E = input.E;
  const std::string& text = input.text;

  ResultScan scan = ScanResults(text, S, E, true);
  CheckScan(text, S, E, scan);
  ResultScan loose = ScanResults(text, S, E, false);
  FUZZ_REQUIRE(loose.points >= scan.points, Shown(text) + ": the scan without the deviation check keeps fewer lines");

  const std::string path = ScratchFolder() + "/Pix" + std::to_string(S) + "-" + std::to_string(E) + ".txt";
  FUZZ_REQUIRE(WriteWholeFile(path, text), path + " cannot be written");
  ResultScan read = ScanResultFile(path, S, E, true);
  FUZZ_REQUIRE(SameScan(read, scan), Shown(text) + ": the file scans as " + Described(read) + ", the text as " + Described(scan));

  char* summary = nullptr;
  size_t summarySize = 0;
  FILE* out = open_memstream(&summary, &summarySize);
  int checked = CheckResultFiles({path}, out);
  fclose(out);
  std::string printed(summary, summarySize);
  free(summary);
  bool passes = scan.Valid() && !scan.checkFailed;
  FUZZ_REQUIRE(checked == (passes ? 0 : 1), Shown(text) + ": " + Described(scan) + ", the check says " + printed);
  FUZZ_REQUIRE(printed.compare(0, path.size() + 2, path + ": ") == 0 && printed.find('\n') == printed.size() - 1,
               "not one summary line: " + Shown(printed));
  CheckedFile file = CheckResultFile(path, true);
  FUZZ_REQUIRE(file.valid == (passes && scan.nextIndex == E + 1),
               Shown(text) + ": " + Described(scan) + ", the complete check says " + file.summary);

  CheckResume(path, text, S, E, scan);
  remove(path.c_str());
  return 0;
}
