#pragma once
// One line of a result file, "k:pi(x):deviation:checksum": its formatting
// from a computed value and its parsing, with the checks that a line alone
// allows (syntax and checksum).
#include <string>

struct ResultLine {
  long index = 0;
  std::string value;      // decimal digits of pi(x)
  std::string deviation;  // as written, e.g. "-0.05813"
  long checksum = 0;
};

// The mark written after the line of a failed check, newline included.
extern const char kCheckFailedLine[];  // "Last computation : Check KO\n"

// The whole line for index k, the digits of pi(x) and the deviation:
// "k:pi:dev:checksum\n", the deviation with five decimals and the checksum
// the LineChecksum of "k:pi:dev".
std::string FormatResultLine(long k, const std::string& digits, double deviation);

// The text of a parsed line, without its newline; for a line that parsed
// without fault it is the text that was read.
std::string ResultLineText(const ResultLine& line);

// Parses one line given without its newline. Returns "" when the line is a
// valid result line (syntax and checksum), otherwise the reason in a few
// words, e.g. "checksum 157 where 158 is due" or "not a result line".
// Valid means written as FormatResultLine writes: four fields; the index and
// pi(x) decimal digits without a sign or leading zeros (pi(x) at most 36
// digits); the deviation an optional '-', digits without leading zeros and
// exactly five decimals; the checksum 0..999 without leading zeros and equal
// to the LineChecksum of the first three fields. line is filled as far as
// the fields could be read.
std::string ParseResultLine(const std::string& text, ResultLine* line);
