// The BOINC unit's input "in" and its output "out" as a restart finds it,
// with stand-ins for the runtime and the per-point computation. The input's
// first bytes say how many whole lines the output holds (written as the
// range loop writes them), at which point a check fails and how long the
// text of "in" is; then come that text and the bytes that follow the whole
// lines in "out" (a torn line, a torn mark, damage). What must hold:
// - "in" is refused (status 1, the output untouched) exactly when a model
//   of its rules, written apart from the unit, refuses it: two whole
//   numbers between blanks, 1000 <= S <= E <= 10000;
// - the whole lines of the output are kept: the final output begins with
//   them, and anything cut off is a torn result line, never the beginning
//   of the mark of a failed check;
// - success (status 0) means a complete, valid output and no failed check;
//   a failed check (status 2) leaves the output as it was or valid and
//   ending with the mark, and says so in the log;
// - a torn mark after valid lines ends as a failed check does: the mark
//   completed, status 2, the reason in the log, nothing computed (a torn
//   mark with no line before it stays as it is, an error).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "boinc/BoincUnit.h"
#include "results/OffsetLogIntegral.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace {

// The runtime: logical names resolve into the scratch folder.
struct FakeBoinc : BoincCalls {
  int Init() override { return 0; }
  bool Resolve(const std::string& name, std::string* path) override {
    *path = ScratchFolder() + "/" + name;
    return true;
  }
  void FractionDone(double) override {}
  void CheckpointCompleted() override {}
  void BeginCriticalSection() override {}
  void EndCriticalSection() override {}
  double RunningSeconds() override { return 0.0; }
  void Finish(int status) override { finishes.push_back(status); }
  std::vector<int> finishes;
};

// A value of pi(x) growing with k, as the unit's tests use.
Integer FakeValue(long k) {
  Integer value(2.5e12);
  value.Multiply(static_cast<double>(k));
  value.Add(2e14);
  return value;
}

// The line the range loop writes for k with that value.
std::string WrittenLine(long k) {
  Integer x(1e14);
  x.Multiply(static_cast<double>(k));
  Integer value = FakeValue(k);
  char digits[64];
  value.Format(digits);
  return FormatResultLine(k, digits, NormalisedDeviation(value.GetApprox(), x.GetApprox()));
}

