#include "driver/RangeDialogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kIntroduction =
    "\n"
    "This program is a pi(x) computer for values of x between\n"
    "x=1E+17 and x=1E+18 every 1E+14.\n"
    "\n"
    "Your computation will contribute to the Vantrel project.\n"
    "Please first subscribe to the project and reserve your range\n"
    "(see https://vantrel.example.org/)\n"
    "See the Vantrel project page for help\n"
    "\n"
    "Specify input integers S and E (start and end range values)\n";

const std::string kPrompts = "Enter S : Enter E : ";

std::vector<std::pair<double, double>> gRanges;

int RecordRange(double S, double E) {
  gRanges.emplace_back(S, E);
  printf("<range>\n");
  return 0;
}

// Runs the dialogue on the given input and returns what it printed.
std::string Dialogue(const std::string& input) {
  gRanges.clear();
  FILE* in = tmpfile();
  EXPECT_NE(nullptr, in);
  fwrite(input.data(), 1, input.size(), in);
  rewind(in);
  testing::internal::CaptureStdout();
  RangeDialogue(in, RecordRange);
  std::string out = testing::internal::GetCapturedStdout();
  fclose(in);
  return out;
}

std::string Summary(const char* from, const char* to) {
  return std::string("Computation of pi(x) for x from \n") + "x=" + from + " to x=" + to +
         " every 1E+14.\n" + "Please check that you have reserved this range\n" +
         "Do you confirm ? (Y=Yes, N=No) : ";
}

