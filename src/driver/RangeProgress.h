#pragma once
// The progress line printed after each point of a range: points done, the
// average wall time per point of this run and the estimated end.
#include <ctime>
#include <string>

// "1 min 23 s" (under an hour: "42 s", "5 min 07 s"; from an hour on "3 h 05 min").
std::string DurationText(double seconds);

// "Range: 3/100 points done, 1 min 23 s per point, estimated end
// Tue Dec  8 23:40:12 2026" (no newline), with end in local time.
std::string ProgressLine(long done, long total, double secondsPerPoint, time_t end);
