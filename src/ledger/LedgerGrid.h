#pragma once
// The grid as the ledger's records make it: for each of the 9001 points its
// results, failed checks, state and the live reservation that waits for it.
// Plain values in, plain values out; every command that shows or hands out
// points starts here.
#include <cstdint>
#include <string>
#include <vector>

#include "ledger/Ledger.h"
#include "ledger/LedgerRules.h"

struct GridPoint {
  int64_t k = 0;
  std::vector<size_t> results;   // indices of its result lines in LedgerContents::lines
  int64_t failedChecks = 0;
  PointJudgement judgement;
  std::vector<int64_t> senders;  // the volunteers of its results, each once, in order
  int64_t reservedBy = 0;        // the live reservation that waits for it, 0 for none
};

// grid[k - kFirstGridIndex] for every k of the grid. A live reservation
// (LedgerRules' ReservationLive on today) waits for each point of its range
// that it has not received a line for.
std::vector<GridPoint> BuildGrid(const LedgerContents& contents, const std::string& today);

// What the handing-out of NextRange needs to know of each point.
std::vector<HandOutSlot> HandOutSlots(const std::vector<GridPoint>& grid);

// The runs of consecutive points, as (start, end) pairs in ascending order,
// that have no result and no live reservation; with doubleCheck those that
// are single and have no live reservation.
std::vector<std::pair<int64_t, int64_t>> MissingRanges(const std::vector<GridPoint>& grid,
                                                       bool doubleCheck);
