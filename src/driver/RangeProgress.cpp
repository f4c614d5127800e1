#include "driver/RangeProgress.h"

#include <cmath>
#include <cstdio>

std::string DurationText(double seconds) {
  long whole = seconds > 0.0 ? std::lround(seconds) : 0;
  char text[64];
  if (whole < 60) {
    snprintf(text, sizeof text, "%ld s", whole);
  } else if (whole < 3600) {
    snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  } else {
    long minutes = (whole + 30) / 60;
    snprintf(text, sizeof text, "%ld h %02ld min", minutes / 60, minutes % 60);
  }
  return text;
}

std::string ProgressLine(long done, long total, double secondsPerPoint, time_t end) {
  char when[32];
  // ctime's form without its newline: 24 characters.
  if (ctime_r(&end, when) == nullptr) snprintf(when, sizeof when, "(unknown time)");
  when[24] = '\0';
  char text[160];
  snprintf(text, sizeof text, "Range: %ld/%ld points done, %s per point, estimated end %s", done, total,
           DurationText(secondsPerPoint).c_str(), when);
  return text;
}
