#pragma once
// The BOINC runtime's calls as the application library makes them. Without
// a client (standalone mode) they still work: logical names resolve to the
// same names unless a file of that name holds a soft link, and the log goes
// to stderr.txt in the current directory. Standard output joins the log.
#include <string>

#include "boinc/BoincCalls.h"

class BoincLibrary : public BoincCalls {
 public:
  // Also has a quit or abort request of the client logged when the runtime
  // ends the process for it.
  int Init() override;
  bool Resolve(const std::string& logicalName, std::string* path) override;
  void FractionDone(double fraction) override;
  void CheckpointCompleted() override;
  void BeginCriticalSection() override;
  void EndCriticalSection() override;
  double RunningSeconds() override;
  // Does not return: the runtime ends the process with status.
  void Finish(int status) override;
};
