#include "results/ResultLine.h"

#include <cstdio>
#include <vector>

#include "results/LineChecksum.h"

// The grammar is that of the writer's own formats ("%ld", the digits of
// Integer::Format, "%.5lf"), so that a line parses only in the one form the
// program writes; a stray space, a carriage return or a leading zero is a
// fault, not a variant, and the text rebuilt from the fields is the text read.

const char kCheckFailedLine[] = "Last computation : Check KO\n";

namespace {

constexpr size_t kMaxIndexDigits = 18;  // within a long
constexpr size_t kMaxValueDigits = 36;  // what an Integer holds

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Digits written by "%ld" or Integer::Format: no leading zero but in "0".
bool IsPlainNumber(const std::string& s) { return AllDigits(s) && (s[0] != '0' || s.size() == 1); }

// The "%.5lf" form: optional '-', a plain whole part, a point, five decimals.
bool IsFiveDecimals(const std::string& s) {
  size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
  size_t point = s.find('.', start);
  if (point == std::string::npos || s.size() - point - 1 != 5) return false;
  return IsPlainNumber(s.substr(start, point - start)) && AllDigits(s.substr(point + 1));
}

// The field quoted for a message, its bytes other than printable ASCII
// shown as \xNN, so that a carriage return or a binary byte can be seen.
std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char code[8];
      snprintf(code, sizeof code, "\\x%02x", c);
      out += code;
    }
  }
  return out + "\"";
}

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == ':') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace

std::string FormatResultLine(long k, const std::string& digits, double deviation) {
  // The first three fields, then the checksum of exactly that text.
  char fields[200];
  snprintf(fields, sizeof fields, "%ld:%s:%.5lf", k, digits.c_str(), deviation);
  char line[256];
  snprintf(line, sizeof line, "%s:%ld\n", fields, LineChecksum(fields));
  return line;
}

std::string ResultLineText(const ResultLine& line) {
  return std::to_string(line.index) + ":" + line.value + ":" + line.deviation + ":" +
         std::to_string(line.checksum);
}

std::string ParseResultLine(const std::string& text, ResultLine* line) {
  if (text.empty()) return "empty line";
  std::vector<std::string> fields = SplitFields(text);
  if (fields.size() != 4) {
    // A line that does not even open with a number is something else.
    if (fields.size() == 1 || !AllDigits(fields[0])) return "not a result line";
    return std::to_string(fields.size()) + " fields where 4 are due";
  }
  const std::string& index = fields[0];
  const std::string& value = fields[1];
  const std::string& deviation = fields[2];
  const std::string& checksum = fields[3];

  if (!IsPlainNumber(index) || index.size() > kMaxIndexDigits) {
    return "index " + Quoted(index) + " is not a grid index";
  }
  line->index = std::stol(index);
  if (!IsPlainNumber(value)) return "pi(x) " + Quoted(value) + " is not a count";
  if (value.size() > kMaxValueDigits) return "pi(x) has more than 36 digits";
  line->value = value;
  if (!IsFiveDecimals(deviation)) {
    return "deviation " + Quoted(deviation) + " is not a number with five decimals";
  }
  line->deviation = deviation;
  if (!IsPlainNumber(checksum) || checksum.size() > 3) {
    return "checksum " + Quoted(checksum) + " is not a number 0..999";
  }
  line->checksum = std::stol(checksum);

  long due = LineChecksum(text.substr(0, text.size() - checksum.size() - 1).c_str());
  if (line->checksum != due) {
    return "checksum " + checksum + " where " + std::to_string(due) + " is due";
  }
  return "";
}
