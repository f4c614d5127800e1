#include "arith/Floor.h"

#include <cstring>

#include "base/Console.h"
#include "base/Messages.h"

int32_t LongFloorOutOfRange(double x) {
  if (!(x >= 2147483648.0)) return INT32_MIN;
  ReportFault(msg::LongFloorTooLarge(x));
  uint64_t bits;
  memcpy(&bits, &x, sizeof bits);
  const uint32_t high = static_cast<uint32_t>(bits >> 32);
  return static_cast<int32_t>((high & 0xFFFFFu) | 0x100000u);
}