TEST(RangeDialogueTest, ConfirmedRangeWholeTranscript) {
  std::string out = Dialogue("2010\n2011\nY\n");
  std::string head = kIntroduction + kPrompts + Summary("2.010000E+17", "2.011000E+17") + "\n" +
                     "==================================================\n" + "Starting : ";
  ASSERT_EQ(head, out.substr(0, head.size()));
  std::string tail = out.substr(head.size());
  // The calendar time, its own newline, the empty line, then the range loop.
  EXPECT_TRUE(std::regex_match(
      tail, std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\n\n<range>\n")))
      << tail;
  ASSERT_EQ(1u, gRanges.size());
  EXPECT_EQ(2010.0, gRanges[0].first);
  EXPECT_EQ(2011.0, gRanges[0].second);
}

TEST(RangeDialogueTest, AnswersThatStart) {
  for (const char* answer : {"Y", "y", "yes", "Yes", "yN", "  Y  "}) {
    Dialogue(std::string("1000\n1000\n") + answer + "\n");
    EXPECT_EQ(1u, gRanges.size()) << answer;
  }
  // Several thousand characters in the answer word: only the first counts.
  std::string out = Dialogue("1000\n1000\ny" + std::string(5000, 'e') + "\n");
  EXPECT_EQ(1u, gRanges.size());
  EXPECT_NE(std::string::npos, out.find("Starting : "));
}

TEST(RangeDialogueTest, AnswersThatAbort) {
  for (const char* answer : {"N\n", "no\n", "n\n", "O\n", "0\n", "nY\n", "", "\n\n"}) {
    std::string out = Dialogue(std::string("1000\n2000\n") + answer);
    EXPECT_TRUE(gRanges.empty()) << answer;
    std::string expected = kIntroduction + kPrompts + Summary("1.000000E+17", "2.000000E+17") +
                           "Computation aborted.\n";
    EXPECT_EQ(expected, out) << answer;
  }
  Dialogue("1000\n1000\nN" + std::string(5000, 'Y') + "\n");
  EXPECT_TRUE(gRanges.empty());
}

TEST(RangeDialogueTest, RangeMessages) {
  const std::string order = "Error, S should be smaller than E\n";
  const std::string low = "Error, S should be bigger than 1E+17/1E+14=1000\n";
  const std::string high = "Error, E should be smaller than 1E+18/1E+14=10000\n";
  struct Case {
    const char* input;
    std::string message;
  } cases[] = {
      {"999\n1000\nY\n", low},
      {"9000\n10001\nY\n", high},
      {"2011\n2010\nY\n", order},
      {"5\n3\nY\n", order},  // the order is tested before the bounds
      {"-20\n-10\nY\n", low},
      {"0\n20000\nY\n", low},
      // Beyond 32 bits: refused, never wrapped into the grid (2^32 + 1000,
      // 2^32 + 10000, -2^32 + 1000).
      {"1000\n4294977296\nY\n", high},
      {"4294968296\n4294968296\nY\n", high},
      {"-4294966296\n1000\nY\n", low},
      {"1000\n99999999999999999999999999999999\nY\n", high},
      {"-99999999999999999999999999999999\n1000\nY\n", low},
  };
  for (const Case& c : cases) {
    std::string out = Dialogue(c.input);
    EXPECT_EQ(kIntroduction + kPrompts + c.message, out) << c.input;
    EXPECT_TRUE(gRanges.empty()) << c.input;
  }
}

TEST(RangeDialogueTest, RangesAtTheGridEnds) {
  struct Case {
    const char* input;
    double S, E;
    const char* from;
    const char* to;
  } cases[] = {
      {"1000\n1000\nY\n", 1000, 1000, "1.000000E+17", "1.000000E+17"},
      {"10000\n10000\nY\n", 10000, 10000, "1.000000E+18", "1.000000E+18"},
      {"1000\n10000\nY\n", 1000, 10000, "1.000000E+17", "1.000000E+18"},
      {"  +4321 \n4322\t\r\nY\n", 4321, 4322, "4.321000E+17", "4.322000E+17"},
  };
  for (const Case& c : cases) {
    std::string out = Dialogue(c.input);
    std::string head = kIntroduction + kPrompts + Summary(c.from, c.to);
    EXPECT_EQ(head, out.substr(0, head.size())) << c.input;
    ASSERT_EQ(1u, gRanges.size()) << c.input;
    EXPECT_EQ(c.S, gRanges[0].first);
    EXPECT_EQ(c.E, gRanges[0].second);
  }
}

TEST(RangeDialogueTest, IndexThatIsNotAnInteger) {
  const std::string badS = "Enter S : Error, S must be an integer\n";
  const std::string badE = kPrompts + "Error, E must be an integer\n";
  struct Case {
    std::string input;
    std::string tail;
  } cases[] = {
      {"abc\n1000\nY\n", badS},
      {"\n1000\n1000\nY\n", badS},  // an empty line
      {"", badS},                   // end of input at the first prompt
      {"12abc\n1000\nY\n", badS},
      {"1000 1000\nY\n", badS},
      {"10.5\n11\nY\n", badS},
      {"-\n1000\nY\n", badS},
      {"+ 1000\n1000\nY\n", badS},
      {std::string(5000, '7') + "x\n1000\nY\n", badS},
      {"1000\nxyz\nY\n", badE},
      {"1000\n\n1000\nY\n", badE},
      {"1000\n", badE},  // end of input at the second prompt
      {"1000", badE},
      {"1000\n1e4\nY\n", badE},
  };
  for (const Case& c : cases) {
    std::string out = Dialogue(c.input);
    EXPECT_EQ(kIntroduction + c.tail, out) << c.input.substr(0, 40);
    EXPECT_TRUE(gRanges.empty());
  }
}

TEST(RangeDialogueTest, LongNumberLinesAreReadWhole) {
  // 5000 digits saturate and are refused by the bound; the next line is E.
  std::string out = Dialogue("1000\n" + std::string(5000, '9') + "\nY\n");
  EXPECT_EQ(kIntroduction + kPrompts + "Error, E should be smaller than 1E+18/1E+14=10000\n", out);
  // Leading zeros and blanks of any length.
  Dialogue(std::string(3000, ' ') + std::string(3000, '0') + "1500\n1500\nY\n");
  ASSERT_EQ(1u, gRanges.size());
  EXPECT_EQ(1500.0, gRanges[0].first);
}

}  // namespace

namespace {

TEST(RangeDialogueTest, EndlessAnswersAreRefusedNotReadForever) {
  FILE* zeros = fopen("/dev/zero", "r");
  ASSERT_NE(nullptr, zeros);
  testing::internal::CaptureStdout();
  gRanges.clear();
  EXPECT_EQ(0, RangeDialogue(zeros, RecordRange));
  std::string out = testing::internal::GetCapturedStdout();
  fclose(zeros);
  EXPECT_EQ(kIntroduction + "Enter S : Error, S must be an integer\n", out);
  // An answer word without end aborts.
  Dialogue("1000\n1000\n" + std::string(100000, 'y'));
  EXPECT_TRUE(gRanges.empty());
}

TEST(RangeDialogueTest, StatusOfTheRangeIsReturned) {
  FILE* in = tmpfile();
  fputs("1000\n1000\nY\n", in);
  rewind(in);
  testing::internal::CaptureStdout();
  int status = RangeDialogue(in, [](double, double) { return 3; });
  testing::internal::GetCapturedStdout();
  fclose(in);
  EXPECT_EQ(3, status);
}

}  // namespace
