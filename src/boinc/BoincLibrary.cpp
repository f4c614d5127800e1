// Thin forwarding to the BOINC application library (boinc_api.h), nothing
// more: everything the unit decides is in BoincUnit, where it is tested.
#include "boinc/BoincLibrary.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <boinc_api.h>

namespace {

bool gFinishing = false;

// The runtime answers the client's quit or abort request by calling exit
// from its own thread, wherever the unit is (outside a critical section):
// the log says why the unit stopped before its end.
void LogExitRequest() {
  if (gFinishing) return;
  const char* request = boinc_status.abort_request ? "abort" : boinc_status.quit_request ? "quit" : nullptr;
  if (request == nullptr) return;
  char prefix[64];
  fprintf(stderr, "%s The client asked the application to %s: stopped; its lines so far are kept\n",
          boinc_msg_prefix(prefix, sizeof prefix), request);
  fflush(stderr);
}

}  // namespace

int BoincLibrary::Init() {
  int status = boinc_init();
  // The runtime has sent stderr to the task's log (stderr.txt), which the
  // client keeps; the range loop's console lines go there too.
  fflush(stdout);
  if (status == 0) {
    dup2(fileno(stderr), fileno(stdout));
    atexit(LogExitRequest);
  }
  return status;
}

bool BoincLibrary::Resolve(const std::string& logicalName, std::string* path) {
  return boinc_resolve_filename_s(logicalName.c_str(), *path) == 0;
}

void BoincLibrary::FractionDone(double fraction) { boinc_fraction_done(fraction); }

void BoincLibrary::CheckpointCompleted() { boinc_checkpoint_completed(); }

void BoincLibrary::BeginCriticalSection() { boinc_begin_critical_section(); }

void BoincLibrary::EndCriticalSection() { boinc_end_critical_section(); }

// Counted by the runtime's timer in steps of 0.1 s, only while the task is
// neither suspended nor stopped.
double BoincLibrary::RunningSeconds() { return boinc_elapsed_time(); }

void BoincLibrary::Finish(int status) {
  gFinishing = true;
  boinc_finish(status);
}
