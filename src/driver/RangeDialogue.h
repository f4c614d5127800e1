#pragma once
// The console dialogue that asks for the start and end indices S and E of
// the grid x = k * 1E+14, 1000 <= k <= 10000, validates them, asks for
// confirmation and hands the range to the range loop.
#include <cstdio>

// What the dialogue calls with a confirmed range (S <= E, both whole).
typedef void (*RangeFunction)(double S, double E);

// Reads from standard input and computes the range with ComputeRange.
void RangeDialogue();
// Reads the answers from in and hands a confirmed range to computeRange.
// Everything is printed to standard output.
void RangeDialogue(FILE* in, RangeFunction computeRange);
