#pragma once
// The ledger's rules as plain functions over plain values, with no
// database: the state of a grid point from the results sent for it, whether
// a reservation is live, and which range to hand out next.
#include <cstdint>
#include <string>
#include <vector>

#include "ledger/ReportModel.h"

// One result sent for a point (failed checks are not results): its value
// of pi(x) and who sent it, in the order they were recorded.
struct SentValue {
  std::string pi;
  int64_t volunteer = 0;
};

struct PointJudgement {
  bool hasResult = false;  // false: no result, state and value mean nothing
  PointState state = PointState::kSingle;
  std::string value;  // the verified value; otherwise the first value sent
};

// verified: one value sent by at least two different volunteers and no other
// value sent by two; single: one value, from one volunteer (once or more);
// conflict: anything else with two or more values (two values each sent by
// two volunteers included).
PointJudgement JudgePoint(const std::vector<SentValue>& sent);

// A result of a verified point whose value is not the verified one.
inline bool IsWrong(const PointJudgement& point, const SentValue& sent) {
  return point.hasResult && point.state == PointState::kVerified && sent.pi != point.value;
}

// A reservation is live until the end of its day "until" (dates
// "YYYY-MM-DD", compared as text), unless it was released; after it,
// expired, and its points are handed out again.
bool ReservationLive(bool released, const std::string& until, const std::string& today);

// One grid point as the handing-out sees it.
struct HandOutSlot {
  PointJudgement judgement;
  bool reserved = false;            // a live reservation waits for its result
  std::vector<int64_t> senders;     // volunteers who sent a result for it
};

struct HandOutRange {
  bool found = false;
  int64_t start = 0;  // grid indices k
  int64_t end = 0;
};

// The range to hand to volunteer who: grid[i] is the point k = first + i.
// The lowest run of at most n consecutive points with no result and no
// reservation; when there is none, the lowest such run of conflicts that
// who sent nothing for, then of single points that who did not send.
HandOutRange NextRange(const std::vector<HandOutSlot>& grid, int64_t first, int64_t who, int64_t n);
