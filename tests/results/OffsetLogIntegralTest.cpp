#include "results/OffsetLogIntegral.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string FiveDecimals(double v) {
  char text[64];
  snprintf(text, sizeof text, "%.5lf", v);
  return text;
}

// Reference values of Li(x) = li(x) - li(2), computed to 40 digits.
TEST(OffsetLogIntegralTest, AgreesWithReferenceValues) {
  EXPECT_NEAR(176.564494210034734, OffsetLogIntegral(1000.0), 1e-3);
  EXPECT_NEAR(78626.5039956820644, OffsetLogIntegral(1e6), 1e-3);
  EXPECT_NEAR(37607950279.7597017, OffsetLogIntegral(1e12), 1e-2);
  // Near the grid, double rounding of the series is a few units at most.
  EXPECT_NEAR(2623557165610820.73, OffsetLogIntegral(1e17), 8.0);
  EXPECT_NEAR(24739954309690413.98, OffsetLogIntegral(1e18), 64.0);
}

TEST(OffsetLogIntegralTest, IntegerArgumentReadsItsValue) {
  Integer x(1e17);
  EXPECT_EQ(OffsetLogIntegral(1e17), OffsetLogIntegral(x));
  Integer y(1e14);
  y.Multiply(4321.0);
  EXPECT_EQ(OffsetLogIntegral(4321e14), OffsetLogIntegral(y));
}

TEST(OffsetLogIntegralTest, IsIncreasing) {
  double previous = OffsetLogIntegral(1e17);
  for (double k = 1001.0; k <= 10000.0; k += 499.0) {
    double next = OffsetLogIntegral(k * 1e14);
    EXPECT_GT(next, previous) << k;
    previous = next;
  }
}

TEST(OffsetLogIntegralTest, DeviationOfKnownPrimeCounts) {
  // pi(10^12), pi(10^14), pi(10^17), pi(10^18); deviations from a 40-digit
  // evaluation. The double series is a few dozen units off at 10^18, which
  // is 1e-7 of the deviation there, far below its fifth decimal.
  EXPECT_NEAR(-0.0780636346052, NormalisedDeviation(37607912018.0, 1e12), 1e-8);
  EXPECT_NEAR(-0.0678353739784, NormalisedDeviation(3204941750802.0, 1e14), 1e-8);
  EXPECT_NEAR(-0.0581264973798, NormalisedDeviation(2623557157654233.0, 1e17), 5e-8);
  EXPECT_NEAR(-0.0517757495306, NormalisedDeviation(24739954287740860.0, 1e18), 2e-7);
  EXPECT_EQ("-0.05813", FiveDecimals(NormalisedDeviation(2623557157654233.0, 1e17)));
  EXPECT_EQ("-0.05178", FiveDecimals(NormalisedDeviation(24739954287740860.0, 1e18)));
}

}  // namespace
