#pragma once
// A moment as the local calendar and clock of this machine, safely from any
// thread (the C library's localtime shares one buffer among all callers).
#include <ctime>

// False when t has no local time (a year the system cannot represent).
bool LocalTime(time_t t, std::tm* local);
