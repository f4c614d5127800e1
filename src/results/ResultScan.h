#pragma once
// The scan of a whole result file "PixS-E.txt": which grid points it holds,
// whether it ends with the mark of a failed check, and where it first goes
// wrong. The resume of a range and the coordinator's check both read files
// through it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "results/ResultLine.h"

struct ResultScan {
  long points = 0;                // valid result lines read before the first fault
  long nextIndex = 0;             // the first index not in the file: S + points
  bool checkFailed = false;       // a valid file that ends with the failure mark
                                  // (then on line points + 1, after the failed point)
  long badLine = 0;               // 1-based number of the first bad line, 0 when none
  std::string reason;             // what is wrong with that line
  std::vector<ResultLine> lines;  // the valid lines, in order
  // Set by ScanResultFile only: the file does not exist (its text is taken
  // as empty and the scan is valid), or it exists and cannot be read
  // (readError says why, e.g. "Permission denied"; the scan is then not valid).
  bool absent = false;
  std::string readError;
  bool Valid() const { return badLine == 0 && readError.empty(); }
};

// Scans the text of a result file for the range [S, E]. Rules: each line
// ends with '\n' (a last line without it was cut short: bad); each is a
// valid result line (ParseResultLine); indices are S, S+1, ... (consecutive,
// inside [S, E]); pi(x) strictly increasing; the failure mark may only be
// the last line and only after a result line (anything after it is bad).
// With checkDeviation the deviation field must equal the one recomputed from
// pi(x) and x = k * 10^14 exactly as the range loop computes it. The scan
// stops at the first bad line; the lines before it are kept, and so the
// counts say where a resume may go on from.
ResultScan ScanResults(const std::string& text, long S, long E, bool checkDeviation);

// Reads the file at path and scans it as ScanResults does; an absent file
// is an empty text (absent is set), an unreadable one sets readError, and
// so does anything that is not a regular file ("it is a named pipe", "it is
// a device") or is larger than any result file.
ResultScan ScanResultFile(const std::string& path, long S, long E, bool checkDeviation);

// The most a result file holds: the whole grid's lines take under 400 KB.
constexpr size_t kLargestResultFile = size_t(1) << 20;

// Reads the whole regular file at path into text without blocking on what
// is not one: returns "" or why it cannot be read (a system error text, "it
// is a named pipe", "it is a device", "it is larger than 1 MB, ..."). Sets
// *absent when nothing is at the name.
std::string ReadResultFile(const std::string& path, std::string* text, bool* absent);

// The result file name of a range, "Pix%ld-%ld.txt".
std::string ResultFileName(long S, long E);

// Reads the range from a result file name: the base name of path (after its
// last folder separator, '/' and on Windows '\\' too) must be exactly
// "PixS-E.txt", S and E written as "%ld" writes them (digits, no sign, no
// leading zero, at most 18 of them) with S <= E. Returns false, with S and E
// untouched, for any other name. Whether the range lies in the grid is the
// caller's question.
bool ParseResultFileName(const std::string& path, int64_t* S, int64_t* E);
