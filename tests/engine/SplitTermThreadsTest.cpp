// The components in pieces on several threads: every term, pi(x) and the
// whole report are the same for 1, 2, 3, 7 and 16 threads; pieces whose
// counts do not chain fail the evaluation. Built with ThreadSanitizer by
// make test-tsan.
#include "engine/SplitTerm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/CComputer.h"
#include "components/DComputer.h"
#include "engine/EvaluationFailure.h"
#include "engine/PiNYZ.h"

namespace {

std::string WithoutTimes(std::string out) {
  out = std::regex_replace(out, std::regex("time=[0-9]+\\.[0-9][0-9]\n"), "time=T\n");
  return std::regex_replace(out, std::regex("time : [0-9]+\\.[0-9][0-9]\n"), "time : T\n");
}

// The report of one evaluation, collected, with the times masked.
std::string Report(const Integer& x, double y, double z, int threads) {
  std::string collected;
  PiNYZ(x, y, z, 1, Console(&collected), threads);
  return WithoutTimes(collected);
}

TEST(SplitTerm, EveryTermIsTheSameOnAnyNumberOfThreads) {
  // The report holds A, B, C, D, phi0, Sigma and pi(x), and the dots.
  struct Case {
    double x, y, z;
  } cases[] = {{1234567890123.0, 60000.0, 150000.0}, {3e11 + 7.0, 12000.0, 12000.0}};
  for (const Case& c : cases) {
    const Integer x(c.x);
    const std::string one = Report(x, c.y, c.z, 1);
    for (int threads : {2, 3, 7, 16}) {
      SCOPED_TRACE(::testing::Message() << "x=" << c.x << " on " << threads << " threads");
      EXPECT_EQ(one, Report(x, c.y, c.z, threads));
    }
  }
}

TEST(SplitTerm, ProgressOfTheOutermostTermsOnly) {
  // Each of A, B, C, D reports rising fractions up to 1, in that order; the
  // evaluations nested in a component's run (its prime counts) report none.
  for (int threads : {1, 3}) {
    std::string seen, report;
    std::vector<double> last(4, -1.0);
    const Console console = Console(&report).WithProgress([&](char term, double fraction) {
      ASSERT_TRUE(term >= 'A' && term <= 'D') << term;
      ASSERT_GE(fraction, last[term - 'A']) << term;
      if (last[term - 'A'] < 0.0) seen += term;
      last[term - 'A'] = fraction;
    });
    PiNYZ(Integer(1234567890123.0), 60000.0, 150000.0, 0, console, threads);
    EXPECT_EQ("ABCD", seen) << threads;
    EXPECT_EQ(std::vector<double>(4, 1.0), last) << threads;
  }
}

// The four components with their makers, at one x.
struct Component {
  const char* name;
  ComputerMaker make;
};

std::vector<Component> Components(const Integer& x, double y, double z) {
  return {{"A", [=] { return std::make_unique<AComputer>(x, y, 1.0); }},
          {"B", [=] { return std::make_unique<BComputer>(x, y, 1.0); }},
          {"C", [=] { return std::make_unique<CComputer>(x, y, z, 1.0); }},
          {"D", [=] { return std::make_unique<DComputer>(x, y, z, 1.0); }}};
}

TEST(SplitTerm, PiecesThatDoNotChainFailTheEvaluation) {
  const Integer x(1e12);
  const double y = 48519.0, z = 116445.0;
  for (const Component& c : Components(x, y, z)) {
    SCOPED_TRACE(c.name);
    double s, e;
    c.make()->GetRange(s, e);
    const double m = std::floor((s + e) / 2.0);
    const Integer whole = SplitTerm(c.make, {{s, m, 1.0}, {m, e, 1.0}}, 2, 0, Console());
    EXPECT_EQ(whole.Text(), SplitTerm(c.make, {{s, e, 1.0}}, 1, 0, Console()).Text());
    // The second piece starts a little late: its start state is not the
    // first one's end state.
    std::string report;
    EXPECT_THROW(SplitTerm(c.make, {{s, m, 1.0}, {m + 60.0, e, 1.0}}, 2, 1, Console(&report)),
                 EvaluationFailure);
    EXPECT_NE(std::string::npos, report.find(std::string("Error in the pieces of ") + c.name + ": piece 1"))
        << report;
  }
}

}  // namespace
