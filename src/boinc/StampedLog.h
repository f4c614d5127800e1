#pragma once
// A stream that passes its text on to another one with each line opened by
// the local time and the process id, "16:08:13 (10345): ", the stamp of the
// BOINC runtime's own messages in the same log. Lines are passed on whole
// (the stream is line buffered); a line written in pieces gets one stamp.
#include <cstdio>

// A new stream writing into target, which must outlive it; close it with
// fclose. nullptr when the stream cannot be made.
FILE* OpenStampedLog(FILE* target);
