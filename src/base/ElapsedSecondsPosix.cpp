// The process clock on POSIX systems: clock() counts the CPU time of every
// thread of the process.
#include <ctime>

#include "base/ElapsedSeconds.h"

double ElapsedSeconds() { return static_cast<double>(clock()) / static_cast<double>(CLOCKS_PER_SEC); }
