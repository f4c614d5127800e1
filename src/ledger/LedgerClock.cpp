#include "ledger/LedgerClock.h"

#include <chrono>
#include <cstdio>

// Dates are counted as days since 1970-01-01 in the proleptic Gregorian
// calendar, by the usual era arithmetic (eras of 400 years, 146097 days), so
// that no time-zone or C library call of the system is involved.

namespace {

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2);
}

std::string DateText(int64_t days) {
  int64_t y, m, d;
  CivilFromDays(days, &y, &m, &d);
  char text[64];
  snprintf(text, sizeof text, "%04lld-%02lld-%02lld", static_cast<long long>(y),
           static_cast<long long>(m), static_cast<long long>(d));
  return text;
}

}  // namespace

std::string UtcNow() {
  const int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  const int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const int64_t rest = seconds - days * 86400;
  char clock[32];
  snprintf(clock, sizeof clock, " %02d:%02d:%02d", static_cast<int>(rest / 3600),
           static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
  return DateText(days) + clock;
}

std::string DatePlusDays(const std::string& date, int64_t days) {
  int y = 1970, m = 1, d = 1;
  sscanf(date.c_str(), "%d-%d-%d", &y, &m, &d);
  return DateText(DaysFromCivil(y, m, d) + days);
}
