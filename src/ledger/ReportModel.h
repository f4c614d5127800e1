#pragma once
// What the ledger's report shows, as plain values: the points that have a
// result with their state, the counts, the conflicts and the live
// reservations. The ledger's queries fill it; the renderers (the page and
// the plot) read nothing else, so that each is tested with a struct made by
// hand.
#include <cstdint>
#include <string>
#include <vector>

// The state of a grid point that has at least one result. A point with no
// result has no state and no entry in the report's points.
enum class PointState { kVerified, kSingle, kConflict };

// The word of a state in `export` and `status`: "verified", "single",
// "conflict".
const char* PointStateWord(PointState state);

// One grid point that has a result. For a verified point pi and deviation
// are those of the verified value; for a single one those of its value; for
// a conflict those of the value sent first (the plot marks it as a conflict,
// the table of conflicts lists every value).
struct ReportPoint {
  int64_t k = 0;          // x = k * 10^14, 1000 <= k <= 10000
  std::string pi;         // decimal digits of pi(x)
  std::string deviation;  // as written in the result line, e.g. "-0.05813"
  PointState state = PointState::kSingle;
};

// One value of a conflicting point, with who sent it and when.
struct ReportValue {
  std::string line;  // the whole result line without its newline
  std::string who;   // the volunteer's name exactly as given
  std::string when;  // "YYYY-MM-DD HH:MM:SS" UTC
};

struct ReportConflict {
  int64_t k = 0;
  std::vector<ReportValue> values;  // in the order they were recorded
};

struct ReportReservation {
  int64_t id = 0;
  std::string who;
  int64_t start = 0;
  int64_t end = 0;
  std::string until;  // "YYYY-MM-DD"
};

struct ReportCounts {
  int64_t verified = 0;
  int64_t single = 0;
  int64_t conflict = 0;
  int64_t none = 0;          // points with no result: 9001 minus the three above
  int64_t failedChecks = 0;  // lines recorded as failed checks
  int64_t liveReservations = 0;
  int64_t expiredReservations = 0;
};

struct LedgerReport {
  std::string generated;             // "YYYY-MM-DD HH:MM:SS" UTC
  std::vector<ReportPoint> points;   // ascending k, only points with a result
  ReportCounts counts;
  std::vector<ReportConflict> conflicts;       // ascending k
  std::vector<ReportReservation> reservations;  // live ones, ascending start
};
