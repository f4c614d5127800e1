// The fraction of a point followed through the components of its two
// evaluations.
#include "boinc/PointProgress.h"

#include <gtest/gtest.h>

namespace {

TEST(PointProgressTest, TwoEvaluationsOfFourComponentsFillThePointInOrder) {
  PointProgress progress;
  double last = 0.0;
  for (int evaluation = 0; evaluation < 2; ++evaluation) {
    for (char c : {'A', 'B', 'C', 'D'}) {
      for (double f : {0.0, 0.25, 1.0}) {
        double now = progress.Advance(c, f);
        EXPECT_GE(now, last) << c << f;
        last = now;
      }
    }
    // Each evaluation is the same share of the point; the window sieve that
    // follows reports nothing and takes the rest.
    EXPECT_NEAR(evaluation == 0 ? 0.47 : 0.94, last, 1e-12);
    // Sigma's own components after D move nothing: only the next A does.
    for (char c : {'B', 'C', 'D', 'B', 'x'}) EXPECT_EQ(last, progress.Advance(c, 0.5)) << c;
  }
  // Nothing goes past the point: no third evaluation.
  EXPECT_EQ(last, progress.Advance('A', 1.0));

  progress.Reset();
  EXPECT_EQ(0.0, progress.Fraction());
  EXPECT_NEAR(0.47 * 0.16 * 0.5, progress.Advance('A', 0.5), 1e-12);
}

}  // namespace
