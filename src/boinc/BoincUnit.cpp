// The range loop locks the output, continues it at the first missing index
// and writes each line in one synced write, so a unit killed anywhere
// restarts without losing or repeating a finished point. The unit adds the
// client's side: the critical section around each write, a checkpoint after
// it, and the repair of a line that a power cut left torn, which only the
// unit may do: there the output is its own checkpoint, written by no one
// else. It reads the range, follows the progress, and reads the output back
// before it reports success, so that success always means every line of the
// range is there and whole.
#include "boinc/BoincUnit.h"

#include <mutex>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/ElapsedSeconds.h"
#include "base/ProgramVersion.h"
#include "boinc/StampedLog.h"
#include "driver/RangeDialogue.h"
#include "driver/ResultFile.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace {

// The input holds two short numbers: anything longer is not a range.
constexpr size_t kLongestInput = 4096;

// Reads a whole number (optional sign, decimal digits) at *at, leading
// blanks skipped; false when there is none or it does not fit a long.
bool ReadWhole(const char** at, long* value) {
  const char* start = *at;
  while (*start == ' ' || *start == '\t' || *start == '\r' || *start == '\n') ++start;
  if (*start != '-' && *start != '+' && (*start < '0' || *start > '9')) return false;
  char* end = nullptr;
  errno = 0;
  *value = strtol(start, &end, 10);
  if (errno != 0 || end == start || (end[0] != '\0' && strchr(" \t\r\n", end[0]) == nullptr)) return false;
  *at = end;
  return true;
}

}  // namespace

BoincUnit::BoincUnit(BoincCalls& boinc, UnitPointFunction point, FILE* log) : boinc_(boinc), point_(point), log_(log) {}

int BoincUnit::Run(const std::vector<std::string>& arguments) {
  int started = boinc_.Init();
  if (started != 0) {
    fprintf(log_, "ERROR, the BOINC runtime did not start (error %d)\n", started);
    fflush(log_);
    return kUnitNoRuntime;
  }
  // From here on every line of the log and of the console is stamped
  // (where the system has the streams for it: StampedLog.h).
  FILE* given = log_;
  FILE* stampedLog = OpenStampedLog(given);
  FILE* stampedConsole = OpenStampedLog(stdout);
  if (stampedLog != nullptr) log_ = stampedLog;
  FILE* console = stampedConsole != nullptr ? ReplaceStandardOutput(stampedConsole) : nullptr;
  int status = RunStamped(arguments);
  if (stampedConsole != nullptr) {
    ReplaceStandardOutput(console);
    fclose(stampedConsole);
  }
  if (stampedLog != nullptr) fclose(stampedLog);
  log_ = given;
  return status;
}

int BoincUnit::RunStamped(const std::vector<std::string>& arguments) {
  fprintf(log_, "brunsk_boinc %s, %s\n", kProgramVersion, kProgramLicence);
  int status = kUnitBadInput;
  if (ReadArguments(arguments) && ReadInput()) status = Compute();
  fflush(stdout);
  fflush(log_);
  boinc_.Finish(status);
  return status;
}

bool BoincUnit::ReadArguments(const std::vector<std::string>& arguments) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    // What the runtime may add to the command line: the client's test mode
    // passes --critical_section, a graphics build the other two, a GPU
    // version the device.
    if (arguments[i] == "--critical_section" || arguments[i] == "--graphics" || arguments[i] == "--fullscreen") {
      continue;
    }
    if ((arguments[i] == "--device" || arguments[i] == "--gpu_type") && i + 1 < arguments.size()) {
      ++i;
      continue;
    }
    if (arguments[i] != "--nthreads") {
      fprintf(log_, "ERROR, unknown argument \"%s\"; the only option is --nthreads N\n", arguments[i].c_str());
      return false;
    }
    const char* text = i + 1 < arguments.size() ? arguments[++i].c_str() : "";
    const char* at = text;
    long threads = 0;
    if (!ReadWhole(&at, &threads) || *at != '\0' || threads < 1 || threads > 1024) {
      fprintf(log_, "ERROR, --nthreads takes a number of threads from 1 to 1024, not \"%s\"\n", text);
      return false;
    }
    settings_.threads = static_cast<int>(threads);
  }
  return true;
}

bool BoincUnit::ReadInput() {
  if (!boinc_.Resolve("in", &settings_.input)) {
    fprintf(log_, "ERROR, the input file name \"in\" cannot be resolved\n");
    return false;
  }
  const char* name = settings_.input.c_str();
  FILE* file = fopen(name, "rb");
  if (file == nullptr) {
    fprintf(log_, "ERROR, the input file %s cannot be read: %s\n", name, strerror(errno));
    return false;
  }
  char text[kLongestInput + 1];
  size_t length = fread(text, 1, kLongestInput + 1, file);
  bool failed = ferror(file) != 0;
  fclose(file);
  if (failed) {
    fprintf(log_, "ERROR, the input file %s cannot be read\n", name);
    return false;
  }
  const char* at = text;
  if (length > kLongestInput || memchr(text, '\0', length) != nullptr) {
    at = "";  // not text, or far too long for "S E"
  } else {
    text[length] = '\0';
  }
  long S = 0, E = 0;
  if (!ReadWhole(&at, &S) || !ReadWhole(&at, &E) || at[strspn(at, " \t\r\n")] != '\0') {
    fprintf(log_, "ERROR, the input file %s does not hold two integers \"S E\"\n", name);
    return false;
  }
  std::string refusal = RangeRefusal(S, E);
  if (!refusal.empty()) {
    fprintf(log_, "ERROR, the input file %s holds a range that cannot be computed: %s", name, refusal.c_str());
    return false;
  }
  settings_.start = S;
  settings_.end = E;
  return true;
}

