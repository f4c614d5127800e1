#include "driver/CheckedPi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "common/MillerRabin.h"
#include "engine/EvaluationFailure.h"

namespace {

// An engine double: records its calls and answers pi(x) = gBase for the
// first call and gBase + gDelta for the second.
struct EngineCall {
  std::string x;
  double y, z;
  int verbose;
};
std::vector<EngineCall> gEngineCalls;
double gBase = 0.0;
double gDelta = 0.0;
size_t gFailingCall = 0;  // 1 or 2: that call throws, as pieces that do not chain do

Integer FakeEngine(const Integer& x, double y, double z, int verbose) {
  char digits[64];
  x.Format(digits);
  gEngineCalls.push_back({digits, y, z, verbose});
  if (gEngineCalls.size() == gFailingCall) throw EvaluationFailure("pieces");
  if (verbose) {
    printf("<engine %s y=%.0f z=%.0f>\n", digits, y, z);
  }
  Integer value(gBase);
  if (gEngineCalls.size() > 1) value.Add(gDelta);
  return value;
}

int Check(double x, Integer& result, int verbose, std::string* out) {
  gEngineCalls.clear();
  testing::internal::CaptureStdout();
  int status = CheckedPi(Integer(x), result, verbose, FakeEngine);
  *out = testing::internal::GetCapturedStdout();
  return status;
}

const char kTimes[] = "\\d+\\.\\d\\d";

TEST(CheckedPiTest, ParametersAndTranscriptOfAPassingCheck) {
  // x = 10^12: sqrt(x) = 10^6, delta = 10^5, y = 48519 from the default.
  const uint64_t x = 1000000000000ULL;
  gBase = 37607912018.0;
  gDelta = static_cast<double>(testref::CountPrimes(x, x + 100000));
  Integer result;
  std::string out;
  EXPECT_EQ(0, Check(1e12, result, 1, &out));
  EXPECT_TRUE(result.IsEqual(Integer(37607912018.0)));

  ASSERT_EQ(2u, gEngineCalls.size());
  EXPECT_EQ("1000000000000", gEngineCalls[0].x);
  EXPECT_EQ(48519.0, gEngineCalls[0].y);
  EXPECT_EQ(116445.0, gEngineCalls[0].z);   // floor(2.4 y)
  EXPECT_EQ("1000000100000", gEngineCalls[1].x);
  EXPECT_EQ(49489.0, gEngineCalls[1].y);    // y + floor(0.02 y)
  EXPECT_EQ(123722.0, gEngineCalls[1].z);   // floor(2.5 y2)
  EXPECT_EQ(1, gEngineCalls[0].verbose);
  EXPECT_EQ(1, gEngineCalls[1].verbose);

  std::string expected = std::string("<engine 1000000000000 y=48519 z=116445>\n") +
                         "\nComputation of pi\\(x\\+delta\\) :\n" +
                         "<engine 1000000100000 y=49489 z=123722>\n" +
                         "\nChecking delta value\\.\\.\\. time=" + kTimes + "\n" +
                         "Check OK, total time=" + kTimes + "\n";
  EXPECT_TRUE(std::regex_match(out, std::regex(expected))) << out;
}

TEST(CheckedPiTest, MismatchIsAFailedCheck) {
  const uint64_t x = 1000000000000ULL;
  for (double error : {1.0, -1.0}) {
    gBase = 37607912018.0;
    gDelta = static_cast<double>(testref::CountPrimes(x, x + 100000)) + error;
    Integer result;
    std::string out;
    EXPECT_EQ(1, Check(1e12, result, 1, &out));
    // The main run's value is kept; the message stays open for the range
    // loop to end.
    EXPECT_TRUE(result.IsEqual(Integer(37607912018.0)));
    std::string tail = "Check KO, please report the problem to support@vantrel.example.org";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(tail, out.substr(out.size() - tail.size()));
    EXPECT_EQ(std::string::npos, out.find("Check OK"));
  }
}

TEST(CheckedPiTest, QuietWhenNotVerbose) {
  const uint64_t x = 1000000000000ULL;
  gBase = 5.0;
  gDelta = static_cast<double>(testref::CountPrimes(x, x + 100000));
  Integer result;
  std::string out;
  EXPECT_EQ(0, Check(1e12, result, 0, &out));
  EXPECT_EQ("", out);
  EXPECT_EQ(0, gEngineCalls[0].verbose);
  gDelta += 1.0;
  EXPECT_EQ(1, Check(1e12, result, 0, &out));
  EXPECT_EQ("", out);

  // For log files: the engines silent, the value and the check's outcome.
  EXPECT_EQ(1, Check(1e12, result, kCheckedPiQuiet, &out));
  EXPECT_EQ("pi(x)=5\nCheck KO, please report the problem to support@vantrel.example.org", out);
  EXPECT_EQ(0, gEngineCalls[0].verbose);
  EXPECT_EQ(0, gEngineCalls[1].verbose);
  gDelta -= 1.0;
  EXPECT_EQ(0, Check(1e12, result, kCheckedPiQuiet, &out));
  EXPECT_TRUE(std::regex_match(out, std::regex(std::string("pi\\(x\\)=5\nCheck OK, total time=") + kTimes + "\n")))
      << out;
}

TEST(CheckedPiTest, EngineFailureIsReportedAsAMismatch) {
  // An engine that rejects its parameters returns 0 for both runs; the
  // window of 10^12 holds primes, so the difference 0 cannot match.
  gBase = 0.0;
  gDelta = 0.0;
  Integer result;
  std::string out;
  EXPECT_EQ(1, Check(1e12, result, 0, &out));
}

TEST(CheckedPiTest, AFailedEvaluationIsAFailedCheck) {
  const uint64_t x = 1000000000000ULL;
  gBase = 37607912018.0;
  gDelta = static_cast<double>(testref::CountPrimes(x, x + 100000));
  for (size_t failing : {1, 2}) {
    SCOPED_TRACE(failing);
    gFailingCall = failing;
    Integer result;
    std::string out;
    EXPECT_EQ(1, Check(1e12, result, 1, &out));
    EXPECT_EQ(2u, gEngineCalls.size());
    EXPECT_EQ(failing == 1 ? 0.0 : gBase, result.GetApprox());
    EXPECT_NE(std::string::npos, out.find("\nChecking delta value..."));
    EXPECT_EQ(std::string::npos, out.find("Check OK"));
    EXPECT_NE(std::string::npos, out.find("Check KO"));
  }
  gFailingCall = 0;
}

TEST(CheckedPiTest, DefaultYReachingTheSquareRootIsLowered) {
  // x = 50: sqrt(x) = 7 and the default y is 7, lowered to 6; z likewise;
  // delta = floor(0.7) = 0, an empty window.
  gBase = 15.0;
  gDelta = 0.0;
  Integer result;
  std::string out;
  EXPECT_EQ(0, Check(50.0, result, 0, &out));
  ASSERT_EQ(2u, gEngineCalls.size());
  EXPECT_EQ(6.0, gEngineCalls[0].y);
  EXPECT_EQ(6.0, gEngineCalls[0].z);
  EXPECT_EQ("50", gEngineCalls[1].x);
  EXPECT_EQ(6.0, gEngineCalls[1].z);
}

TEST(CheckedPiTest, ParametersAtTheStartOfTheGrid) {
  // x = 10^17: sqrt(x) = 316227766, delta = 31622776.
  gBase = 2623557157654233.0;
  gDelta = 0.0;
  Integer result;
  std::string out;
  EXPECT_EQ(1, Check(1e17, result, 0, &out));  // the double's delta is wrong
  ASSERT_EQ(2u, gEngineCalls.size());
  EXPECT_EQ(6403071.0, gEngineCalls[0].y);
  EXPECT_EQ(15367370.0, gEngineCalls[0].z);
  EXPECT_EQ("100000000031622776", gEngineCalls[1].x);
  EXPECT_EQ(6531132.0, gEngineCalls[1].y);
  EXPECT_EQ(16327830.0, gEngineCalls[1].z);
}

}  // namespace
