#include "results/ResultLine.h"

#include <gtest/gtest.h>

#include <string>

#include "results/OffsetLogIntegral.h"

namespace {

const std::string kLine1000 = "1000:2623557157654233:-0.05813:158";
const std::string kLine10000 = "10000:24739954287740860:-0.05178:649";

TEST(ResultLineTest, FormatWritesTheKnownLines) {
  EXPECT_EQ(kLine1000 + "\n",
            FormatResultLine(1000, "2623557157654233", NormalisedDeviation(2623557157654233.0, 1e17)));
  EXPECT_EQ(kLine10000 + "\n",
            FormatResultLine(10000, "24739954287740860", NormalisedDeviation(24739954287740860.0, 1e18)));
  EXPECT_STREQ("Last computation : Check KO\n", kCheckFailedLine);
}

TEST(ResultLineTest, ParsesWrittenLinesBackToTheirFields) {
  ResultLine line;
  ASSERT_EQ("", ParseResultLine(kLine10000, &line));
  EXPECT_EQ(10000, line.index);
  EXPECT_EQ("24739954287740860", line.value);
  EXPECT_EQ("-0.05178", line.deviation);
  EXPECT_EQ(649, line.checksum);
  EXPECT_EQ(kLine10000, ResultLineText(line));
  // Whatever the sign of the deviation and the size of the checksum.
  for (double deviation : {0.0, 1.5, -12.345678, 0.000004}) {
    std::string text = FormatResultLine(1234, "308499999999999", deviation);
    text.pop_back();
    ASSERT_EQ("", ParseResultLine(text, &line)) << text;
    EXPECT_EQ(text, ResultLineText(line));
  }
}

TEST(ResultLineTest, NamesWhatIsWrongWithADamagedLine) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"1000:2623557157654233:-0.05813:159", "checksum 159 where 158 is due"},
      {"1000:2623557157654234:-0.05813:158", "checksum 158 where 178 is due"},  // rank 20
      {"1000:2623557157654233:158", "3 fields where 4 are due"},
      {"1000:2623557157654233:-0.05813:158:1", "5 fields where 4 are due"},
      {"1000:2623557157654233:-0.05813:158 ", "checksum \"158 \" is not a number 0..999"},
      {"1000:2623557157654233:-0.05813:158\r", "checksum \"158\\x0d\" is not a number 0..999"},
      {"01000:2623557157654233:-0.05813:158", "index \"01000\" is not a grid index"},
      {"1000:+2623557157654233:-0.05813:158", "pi(x) \"+2623557157654233\" is not a count"},
      {"1000:2623557157654233:-0.0581:158", "deviation \"-0.0581\" is not a number with five decimals"},
      {"1000:2623557157654233:-00.05813:158", "deviation \"-00.05813\" is not a number with five decimals"},
      {"Last computation : Check KO", "not a result line"},
      {"", "empty line"},
  };
  for (const auto& c : cases) {
    ResultLine line;
    EXPECT_EQ(c.reason, ParseResultLine(c.text, &line)) << c.text;
  }
}

}  // namespace
