#pragma once
// Iteration counts of the random tests, scaled for a deep sweep: with
// BRUNSK_TEST_SCALE=k in the environment (k >= 1) every random test runs k
// times as many cases, e.g. BRUNSK_TEST_SCALE=100 make test overnight.
#include <climits>
#include <cstdlib>

namespace testref {

inline int Scaled(int n) {
  const char* text = std::getenv("BRUNSK_TEST_SCALE");
  const long long k = text != nullptr ? std::strtoll(text, nullptr, 10) : 1;
  if (k <= 1) return n;
  const long long scaled = static_cast<long long>(n) * k;
  return scaled > INT_MAX ? INT_MAX : static_cast<int>(scaled);
}

}  // namespace testref
