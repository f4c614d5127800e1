#pragma once
// The range loop: for every grid index k = S .. E, x = k * 1E+14 is computed
// and checked, and one checksummed line "k:pi(x):deviation:checksum" is
// appended to the result file "Pix<S>-<E>.txt" of the current directory.
#include "arith/Integer.h"

// The per-point computation: stores pi(x) in result and returns 0 when the
// value is confirmed, 1 when its check failed.
typedef int (*PointFunction)(Integer x, Integer& result, int verbose);

// The range loop with CheckedPi as the per-point computation.
void ComputeRange(double S, double E);
// The range loop with the given per-point computation.
void ComputeRange(double S, double E, PointFunction checkedPi);
