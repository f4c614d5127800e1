// The components' shares of an evaluation's time are those of the engine
// benchmark at 10^17 and 10^18 (bench/README.md: A 15-17 %, B 14-17 %,
// C 11-12 %, D 54-58 %, phi0 and Sigma below 1 %), and the window sieve
// takes 1-8 % of a point. Fractions a few per cent off only make the
// client's estimate of the time left a little rough.
#include "boinc/PointProgress.h"

#include <algorithm>

namespace {

constexpr double kShare[4] = {0.16, 0.16, 0.12, 0.56};  // A, B, C, D within one evaluation
constexpr double kEvaluationShare = 0.47;               // of the point, each of the two

}  // namespace

void PointProgress::Reset() {
  stage_ = -1;
  fraction_ = 0.0;
}

double PointProgress::Advance(char component, double fraction) {
  int index = component - 'A';
  bool inHand = stage_ >= 0 && index == stage_ % 4;
  bool dueNext = stage_ < 7 && index == (stage_ + 1) % 4;
  if (!inHand && !dueNext) return fraction_;
  if (!inHand) ++stage_;
  double within = kShare[stage_ % 4] * std::clamp(fraction, 0.0, 1.0);
  for (int i = 0; i < stage_ % 4; ++i) within += kShare[i];
  fraction_ = std::max(fraction_, kEvaluationShare * (stage_ / 4 + within));
  return fraction_;
}
