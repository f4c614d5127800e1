// Cuts of an interval by the cost model: consecutive whole pieces that cover
// it, of falling expected cost, about eight per thread.
#include "engine/PieceCut.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(PieceCut, PiecesCoverTheIntervalWithFallingCosts) {
  const char* names[] = {"A", "B", "C", "D", "phi0"};
  for (const char* name : names) {
    for (int threads : {1, 2, 7, 64}) {
      SCOPED_TRACE(::testing::Message() << name << " on " << threads);
      const double s = 804649.0, e = 25444643232.0;
      const CostShape shape = ComponentCostShape(name);
      const std::vector<Piece> pieces = CutIntoPieces(s, e, shape, threads);
      ASSERT_FALSE(pieces.empty());
      EXPECT_EQ(s, pieces.front().start);
      EXPECT_EQ(e, pieces.back().end);
      double total = 0.0;
      for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        EXPECT_LT(p.start, p.end);
        EXPECT_EQ(std::floor(p.end), p.end);
        if (i > 0) {
          EXPECT_EQ(pieces[i - 1].end, p.start);
        }
        EXPECT_NEAR(ExpectedCost(shape, s, e, p.start, p.end), p.cost, 1e-6 * p.cost);
        // Falling costs, down to the floor (the last piece takes the rest).
        if (i > 0 && i + 1 < pieces.size()) {
          EXPECT_LE(p.cost, pieces[i - 1].cost * 1.0001);
        }
        total += p.cost;
      }
      EXPECT_NEAR(ExpectedCost(shape, s, e, s, e), total, 1e-9 * total);
      EXPECT_LE(pieces.size(), 10u * threads);
      EXPECT_GE(pieces.size(), 6u * threads);
      // The last pieces are small: none above a 1/(16 threads) share.
      EXPECT_LT(pieces.back().cost, total / (16.0 * threads));
    }
  }
  // A short interval gives one piece.
  EXPECT_EQ(1u, CutIntoPieces(10.0, 11.0, ComponentCostShape("A"), 8).size());
}

}  // namespace
