// The choice of the copy of the hot loops: the refusals of a forced
// copy, forcing a copy in a running program, and the lanes of the batch
// floors following the copy.
#include "arith/HotPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "arith/BatchFloor.h"
#include "base/Messages.h"

namespace {

class HotPath : public ::testing::Test {
 protected:
  void TearDown() override { ForceHotCopy(startUp_); }
  const HotCopy startUp_ = ChosenHotCopy();
};

TEST_F(HotPath, StartUpTakesTheNewestRunnableCopyUnlessOneIsForced) {
  std::string refusal;
  const HotCopy newest = NewestRunnableCopy();
  EXPECT_TRUE(ProcessorRuns(newest));
  for (int i = static_cast<int>(newest) + 1; i < static_cast<int>(HotCopy::kCount); ++i)
    EXPECT_FALSE(ProcessorRuns(static_cast<HotCopy>(i)));
  EXPECT_EQ(newest, ChooseHotCopy(nullptr, &refusal));
  EXPECT_EQ(newest, ChooseHotCopy("", &refusal));
  EXPECT_EQ(HotCopy::kBaseline, ChooseHotCopy("baseline", &refusal));
  EXPECT_EQ(newest, ChooseHotCopy(HotCopyName(newest), &refusal));
  EXPECT_TRUE(refusal.empty()) << refusal;
  // The program under test started with the choice of BRUNSK_COPY or the newest.
  const char* forced = std::getenv("BRUNSK_COPY");
  EXPECT_EQ(forced != nullptr && *forced != '\0' ? HotCopyNamed(forced) : newest, startUp_);
}

TEST_F(HotPath, UnknownAndUnrunnableCopiesAreRefused) {
  std::string refusal;
  EXPECT_EQ(HotCopy::kCount, ChooseHotCopy("v3", &refusal));
  std::string names = "baseline";
  for (int i = 1; i < static_cast<int>(HotCopy::kCount); ++i) names += std::string(", ") + HotCopyName(HotCopy(i));
  EXPECT_EQ(msg::UnknownHotCopy("v3", names), refusal);
  EXPECT_EQ("BRUNSK_COPY=v3: no such copy of the hot loops (the copies: baseline, x86-64-v2, x86-64-v3)\n",
            msg::UnknownHotCopy("v3", "baseline, x86-64-v2, x86-64-v3"));
  EXPECT_EQ("BRUNSK_COPY=x86-64-v3: this processor cannot run the x86-64-v3 copy of the hot loops\n",
            msg::HotCopyNotRunnable("x86-64-v3"));
  EXPECT_FALSE(ForceHotCopy(HotCopy::kCount));
  for (int i = 1; i < static_cast<int>(HotCopy::kCount); ++i) {
    const HotCopy copy = static_cast<HotCopy>(i);
    if (ProcessorRuns(copy)) continue;
    refusal.clear();
    EXPECT_EQ(HotCopy::kCount, ChooseHotCopy(HotCopyName(copy), &refusal));
    EXPECT_EQ(msg::HotCopyNotRunnable(HotCopyName(copy)), refusal);
    EXPECT_FALSE(ForceHotCopy(copy));
    EXPECT_EQ(startUp_, ChosenHotCopy());
  }
}

TEST_F(HotPath, ForcingSwitchesTheCopyAndTheLanesOfTheFloors) {
  for (int i = 0; i < static_cast<int>(HotCopy::kCount); ++i) {
    const HotCopy copy = static_cast<HotCopy>(i);
    if (!ProcessorRuns(copy)) continue;
    SCOPED_TRACE(HotCopyName(copy));
    ASSERT_TRUE(ForceHotCopy(copy));
    EXPECT_EQ(copy, ChosenHotCopy());
#if BRUNSK_WIDE_FLOORS && !defined(__AVX2__)
    EXPECT_EQ(copy >= HotCopy::kV3, batchfloor::Wide());
#endif
  }
}

}  // namespace