int BoincUnit::Compute() {
  if (!boinc_.Resolve("out", &settings_.output)) {
    fprintf(log_, "ERROR, the output file name \"out\" cannot be resolved\n");
    return kUnitOutputUnusable;
  }
  CutTornLastLine();
  const double total = static_cast<double>(settings_.end - settings_.start + 1);
  RangeSettings range;
  range.path = settings_.output;
  range.quiet = true;
  range.errors = log_;
  range.threads = settings_.threads;
  range.pointStarted = [this, total](long k) {
    pointsBefore_ = k - settings_.start;
    inHand_ = k;
    progress_.Reset();
    Report(pointsBefore_ / total);
  };
  range.pointWritten = [this, total](long k) {
    inHand_ = -1;
    // 1 only once the output has been read back whole.
    if (k < settings_.end) Report((k - settings_.start + 1) / total);
    // Every line on disk is a checkpoint: the client keeps the task's
    // times from the last one it heard of.
    boinc_.CheckpointCompleted();
  };
  range.lineWriteBegins = [this] { boinc_.BeginCriticalSection(); };
  range.lineWriteEnds = [this] { boinc_.EndCriticalSection(); };
  // The two evaluations of a point may report from two threads at once.
  std::mutex reporting;
  const EvaluationProgress progress = [this, total, &reporting](int evaluation, char term, double fraction) {
    std::lock_guard<std::mutex> hold(reporting);
    Report((pointsBefore_ + progress_.Advance(evaluation, term, fraction)) / total);
  };
  const PointFunction point = [this, &progress](Integer x, Integer& result, int verbose, int threads) {
    return point_(x, result, verbose, threads, progress);
  };
  // The times of the console lines ("total time", "per point") leave out
  // the time the client kept the task suspended.
  ReplaceWallClock([this] { return boinc_.RunningSeconds(); });
  RangeStatus status =
      ComputeRange(static_cast<double>(settings_.start), static_cast<double>(settings_.end), range, point);
  ReplaceWallClock(nullptr);

  if (status == kRangeCheckFailed) {
    // A damaged output was named by the range loop; a failed check only on
    // the console, which is not always the log.
    if (inHand_ >= 0) fprintf(log_, "ERROR, the check of k=%ld failed (Check KO)\n", inHand_);
    return kUnitCheckFailed;
  }
  if (status != kRangeDone) return kUnitOutputUnusable;
  if (!OutputIsWhole()) return kUnitOutputUnusable;
  Report(1.0);
  return kUnitDone;
}

void BoincUnit::CutTornLastLine() {
  // Held locked while it is read and cut; a file in use, unreadable or not
  // torn is left to the range loop, which says what is wrong with it.
  ResultFile file;
  if (!file.Open(settings_.output).empty()) return;
  std::string text;
  if (!file.ReadAll(&text) || text.empty() || text.back() == '\n') return;
  size_t whole = text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1;
  ResultScan scan = ScanResults(text.substr(0, whole), settings_.start, settings_.end, true);
  // Only the last line may be torn: the lines before it must all be good,
  // and none may be the mark of a failed check.
  if (!scan.Valid() || scan.checkFailed) return;
  // A failed point's line and the mark after it go out in one write: torn
  // inside the mark, it is the check that failed, never a line to compute
  // again. The mark is completed, and the range loop then ends the unit as
  // it ends one with a whole mark (a failed check, its reason in the log).
  // Without a line before it no write of the unit left it: it stays, an
  // error the range loop names.
  const std::string mark = kCheckFailedLine;
  const std::string torn = text.substr(whole);
  if (mark.compare(0, torn.size(), torn) == 0) {
    if (scan.points > 0 && file.Append(mark.substr(torn.size())).empty()) {
      fprintf(log_, "The failure mark after k=%ld in %s was cut short (%zu bytes without an end of line): completed\n",
              scan.nextIndex - 1, settings_.output.c_str(), torn.size());
    }
    return;
  }
  if (file.CutTo(static_cast<int64_t>(whole))) {
    fprintf(log_,
            "The last line of %s was cut short (%zu bytes without an end of line): removed, "
            "k=%ld is computed again\n",
            settings_.output.c_str(), text.size() - whole, scan.nextIndex);
  }
}

bool BoincUnit::OutputIsWhole() {
  ResultScan scan = ScanResultFile(settings_.output, settings_.start, settings_.end, true);
  if (scan.Valid() && !scan.checkFailed && scan.nextIndex == settings_.end + 1) return true;
  const char* name = settings_.output.c_str();
  if (!scan.readError.empty()) {
    fprintf(log_, "ERROR, the output file %s cannot be read back: %s\n", name, scan.readError.c_str());
  } else if (!scan.Valid()) {
    fprintf(log_, "ERROR, the output file %s line %ld: %s\n", name, scan.badLine, scan.reason.c_str());
  } else {
    fprintf(log_, "ERROR, the output file %s holds %ld of the %ld points of k=%ld..%ld\n", name, scan.points,
            settings_.end - settings_.start + 1, settings_.start, settings_.end);
  }
  return false;
}

void BoincUnit::Report(double fraction) {
  if (fraction <= reported_) return;
  reported_ = fraction;
  boinc_.FractionDone(fraction);
}
