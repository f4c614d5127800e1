#pragma once
// Runs a check with the eight-lane loops of the AVX-512 copy counting bits
// both ways the processor allows: by the vector population count where it
// has one, and bytewise from the table of nibbles.
#include <gtest/gtest.h>

#include "sieve/BitOps.h"

namespace testref {

template <class Check>
void WithEachLaneCount(Check check) {
#if BRUNSK_BYTE_COUNTS
  const bool detected = bitops::laneCounts;
  for (const bool lanes : {true, false}) {
    if (lanes && !detected) continue;
    SCOPED_TRACE(lanes ? "vector population count" : "bytewise count");
    bitops::laneCounts = lanes;
    check();
  }
  bitops::laneCounts = detected;
#else
  check();
#endif
}

}  // namespace testref
