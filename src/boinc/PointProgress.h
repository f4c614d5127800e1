#pragma once
// The fraction of one verified grid point done, followed from the progress
// of its terms. A point is two evaluations of pi (at x and at x + delta, one
// after the other or side by side), each with the terms A, B, C and D that
// take nearly all its time, and the sieve of the window between them, which
// reports nothing. Each evaluation's terms report how far they are; the
// point's fraction is their shares added up, so the order they come in does
// not matter.
class PointProgress {
 public:
  // Back to the start of a point.
  void Reset();
  // Takes an evaluation (0 or 1), a term's letter ('A' .. 'D') and the
  // fraction of it done (0 .. 1), and returns the fraction of the point
  // done, never less than before. Anything else is ignored.
  double Advance(int evaluation, char term, double fraction);
  double Fraction() const { return fraction_; }

 private:
  double done_[2][4] = {};  // the fraction of each term of each evaluation
  double fraction_ = 0.0;
};
