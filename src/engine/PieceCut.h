#pragma once
// How a component's interval (s, e] is cut into pieces for the threads: a
// model of the expected work along the interval, and cuts whose expected
// cost falls from piece to piece, so that the large pieces can go out first
// and the small last ones let every thread finish at nearly the same time.
#include <vector>

// The expected work per unit of n along (s, e], as a step function over
// kCostSlices slices of equal ratio: slice i is (s r^i, s r^(i+1)],
// r = (e/s)^(1/kCostSlices). Only the ratios between the steps matter.
constexpr int kCostSlices = 16;
struct CostShape {
  double density[kCostSlices];
};

// The shape of the component with the given letter ("A" to "D"), as
// measured; a flat shape for any other.
CostShape ComponentCostShape(const char* name);

// The expected cost of (a, b] inside the interval (s, e].
double ExpectedCost(const CostShape& shape, double s, double e, double a, double b);

struct Piece {
  double start, end;  // the piece (start, end], whole numbers
  double cost;        // its expected cost
};

// Cuts (start, end] into consecutive pieces for the given number of threads:
// each of a 1 / (2 threads) share of the expected cost still to cut, but at
// least a 1 / (32 threads) share of the whole; about 8 pieces per thread.
std::vector<Piece> CutIntoPieces(double start, double end, const CostShape& shape, int threads);
