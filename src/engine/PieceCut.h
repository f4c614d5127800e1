#pragma once
// How a component's interval (s, e] is cut into pieces for the threads: a
// model of the expected work along the interval, and cuts whose expected
// cost falls from piece to piece, so that the large pieces can go out first
// and the small last ones let every thread finish at nearly the same time.
#include <vector>

// The expected work per unit of the interval at n: 1 + k (s / n)^g. The 1 is
// the sieve of the window, the same everywhere; the second part is the work
// on the quotients that fall into the window, dense near the start.
struct CostShape {
  double k;
  double g;  // > 0
};

// The shape of the component with the given letter ("A" to "D"), as
// measured; a flat shape for any other.
CostShape ComponentCostShape(const char* name);

// The expected cost of (a, b] inside the interval that starts at s.
double ExpectedCost(const CostShape& shape, double s, double a, double b);

struct Piece {
  double start, end;  // the piece (start, end], whole numbers
  double cost;        // its expected cost
};

// Cuts (start, end] into consecutive pieces for the given number of threads:
// each of a 1 / (2 threads) share of the expected cost still to cut, but at
// least a 1 / (32 threads) share of the whole; about 8 pieces per thread.
std::vector<Piece> CutIntoPieces(double start, double end, const CostShape& shape, int threads);
