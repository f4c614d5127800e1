#include "results/OffsetLogIntegral.h"

#include <cmath>

double OffsetLogIntegral(Integer x) { return OffsetLogIntegral(x.GetApprox()); }

double OffsetLogIntegral(double v) {
  // Li(v) = ln ln v - ln ln 2 + sum over k >= 1 of (ln^k v - ln^k 2) / (k k!).
  double L = log(v);
  double l2 = log(2.0);
  double sum = log(L) - log(l2);
  double a = 1.0;
  double b = 1.0;
  for (double k = 1.0;; k += 1.0) {
    a = a * L / k;
    b = b * l2 / k;
    sum = sum + (a - b) / k;
    if (a <= 0.01) break;  // the term just added is the last one
  }
  return sum;
}

double NormalisedDeviation(double piValue, double x) {
  double li = OffsetLogIntegral(x);
  return (piValue - li) / sqrt(2.0 * x * log(log(x)) / log(x));
}
