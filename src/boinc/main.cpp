// The BOINC application: one work unit per run, through the BOINC runtime.
#include <cstdio>
#include <string>
#include <vector>

#include "boinc/BoincLibrary.h"
#include "boinc/BoincUnit.h"
#include "driver/CheckedPi.h"

int main(int argc, char** argv) {
  BoincLibrary boinc;
  BoincUnit unit(
      boinc,
      [](Integer x, Integer& result, int verbose, int threads, const EvaluationProgress& progress) {
        return CheckedPi(x, result, verbose, threads, progress);
      },
      stderr);
  return unit.Run(std::vector<std::string>(argv + 1, argv + argc));
}
