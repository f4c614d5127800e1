// The local time of a moment on Windows: localtime_s (its arguments are the
// other way round from C11's).
#include <ctime>

#include "base/LocalTime.h"

bool LocalTime(time_t t, std::tm* local) { return localtime_s(local, &t) == 0; }
