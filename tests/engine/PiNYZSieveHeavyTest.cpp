// pi(x) from the full evaluation for random x between 10^8 and 10^10 with
// random admissible parameters, against one sieve sweep.
#include "engine/PiNYZ.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "common/SievedPi.h"

namespace {

typedef long long i64;

using testref::SievedPi;

}  // namespace

TEST(PiNYZSieveHeavy, RandomArgumentsUpToTenToTheTenMatchASieve) {
  std::mt19937_64 rng(2718);
  struct Case {
    i64 x;
    double y, z;
  };
  std::vector<Case> cases;
  std::vector<i64> xs;
  while (cases.size() < 120) {
    const double e = 8.0 + 2.0 * std::uniform_real_distribution<double>(0, 1)(rng);
    const i64 x = static_cast<i64>(std::pow(10.0, e));
    i64 s = static_cast<i64>(std::sqrt(static_cast<double>(x)));
    while (s * s > x) --s;
    while ((s + 1) * (s + 1) <= x) ++s;
    i64 yMin = static_cast<i64>(std::cbrt(static_cast<double>(x)));
    while (yMin * yMin * yMin <= x) ++yMin;
    const i64 zMax = s * s == x ? s - 1 : s;
    const i64 y = std::uniform_int_distribution<i64>(yMin, zMax)(rng);
    const i64 z = std::uniform_int_distribution<i64>(y, zMax)(rng);
    cases.push_back({x, static_cast<double>(y), static_cast<double>(z)});
    xs.push_back(x);
  }
  const std::vector<i64> want = SievedPi(xs);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    ASSERT_EQ(PiNYZ(Integer(static_cast<double>(c.x)), c.y, c.z, 0).GetApprox(),
              static_cast<double>(want[i]))
        << "x=" << c.x << " y=" << c.y << " z=" << c.z;
  }
}
