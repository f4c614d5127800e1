#pragma once
// The console dialogue that asks for the start and end indices S and E of
// the grid x = k * 1E+14, 1000 <= k <= 10000, validates them, asks for
// confirmation and hands the range to the range loop; and the same start
// for a range given on the command line.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

// What is called with a confirmed range (S <= E, both whole); returns the
// range's exit status.
typedef std::function<int(double S, double E)> RangeFunction;

// What StartRange returns when the confirmation is declined.
constexpr int kRangeDeclined = 1;

// The message that refuses S and E ("Error, S should be smaller than E\n"
// and the two bound messages, tested in that order), "" for a valid range.
std::string RangeRefusal(int64_t startIndex, int64_t endIndex);

// Prints the summary of a valid range, asks for confirmation unless
// confirmed (reading the answer from in), prints the start line and runs
// computeRange. Returns its status, or kRangeDeclined.
int StartRange(int64_t startIndex, int64_t endIndex, bool confirmed, FILE* in, const RangeFunction& computeRange);

// Reads from standard input and computes the range with ComputeRange.
int RangeDialogue();
// Reads the answers from in and hands a confirmed range to computeRange.
// Everything is printed to standard output. Returns the range's status; 0
// when nothing was computed (a refused range or a declined confirmation).
int RangeDialogue(FILE* in, const RangeFunction& computeRange);
