#include "results/LineChecksum.h"

long LineChecksum(const char* text) {
  long sum = 0;
  long weight = 1;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == ':') continue;
    // The remainder keeps the sign of the dividend, so the sum may go
    // negative on '-' and '.'; it is brought back into 0..999 at the end.
    sum = (sum + (static_cast<long>(*c) - '0') * weight) % 1000;
    weight += 1;
  }
  if (sum < 0) sum += 1000;
  return sum;
}
