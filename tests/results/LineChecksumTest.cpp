#include "results/LineChecksum.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Reference: the whole weighted sum in wide arithmetic, reduced once into
// 0..999 at the end.
long ReferenceChecksum(const std::string& text) {
  __int128 sum = 0;
  long weight = 1;
  for (char c : text) {
    if (c == ':') continue;
    sum += static_cast<__int128>(c - '0') * weight;
    ++weight;
  }
  long r = static_cast<long>(sum % 1000);
  return r < 0 ? r + 1000 : r;
}

TEST(LineChecksumTest, KnownLines) {
  EXPECT_EQ(999, LineChecksum("1000:5:-1.00000"));
  EXPECT_EQ(18, LineChecksum("1000:5:-0.00002"));
  EXPECT_EQ(158, LineChecksum("1000:2623557157654233:-0.05813"));
  EXPECT_EQ(649, LineChecksum("10000:24739954287740860:-0.05178"));
  EXPECT_EQ(0, LineChecksum(""));
}

TEST(LineChecksumTest, ColonsCarryNoWeight) {
  EXPECT_EQ(LineChecksum("10005-1.00000"), LineChecksum("1000:5:-1.00000"));
  EXPECT_EQ(LineChecksum("123"), LineChecksum(":::1:2::3:"));
  // Weights follow the rank among non-colon characters: "12" is 1*1 + 2*2.
  EXPECT_EQ(5, LineChecksum("1:2"));
}

TEST(LineChecksumTest, NegativeRunningSumsComeBackIntoRange) {
  EXPECT_EQ(997, LineChecksum("-"));       // -3
  EXPECT_EQ(993, LineChecksum("-."));      // -3 - 4
  EXPECT_EQ(988, LineChecksum("-.-1"));    // -3 - 4 - 9 + 4 = -12
}

TEST(LineChecksumTest, MatchesWholeSumOnRandomResultLines) {
  std::mt19937_64 rng(12345);
  const char alphabet[] = "0123456789:-.";
  for (int trial = 0; trial < 2000; ++trial) {
    std::string text;
    size_t length = rng() % 3000;  // long texts make weights far above 1000
    for (size_t i = 0; i < length; ++i) text += alphabet[rng() % 13];
    long got = LineChecksum(text.c_str());
    ASSERT_EQ(ReferenceChecksum(text), got) << text;
    ASSERT_GE(got, 0);
    ASSERT_LE(got, 999);
  }
}

}  // namespace
