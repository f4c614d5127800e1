#include "ledger/LedgerViews.h"

#include <algorithm>
#include <set>

#include "ledger/LedgerRules.h"
#include "results/CheckFile.h"

// Each view walks the grid once; a volunteer's counts are kept per point
// (a volunteer who sent a point twice counts once), so that "sent" is the
// points a volunteer covered, not the lines received.

namespace {

// The points each reservation has received a line for.
std::vector<int64_t> ReceivedPerReservation(const LedgerContents& contents) {
  std::vector<int64_t> received;
  std::set<std::pair<int64_t, int64_t>> seen;
  for (const RecordedLine& line : contents.lines) {
    if (line.reservation == 0 || !seen.insert({line.reservation, line.k}).second) continue;
    if (received.size() <= static_cast<size_t>(line.reservation))
      received.resize(static_cast<size_t>(line.reservation) + 1);
    ++received[static_cast<size_t>(line.reservation)];
  }
  return received;
}

bool Done(const RecordedReservation& r, const std::vector<int64_t>& received) {
  size_t id = static_cast<size_t>(r.id);
  return id < received.size() && received[id] >= r.end - r.start + 1;
}

const RecordedLine& ShownLine(const LedgerContents& contents, const GridPoint& point) {
  for (size_t i : point.results) {
    if (contents.lines[i].pi == point.judgement.value) return contents.lines[i];
  }
  return contents.lines[point.results.front()];
}

}  // namespace

std::string DeviationOfLine(const std::string& line) {
  size_t first = line.find(':');
  size_t second = first == std::string::npos ? first : line.find(':', first + 1);
  size_t third = second == std::string::npos ? second : line.find(':', second + 1);
  if (third == std::string::npos) return "";
  return line.substr(second + 1, third - second - 1);
}

ReportCounts CountLedger(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                         const std::string& today) {
  ReportCounts counts;
  for (const GridPoint& point : grid) {
    counts.failedChecks += point.failedChecks;
    if (!point.judgement.hasResult) {
      ++counts.none;
    } else if (point.judgement.state == PointState::kVerified) {
      ++counts.verified;
    } else if (point.judgement.state == PointState::kSingle) {
      ++counts.single;
    } else {
      ++counts.conflict;
    }
  }
  std::vector<int64_t> received = ReceivedPerReservation(contents);
  for (const RecordedReservation& r : contents.reservations) {
    if (r.released || Done(r, received)) continue;
    ++(ReservationLive(r.released, r.until, today) ? counts.liveReservations : counts.expiredReservations);
  }
  return counts;
}

LedgerStatus MakeStatus(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                        const std::string& today) {
  LedgerStatus status;
  status.counts = CountLedger(contents, grid, today);
  std::vector<int64_t> received = ReceivedPerReservation(contents);
  for (const RecordedReservation& r : contents.reservations) {
    if (r.released) {
      ++status.releasedReservations;
    } else if (Done(r, received)) {
      ++status.doneReservations;
    }
  }
  std::vector<VolunteerTally> tallies(contents.names.size());
  for (size_t id = 0; id < contents.names.size(); ++id) tallies[id].name = contents.names[id];
  for (const RecordedLine& line : contents.lines) {
    if (line.failed) ++tallies[static_cast<size_t>(line.volunteer)].failedChecks;
  }
  status.coverage.reserve(grid.size());
  for (const GridPoint& point : grid) {
    const PointJudgement& judgement = point.judgement;
    if (!judgement.hasResult) {
      status.coverage.push_back(Coverage::kNone);
      continue;
    }
    status.coverage.push_back(judgement.state == PointState::kVerified   ? Coverage::kVerified
                              : judgement.state == PointState::kSingle ? Coverage::kSingle
                                                                         : Coverage::kConflict);
    // Each volunteer once per point: with their value, or with another one.
    std::vector<int64_t> counted;
    for (size_t i : point.results) {
      const RecordedLine& line = contents.lines[i];
      if (std::find(counted.begin(), counted.end(), line.volunteer) != counted.end()) continue;
      counted.push_back(line.volunteer);
      VolunteerTally& tally = tallies[static_cast<size_t>(line.volunteer)];
      ++tally.sent;
      if (judgement.state != PointState::kVerified) continue;
      // A volunteer who sent the verified value and another one counts as right.
      bool right = false;
      for (size_t j : point.results) {
        right = right || (contents.lines[j].volunteer == line.volunteer &&
                          contents.lines[j].pi == judgement.value);
      }
      ++(right ? tally.verified : tally.wrong);
    }
  }
  for (size_t id = 1; id < tallies.size(); ++id) status.volunteers.push_back(tallies[id]);
  std::stable_sort(status.volunteers.begin(), status.volunteers.end(),
                   [](const VolunteerTally& a, const VolunteerTally& b) {
                     return a.sent != b.sent ? a.sent > b.sent : a.name < b.name;
                   });
  return status;
}

std::vector<ExportRow> MakeExportRows(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                                      bool verifiedOnly) {
  std::vector<ExportRow> rows;
  for (const GridPoint& point : grid) {
    if (!point.judgement.hasResult) continue;
    if (verifiedOnly && point.judgement.state != PointState::kVerified) continue;
    const RecordedLine& shown = ShownLine(contents, point);
    ExportRow row;
    row.k = point.k;
    row.pi = shown.pi;
    row.deviation = DeviationOfLine(shown.line);
    row.state = point.judgement.state;
    row.results = static_cast<int64_t>(point.results.size());
    for (int64_t id : point.senders) row.volunteers.push_back(contents.names[static_cast<size_t>(id)]);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<ReportConflict> MakeConflicts(const LedgerContents& contents, const std::vector<GridPoint>& grid) {
  std::vector<ReportConflict> conflicts;
  for (const GridPoint& point : grid) {
    if (!point.judgement.hasResult || point.judgement.state != PointState::kConflict) continue;
    ReportConflict conflict;
    conflict.k = point.k;
    for (size_t i : point.results) {
      const RecordedLine& line = contents.lines[i];
      conflict.values.push_back({line.line, contents.names[static_cast<size_t>(line.volunteer)], line.when});
    }
    conflicts.push_back(std::move(conflict));
  }
  return conflicts;
}

LedgerReport MakeLedgerReport(const LedgerContents& contents, const std::vector<GridPoint>& grid,
                              const std::string& today, const std::string& generated) {
  LedgerReport report;
  report.generated = generated;
  report.counts = CountLedger(contents, grid, today);
  for (const GridPoint& point : grid) {
    if (!point.judgement.hasResult) continue;
    const RecordedLine& shown = ShownLine(contents, point);
    report.points.push_back({point.k, shown.pi, DeviationOfLine(shown.line), point.judgement.state});
  }
  report.conflicts = MakeConflicts(contents, grid);
  std::vector<int64_t> received = ReceivedPerReservation(contents);
  for (const RecordedReservation& r : contents.reservations) {
    if (!ReservationLive(r.released, r.until, today) || Done(r, received)) continue;
    report.reservations.push_back(
        {r.id, contents.names[static_cast<size_t>(r.volunteer)], r.start, r.end, r.until});
  }
  std::stable_sort(report.reservations.begin(), report.reservations.end(),
                   [](const ReportReservation& a, const ReportReservation& b) { return a.start < b.start; });
  return report;
}
