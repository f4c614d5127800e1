// Windows' C library has no streams of a program's own making (the custom
// streams that stamp the log elsewhere): the unit's lines go to the log as
// they are written, and the standard output stays the C library's.
#include "boinc/StampedLog.h"

FILE* OpenStampedLog(FILE*) { return nullptr; }

FILE* ReplaceStandardOutput(FILE*) { return stdout; }
