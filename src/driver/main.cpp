#include <cstdio>
#include <iostream>

#include "base/Console.h"
#include "driver/CheckedPi.h"
#include "driver/CommandLine.h"
#include "driver/ComputeRange.h"
#include "driver/RangeDialogue.h"
#include "driver/SelfTest.h"
#include "results/CheckFile.h"

namespace {

int Run(int argc, char** argv) {
  CommandLine line = ParseCommandLine(argc, argv, std::cout, std::cerr);
  switch (line.mode) {
    case CommandLine::kExit:
      return line.status;
    case CommandLine::kSelfTest: {
      SelfTestSeams seams;
      seams.seed = line.seed;
      return RunSelfTest(stdout, seams);
    }
    case CommandLine::kCheckFiles:
      if (line.against.empty()) return CheckResultFiles(line.files, stdout, line.complete);
      {
        int status = 0;
        for (const std::string& file : line.files) {
          if (CompareResultFiles(file, line.against, stdout) != 0) status = 1;
        }
        return status;
      }
    case CommandLine::kDialogue:
    case CommandLine::kRange:
      break;
  }

  RangeSettings settings;
  settings.folder = line.output;
  settings.quiet = line.quiet;
  settings.threads = line.threads;
  // From the command line the errors go where scripts look for them.
  if (line.mode == CommandLine::kRange) settings.errors = stderr;
  RangeFunction computeRange = [&settings](double S, double E) {
    return static_cast<int>(ComputeRange(S, E, settings, kCheckedPi));
  };

  printf("Brunsk, version %s by Tormelin\n", kProgramVersion);
  int status;
  if (line.mode == CommandLine::kRange) {
    printf("\n");
    status = StartRange(line.start, line.end, line.yes, stdin, computeRange);
  } else {
    status = RangeDialogue(stdin, computeRange);
  }
  // The dialogue has always ended that way; a run from the command line
  // ends with its last result, which scripts and logs read.
  if (line.mode == CommandLine::kDialogue) printf("coucou\n");
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  SetUpTerminal();
  int status = Run(argc, argv);
  HoldTerminalAtExit();
  return status;
}
