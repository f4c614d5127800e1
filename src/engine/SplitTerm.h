#pragma once
// One of the components A, B, C and D computed in pieces on several threads.
// A piece is a sub-interval of the component's interval, run from its own
// start state (the prime count at its start; for D the running counts of its
// primes, from which it also takes a checksum at both ends). The parts are
// added in piece order, so the term is the same for any number of threads.
// The pieces must chain: the count (D: the checksum) at the end of a piece
// must equal the one the next piece starts from; when it does not, the
// console says so and EvaluationFailure is thrown.
//
// With verbose set, the report is the component's usual line: "Computing X : "
// when it starts, the dots as the whole component progresses, then
// "X=value, time=t" with the console's clock.
#include <functional>
#include <memory>
#include <vector>

#include "arith/Integer.h"
#include "base/Console.h"
#include "components/Computer.h"
#include "engine/PieceCut.h"

// Makes a fresh computer of the component; one is made for each thread that
// runs pieces, and keeps its tables from one piece to the next.
using ComputerMaker = std::function<std::unique_ptr<Computer>()>;

// The term cut by the component's cost model into pieces for the threads.
Integer SplitTerm(const ComputerMaker& make, int threads, int verbose, const Console& console);
// The term over the given consecutive pieces of the component's interval.
Integer SplitTerm(const ComputerMaker& make, const std::vector<Piece>& pieces, int threads,
                  int verbose, const Console& console);
