// The command line of brunsk: the input split at its NUL bytes into the
// arguments after the program's name. What must hold, for any arguments:
// the parse returns (no exception escapes it); an exit is status 0 with
// text on the output only (help, version), status 1 with the reason on the
// error stream, or status 3 for an output folder that cannot be written;
// a range is one the program computes (1000 <= S <= E <= 10000, 1 to 4096
// threads) and was asked for with --start; a check names at least one file;
// the self-test was asked for. Nothing is run.
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "driver/CommandLine.h"
#include "driver/RangeDialogue.h"

namespace {

// Whether an argument names the option: "--start", "--start=1000", or at
// the end of a cluster of short flags, "-q-start" (the library reads the
// rest of a cluster after a flag as another option: -q --start).
bool Given(const std::vector<std::string>& arguments, const std::string& option) {
  const std::string name = option.substr(2);
  for (const std::string& argument : arguments) {
    if (argument.size() < 2 || argument[0] != '-') continue;
    if (argument == option || argument.compare(0, option.size() + 1, option + "=") == 0) return true;
    if (argument[1] != '-' && argument.find("-" + name) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments;
  std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t at = 0; at <= text.size() && arguments.size() < 64;) {
    size_t end = text.find('\0', at);
    if (end == std::string::npos) end = text.size();
    arguments.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (size == 0) arguments.clear();
  std::vector<const char*> argv = {"brunsk"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);

  std::ostringstream out, err;
  CommandLine line = ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data(), out, err);
  std::string shown;
  for (const std::string& argument : arguments) shown += " " + Shown(argument);
  const std::string what = "brunsk" + shown + "\nmode " + std::to_string(line.mode) + ", status " +
                           std::to_string(line.status) + "\nout: " + out.str() + "\nerr: " + err.str();

  switch (line.mode) {
    case CommandLine::kExit:
      FUZZ_REQUIRE(line.status == 0 || line.status == 1 || line.status == 3, what);
      if (line.status == 0) {
        FUZZ_REQUIRE(!out.str().empty() && err.str().empty(), what);
      } else {
        FUZZ_REQUIRE(!err.str().empty(), what);
      }
      break;
    case CommandLine::kRange:
      FUZZ_REQUIRE(line.status == 0 && RangeRefusal(line.start, line.end).empty(), what);
      FUZZ_REQUIRE(line.threads >= 1 && line.threads <= 4096 && Given(arguments, "--start"), what);
      FUZZ_REQUIRE(out.str().empty() && err.str().empty(), what);
      break;
    case CommandLine::kCheckFiles:
      FUZZ_REQUIRE(line.status == 0 && !line.files.empty() && Given(arguments, "--check-file"), what);
      break;
    case CommandLine::kSelfTest:
      FUZZ_REQUIRE(line.status == 0 && Given(arguments, "--self-test"), what);
      break;
    case CommandLine::kDialogue:
      FUZZ_REQUIRE(line.status == 0 && !Given(arguments, "--start"), what);
      break;
  }
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Folders the arguments name are looked up (never written): from here.
  if (chdir(ScratchFolder().c_str()) != 0) FuzzFailed("chdir", ScratchFolder());
  return 0;
}
