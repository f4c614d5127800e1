// The terms with inner loops (A, B, C, D) and the sieved counts under every
// copy of the hot loops that this processor runs, each against the baseline
// copy: the same values to the last digit, at arguments and parameters that
// reach the edges (y just above x^(1/3), z = y, z just below x^(1/2)) and
// with the verification's parameters, on windows of one block and of many.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "arith/HotPath.h"
#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "components/Terms.h"

namespace {

struct Case {
  double x, y, z;
};

std::string Text(const Integer& v) {
  char buf[64];
  v.Format(buf);
  return buf;
}

// The parameters: the least y above x^(1/3) and the greatest z below
// x^(1/2), for a whole x.
double LeastY(double x) {
  double y = std::floor(std::cbrt(x));
  while (y * y * y > x) y -= 1.0;
  return y + 1.0;
}
double GreatestZ(double x) {
  double s = std::floor(std::sqrt(x));
  while (s * s >= x) s -= 1.0;
  while ((s + 1.0) * (s + 1.0) < x) s += 1.0;
  return s;
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (double x : {1e6, 999999999989.0, 2199023255552.0 /* 2^41 */}) {
    const double y = LeastY(x), z = GreatestZ(x);
    cases.push_back({x, y, y});
    cases.push_back({x, y, z});
    cases.push_back({x, z, z});
  }
  for (double x : {1e12, 1e13 + 1.0}) {
    const Integer X(x);
    const double y = DefaultY(X);
    cases.push_back({x, y, std::floor(2.4 * y)});
  }
  return cases;
}

// Every value of one copy, in the order of the cases.
std::vector<std::string> Values(const std::vector<Case>& cases) {
  std::vector<std::string> values;
  for (const Case& c : cases) {
    const Integer x(c.x);
    values.push_back(Text(TermA(x, c.y, c.z, 0)));
    values.push_back(Text(TermB(x, c.y, c.z, 0)));
    values.push_back(Text(TermC(x, c.y, c.z, 0)));
    values.push_back(Text(TermD(x, c.y, c.z, 0)));
  }
  for (double v : {1e5, 12345678.0, 1e9 + 7.0}) values.push_back(std::to_string(SmallPi(v)));
  return values;
}

// Restores the copy chosen at start-up after each test.
class PiNYZCopies : public ::testing::Test {
 protected:
  void TearDown() override { ForceHotCopy(startUp_); }
  const HotCopy startUp_ = ChosenHotCopy();
};

TEST_F(PiNYZCopies, EveryCopyGivesTheBaselineValues) {
  const std::vector<Case> cases = Cases();
  ASSERT_TRUE(ForceHotCopy(HotCopy::kBaseline));
  const std::vector<std::string> baseline = Values(cases);
  int compared = 0;
  for (int i = 1; i < static_cast<int>(HotCopy::kCount); ++i) {
    const HotCopy copy = static_cast<HotCopy>(i);
    if (!ForceHotCopy(copy)) continue;
    SCOPED_TRACE(HotCopyName(copy));
    ASSERT_EQ(copy, ChosenHotCopy());
    const std::vector<std::string> values = Values(cases);
    ASSERT_EQ(baseline.size(), values.size());
    for (size_t k = 0; k < values.size(); ++k) {
      const size_t c = k / 4;
      if (c < cases.size()) {
        EXPECT_EQ(baseline[k], values[k]) << "term " << "ABCD"[k % 4] << " at x=" << Text(Integer(cases[c].x))
                                          << " y=" << Text(Integer(cases[c].y)) << " z=" << Text(Integer(cases[c].z));
      } else {
        EXPECT_EQ(baseline[k], values[k]) << "SmallPi";
      }
    }
    ++compared;
  }
  RecordProperty("copies compared with the baseline", compared);
}

}  // namespace
