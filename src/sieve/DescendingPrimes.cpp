#include "sieve/DescendingPrimes.h"

DescendingPrimes::DescendingPrimes(uint64_t high, uint64_t lowHint) : primes_(high, lowHint) {}
