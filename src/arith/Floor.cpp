#include "arith/Floor.h"

#include <cstdio>
#include <cstring>

int32_t LongFloorOutOfRange(double x) {
  if (!(x >= 2147483648.0)) return INT32_MIN;
  printf("PB in LongFloor, x=%.0lf is too large\n", x);
  uint64_t bits;
  memcpy(&bits, &x, sizeof bits);
  const uint32_t high = static_cast<uint32_t>(bits >> 32);
  return static_cast<int32_t>((high & 0xFFFFFu) | 0x100000u);
}
