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
  // The work per unit of n relative to the window sieve alone, fitted to the
  // times of the windows of each component at 10^16 and 10^17 (bench/README.md).
  if (strcmp(name, "A") == 0) return {400.0, 1.6};
  if (strcmp(name, "B") == 0) return {1.0, 1.0};
  if (strcmp(name, "C") == 0) return {400.0, 1.6};
  if (strcmp(name, "D") == 0) return {30.0, 1.0};
  return {0.0, 1.0};
}

namespace {

// The cost of (s, n]: (n - s) + k s (1 - (s/n)^(g-1)) / (g - 1), and
// k s ln(n / s) for g = 1.
double CostFromStart(const CostShape& shape, double s, double n) {
  if (n <= s) return 0.0;
  const double flat = n - s;
  if (s <= 0.0) return flat;
  const double g1 = shape.g - 1.0;
  const double front =
      std::fabs(g1) < 1e-9 ? s * std::log(n / s) : s * (1.0 - std::pow(s / n, g1)) / g1;
  return flat + shape.k * front;
}

}  // namespace

double ExpectedCost(const CostShape& shape, double s, double a, double b) {
  return CostFromStart(shape, s, b) - CostFromStart(shape, s, a);
}

std::vector<Piece> CutIntoPieces(double start, double end, const CostShape& shape, int threads) {
  std::vector<Piece> pieces;
  if (threads < 1) threads = 1;
  const double total = CostFromStart(shape, start, end);
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
      if (CostFromStart(shape, start, mid) < target)
        lo = mid;
      else
        hi = mid;
    }
    const double b = hi;
    if (b >= end) break;
    const double cost = CostFromStart(shape, start, b) - done;
    pieces.push_back({a, b, cost});
    done += cost;
    a = b;
  }
  pieces.push_back({a, end, total - done});
  return pieces;
}
