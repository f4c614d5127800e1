// pi(x) through the counting engine, checked, with the console transcript
// compared line by line (times and component values masked).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>

#include "driver/CheckedPi.h"
#include "common/MillerRabin.h"

namespace {

const std::string kTime = "\\d+\\.\\d\\d";

std::string EngineReport(uint64_t x, double y, double z, uint64_t pi) {
  char head[200];
  snprintf(head, sizeof head, "Computing Pi\\(x\\) : x=%llu \\(%E\\) y=%.0f, z=%.0f\n",
           static_cast<unsigned long long>(x), static_cast<double>(x), y, z);
  std::string report = std::string(head);
  report = std::regex_replace(report, std::regex("\\+"), "\\+");
  for (const char* name : {"A", "B", "C", "D"}) {
    report += std::string("Computing ") + name + " : \\.*" + name + "=-?\\d+, time=" + kTime + "\n";
  }
  report += "phi0=-?\\d+, time=" + kTime + "\n";
  report += "Sigma=-?\\d+, time=" + kTime + "\n";
  report += "pi\\(x\\) total computation time : " + kTime + "\n";
  report += "pi\\(" + std::to_string(x) + "\\)=" + std::to_string(pi) + "\n";
  return report;
}

struct Case {
  uint64_t x;
  uint64_t pi;
  uint64_t delta;
  double y, z, y2, z2;
};

void CheckPoint(const Case& c) {
  uint64_t inWindow = testref::CountPrimes(c.x, c.x + c.delta);
  Integer result;
  testing::internal::CaptureStdout();
  int status = CheckedPi(Integer(static_cast<double>(c.x)), result, 1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(0, status) << out;
  char digits[64];
  result.Format(digits);
  EXPECT_EQ(std::to_string(c.pi), digits);
  std::string expected = EngineReport(c.x, c.y, c.z, c.pi) + "\nComputation of pi\\(x\\+delta\\) :\n" +
                         EngineReport(c.x + c.delta, c.y2, c.z2, c.pi + inWindow) +
                         "\nChecking delta value\\.\\.\\. time=" + kTime + "\n" +
                         "Check OK, total time=" + kTime + "\n";
  EXPECT_TRUE(std::regex_match(out, std::regex(expected))) << out;
}

TEST(CheckedPiEngineTest, TenToTheTwelfth) {
  CheckPoint({1000000000000ULL, 37607912018ULL, 100000, 48519, 116445, 49489, 123722});
}

TEST(CheckedPiEngineTest, TenToTheThirteenth) {
  CheckPoint({10000000000000ULL, 346065536839ULL, 316227, 132904, 318969, 135562, 338905});
}

TEST(CheckedPiEngineTest, TenToTheFourteenth) {
  CheckPoint({100000000000000ULL, 3204941750802ULL, 1000000, 357623, 858295, 364775, 911937});
}

}  // namespace
