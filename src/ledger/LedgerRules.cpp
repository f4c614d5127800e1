#include "ledger/LedgerRules.h"

#include <algorithm>
#include <functional>

// A point has a handful of results at most, so the rules compare values by
// linear search: no maps, and the order of sending is kept, which decides
// the value a conflict is shown with.

namespace {

// The values sent, each with the number of different volunteers who sent it.
struct ValueCount {
  std::string pi;
  std::vector<int64_t> volunteers;
};

std::vector<ValueCount> CountValues(const std::vector<SentValue>& sent) {
  std::vector<ValueCount> values;
  for (const SentValue& one : sent) {
    auto same = std::find_if(values.begin(), values.end(),
                             [&](const ValueCount& v) { return v.pi == one.pi; });
    if (same == values.end()) {
      values.push_back({one.pi, {one.volunteer}});
    } else if (std::find(same->volunteers.begin(), same->volunteers.end(), one.volunteer) ==
               same->volunteers.end()) {
      same->volunteers.push_back(one.volunteer);
    }
  }
  return values;
}

bool Sent(const HandOutSlot& slot, int64_t who) {
  return std::find(slot.senders.begin(), slot.senders.end(), who) != slot.senders.end();
}

// The lowest run of at most n consecutive slots that take.
HandOutRange LowestRun(const std::vector<HandOutSlot>& grid, int64_t first, int64_t n,
                       const std::function<bool(const HandOutSlot&)>& take) {
  HandOutRange range;
  for (size_t i = 0; i < grid.size(); ++i) {
    if (!take(grid[i])) continue;
    size_t j = i;
    while (j + 1 < grid.size() && static_cast<int64_t>(j + 1 - i) < n && take(grid[j + 1])) ++j;
    range.found = true;
    range.start = first + static_cast<int64_t>(i);
    range.end = first + static_cast<int64_t>(j);
    return range;
  }
  return range;
}

}  // namespace

PointJudgement JudgePoint(const std::vector<SentValue>& sent) {
  PointJudgement point;
  if (sent.empty()) return point;
  point.hasResult = true;
  std::vector<ValueCount> values = CountValues(sent);
  point.value = values.front().pi;
  int confirmed = 0;
  for (const ValueCount& value : values) {
    if (value.volunteers.size() >= 2) {
      ++confirmed;
      point.value = value.pi;
    }
  }
  if (confirmed == 1) {
    point.state = PointState::kVerified;
  } else {
    if (confirmed > 1) point.value = values.front().pi;
    point.state = values.size() == 1 ? PointState::kSingle : PointState::kConflict;
  }
  return point;
}

bool ReservationLive(bool released, const std::string& until, const std::string& today) {
  return !released && today <= until;
}

HandOutRange NextRange(const std::vector<HandOutSlot>& grid, int64_t first, int64_t who, int64_t n) {
  HandOutRange range = LowestRun(grid, first, n, [](const HandOutSlot& slot) {
    return !slot.judgement.hasResult && !slot.reserved;
  });
  if (range.found) return range;
  for (PointState wanted : {PointState::kConflict, PointState::kSingle}) {
    range = LowestRun(grid, first, n, [&](const HandOutSlot& slot) {
      return slot.judgement.hasResult && slot.judgement.state == wanted && !slot.reserved &&
             !Sent(slot, who);
    });
    if (range.found) return range;
  }
  return range;
}
