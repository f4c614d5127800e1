#include "ledger/LedgerGrid.h"

#include <algorithm>
#include <unordered_set>

#include "results/CheckFile.h"

// The grid is built in one pass over the lines (in the order recorded, which
// the rules need for the value a conflict is shown with) and one over the
// reservations: for a full grid some 20 000 lines and 500 reservations of
// at most a few hundred points each, a few milliseconds. A reservation's
// received points are kept in a hash set rather than per reservation, since
// most reservations receive nothing or everything.

namespace {

// A reservation's received point, as one number: reservation ids and grid
// offsets both fit far within 32 bits.
int64_t DoneKey(int64_t reservation, int64_t k) { return reservation * 16384 + (k - kFirstGridIndex); }

}  // namespace

std::vector<GridPoint> BuildGrid(const LedgerContents& contents, const std::string& today) {
  std::vector<GridPoint> grid(static_cast<size_t>(kLastGridIndex - kFirstGridIndex + 1));
  for (size_t i = 0; i < grid.size(); ++i) grid[i].k = kFirstGridIndex + static_cast<int64_t>(i);

  std::unordered_set<int64_t> done;
  for (size_t i = 0; i < contents.lines.size(); ++i) {
    const RecordedLine& line = contents.lines[i];
    if (line.k < kFirstGridIndex || line.k > kLastGridIndex) continue;
    GridPoint& point = grid[static_cast<size_t>(line.k - kFirstGridIndex)];
    if (line.reservation != 0) done.insert(DoneKey(line.reservation, line.k));
    if (line.failed) {
      ++point.failedChecks;
      continue;
    }
    point.results.push_back(i);
    if (std::find(point.senders.begin(), point.senders.end(), line.volunteer) == point.senders.end())
      point.senders.push_back(line.volunteer);
  }
  for (GridPoint& point : grid) {
    std::vector<SentValue> sent;
    for (size_t i : point.results) sent.push_back({contents.lines[i].pi, contents.lines[i].volunteer});
    point.judgement = JudgePoint(sent);
  }
  for (const RecordedReservation& r : contents.reservations) {
    if (!ReservationLive(r.released, r.until, today)) continue;
    for (int64_t k = std::max(r.start, kFirstGridIndex); k <= std::min(r.end, kLastGridIndex); ++k) {
      GridPoint& point = grid[static_cast<size_t>(k - kFirstGridIndex)];
      if (point.reservedBy == 0 && done.count(DoneKey(r.id, k)) == 0) point.reservedBy = r.id;
    }
  }
  return grid;
}

std::vector<HandOutSlot> HandOutSlots(const std::vector<GridPoint>& grid) {
  std::vector<HandOutSlot> slots(grid.size());
  for (size_t i = 0; i < grid.size(); ++i) {
    slots[i].judgement = grid[i].judgement;
    slots[i].reserved = grid[i].reservedBy != 0;
    slots[i].senders = grid[i].senders;
  }
  return slots;
}

std::vector<std::pair<int64_t, int64_t>> MissingRanges(const std::vector<GridPoint>& grid,
                                                       bool doubleCheck) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  for (const GridPoint& point : grid) {
    bool wanted = point.reservedBy == 0 &&
                  (doubleCheck ? point.judgement.hasResult && point.judgement.state == PointState::kSingle
                               : !point.judgement.hasResult);
    if (!wanted) continue;
    if (!ranges.empty() && ranges.back().second == point.k - 1) {
      ranges.back().second = point.k;
    } else {
      ranges.push_back({point.k, point.k});
    }
  }
  return ranges;
}
