// pi(10^k) for k = 15 .. 18 with the verification's parameters, each of the
// six terms pinned as well, read from the evaluation's own report: a failure
// names the term that moved.
#include "engine/PiNYZ.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "base/Console.h"

namespace {

struct Known {
  int k;
  const char* A;
  const char* B;
  const char* C;
  const char* D;
  const char* phi0;
  const char* Sigma;
  const char* pi;
};

Integer PowerOfTen(int k) {
  Integer x(1.0);
  for (int i = 0; i < k; ++i) x.Multiply(10.0);
  return x;
}

// The value of "name=value, time=t" in a report.
std::string Term(const std::string& report, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(report, m, std::regex(name + "=(-?[0-9]+), time="))) return "missing";
  return m[1];
}

void CheckPowerOfTen(const Known& want) {
  const Integer x = PowerOfTen(want.k);
  const double s = x.FloorSqrt();
  double y = DefaultY(x);
  if (y >= s) y = s - 1.0;
  double z = std::floor(2.4 * y);
  if (z >= s) z = s - 1.0;
  std::string report;
  const Integer pi = PiNYZ(x, y, z, 1, Console(&report));
  EXPECT_EQ(Term(report, "A"), want.A);
  EXPECT_EQ(Term(report, "B"), want.B);
  EXPECT_EQ(Term(report, "C"), want.C);
  EXPECT_EQ(Term(report, "D"), want.D);
  EXPECT_EQ(Term(report, "phi0"), want.phi0);
  EXPECT_EQ(Term(report, "Sigma"), want.Sigma);
  EXPECT_EQ(pi.Text(), want.pi);
}

}  // namespace

TEST(PiNYZLong, TenToTheFifteen) {
  CheckPowerOfTen({15, "6879234164743", "12631020146622", "3322913234499", "619427649471",
                   "30765376011983", "888639508595", "29844570422669"});
}
TEST(PiNYZLong, TenToTheSixteen) {
  CheckPowerOfTen({16, "64573980715465", "116564729940471", "31835550684152", "2841668602298",
                   "288868440154245", "7683430818236", "279238341033925"});
}
TEST(PiNYZLong, TenToTheSeventeen) {
  CheckPowerOfTen({17, "609307814161341", "1085053275210763", "301692760385164",
                   "11462189233391", "2718665721237227", "67481947847873", "2623557157654233"});
}
TEST(PiNYZLong, TenToTheEighteen) {
  CheckPowerOfTen({18, "5752461995658953", "10173846120981687", "2858863603704569",
                   "24664751813829", "25677771276800809", "600038780744387", "24739954287740860"});
}
