#include "driver/CommandLine.h"

#include <CLI/CLI.hpp>
#include <thread>

#include "base/PlatformFile.h"
#include "driver/RangeDialogue.h"

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
    "  brunsk --check-file Pix1000-1099.txt --complete   every point of k = 1000..1099 is due\n"
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

// Every number of the command line is written in decimal digits, and a
// leading zero is read as decimal, as the dialogue reads it: "02000" is 2000
// (a script that pads its indices with zeros gets the range it reserved),
// never octal, and "0x7D0", "-1", "+5", "2e3" and "" are refused. The text
// is handed on without its leading zeros; one of more than maxDigits digits
// is handed on as saturated, which lies outside every bound the value is
// checked against, or refused when saturated is "".
CLI::Validator DecimalNumber(size_t maxDigits, const std::string& saturated) {
  return CLI::Validator(
      [maxDigits, saturated](std::string& text) -> std::string {
        if (text.empty()) return "a number is needed, in decimal digits";
        for (char c : text) {
          if (c < '0' || c > '9') return "\"" + text + "\" is not a number in decimal digits";
        }
        size_t first = text.find_first_not_of('0');
        text = first == std::string::npos ? "0" : text.substr(first);
        if (text.size() > maxDigits) {
          if (saturated.empty()) return text + " has more than " + std::to_string(maxDigits) + " digits";
          text = saturated;
        }
        return "";
      },
      "", "DECIMAL");
}

// Indices and thread counts past 10^9 read as 10^9: far outside their
// bounds, and within the 32 bits of a long on every system.
const CLI::Validator kWholeNumber = DecimalNumber(9, "1000000000");
// A seed has up to 19 digits, all of which fit its 64 bits.
const CLI::Validator kSeedNumber = DecimalNumber(19, "");

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
  // Options are written "--name" on every system: on Windows a file name
  // such as "/results/Pix1000-1099.txt" is a file, not an option.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("Brunsk ") + kProgramVersion + "\n" + kProgramLicence);

  CLI::Option* start =
      app.add_option("--start", line.start, "first grid index S of the range")->type_name("S")->transform(kWholeNumber);
  CLI::Option* end =
      app.add_option("--end", line.end, "last grid index E of the range")->type_name("E")->transform(kWholeNumber);
  start->needs(end);
  end->needs(start);
  CLI::Option* yes = app.add_flag("--yes,-y", line.yes, "start without asking for confirmation");
  yes->needs(start);
  CLI::Option* output = app.add_option("--output", line.output, "folder of the result file (default: the current one)")
                            ->type_name("DIR")
                            ->check(CLI::ExistingDirectory);
  app.add_option("--threads", line.threads, "threads of each point's computation (default: every online core)")
      ->type_name("N")
      ->transform(kWholeNumber)
      ->check(CLI::Range(1, 4096))
      ->needs(start);
  app.add_flag("--quiet,-q", line.quiet, "no engine report: each point's header, value and check line only");
  CLI::Option* selfTest = app.add_flag("--self-test", "check this machine and build, then exit");
  app.add_option("--seed", line.seed, "with --self-test: the seed of the random arguments, to repeat a run")
      ->type_name("N")
      ->transform(kSeedNumber)
      ->needs(selfTest);
  // Files to check are not required to exist here: each file given gets
  // its own line, a missing one too.
  CLI::Option* files = app.add_option("--check-file", line.files, "check returned result files, then exit")
                           ->type_name("FILE...");
  CLI::Option* against =
      app.add_option("--against", line.against, "compare the checked file with another one")->type_name("OTHER");
  against->needs(files);
  app.add_flag("--complete", line.complete, "with --check-file: a file short of its range is not valid")
      ->needs(files)
      ->excludes(against);
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
  if (!line.output.empty() && !PlatformFile::CanCreateIn(line.output)) {
    err << "ERROR, the folder " << line.output << " cannot be written: " << PlatformFile::LastError() << "\n";
    line.mode = CommandLine::kExit;
    line.status = 3;
  }
  return line;
}
