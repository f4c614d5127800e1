#pragma once
// The self-test of this machine and build, run before a long computation:
// pi(10^k) against the published values with the tuning parameters of both
// runs of the verification, pi(x) at random arguments against a plain sieve,
// windows near 10^18 against a list of their primes, and the deviation and
// checksum of sample result lines. A wrong value from the processor, the
// memory or the compiled code makes a check fail.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "driver/CheckedPi.h"
#include "driver/WindowPrimeCount.h"
#include "engine/PiNYZ.h"

// What a test may replace; the defaults are the real code and the full run.
struct SelfTestSeams {
  EngineFunction engine = PiNYZ;
  double (*windowCount)(const Integer& lo, const Integer& hi) = WindowPrimeCount;
  int largestPower = 16;     // pi(10^k) is checked for k = 1 .. largestPower (at most 16)
  double randomLimit = 1e9;  // the random arguments lie in [1000, randomLimit)
  int randomCases = 12;
  uint64_t seed = 0;         // of the random arguments; 0 takes one from the clock
};

// Runs every check, printing one line per check with its time to out, then
// "Self-test passed\n" (returns 0), or, when a check failed, the expected
// and obtained values under that check's line and a last line naming the
// first failed check (returns 1). A failed check does not stop the others.
int RunSelfTest(FILE* out);
int RunSelfTest(FILE* out, const SelfTestSeams& seams);

// A range (base + from, base + to] near 10^18 and its primes, which the
// window checks count.
struct KnownPrimeList {
  const char* baseName;    // the base as the check lines write it
  uint64_t base;
  int32_t from, to;
  const int32_t* offsets;  // the primes as offsets from base, in increasing order
  int count;
};
std::vector<KnownPrimeList> KnownPrimeLists();
