// pi(x) from the full evaluation against plain sieve counts, with the
// verification's parameters and with random admissible ones; the console
// report and the parameter errors.
#include "engine/PiNYZ.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "common/Scale.h"
#include "common/SievedPi.h"
#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "components/SigmaTerms.h"

namespace {

typedef long long i64;

using testref::SievedPi;

double Pi(i64 x, double y, double z) {
  Integer r = PiNYZ(Integer(static_cast<double>(x)), y, z, 0);
  return r.GetApprox();
}

// The parameters of the verification's main run.
void MainParameters(const Integer& x, double& y, double& z) {
  const double s = x.FloorSqrt();
  y = DefaultY(x);
  if (y >= s) y = s - 1.0;
  z = std::floor(2.4 * y);
  if (z >= s) z = s - 1.0;
}

std::string Text(const Integer& v) {
  char buf[64];
  v.Format(buf);
  return buf;
}

template <class T>
Integer RunAlone(T& c) {
  c.TimedRun();
  Integer r;
  c.GetResult(&r);
  return r;
}

}  // namespace

TEST(PiNYZ, PowersOfTenWithTheMainParameters) {
  const double known[] = {0, 0, 25, 168, 1229, 9592, 78498, 664579, 5761455, 50847534,
                          455052511, 4118054813.0, 37607912018.0};
  Integer x(1.0);
  for (int k = 1; k <= 12; ++k) {
    x.Multiply(10.0);
    if (k < 2) continue;
    double y, z;
    MainParameters(x, y, z);
    SCOPED_TRACE(::testing::Message() << "k=" << k << " y=" << y << " z=" << z);
    EXPECT_EQ(PiNYZ(x, y, z, 0).GetApprox(), known[k]);
  }
}

TEST(PiNYZ, RandomArgumentsAndParametersMatchASieve) {
  std::mt19937_64 rng(314159);
  struct Case {
    i64 x;
    double y, z;
  };
  std::vector<Case> cases;
  std::vector<i64> xs;
  while (cases.size() < static_cast<size_t>(testref::Scaled(250))) {
    const double e = 2.0 + 6.0 * std::uniform_real_distribution<double>(0, 1)(rng);
    const i64 x = static_cast<i64>(std::pow(10.0, e));
    i64 s = static_cast<i64>(std::sqrt(static_cast<double>(x)));
    while (s * s > x) --s;
    while ((s + 1) * (s + 1) <= x) ++s;
    i64 yMin = static_cast<i64>(std::cbrt(static_cast<double>(x)));
    while (yMin * yMin * yMin <= x) ++yMin;
    const i64 zMax = s * s == x ? s - 1 : s;  // z^2 < x
    if (yMin > zMax) continue;
    const i64 y = std::uniform_int_distribution<i64>(yMin, zMax)(rng);
    const i64 z = std::uniform_int_distribution<i64>(y, zMax)(rng);
    cases.push_back({x, static_cast<double>(y), static_cast<double>(z)});
    xs.push_back(x);
  }
  const std::vector<i64> want = SievedPi(xs);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    ASSERT_EQ(Pi(c.x, c.y, c.z), static_cast<double>(want[i]))
        << "x=" << c.x << " y=" << c.y << " z=" << c.z;
  }
}

TEST(PiNYZ, EdgesOfTheParameterRange) {
  EXPECT_EQ(Pi(1000000, 200, 200), 78498);  // z = y
  EXPECT_EQ(Pi(1000000, 101, 999), 78498);  // smallest y, largest z
  EXPECT_EQ(Pi(1000000, 999, 999), 78498);
  EXPECT_EQ(Pi(1000, 20, 30), 168);         // n = 21 = 3 7 is an ordinary leaf
  EXPECT_EQ(Pi(10000000, 430, 1032), 664579);
  EXPECT_EQ(Pi(1000001, 101, 1000), 78498);
  EXPECT_EQ(Pi(999999, 100, 999), 78498);
}

