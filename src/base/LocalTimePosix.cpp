// The local time of a moment on POSIX systems: localtime_r.
#include <ctime>

#include "base/LocalTime.h"

bool LocalTime(time_t t, std::tm* local) { return localtime_r(&t, local) != nullptr; }
