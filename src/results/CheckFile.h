#pragma once
// The coordinator's check of the result files that volunteers return, and
// the double-check of two files over the grid points both hold.
#include <cstdio>
#include <string>
#include <vector>

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
// even an empty one, is valid; a file ending with the mark of a failed check
// is not. Returns 0 when all files are valid, 1 otherwise.
int CheckResultFiles(const std::vector<std::string>& paths, FILE* out);

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
