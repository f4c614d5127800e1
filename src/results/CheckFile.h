#pragma once
// The coordinator's check of the result files that volunteers return, and
// the double-check of two files over the grid points both hold.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "results/ResultScan.h"

// The grid indices k of x = k * 10^14 that a result file may hold.
constexpr int64_t kFirstGridIndex = 1000;
constexpr int64_t kLastGridIndex = 10000;

// One file checked: the range its name gives, what the scan found (its valid
// lines included), the summary line the check prints after the file's name,
// and the verdict. checkFailed is set for a file whose lines are all valid
// and end with the mark of a failed check: its last line in scan.lines is
// the point whose check failed, the lines before it are results. Such a file
// is not valid for --check-file; the ledger records it all the same.
struct CheckedFile {
  int64_t S = 0;
  int64_t E = 0;
  bool named = false;  // the name gives a range inside the grid (then S, E are set)
  ResultScan scan;
  std::string summary;
  bool valid = false;
  bool checkFailed = false;
};

// Checks the file at path by the rules below (those of CheckResultFiles).
// With complete, a file must also hold every point of its range: one short
// of it (an empty one included) is not valid, its summary saying how many
// are missing as for a short file ("..., 59 missing").
CheckedFile CheckResultFile(const std::string& path, bool complete = false);

// Checks each file: its base name must be "PixS-E.txt", which gives its
// range; every line's syntax and checksum, indices consecutive from S and
// inside [S, E], pi(x) strictly increasing, the deviation field equal to the
// one recomputed from pi(x). Prints one summary line per file to out:
//   "Pix1000-1099.txt: 100 points, k=1000..1099, all valid"
//   "Pix1000-1099.txt: 41 points, k=1000..1040, all valid, 59 missing"
//   "Pix1000-1099.txt: empty, 100 missing"
//   "Pix1000-1099.txt: line 42: checksum 157 where 158 is due (after 41 valid points,
//   k=1000..1040)" "Pix1000-1099.txt: check failed at k=1040, marked on line 42 (41 points,
//   k=1000..1040)" "notes.txt: the name is not of the form PixS-E.txt" "Pix1000-1099.txt: cannot be
//   read: No such file or directory"
// the file named as given (directory included). A file short of its range,
// even an empty one, is valid unless complete is set (as CheckResultFile
// takes it); a file ending with the mark of a failed check is not. Returns 0
// when all files are valid, 1 otherwise.
int CheckResultFiles(const std::vector<std::string>& paths, FILE* out, bool complete = false);

// Compares file against other over the indices both hold: prints each index
// whose lines differ, with both lines,
//   "k=1042 differs:"
//   "  a/Pix1000-1099.txt: 1042:...:...:..."
//   "  b/Pix1000-1099.txt: 1042:...:...:..."
// then a summary, "a/Pix1000-1099.txt and b/Pix1000-1099.txt: 100 common
// points, k=1000..1099, all equal" (or "..., 1 differs", "..., 3 differ").
// Both files are first checked as CheckResultFiles does; an invalid one is
// reported with its summary line and nothing is compared. Returns 0 when
// they agree on every common index, 1 otherwise (also when either is
// invalid, or when they hold no common index).
int CompareResultFiles(const std::string& file, const std::string& other, FILE* out);
