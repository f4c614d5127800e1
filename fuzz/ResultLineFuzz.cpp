// The result line "k:pi(x):deviation:checksum" from any bytes. A line that
// parses is exactly the line the writer would write for its fields: its
// text rebuilt from the fields is the text read, FormatResultLine of its
// numbers gives the same bytes, and a file of that one line scans as one
// point. A refused line gets a reason of one printable line (it goes into
// the check's summary). The other way round, a line the writer formats from
// the input's numbers always parses back to them.
#include <cmath>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace {

void CheckParsed(const std::string& text) {
  ResultLine line;
  std::string reason = ParseResultLine(text, &line);
  if (!reason.empty()) {
    for (unsigned char c : reason) {
      FUZZ_REQUIRE(c >= 0x20 && c < 0x7f, "the reason is not one printable line: " + Shown(reason));
    }
    return;
  }
  FUZZ_REQUIRE(ResultLineText(line) == text, Shown(text) + " parsed, rebuilt as " + Shown(ResultLineText(line)));
  // A deviation of at most 15 significant digits survives its double: the
  // writer then formats the very same line.
  size_t wholeDigits = line.deviation.find('.') - (line.deviation[0] == '-' ? 1 : 0);
  if (wholeDigits <= 10) {
    std::string formatted = FormatResultLine(line.index, line.value, std::stod(line.deviation));
    FUZZ_REQUIRE(formatted == text + "\n", Shown(text) + " parsed, formatted as " + Shown(formatted));
  }
  ResultScan scan = ScanResults(text + "\n", line.index, line.index, false);
  FUZZ_REQUIRE(scan.Valid() && scan.points == 1 && !scan.checkFailed,
               Shown(text) + " parsed, but its file scans with line " + std::to_string(scan.badLine) + ": " +
                   scan.reason);
}

// The writer's side: k and pi(x) from the input, the deviation bounded as
// a normalised deviation is, finite.
void CheckFormatted(const uint8_t* data, size_t size) {
  size_t at = 0;
  long k = static_cast<long>(TakeNumber(data, size, &at, 8) % 1000000000000000000ULL);
  std::string digits = std::to_string(TakeNumber(data, size, &at, 8));
  uint64_t bits = TakeNumber(data, size, &at, 8);
  double deviation;
  memcpy(&deviation, &bits, sizeof deviation);
  if (!std::isfinite(deviation) || std::fabs(deviation) >= 1e6) deviation = std::fmod(static_cast<double>(bits), 2e6) - 1e6;
  if (!std::isfinite(deviation)) deviation = 0.0;
  std::string formatted = FormatResultLine(k, digits, deviation);
  FUZZ_REQUIRE(!formatted.empty() && formatted.back() == '\n', "no newline: " + Shown(formatted));
  ResultLine line;
  std::string reason = ParseResultLine(formatted.substr(0, formatted.size() - 1), &line);
  FUZZ_REQUIRE(reason.empty(), "the writer's line " + Shown(formatted) + " is refused: " + reason);
  FUZZ_REQUIRE(line.index == k && line.value == digits, "the writer's line " + Shown(formatted) + " reads back other numbers");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckParsed(std::string(reinterpret_cast<const char*>(data), size));
  CheckFormatted(data, size);
  return 0;
}