TEST(PiNYZ, ParameterErrorsReportAndGiveZero) {
  const Integer x(1000000.0);
  testing::internal::CaptureStdout();
  Integer r = PiNYZ(x, 100, 200, 0);  // 100^3 = x is not above x
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pb in PiNY, y is not in the good range\n");
  EXPECT_EQ(r.GetApprox(), 0.0);

  testing::internal::CaptureStdout();
  r = PiNYZ(x, 1000, 1000, 0);  // z^2 = x
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pb in PiNYZ, z is not in the good range\n");
  EXPECT_EQ(r.GetApprox(), 0.0);

  testing::internal::CaptureStdout();
  r = PiNYZ(x, 200, 150, 0);  // z < y, although z^2 < x
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Pb in PiNYZ, z is not in the good range\n");
  EXPECT_EQ(r.GetApprox(), 0.0);

  testing::internal::CaptureStdout();
  r = PiNYZ(x, 50, 2000, 1);  // the z test comes first
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Computing Pi(x) : x=1000000 (1.000000E+06) y=50, z=2000\n"
            "Pb in PiNYZ, z is not in the good range\n");
  EXPECT_EQ(r.GetApprox(), 0.0);
}

TEST(PiNYZ, SmallArgumentsTakeTheSmallCount) {
  testing::internal::CaptureStdout();
  Integer r = PiNYZ(Integer(99.0), 5, 7, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Computing Pi(x) : x=99 (9.900000E+01) y=5, z=7\n");
  EXPECT_EQ(r.GetApprox(), 25.0);
  EXPECT_EQ(PiNYZ(Integer(2.0), 0, 0, 0).GetApprox(), 1.0);
  EXPECT_EQ(PiNYZ(Integer(0.0), 0, 0, 0).GetApprox(), 0.0);
}

TEST(PiNYZ, VerboseReport) {
  const Integer x(1000000.0);
  const double y = 200, z = 480;
  // The terms, each from its own producer.
  Integer A, B, C, D;
  {
    AComputer c(x, y, 1.0);
    A = RunAlone(c);
  }
  {
    BComputer c(x, y, 1.0);
    B = RunAlone(c);
  }
  {
    CComputer c(x, y, z, 1.0);
    C = RunAlone(c);
  }
  {
    DComputer c(x, y, z, 1.0);
    D = RunAlone(c);
  }
  // phi0 by its definition: odd squarefree n <= z with prime factors <= y.
  i64 phi0 = 0;
  for (i64 n = 1; n <= 480; n += 2) {
    i64 m = n;
    int mu = 1;
    bool ok = true;
    for (i64 p = 3; p * p <= m && ok; p += 2)
      if (m % p == 0) {
        m /= p;
        if (m % p == 0) ok = false;
        mu = -mu;
      }
    if (m > 1) {
      if (m > 200) ok = false;
      mu = -mu;
    }
    if (ok) phi0 += mu * ((1000000 / n + 1) / 2);
  }
  const double u = x.FloorCbrt();
  const Integer sigma = SigmaTerms(x, y, u, 31.0);  // q = max(x / y^2 = 25, x^(1/4) = 31)

  auto withoutTimes = [](std::string out) {
    out = std::regex_replace(out, std::regex("time=[0-9]+\\.[0-9][0-9]\n"), "time=T\n");
    return std::regex_replace(out, std::regex("time : [0-9]+\\.[0-9][0-9]\n"), "time : T\n");
  };
  testing::internal::CaptureStdout();
  Integer r = PiNYZ(x, y, z, 1);
  const std::string out = withoutTimes(testing::internal::GetCapturedStdout());
  const std::string want =
      "Computing Pi(x) : x=1000000 (1.000000E+06) y=200, z=480\n"
      "Computing A : ......A=" + Text(A) + ", time=T\n"
      "Computing B : ......B=" + Text(B) + ", time=T\n"
      "Computing C : ......C=" + Text(C) + ", time=T\n"
      "Computing D : ......D=" + Text(D) + ", time=T\n"
      "phi0=" + std::to_string(phi0) + ", time=T\n"
      "Sigma=" + Text(sigma) + ", time=T\n"
      "pi(x) total computation time : T\n"
      "pi(1000000)=78498\n";
  EXPECT_EQ(out, want);
  EXPECT_EQ(r.GetApprox(), 78498.0);

  // The same report collected in a string, none of it on standard output.
  std::string collected;
  testing::internal::CaptureStdout();
  PiNYZ(x, y, z, 1, Console(&collected));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(withoutTimes(collected), want);
}
