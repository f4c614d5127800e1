#include "driver/RangeDialogue.h"

#include <cinttypes>

#include "driver/ComputeRange.h"
#include "driver/TimeString.h"

namespace {

constexpr double kLowestX = 1e17;
constexpr double kHighestX = 1e18;
constexpr double kGridStep = 1e14;
constexpr int64_t kLowestIndex = 1000;   // kLowestX / kGridStep
constexpr int64_t kHighestIndex = 10000; // kHighestX / kGridStep

// Magnitude beyond which further digits are not accumulated: far outside the
// grid, small enough to stay exact in a double, so an oversized number is
// refused by the bound tests instead of being wrapped into range.
constexpr int64_t kSaturation = 1000000000000000;

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsSpace(int c) { return IsBlank(c) || c == '\n'; }

// Longest answer read: room for any reasonable number with blanks, while an
// endless line (input from /dev/zero) is refused instead of read forever.
constexpr long kLongestAnswer = 8192;

// Reads one line and takes it as a whole number: optional blanks, an
// optional sign, at least one digit, optional blanks. Returns false for
// anything else, an empty line, end of input and a line longer than
// kLongestAnswer included.
bool ReadWholeNumberLine(FILE* in, int64_t* value) {
  enum { kLead, kSign, kDigits, kTrail, kBad } state = kLead;
  bool negative = false;
  int64_t magnitude = 0;
  int c;
  long length = 0;
  while ((c = fgetc(in)) != EOF && c != '\n') {
    if (++length > kLongestAnswer) return false;
    switch (state) {
      case kLead:
        if (IsBlank(c)) break;
        if (c == '+' || c == '-') {
          negative = c == '-';
          state = kSign;
          break;
        }
        [[fallthrough]];
      case kSign:
      case kDigits:
        if (c >= '0' && c <= '9') {
          if (magnitude < kSaturation) magnitude = magnitude * 10 + (c - '0');
          state = kDigits;
        } else if (state == kDigits && IsBlank(c)) {
          state = kTrail;
        } else {
          state = kBad;
        }
        break;
      case kTrail:
        if (!IsBlank(c)) state = kBad;
        break;
      case kBad:
        break;
    }
  }
  if (length == 0 && c == EOF) return false;
  if (state != kDigits && state != kTrail) return false;
  if (magnitude > kSaturation) magnitude = kSaturation;
  *value = negative ? -magnitude : magnitude;
  return true;
}

// Reads one whitespace-delimited word and returns its first character, or
// EOF when the input ends before a word or the answer runs past
// kLongestAnswer characters.
int ReadAnswerInitial(FILE* in) {
  int c;
  long length = 0;
  do {
    c = fgetc(in);
    if (++length > kLongestAnswer) return EOF;
  } while (c != EOF && IsSpace(c));
  if (c == EOF) return EOF;
  int first = c;
  do {
    c = fgetc(in);
    if (++length > kLongestAnswer) return EOF;
  } while (c != EOF && !IsSpace(c));
  return first;
}

}  // namespace

std::string RangeRefusal(int64_t startIndex, int64_t endIndex) {
  double S = static_cast<double>(startIndex);
  double E = static_cast<double>(endIndex);
  char text[128] = "";
  if (E < S) {
    snprintf(text, sizeof text, "Error, S should be smaller than E\n");
  } else if (S < kLowestX / kGridStep) {
    snprintf(text, sizeof text, "Error, S should be bigger than %.0E/%.0E=%" PRId64 "\n", kLowestX, kGridStep,
             kLowestIndex);
  } else if (E > kHighestX / kGridStep) {
    snprintf(text, sizeof text, "Error, E should be smaller than %.0E/%.0E=%" PRId64 "\n", kHighestX, kGridStep,
             kHighestIndex);
  }
  return text;
}

int StartRange(int64_t startIndex, int64_t endIndex, bool confirmed, FILE* in, const RangeFunction& computeRange) {
  double S = static_cast<double>(startIndex);
  double E = static_cast<double>(endIndex);
  printf("Computation of pi(x) for x from \n");
  printf("x=%E to x=%E every %.E.\n", S * kGridStep, E * kGridStep, kGridStep);
  if (!confirmed) {
    printf("Please check that you have reserved this range\n");
    printf("Do you confirm ? (Y=Yes, N=No) : ");
    fflush(stdout);
    int answer = ReadAnswerInitial(in);
    if (answer != 'Y' && answer != 'y') {
      printf("Computation aborted.\n");
      return kRangeDeclined;
    }
  }

  printf("\n");
  char started[26];
  TimeString(started);
  printf("==================================================\n");
  printf("Starting : %s\n", started);
  fflush(stdout);
  return computeRange(S, E);
}

int RangeDialogue() {
  return RangeDialogue(stdin, [](double S, double E) { return static_cast<int>(ComputeRange(S, E)); });
}

int RangeDialogue(FILE* in, const RangeFunction& computeRange) {
  printf("\n");
  printf("This program is a pi(x) computer for values of x between\n");
  printf("x=%.0E and x=%.0E every %.0E.\n", kLowestX, kHighestX, kGridStep);
  printf("\n");
  printf("Your computation will contribute to the Vantrel project.\n");
  printf("Please first subscribe to the project and reserve your range\n");
  printf("(see https://vantrel.example.org/)\n");
  printf("See the Vantrel project page for help\n");
  printf("\n");
  printf("Specify input integers S and E (start and end range values)\n");

  int64_t startIndex = 0;
  int64_t endIndex = 0;
  printf("Enter S : ");
  fflush(stdout);
  if (!ReadWholeNumberLine(in, &startIndex)) {
    printf("Error, S must be an integer\n");
    return 0;
  }
  printf("Enter E : ");
  fflush(stdout);
  if (!ReadWholeNumberLine(in, &endIndex)) {
    printf("Error, E must be an integer\n");
    return 0;
  }
  std::string refusal = RangeRefusal(startIndex, endIndex);
  if (!refusal.empty()) {
    printf("%s", refusal.c_str());
    return 0;
  }
  int status = StartRange(startIndex, endIndex, false, in, computeRange);
  return status == kRangeDeclined ? 0 : status;
}
