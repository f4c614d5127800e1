#pragma once
// The fraction of one verified grid point done, followed from the progress
// of its components. A point is two evaluations of pi (at x, then at
// x + delta), each running the components A, B, C and D in that order, and
// then the sieve of the window between them, which reports nothing. After
// its D an evaluation computes phi0 and Sigma, which run components of
// their own on smaller arguments (B, C, D): only the next evaluation's A
// moves the point on from there.
class PointProgress {
 public:
  // Back to the start of a point.
  void Reset();
  // Takes a component's letter and the fraction of it done (0 .. 1) and
  // returns the fraction of the point done, never less than before. Only
  // the component in hand and the one due next count; others are ignored.
  double Advance(char component, double fraction);
  double Fraction() const { return fraction_; }

 private:
  int stage_ = -1;  // 4 * evaluation + component of the one in hand, -1 before A
  double fraction_ = 0.0;
};
