// The checked computation of pi(x) as the fuzz targets see it: never. The
// range loop's default computation (kCheckedPi) is linked in with the loop;
// the targets hand it their own per-point function instead, and a target
// that reached the real one would spend minutes on a single point, so this
// one stops the run and names the fault.
#include "FuzzSupport.h"
#include "driver/CheckedPi.h"

int CheckedPi(Integer, Integer&, int, int) {
  FuzzFailed("CheckedPi", "a fuzz target started a real computation of pi(x)");
}
