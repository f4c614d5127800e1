#include "driver/TimeString.h"

#include <cstdio>
#include <ctime>

void TimeString(char* buffer) {
  time_t now = time(nullptr);
  const char* text = ctime(&now);
  // ctime fails (null) for an unrepresentable year and is longer than 25
  // characters past year 9999: never copy more than the buffer holds.
  if (text == nullptr) text = "(unknown time)\n";
  snprintf(buffer, 26, "%s", text);
}
