#pragma once
// The command line: what the program is asked to do and with which options.
// Without options it runs the range dialogue; the options give the range
// for scripts, run the self-test or check returned result files.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "base/ProgramVersion.h"

struct CommandLine {
  enum Mode {
    kDialogue,    // the console dialogue asks for S and E
    kRange,       // --start S --end E
    kSelfTest,    // --self-test
    kCheckFiles,  // --check-file FILE... [--against OTHER]
    kExit,        // --help, --version or bad arguments: exit with status
  };
  Mode mode = kDialogue;
  int64_t start = 0;
  int64_t end = 0;
  bool yes = false;
  bool quiet = false;
  std::string output;  // folder of the result file, "" for the current one
  int threads = 1;     // of each point's computation; DefaultThreads() unless --threads
  std::vector<std::string> files;
  std::string against;
  bool complete = false;  // --complete: a checked file must hold every point of its range
  uint64_t seed = 0;  // of the self-test's random arguments, 0 for one from the clock
  int status = 0;
};

// The default number of threads: every online core, at least one.
int DefaultThreads();

// Parses the arguments. Help and version text go to out; a bad argument is
// reported on err with the usage after it and gives mode kExit, status 1;
// an output folder that cannot be written gives status 3.
CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
