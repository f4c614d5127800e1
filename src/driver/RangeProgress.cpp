#include "driver/RangeProgress.h"

#include <cmath>
#include <cstdio>

#include "base/LocalTime.h"

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
  // ctime's form without its newline ("Tue Dec  8 23:40:12 2026"), its
  // English names whatever the locale.
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char when[48];
  std::tm local{};
  if (LocalTime(end, &local) && local.tm_wday >= 0 && local.tm_wday < 7 && local.tm_mon >= 0 &&
      local.tm_mon < 12) {
    snprintf(when, sizeof when, "%s %s%3d %02d:%02d:%02d %d", kDays[local.tm_wday], kMonths[local.tm_mon],
             local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
  } else {
    snprintf(when, sizeof when, "(unknown time)");
  }
  char text[160];
  snprintf(text, sizeof text, "Range: %ld/%ld points done, %s per point, estimated end %s", done, total,
           DurationText(secondsPerPoint).c_str(), when);
  return text;
}
