#include "driver/CommandLine.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <thread>

#include "driver/RangeDialogue.h"

const char kProgramVersion[] = "1.1";

namespace {

const char kExamples[] =
    "Without options the program asks for S and E on the console.\n"
    "\n"
    "Examples:\n"
    "  brunsk --start 1000 --end 1099 --yes         compute k = 1000..1099 into Pix1000-1099.txt\n"
    "  nohup brunsk --start 1000 --end 1099 --yes --quiet > brunsk.log &\n"
    "  brunsk --start 2010 --end 2011 --output results\n"
    "  brunsk --start 1000 --end 1099 --threads 2   on 2 threads (default: every core)\n"
    "  brunsk --self-test                           check this machine and build (under a minute)\n"
    "  brunsk --self-test --seed 1796771511         repeat a self-test with the seed it printed\n"
    "  brunsk --check-file Pix1000-1099.txt         check a returned result file\n"
    "  brunsk --check-file Pix1000-1099.txt --against Pix1050-1149.txt\n"
    "\n"
    "An interrupted range continues at its first missing point when run again.\n"
    "Exit status: 0 done; 1 bad arguments, a declined confirmation or a failed\n"
    "self-test or file check; 2 a failed check or a damaged result file;\n"
    "3 the result file cannot be written.";

// Each option with its value's name only: the pairings (--start with
// --end, ...) are told by the examples and the errors.
class OptionFormatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* option) const override {
    std::string type = option->get_type_name();
    type = type.substr(0, type.find(':'));
    return type.empty() ? "" : " " + type;
  }
};

}  // namespace

int DefaultThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

CommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CommandLine line;
  line.threads = DefaultThreads();
  CLI::App app("Computes pi(x) exactly for x = k * 10^14, k = S..E (1000 <= S <= E <= 10000), checks\n"
               "every value and appends one line per value to PixS-E.txt.",
               "brunsk");
  app.footer(kExamples);
  app.formatter(std::make_shared<OptionFormatter>());
  app.failure_message(CLI::FailureMessage::help);
  app.set_version_flag("--version", std::string("Brunsk ") + kProgramVersion);

  CLI::Option* start = app.add_option("--start", line.start, "first grid index S of the range")->type_name("S");
  CLI::Option* end = app.add_option("--end", line.end, "last grid index E of the range")->type_name("E");
  start->needs(end);
  end->needs(start);
  CLI::Option* yes = app.add_flag("--yes,-y", line.yes, "start without asking for confirmation");
  yes->needs(start);
  CLI::Option* output = app.add_option("--output", line.output, "folder of the result file (default: the current one)")
                            ->type_name("DIR")
                            ->check(CLI::ExistingDirectory);
  app.add_option("--threads", line.threads, "threads of each point's computation (default: every online core)")
      ->type_name("N")
      ->check(CLI::Range(1, 4096))
      ->needs(start);
  app.add_flag("--quiet,-q", line.quiet, "no engine report: each point's header, value and check line only");
  CLI::Option* selfTest = app.add_flag("--self-test", "check this machine and build, then exit");
  app.add_option("--seed", line.seed, "with --self-test: the seed of the random arguments, to repeat a run")
      ->type_name("N")
      ->needs(selfTest);
  CLI::Option* files = app.add_option("--check-file", line.files, "check returned result files, then exit")
                           ->type_name("FILE...")
                           ->check(CLI::ExistingFile);
  CLI::Option* against = app.add_option("--against", line.against, "compare the checked file with another one")
                             ->type_name("OTHER")
                             ->check(CLI::ExistingFile);
  against->needs(files);
  selfTest->excludes(start)->excludes(end)->excludes(files)->excludes(output);
  files->excludes(start)->excludes(end)->excludes(output);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    line.mode = CommandLine::kExit;
    int code = app.exit(e, out, err);
    line.status = code == 0 ? 0 : 1;
    return line;
  }

  if (*selfTest) {
    line.mode = CommandLine::kSelfTest;
  } else if (*files) {
    line.mode = CommandLine::kCheckFiles;
  } else if (*start) {
    line.mode = CommandLine::kRange;
    std::string refusal = RangeRefusal(line.start, line.end);
    if (!refusal.empty()) {
      err << refusal << app.help();
      line.mode = CommandLine::kExit;
      line.status = 1;
      return line;
    }
  }
  if (!line.output.empty() && access(line.output.c_str(), W_OK | X_OK) != 0) {
    err << "ERROR, the folder " << line.output << " cannot be written: " << strerror(errno) << "\n";
    line.mode = CommandLine::kExit;
    line.status = 3;
  }
  return line;
}
