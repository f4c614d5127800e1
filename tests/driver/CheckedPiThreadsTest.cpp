// A checked point on several threads: the same value and the same report,
// in the same order, as on one thread, with the evaluations side by side
// (an even number of threads) or one after the other (an odd one). Built
// with ThreadSanitizer by make test-tsan.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "driver/CheckedPi.h"

namespace {

std::string WithoutTimes(std::string out) {
  return std::regex_replace(out, std::regex("time( : |=)[0-9]+\\.[0-9][0-9]\n"), "time=T\n");
}

TEST(CheckedPiThreads, SameValueAndReportOnAnyNumberOfThreads) {
  const Integer x(4e11 + 1.0);
  std::string one;
  Integer first;
  testing::internal::CaptureStdout();
  ASSERT_EQ(0, CheckedPi(x, first, kCheckedPiVerbose, 1));
  one = WithoutTimes(testing::internal::GetCapturedStdout());
  for (int threads : {2, 3, 4}) {
    SCOPED_TRACE(threads);
    Integer result;
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, CheckedPi(x, result, kCheckedPiVerbose, threads));
    EXPECT_EQ(one, WithoutTimes(testing::internal::GetCapturedStdout()));
    EXPECT_EQ(first.Text(), result.Text());
  }
  // The quiet report: the value, then the outcome.
  Integer result;
  testing::internal::CaptureStdout();
  EXPECT_EQ(0, CheckedPi(x, result, kCheckedPiQuiet, 2));
  EXPECT_EQ("pi(x)=" + first.Text() + "\nCheck OK, total time=T\n",
            WithoutTimes(testing::internal::GetCapturedStdout()));
}

}  // namespace
