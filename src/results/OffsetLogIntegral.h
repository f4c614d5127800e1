#pragma once
// The offset logarithmic integral Li(x), the integral of 1/ln t from 2 to x,
// and the normalised deviation of a prime count from it.
#include "arith/Integer.h"

// Li at the value of x (read without the large-value warning).
double OffsetLogIntegral(Integer x);
// Li(v) for a double v > 2, by the power series in ln v.
double OffsetLogIntegral(double v);
// (pi - Li(x)) / sqrt(2 x ln ln x / ln x), in floating point.
double NormalisedDeviation(double piValue, double x);
