#include "ledger/LedgerRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ledger/LedgerClock.h"
#include "ledger/VolunteerName.h"

namespace {

// A point's results as "value/volunteer" words, e.g. {"7/1", "7/2"}.
std::vector<SentValue> Sent(const std::vector<std::string>& words) {
  std::vector<SentValue> sent;
  for (const std::string& word : words) {
    size_t slash = word.find('/');
    sent.push_back({word.substr(0, slash), std::stoll(word.substr(slash + 1))});
  }
  return sent;
}

TEST(LedgerRulesTest, StateOfAPointFromItsResults) {
  struct Case {
    std::vector<std::string> sent;
    bool hasResult;
    PointState state;
    std::string value;
  };
  const Case cases[] = {
      {{}, false, PointState::kSingle, ""},
      {{"7/1"}, true, PointState::kSingle, "7"},
      // The same volunteer twice is still one volunteer.
      {{"7/1", "7/1"}, true, PointState::kSingle, "7"},
      {{"7/1", "7/2"}, true, PointState::kVerified, "7"},
      {{"7/1", "8/2"}, true, PointState::kConflict, "7"},
      // A third volunteer settles a conflict; the odd one is wrong.
      {{"7/1", "8/2", "8/3"}, true, PointState::kVerified, "8"},
      {{"8/1", "7/2", "7/1"}, true, PointState::kVerified, "7"},
      // Two values, each sent by two: no verdict.
      {{"7/1", "8/2", "8/3", "7/4"}, true, PointState::kConflict, "7"},
      // A volunteer who sent two values confirms nothing alone.
      {{"7/1", "8/1"}, true, PointState::kConflict, "7"},
      {{"7/1", "8/1", "8/2"}, true, PointState::kVerified, "8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.sent));
    PointJudgement judgement = JudgePoint(Sent(c.sent));
    EXPECT_EQ(c.hasResult, judgement.hasResult);
    if (!c.hasResult) continue;
    EXPECT_STREQ(PointStateWord(c.state), PointStateWord(judgement.state));
    EXPECT_EQ(c.value, judgement.value);
  }
  PointJudgement settled = JudgePoint(Sent({"7/1", "8/2", "8/3"}));
  EXPECT_TRUE(IsWrong(settled, {"7", 1}));
  EXPECT_FALSE(IsWrong(settled, {"8", 2}));
  EXPECT_FALSE(IsWrong(JudgePoint(Sent({"7/1", "8/2"})), {"7", 1}));
}

TEST(LedgerRulesTest, ReservationLivesThroughItsLastDay) {
  EXPECT_TRUE(ReservationLive(false, "2026-12-10", "2026-12-10"));
  EXPECT_TRUE(ReservationLive(false, "2027-01-09", "2026-12-10"));
  EXPECT_FALSE(ReservationLive(false, "2026-12-09", "2026-12-10"));
  EXPECT_FALSE(ReservationLive(true, "2027-01-09", "2026-12-10"));
  EXPECT_EQ("2027-01-09", DatePlusDays("2026-12-10", 30));
  EXPECT_EQ("2028-03-01", DatePlusDays("2028-02-28", 2));  // a leap year
  EXPECT_EQ("2100-03-01", DatePlusDays("2100-02-28", 1));  // not one
  EXPECT_EQ(19u, UtcNow().size());
}

// A grid of slots from one letter per point: '.' no result, 'r' reserved,
// 's' single from volunteer 1, 'S' single from volunteer 2, 'c' conflict
// between 1 and 2, 'C' conflict between 2 and 3, 'v' verified.
std::vector<HandOutSlot> Grid(const std::string& letters) {
  std::vector<HandOutSlot> grid;
  for (char c : letters) {
    HandOutSlot slot;
    switch (c) {
      case 'r': slot.reserved = true; break;
      case 's': slot.judgement = JudgePoint(Sent({"7/1"})); break;
      case 'S': slot.judgement = JudgePoint(Sent({"7/2"})); break;
      case 'c': slot.judgement = JudgePoint(Sent({"7/1", "8/2"})); break;
      case 'C': slot.judgement = JudgePoint(Sent({"7/2", "8/3"})); break;
      case 'v': slot.judgement = JudgePoint(Sent({"7/1", "7/2"})); break;
    }
    if (c == 's' || c == 'c' || c == 'v') slot.senders.push_back(1);
    if (c == 'S' || c == 'c' || c == 'C' || c == 'v') slot.senders.push_back(2);
    if (c == 'C') slot.senders.push_back(3);
    grid.push_back(slot);
  }
  return grid;
}

TEST(LedgerRulesTest, NextRangeHandsOutFreePointsFirstThenConflictsThenSingles) {
  struct Case {
    std::string grid;
    int64_t who;
    int64_t n;
    bool found;
    int64_t start, end;  // offsets from k=1000
  };
  const Case cases[] = {
      {".....", 1, 3, true, 0, 2},
      {"vr...", 1, 10, true, 2, 4},
      // The lowest run, cut where a reserved point or a result interrupts it.
      {"..r..", 1, 5, true, 0, 1},
      {"s.s..", 1, 5, true, 1, 1},
      // Nothing free: conflicts before singles.
      {"SSvcC", 1, 5, true, 4, 4},  // 1 sent for the conflict at 3, not at 4
      {"SSvcC", 3, 5, true, 3, 3},
      {"SSvSr", 1, 5, true, 0, 1},
      {"SSvSr", 1, 1, true, 0, 0},
      // Double-check work never to who sent the point.
      {"SSvSr", 2, 5, false, 0, 0},
      {"ssvcr", 1, 5, false, 0, 0},
      {"vvvvv", 1, 5, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.grid + " for " + std::to_string(c.who));
    HandOutRange range = NextRange(Grid(c.grid), 1000, c.who, c.n);
    EXPECT_EQ(c.found, range.found);
    if (!c.found) continue;
    EXPECT_EQ(1000 + c.start, range.start);
    EXPECT_EQ(1000 + c.end, range.end);
  }
}

TEST(LedgerRulesTest, VolunteerNamesArePrintableTextOfUpTo64Characters) {
  EXPECT_EQ("", VolunteerNameFault("alice"));
  EXPECT_EQ("", VolunteerNameFault("O'Brien \"<b>&amp;</b>\""));
  EXPECT_EQ("", VolunteerNameFault("Zoë Łukasiewicz 山田"));
  EXPECT_EQ("", VolunteerNameFault(std::string(64, 'a')));
  std::string sixtyFourLetters;
  for (int i = 0; i < 64; ++i) sixtyFourLetters += "é";
  EXPECT_EQ("", VolunteerNameFault(sixtyFourLetters));
  EXPECT_EQ("it is longer than 64 characters", VolunteerNameFault(sixtyFourLetters + "e"));
  EXPECT_EQ("it is empty", VolunteerNameFault(""));
  EXPECT_EQ("it holds a control character", VolunteerNameFault("a\tb"));
  EXPECT_EQ("it holds a control character", VolunteerNameFault("a\x7f"));
  EXPECT_EQ("it holds a control character", VolunteerNameFault("a\xc2\x85"));  // NEL
  EXPECT_EQ("it is not UTF-8 text", VolunteerNameFault("caf\xe9"));
  EXPECT_EQ("it is not UTF-8 text", VolunteerNameFault("\xc0\xaf"));  // overlong '/'
  EXPECT_EQ("it is not UTF-8 text", VolunteerNameFault("\xed\xa0\x80"));  // a surrogate
}

}  // namespace
