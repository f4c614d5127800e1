#include "results/ResultScan.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "arith/Integer.h"
#include "results/OffsetLogIntegral.h"
#include "base/PlatformFile.h"

// A file is read whole: a result file of the full grid is some 9000 lines of
// at most 40 characters, under 400 KB; anything larger than kLargestResultFile
// is not a result file and is not read further (an endless device behind a
// link would otherwise fill the memory). The values of pi(x) are compared as digit strings
// (no leading zeros, so the longer is the larger and equal lengths compare
// lexicographically): they have up to 17 digits and a double would round them.

namespace {

constexpr double kGridStep = 1e14;

// The failure mark as a line, without its newline.
const std::string& MarkLine() {
  static const std::string mark(kCheckFailedLine, strlen(kCheckFailedLine) - 1);
  return mark;
}

bool ValueAbove(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() > b.size();
  return a > b;
}

// The deviation field the range loop writes for index k and pi(x) = digits:
// pi(x) is rebuilt as an Integer six digits at a time, so that its
// approximate value is the one the loop's Integer had.
std::string DueDeviation(long k, const std::string& digits) {
  Integer value(0.0);
  size_t first = digits.size() % 6 == 0 ? 6 : digits.size() % 6;
  for (size_t at = 0; at < digits.size(); at += (at == 0 ? first : 6)) {
    size_t length = at == 0 ? first : 6;
    if (at != 0) value.Multiply(1e6);
    value.Add(std::stod(digits.substr(at, length)));
  }
  Integer x(kGridStep);
  x.Multiply(static_cast<double>(k));
  char text[64];
  snprintf(text, sizeof text, "%.5lf", NormalisedDeviation(value.GetApprox(), x.GetApprox()));
  return text;
}

// Why result line line, read where index due was expected after the value
// previous ("" before the first line), does not belong in the file.
std::string PlaceFault(const ResultLine& line, long due, long S, long E,
                       const std::string& previous) {
  if (due > E) {
    return "index " + std::to_string(line.index) + " past the end of the range " +
           std::to_string(S) + ".." + std::to_string(E);
  }
  if (line.index != due) {
    return "index " + std::to_string(line.index) + " where " + std::to_string(due) + " is due";
  }
  if (!previous.empty() && !ValueAbove(line.value, previous)) {
    return "pi(x) " + line.value + " not above " + previous + " of k=" + std::to_string(due - 1);
  }
  return "";
}

bool IsPlainNumber(const std::string& s) {
  if (s.empty() || s.size() > 18 || (s[0] == '0' && s.size() > 1)) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

ResultScan ScanResults(const std::string& text, long S, long E, bool checkDeviation) {
  ResultScan scan;
  scan.nextIndex = S;
  bool afterMark = false;
  std::string previous;
  long lineNumber = 0;
  for (size_t pos = 0; pos < text.size();) {
    ++lineNumber;
    size_t end = text.find('\n', pos);
    std::string reason;
    if (afterMark) {
      reason = "text after the failure mark";
    } else if (end == std::string::npos) {
      reason = "line cut short (no newline)";
    }
    if (!reason.empty()) {
      scan.badLine = lineNumber;
      scan.reason = reason;
      break;
    }
    std::string lineText = text.substr(pos, end - pos);
    pos = end + 1;

    if (lineText == MarkLine()) {
      if (scan.points == 0) {
        scan.badLine = lineNumber;
        scan.reason = "failure mark before any result line";
        break;
      }
      afterMark = true;
      continue;
    }
    ResultLine line;
    reason = ParseResultLine(lineText, &line);
    if (reason.empty()) reason = PlaceFault(line, S + scan.points, S, E, previous);
    if (reason.empty() && checkDeviation) {
      std::string due = DueDeviation(line.index, line.value);
      if (line.deviation != due)
        reason = "deviation " + line.deviation + " where " + due + " is due";
    }
    if (!reason.empty()) {
      scan.badLine = lineNumber;
      scan.reason = reason;
      break;
    }
    previous = line.value;
    scan.lines.push_back(line);
    ++scan.points;
    scan.nextIndex = S + scan.points;
  }
  scan.checkFailed = afterMark && scan.badLine == 0;
  return scan;
}

ResultScan ScanResultFile(const std::string& path, long S, long E, bool checkDeviation) {
  ResultScan scan;
  scan.nextIndex = S;
  std::string text;
  scan.readError = ReadResultFile(path, &text, &scan.absent);
  if (scan.absent) scan.readError.clear();
  if (!scan.readError.empty() || scan.absent) return scan;
  return ScanResults(text, S, E, checkDeviation);
}

std::string ReadResultFile(const std::string& path, std::string* text, bool* absent) {
  text->clear();
  PlatformFile file;
  std::string unusable = file.OpenForReading(path, absent);
  if (!unusable.empty()) return unusable;
  char buffer[1 << 16];
  for (;;) {
    int64_t got = file.ReadAt(static_cast<int64_t>(text->size()), buffer, sizeof buffer);
    if (got < 0) return PlatformFile::LastError();
    if (got == 0) return "";
    text->append(buffer, static_cast<size_t>(got));
    if (text->size() > kLargestResultFile) {
      text->clear();
      return "it is larger than " + std::to_string(kLargestResultFile >> 20) +
             " MB, more than a result file of the whole grid";
    }
  }
}

std::string ResultFileName(long S, long E) {
  char name[64];
  snprintf(name, sizeof name, "Pix%ld-%ld.txt", S, E);
  return name;
}

bool ParseResultFileName(const std::string& path, int64_t* S, int64_t* E) {
  size_t separator = path.find_last_of(PlatformFile::Separators());
  std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  const std::string head = "Pix";
  const std::string tail = ".txt";
  if (name.size() < head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
      name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  std::string range = name.substr(head.size(), name.size() - head.size() - tail.size());
  size_t dash = range.find('-');
  if (dash == std::string::npos) return false;
  std::string first = range.substr(0, dash);
  std::string last = range.substr(dash + 1);
  if (!IsPlainNumber(first) || !IsPlainNumber(last)) return false;
  int64_t s = std::stoll(first);
  int64_t e = std::stoll(last);
  if (s > e) return false;
  *S = s;
  *E = e;
  return true;
}