// The model of "in": two whole numbers (optional sign, decimal digits)
// between blanks, and nothing else; a grid range.
bool ModelRange(const std::string& text, long* S, long* E) {
  if (text.size() > 4096 || text.find('\0') != std::string::npos) return false;
  std::vector<std::string> words;
  size_t at = 0;
  while (at < text.size()) {
    size_t start = text.find_first_not_of(" \t\r\n", at);
    if (start == std::string::npos) break;
    size_t end = text.find_first_of(" \t\r\n", start);
    if (end == std::string::npos) end = text.size();
    words.push_back(text.substr(start, end - start));
    at = end;
  }
  if (words.size() != 2) return false;
  double values[2];
  for (int i = 0; i < 2; ++i) {
    std::string digits = words[i];
    bool negative = digits[0] == '-';
    if (digits[0] == '-' || digits[0] == '+') digits.erase(0, 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    digits.erase(0, digits.find_first_not_of('0') == std::string::npos ? digits.size() - 1 : digits.find_first_not_of('0'));
    values[i] = digits.size() > 18 ? 1e19 : std::stod(digits);
    if (negative) values[i] = -values[i];
  }
  if (!(1000 <= values[0] && values[0] <= values[1] && values[1] <= 10000)) return false;
  *S = static_cast<long>(values[0]);
  *E = static_cast<long>(values[1]);
  return true;
}

// The points computed and whether a check was made to fail.
std::vector<long> gComputed;
long gFailAt = -1;
bool gFailed = false;

// Wide ranges are cut short: a check fails at the twelfth point computed.
constexpr size_t kMostPoints = 12;

int FakePoint(Integer x, Integer& result, int, int, const EvaluationProgress&) {
  long k = static_cast<long>(x.GetApprox() / 1e14 + 0.5);
  gComputed.push_back(k);
  result = FakeValue(k);
  gFailed = k == gFailAt || gComputed.size() >= kMostPoints;
  return gFailed ? 1 : 0;
}

bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SilenceStandardOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t at = 0;
  uint64_t shape = TakeNumber(data, size, &at, 1);
  long wholeLines = static_cast<long>(shape & 7);
  bool outAbsent = (shape & 8) != 0;
  uint64_t failOffset = TakeNumber(data, size, &at, 1);
  size_t inLength = static_cast<size_t>(TakeNumber(data, size, &at, 1));
  if (at > size) at = size;
  if (inLength > size - at) inLength = size - at;
  const std::string in(reinterpret_cast<const char*>(data) + at, inLength);
  const std::string tail(reinterpret_cast<const char*>(data) + at + inLength, size - at - inLength);

  long S = 1000, E = 1000;
  bool rangeValid = ModelRange(in, &S, &E);
  std::string out;
  for (long k = S; k < S + wholeLines; ++k) out += WrittenLine(k);
  out += tail;
  outAbsent = outAbsent && out.empty();

  const std::string inPath = ScratchFolder() + "/in";
  const std::string outPath = ScratchFolder() + "/out";
  FUZZ_REQUIRE(WriteWholeFile(inPath, in), inPath);
  remove(outPath.c_str());
  if (!outAbsent) FUZZ_REQUIRE(WriteWholeFile(outPath, out), outPath);

  gComputed.clear();
  gFailed = false;
  gFailAt = S + static_cast<long>(failOffset);
  FakeBoinc boinc;
  char* logText = nullptr;
  size_t logSize = 0;
  FILE* log = open_memstream(&logText, &logSize);
  int status = 0;
  {
    BoincUnit unit(boinc, FakePoint, log);
    status = unit.Run({});
  }
  fclose(log);
  const std::string logged(logText, logSize);
  free(logText);
  const std::string after = ReadWholeFile(outPath);

  std::string computed;
  for (long k : gComputed) computed += " " + std::to_string(k);
  const std::string what = "in " + Shown(in) + "\nout " + Shown(out) + "\nstatus " + std::to_string(status) +
                           ", computed" + computed + "\nout after " + Shown(after) + "\nlog:\n" + logged;

  FUZZ_REQUIRE(boinc.finishes == std::vector<int>{status}, what);
  if (!rangeValid) {
    FUZZ_REQUIRE(status == kUnitBadInput && gComputed.empty() && after == out, what);
    return 0;
  }
  FUZZ_REQUIRE(status == kUnitDone || status == kUnitCheckFailed, what);

  // The output's whole lines, and what follows the last of them.
  size_t wholeEnd = out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
  const std::string whole = out.substr(0, wholeEnd);
  const std::string torn = out.substr(wholeEnd);
  const std::string markLine(kCheckFailedLine, strlen(kCheckFailedLine) - 1);
  bool tornMark = !torn.empty() && StartsWith(markLine, torn);
  ResultScan before = ScanResults(whole, S, E, true);
  FUZZ_REQUIRE(StartsWith(after, whole), what);
  if (!StartsWith(after, out)) {
    FUZZ_REQUIRE(!tornMark, "the beginning of the failure mark was cut off as a torn line\n" + what);
  }

  ResultScan scan = ScanResults(after, S, E, true);
  if (status == kUnitDone) {
    FUZZ_REQUIRE(!gFailed && scan.Valid() && !scan.checkFailed && scan.nextIndex == E + 1, what);
    FUZZ_REQUIRE(logged.find("ERROR") == std::string::npos, what);
  } else {
    FUZZ_REQUIRE(after == out || (scan.Valid() && scan.checkFailed), what);
    FUZZ_REQUIRE(logged.find("ERROR") != std::string::npos, what);
  }
  if (gFailed) FUZZ_REQUIRE(status == kUnitCheckFailed && scan.Valid() && scan.checkFailed, what);
  if (tornMark && before.Valid() && !before.checkFailed) {
    // The mark is completed after a line; alone it is left as it is.
    const std::string due = before.points > 0 ? whole + kCheckFailedLine : out;
    FUZZ_REQUIRE(status == kUnitCheckFailed && gComputed.empty() && after == due, what);
    FUZZ_REQUIRE(before.points == 0 || logged.find("Check KO") != std::string::npos, what);
  }
  return 0;
}
