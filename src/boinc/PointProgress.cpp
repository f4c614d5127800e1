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

void PointProgress::Reset() { *this = PointProgress(); }

double PointProgress::Advance(int evaluation, char term, double fraction) {
  const int index = term - 'A';
  if (evaluation < 0 || evaluation > 1 || index < 0 || index > 3) return fraction_;
  double& done = done_[evaluation][index];
  done = std::max(done, std::clamp(fraction, 0.0, 1.0));
  double sum = 0.0;
  for (const auto& terms : done_) {
    for (int i = 0; i < 4; ++i) sum += kEvaluationShare * kShare[i] * terms[i];
  }
  fraction_ = std::max(fraction_, sum);
  return fraction_;
}
