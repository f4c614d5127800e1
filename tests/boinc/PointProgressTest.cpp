// The fraction of a point followed through the components of its two
// evaluations.
#include "boinc/PointProgress.h"

#include <gtest/gtest.h>

namespace {

TEST(PointProgressTest, TwoEvaluationsOfFourTermsFillThePoint) {
  PointProgress progress;
  double last = 0.0;
  for (int evaluation = 0; evaluation < 2; ++evaluation) {
    for (char c : {'A', 'B', 'C', 'D'}) {
      for (double f : {0.0, 0.25, 1.0}) {
        double now = progress.Advance(evaluation, c, f);
        EXPECT_GE(now, last) << c << f;
        last = now;
      }
    }
    // Each evaluation is the same share of the point; the window sieve that
    // follows reports nothing and takes the rest.
    EXPECT_NEAR(evaluation == 0 ? 0.47 : 0.94, last, 1e-12);
    // A term reporting less, another letter or evaluation: nothing moves.
    EXPECT_EQ(last, progress.Advance(evaluation, 'B', 0.5));
    EXPECT_EQ(last, progress.Advance(evaluation, 'x', 0.5));
    EXPECT_EQ(last, progress.Advance(2, 'A', 1.0));
  }

  // Side by side, the two evaluations' reports interleave: the same sum.
  progress.Reset();
  EXPECT_EQ(0.0, progress.Fraction());
  progress.Advance(1, 'A', 0.5);
  EXPECT_NEAR(0.47 * 0.16 * 0.5 * 2, progress.Advance(0, 'A', 0.5), 1e-12);
}

}  // namespace
