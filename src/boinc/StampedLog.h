#pragma once
// A stream that passes its text on to another one with each line opened by
// the local time and the process id, "16:08:13 (10345): ", the stamp of the
// BOINC runtime's own messages in the same log. Lines are passed on whole
// (the stream is line buffered); a line written in pieces gets one stamp.
// Windows' C library makes no streams of a program's own: there no stream
// is made, and the unit's lines reach the log unstamped, beside the
// runtime's own stamped messages.
#include <cstdio>

// A new stream writing into target, which must outlive it; close it with
// fclose. nullptr when the stream cannot be made.
FILE* OpenStampedLog(FILE* target);

// Makes stream the C library's standard output, the one printf writes to,
// and returns the one it replaces. Windows' standard output is not a
// variable: there nothing is replaced and the standard output is returned
// (OpenStampedLog makes no stream to put in its place).
FILE* ReplaceStandardOutput(FILE* stream);
