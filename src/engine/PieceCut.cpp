// The cuts follow guided scheduling: the first pieces take a large share of
// what is left and the shares shrink geometrically down to a floor, so a
// component of T expected units on N threads ends with pieces of T / (32 N):
// a thread that finishes last is behind the others by at most that, however
// far the model is off for the early pieces (the queue hands them out to
// whoever is free). The floor bounds the number of pieces, about
// 2 N ln 16 + 2 N, and with it the cost of starting each piece from its own
// prime count.
#include "engine/PieceCut.h"

#include <cmath>
#include <cstring>

#include "arith/Floor.h"

CostShape ComponentCostShape(const char* name) {
  // The work per unit of n of each slice relative to the last one, measured
  // slice by slice at 10^17 (bench_pieces; the same within a few tens of per
  // cent at 10^16, see bench/README.md), at least 1: the window sieve alone.
  // A falls steeply from its start; C and D rise to a peak first, where the
  // m of their leaves begin.
  static const CostShape kA = {{2257, 2990, 2560, 1808, 826, 348, 147, 69, 32, 15, 8.2, 4.7, 3.0, 1.95, 1.33, 1}};
  static const CostShape kB = {{9.5, 6.2, 3.8, 2.7, 1.9, 1.24, 1.1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
  static const CostShape kC = {{1, 1, 493, 887, 974, 728, 327, 131, 63, 38, 20, 11, 4.7, 2.6, 1.5, 1}};
  static const CostShape kD = {{1.2, 1.35, 1.6, 11, 83, 171, 112, 66, 37, 17, 8.9, 5.0, 2.8, 1.7, 1.2, 1}};
  static const CostShape kFlat = {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
  if (strcmp(name, "A") == 0) return kA;
  if (strcmp(name, "B") == 0) return kB;
  if (strcmp(name, "C") == 0) return kC;
  if (strcmp(name, "D") == 0) return kD;
  return kFlat;
}

namespace {

// The cost of (s, n] inside (s, e]: the overlap with each slice times its
// density.
double CostFromStart(const CostShape& shape, double s, double e, double n) {
  if (n <= s) return 0.0;
  if (n > e) n = e;
  const double base = s > 1.0 ? s : 1.0;
  const double ratio = std::pow(e / base, 1.0 / kCostSlices);
  double cost = 0.0;
  double lo = s;
  for (int i = 0; i < kCostSlices && lo < n; ++i) {
    double hi = i + 1 == kCostSlices ? e : base * std::pow(ratio, i + 1);
    if (hi > n) hi = n;
    if (hi > lo) {
      cost += shape.density[i] * (hi - lo);
      lo = hi;
    }
  }
  return cost;
}

}  // namespace

double ExpectedCost(const CostShape& shape, double s, double e, double a, double b) {
  return CostFromStart(shape, s, e, b) - CostFromStart(shape, s, e, a);
}

std::vector<Piece> CutIntoPieces(double start, double end, const CostShape& shape, int threads) {
  std::vector<Piece> pieces;
  if (threads < 1) threads = 1;
  const double total = CostFromStart(shape, start, end, end);
  const double floorShare = total / (32.0 * threads);
  double a = start;
  double done = 0.0;
  while (end - a >= 2.0) {
    const double left = total - done;
    double share = left / (2.0 * threads);
    if (share < floorShare) share = floorShare;
    if (left - share < 0.5 * floorShare) break;  // the rest is the last piece
    // The cut b with cost (start, b] = done + share, by bisection on whole b.
    double lo = a + 1.0, hi = end - 1.0;
    const double target = done + share;
    while (hi - lo > 0.5) {
      const double mid = DoubleFloor(0.5 * (lo + hi));
      if (mid <= lo) break;
      if (CostFromStart(shape, start, end, mid) < target)
        lo = mid;
      else
        hi = mid;
    }
    const double b = hi;
    if (b >= end) break;
    const double cost = CostFromStart(shape, start, end, b) - done;
    pieces.push_back({a, b, cost});
    done += cost;
    a = b;
  }
  pieces.push_back({a, end, total - done});
  return pieces;
}
