// Thin forwarding to the BOINC application library (boinc_api.h), nothing
// more: everything the unit decides is in BoincUnit, where it is tested.
#include "boinc/BoincLibrary.h"

#include <unistd.h>

#include <cstdio>

#include <boinc_api.h>

int BoincLibrary::Init() {
  int status = boinc_init();
  // The runtime has sent stderr to the task's log (stderr.txt), which the
  // client keeps; the range loop's console lines go there too.
  fflush(stdout);
  if (status == 0) dup2(fileno(stderr), fileno(stdout));
  return status;
}

bool BoincLibrary::Resolve(const std::string& logicalName, std::string* path) {
  return boinc_resolve_filename_s(logicalName.c_str(), *path) == 0;
}

void BoincLibrary::FractionDone(double fraction) { boinc_fraction_done(fraction); }

bool BoincLibrary::TimeToCheckpoint() { return boinc_time_to_checkpoint() != 0; }

void BoincLibrary::CheckpointCompleted() { boinc_checkpoint_completed(); }

void BoincLibrary::Finish(int status) { boinc_finish(status); }
