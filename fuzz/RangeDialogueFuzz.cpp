// The dialogue's answers: the input is what the user types (S, E and the
// confirmation). A model of the dialogue's rules, written apart from it,
// says what must come of it:
// - S and E are each one line of at most 8192 characters: blanks, an
//   optional sign, decimal digits, blanks;
// - the range must be 1000 <= S <= E <= 10000;
// - the confirmation is the first word after them, and only one that
//   starts with Y or y (found within 8192 characters) starts the range.
// The range loop is handed exactly the typed range, or nothing; and the
// transcript says why it stopped.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "driver/RangeDialogue.h"

namespace {

constexpr size_t kLongestAnswer = 8192;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool Space(char c) { return Blank(c) || c == '\n'; }

// Reads the line at *at as a whole number; the value is that of at most
// 16 significant digits (more lie far outside the grid anyway).
bool ModelNumber(const std::string& typed, size_t* at, double* value) {
  size_t end = typed.find('\n', *at);
  bool ended = end != std::string::npos;
  if (!ended) end = typed.size();
  std::string line = typed.substr(*at, end - *at);
  *at = ended ? end + 1 : typed.size();
  if (line.size() > kLongestAnswer || (line.empty() && !ended)) return false;
  size_t first = 0, last = line.size();
  while (first < last && Blank(line[first])) ++first;
  while (last > first && Blank(line[last - 1])) --last;
  bool negative = false;
  if (first < last && (line[first] == '+' || line[first] == '-')) negative = line[first++] == '-';
  if (first == last) return false;
  for (size_t i = first; i < last; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
  }
  while (first + 1 < last && line[first] == '0') ++first;
  *value = last - first > 16 ? 1e17 : std::stod(line.substr(first, last - first));
  if (negative) *value = -*value;
  return true;
}

// The initial of the confirming word at *at, or 0 for none.
char ModelAnswer(const std::string& typed, size_t at) {
  size_t first = at;
  while (first < typed.size() && Space(typed[first])) ++first;
  if (first == typed.size()) return 0;
  size_t end = first;
  while (end < typed.size() && !Space(typed[end])) ++end;
  // Every character read counts, the one that ends the word too.
  return end - at + 1 <= kLongestAnswer ? typed[first] : 0;
}

std::vector<std::pair<double, double>> gRanges;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string typed(reinterpret_cast<const char*>(data), size);
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (size == 0) in = fopen("/dev/null", "rb");
  FUZZ_REQUIRE(in != nullptr, "no input stream");
  char* transcript = nullptr;
  size_t transcriptSize = 0;
  FILE* console = stdout;
  stdout = open_memstream(&transcript, &transcriptSize);
  gRanges.clear();
  int status = RangeDialogue(in, [](double S, double E) {
    gRanges.emplace_back(S, E);
    return 7;
  });
  fclose(stdout);
  stdout = console;
  fclose(in);
  std::string printed(transcript, transcriptSize);
  free(transcript);

  size_t at = 0;
  double S = 0, E = 0;
  bool numbers = ModelNumber(typed, &at, &S) && ModelNumber(typed, &at, &E);
  bool inGrid = numbers && 1000 <= S && S <= E && E <= 10000;
  char answer = inGrid ? ModelAnswer(typed, at) : 0;
  bool started = answer == 'Y' || answer == 'y';
  const std::string what = "typed " + Shown(typed) + "\nstatus " + std::to_string(status) + ", transcript:\n" + printed;

  if (started) {
    FUZZ_REQUIRE(gRanges.size() == 1 && gRanges[0].first == S && gRanges[0].second == E && status == 7, what);
    FUZZ_REQUIRE(printed.find("Starting : ") != std::string::npos, what);
  } else {
    FUZZ_REQUIRE(gRanges.empty() && status == 0, what);
    const char* why = !numbers ? "must be an integer\n" : !inGrid ? "Error, " : "Computation aborted.\n";
    FUZZ_REQUIRE(printed.size() > 0 && printed.find(why) != std::string::npos, what);
  }
  return 0;
}
