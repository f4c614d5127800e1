#include "components/FactorTable.h"

#include "sieve/Block.h"

FactorTable::FactorTable(int32_t limit, double y) {
  const int32_t half = limit > 0 ? limit / 2 : 0;
  lpf_ = Buffer<uint16_t>(half + 1);
  mu_ = Buffer<int8_t>(half + 1);
  if (half > 0) {
    Block table(limit);
    table.RunMoebiusSieve(limit, lpf_.data(), mu_.data(), y);
  }
}
