#include "arith/Floor.h"
#include "common/Scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

uint64_t Bits(double x) {
  uint64_t b;
  memcpy(&b, &x, sizeof b);
  return b;
}

// A double of any magnitude below 2^53 (and a random sign): random exponent,
// random significand, and now and then an integer or a neighbour of one.
double RandomDouble(std::mt19937_64& rng) {
  const int e = static_cast<int>(rng() % 80) - 27;  // 2^-27 .. 2^52
  double x = std::ldexp(static_cast<double>(rng() >> 11), e - 53);
  switch (rng() % 5) {
    case 0: x = std::floor(x); break;
    case 1: x = std::nextafter(std::floor(x), 0.0); break;
    case 2: x = std::nextafter(std::floor(x), 1e300); break;
    case 3: x = std::floor(x) + 0.5; break;
    default: break;
  }
  return (rng() & 1) ? -x : x;
}

TEST(DoubleFloor, EdgeCases) {
  EXPECT_EQ(Bits(DoubleFloor(-0.0)), Bits(-0.0));
  EXPECT_EQ(Bits(DoubleFloor(0.75)), Bits(0.0));
  EXPECT_EQ(DoubleFloor(-0.25), -1.0);
  EXPECT_EQ(DoubleFloor(4503599627370496.0 - 0.5), 4503599627370495.0);
  EXPECT_EQ(DoubleFloor(9007199254740991.0), 9007199254740991.0);
  EXPECT_EQ(DoubleFloor(-9007199254740991.0), -9007199254740991.0);
  EXPECT_EQ(DoubleFloor(-4503599627370495.5), -4503599627370496.0);
  EXPECT_EQ(DoubleFloor(2097151.999999), 2097151.0);
  EXPECT_TRUE(std::isnan(DoubleFloor(std::nan(""))));
}

TEST(DoubleCeil, EdgeCases) {
  EXPECT_EQ(DoubleCeil(3.0), 3.0);
  EXPECT_EQ(DoubleCeil(3.000001), 4.0);
  EXPECT_EQ(DoubleCeil(-2.5), -2.0);
  EXPECT_EQ(DoubleCeil(-0.5), 0.0);
  EXPECT_EQ(DoubleCeil(4503599627370495.5), 4503599627370496.0);
}

// Bit for bit the library floor (sign of zero included) on every magnitude.
TEST(DoubleFloor, AgreesWithLibraryFloorOnRandomDoubles) {
  std::mt19937_64 rng(1);
  for (int i = 0; i < testref::Scaled(400000); ++i) {
    const double x = RandomDouble(rng);
    ASSERT_EQ(Bits(DoubleFloor(x)), Bits(std::floor(x))) << std::to_string(x);
    ASSERT_EQ(DoubleCeil(x), std::ceil(x)) << std::to_string(x);
  }
}

TEST(LongFloor, EdgeCases) {
  EXPECT_EQ(LongFloor(0.999999), 0);
  EXPECT_EQ(LongFloor(1.0), 1);
  EXPECT_EQ(LongFloor(2097151.9), 2097151);
  EXPECT_EQ(LongFloor(2097152.0), 2097152);
  EXPECT_EQ(LongFloor(2147483647.5), 2147483647);
  EXPECT_EQ(LongFloor(-0.5), -1);
  EXPECT_EQ(LongFloor(-1.0), -1);
  EXPECT_EQ(LongFloor(-0.0), 0);
  EXPECT_EQ(LongFloor(-2147483648.0), INT32_MIN);
  EXPECT_EQ(LongFloor(-2147483647.5), INT32_MIN);
}

TEST(LongFloor, AgreesWithLibraryFloorBelowTwoToThe31) {
  std::mt19937_64 rng(2);
  for (int i = 0; i < testref::Scaled(400000); ++i) {
    double x = RandomDouble(rng);
    if (std::fabs(x) >= 2147483648.0) x = std::fmod(x, 2147483648.0);
    ASSERT_EQ(static_cast<int64_t>(LongFloor(x)), static_cast<int64_t>(std::floor(x))) << std::to_string(x);
  }
  for (double x : {2147483647.0, 2147483647.999, -2147483647.0, -2147483647.25, 1073741823.5, -1073741824.5}) {
    EXPECT_EQ(static_cast<int64_t>(LongFloor(x)), static_cast<int64_t>(std::floor(x))) << x;
  }
}

TEST(LongFloor, ReportsValuesFromTwoToThe31) {
  testing::internal::CaptureStdout();
  const int32_t r = LongFloor(2147483648.0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "PB in LongFloor, x=2147483648 is too large\n");
  EXPECT_EQ(r, 1 << 20);

  // The value after the message: the 21 leading significand bits.
  std::mt19937_64 rng(3);
  for (int i = 0; i < testref::Scaled(200); ++i) {
    const double x = std::ldexp(static_cast<double>(rng() >> 11), 31 + static_cast<int>(rng() % 30) - 53 + 1);
    if (x < 2147483648.0) continue;
    int e;
    std::frexp(x, &e);
    char expected[128];
    snprintf(expected, sizeof expected, "PB in LongFloor, x=%.0lf is too large\n", x);
    testing::internal::CaptureStdout();
    const int32_t m = LongFloor(x);
    ASSERT_EQ(testing::internal::GetCapturedStdout(), expected);
    ASSERT_EQ(m, static_cast<int32_t>(std::floor(std::ldexp(x, 21 - e))));
  }
}

TEST(LongFloor, IsSilentBelowMinusTwoToThe31) {
  testing::internal::CaptureStdout();
  LongFloor(-2147483649.0);
  LongFloor(-1e300);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
