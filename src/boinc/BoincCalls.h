#pragma once
// The calls a work unit makes to the BOINC runtime. The unit sees them
// through this interface so that the tests can count them and answer them
// without a client; BoincLibrary makes the real ones.
#include <string>

class BoincCalls {
 public:
  virtual ~BoincCalls() = default;

  // Starts the runtime; 0 when it runs (with or without a client).
  virtual int Init() = 0;
  // The path of the file behind a logical name ("in", "out"); false when
  // it cannot be resolved.
  virtual bool Resolve(const std::string& logicalName, std::string* path) = 0;
  // The fraction of the unit done, 0 .. 1.
  virtual void FractionDone(double fraction) = 0;
  // Tells the client that a checkpoint has just been written.
  virtual void CheckpointCompleted() = 0;
  // Between the two the client may not stop the process: a quit request
  // waits until the section ends.
  virtual void BeginCriticalSection() = 0;
  virtual void EndCriticalSection() = 0;
  // Seconds of the unit's running time, from an arbitrary origin: the
  // clock stands still while the client keeps the task suspended.
  virtual double RunningSeconds() = 0;
  // Ends the unit with its status; the runtime's own call ends the process.
  virtual void Finish(int status) = 0;
};
