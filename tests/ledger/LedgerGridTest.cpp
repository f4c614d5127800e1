#include "ledger/LedgerGrid.h"

#include <gtest/gtest.h>

#include "ledger/LedgerViews.h"

namespace {

RecordedLine Line(int64_t k, const std::string& pi, int64_t volunteer, int64_t reservation = 0,
                  bool failed = false) {
  RecordedLine line;
  line.k = k;
  line.pi = pi;
  line.line = std::to_string(k) + ":" + pi + ":-0.1:1";
  line.volunteer = volunteer;
  line.when = "2026-12-01 10:00:00";
  line.reservation = reservation;
  line.failed = failed;
  return line;
}

RecordedReservation Reservation(int64_t id, int64_t volunteer, int64_t start, int64_t end,
                                const std::string& until, bool released = false) {
  RecordedReservation r;
  r.id = id;
  r.volunteer = volunteer;
  r.start = start;
  r.end = end;
  r.made = "2026-11-01 10:00:00";
  r.until = until;
  r.released = released;
  return r;
}

// Which reservation waits for each point: a live one for the points it has
// not received, an expired or released one for none, so that those points
// are handed out again.
TEST(LedgerGridTest, OnlyLiveReservationsHoldTheirPointsUntilTheyArrive) {
  LedgerContents contents;
  contents.names = {"", "alice", "bob", "carol"};
  contents.reservations = {Reservation(1, 1, 1000, 1004, "2026-12-10"),
                           Reservation(2, 2, 1005, 1009, "2026-12-09"),
                           Reservation(3, 3, 1010, 1014, "2027-01-01", true)};
  contents.lines = {Line(1000, "7", 1, 1), Line(1001, "8", 1, 1, true), Line(1005, "9", 2)};
  std::vector<GridPoint> grid = BuildGrid(contents, "2026-12-10");
  const int64_t expected[] = {0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int64_t i = 0; i < 15; ++i) {
    SCOPED_TRACE(1000 + i);
    EXPECT_EQ(expected[i], grid[static_cast<size_t>(i)].reservedBy);
  }
  EXPECT_EQ(1, grid[1].failedChecks);
  EXPECT_FALSE(grid[1].judgement.hasResult);  // a failed check is no result
  EXPECT_EQ((std::vector<std::pair<int64_t, int64_t>>{{1001, 1001}, {1006, 10000}}), MissingRanges(grid, false));
  EXPECT_EQ((std::vector<std::pair<int64_t, int64_t>>{{1000, 1000}, {1005, 1005}}), MissingRanges(grid, true));

  ReportCounts counts = CountLedger(contents, grid, "2026-12-10");
  EXPECT_EQ(1, counts.liveReservations);
  EXPECT_EQ(1, counts.expiredReservations);
  EXPECT_EQ(1, counts.failedChecks);
  EXPECT_EQ(2, counts.single);
  EXPECT_EQ(8999, counts.none);
  // The next day the first one has expired too.
  EXPECT_EQ(0, BuildGrid(contents, "2026-12-11")[2].reservedBy);
}

}  // namespace
