#include "base/ElapsedSeconds.h"

#include <ctime>

double ElapsedSeconds() {
  return static_cast<double>(clock()) / static_cast<double>(CLOCKS_PER_SEC);
}
