#include "sieve/BitOps.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/Scale.h"
#include "sieve/SieveReference.h"

namespace {

TEST(BitOpsTest, PopCountAgainstBitByBit) {
  ref::Random rnd(3);
  for (int round = 0; round < testref::Scaled(20000); ++round) {
    uint32_t w = static_cast<uint32_t>(rnd.Next());
    if (round < 33) w = round == 32 ? ~0u : (1u << round) - 1u;
    int want = 0;
    for (int b = 0; b < 32; ++b) want += (w >> b) & 1u;
    ASSERT_EQ(bitops::PopCount32(w), want) << w;
  }
}

// Every step, start and end: the bits below count are exactly the
// progression, earlier bits are kept, and no word past the last one that
// holds an entry below count is touched.
TEST(BitOpsTest, StrikeProgressionAgainstPlainLoop) {
  ref::Random rnd(11);
  for (int64_t step = 1; step <= 70; ++step) {
    for (int round = 0; round < 60; ++round) {
      const int64_t count = rnd.Range(0, 700);
      const int64_t start = rnd.Range(0, count + 40);
      const int64_t words = (count >> 5) + 1;
      std::vector<uint32_t> bits(words + 1);
      for (int64_t w = 0; w < words; ++w) bits[w] = rnd.Range(0, 3) ? 0u : static_cast<uint32_t>(rnd.Next());
      const uint32_t guard = 0x5A5A5A5Au;
      bits[words] = guard;
      std::vector<uint32_t> before = bits;
      bitops::StrikeProgression(bits.data(), start, step, count);
      ASSERT_EQ(bits[words], guard);
      for (int64_t i = 0; i < count; ++i) {
        const bool was = (before[i >> 5] >> (i & 31)) & 1u;
        const bool want = was || (i >= start && (i - start) % step == 0);
        ASSERT_EQ(((bits[i >> 5] >> (i & 31)) & 1u) != 0, want)
            << "step " << step << " start " << start << " count " << count << " i " << i;
      }
      if (count > 0) {
        for (int64_t w = ((count - 1) >> 5) + 1; w < words; ++w) ASSERT_EQ(bits[w], before[w]);
      } else {
        ASSERT_EQ(bits, before);
      }
    }
  }
}

// Up to sixteen steps below 32 over windows of several periods of each step,
// with starts near 0, deep inside the words and past count: the bits below
// count are exactly the union of the progressions and the earlier bits, and
// no word past the last entry is touched.
TEST(BitOpsTest, StrikeSmallStepsAgainstPlainLoops) {
  ref::Random rnd(23);
  for (int round = 0; round < testref::Scaled(3000); ++round) {
    const int64_t count = rnd.Range(0, 4000);
    const int64_t words = (count >> 5) + 1;
    std::vector<uint32_t> bits(words + 1);
    for (int64_t w = 0; w < words; ++w) bits[w] = rnd.Range(0, 3) ? 0u : static_cast<uint32_t>(rnd.Next());
    const uint32_t guard = 0xA5A5A5A5u;
    bits[words] = guard;
    const std::vector<uint32_t> before = bits;
    bitops::SmallSteps steps;
    const int n = static_cast<int>(rnd.Range(0, bitops::SmallSteps::kMax));
    for (int t = 0; t < n; ++t) {
      const int64_t step = rnd.Range(1, 31);
      const int64_t start = rnd.Range(0, 2) == 0 ? rnd.Range(0, step) : rnd.Range(0, count + 40);
      steps.Add(start, step);
    }
    bitops::StrikeSmallSteps(bits.data(), steps, count);
    ASSERT_EQ(bits[words], guard);
    for (int64_t i = 0; i < count; ++i) {
      bool want = (before[i >> 5] >> (i & 31)) & 1u;
      for (int t = 0; t < n; ++t)
        want = want || (i >= steps.first[t] && (i - steps.first[t]) % steps.step[t] == 0);
      ASSERT_EQ(((bits[i >> 5] >> (i & 31)) & 1u) != 0, want) << "round " << round << " i " << i;
    }
    if (count > 0) {
      for (int64_t w = ((count - 1) >> 5) + 1; w < words; ++w) ASSERT_EQ(bits[w], before[w]);
    } else {
      ASSERT_EQ(bits, before);
    }
  }
}

}  // namespace
