// A whole grid point checked on 1, 2, 3, 7 and 16 threads (the evaluations
// side by side, and one after the other) gives the same result line (minutes).
#include <gtest/gtest.h>

#include <string>

#include "driver/CheckedPi.h"
#include "results/OffsetLogIntegral.h"
#include "results/ResultLine.h"

namespace {

std::string ResultLineOn(int threads) {
  const Integer x(1e17);
  Integer p;
  EXPECT_EQ(0, CheckedPi(x, p, kCheckedPiSilent, threads));
  char digits[64];
  p.Format(digits);
  return FormatResultLine(1000, digits, NormalisedDeviation(p.GetApprox(), x.GetApprox()));
}

TEST(ThreadedPoint, ResultLineOfTheFirstGridPointOnAnyNumberOfThreads) {
  const std::string line = "1000:2623557157654233:-0.05813:158\n";
  EXPECT_EQ(line, ResultLineOn(2));
  EXPECT_EQ(line, ResultLineOn(3));
  EXPECT_EQ(line, ResultLineOn(7));
  EXPECT_EQ(line, ResultLineOn(16));
  EXPECT_EQ(line, ResultLineOn(1));
}

}  // namespace
