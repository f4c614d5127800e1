// pi of Integer arguments: the small count below 50000, the full evaluation
// above, and the derived z of PiNY.
#include "auxcount/PiN.h"

#include <gtest/gtest.h>

#include "arith/Integer.h"

TEST(PiN, SmallAndLargeArguments) {
  EXPECT_EQ(PiN(Integer(0.0), 0).GetApprox(), 0.0);
  EXPECT_EQ(PiN(Integer(2.0), 0).GetApprox(), 1.0);
  EXPECT_EQ(PiN(Integer(49999.0), 0).GetApprox(), 5133.0);
  EXPECT_EQ(PiN(Integer(50000.0), 0).GetApprox(), 5133.0);
  EXPECT_EQ(PiN(Integer(104729.0), 0).GetApprox(), 10000.0);  // the 10000th prime
  EXPECT_EQ(PiN(Integer(104728.0), 0).GetApprox(), 9999.0);
  EXPECT_EQ(PiN(Integer(10000000.0), 0).GetApprox(), 664579.0);
  EXPECT_EQ(PiN(Integer(1e9), 0).GetApprox(), 50847534.0);
}

TEST(PiN, NonVerboseRunsPrintNothing) {
  testing::internal::CaptureStdout();
  PiN(Integer(12345678.0), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(PiNY, DerivedZStaysBelowTheSquareRoot) {
  // 2.5 y = 2250 would pass sqrt(10^6): z = 999 instead
  EXPECT_EQ(PiNY(Integer(1000000.0), 900, 0).GetApprox(), 78498.0);
  EXPECT_EQ(PiNY(Integer(1000000.0), 101, 0).GetApprox(), 78498.0);
  EXPECT_EQ(PiNY(Integer(99999989.0), 1000, 0).GetApprox(), 5761455.0);
  testing::internal::CaptureStdout();
  Integer r = PiNY(Integer(1000000.0), 100, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pb in PiNY, y is not in the good range\n");
  EXPECT_EQ(r.GetApprox(), 0.0);
}
