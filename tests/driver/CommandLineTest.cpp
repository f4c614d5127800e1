#include "driver/CommandLine.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Parsed {
  CommandLine line;
  std::string out;
  std::string err;
};

Parsed Parse(std::initializer_list<const char*> arguments) {
  std::vector<const char*> argv = {"brunsk"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::ostringstream out, err;
  Parsed parsed{ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err), "", ""};
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

TEST(CommandLineTest, ModesAndTheirOptions) {
  EXPECT_EQ(CommandLine::kDialogue, Parse({}).line.mode);
  EXPECT_TRUE(Parse({"--quiet"}).line.quiet);

  Parsed range = Parse({"--start", "1000", "--end", "1099", "--yes", "--quiet", "--output", "/tmp"});
  EXPECT_EQ(CommandLine::kRange, range.line.mode);
  EXPECT_EQ(1000, range.line.start);
  EXPECT_EQ(1099, range.line.end);
  EXPECT_TRUE(range.line.yes && range.line.quiet);
  EXPECT_EQ("/tmp", range.line.output);
  EXPECT_EQ("", range.err);
  EXPECT_EQ(DefaultThreads(), range.line.threads);
  EXPECT_EQ(DefaultThreads(), Parse({}).line.threads);
  EXPECT_GE(DefaultThreads(), 1);
  EXPECT_EQ(3, Parse({"--start", "1000", "--end", "1000", "--threads", "3"}).line.threads);

  EXPECT_EQ(CommandLine::kSelfTest, Parse({"--self-test"}).line.mode);
  EXPECT_EQ(42u, Parse({"--self-test", "--seed", "42"}).line.seed);
  // Any file that exists (the build folder's CMake cache): named files are
  // checked for existence here, read later.
  Parsed check = Parse({"--check-file", "CMakeCache.txt", "CMakeCache.txt", "--against", "CMakeCache.txt"});
  EXPECT_EQ(CommandLine::kCheckFiles, check.line.mode);
  EXPECT_EQ(2u, check.line.files.size());
  EXPECT_EQ("CMakeCache.txt", check.line.against);
}

TEST(CommandLineTest, HelpAndVersionExitWithZero) {
  Parsed help = Parse({"--help"});
  EXPECT_EQ(CommandLine::kExit, help.line.mode);
  EXPECT_EQ(0, help.line.status);
  EXPECT_NE(std::string::npos, help.out.find("--start"));
  EXPECT_NE(std::string::npos, help.out.find("brunsk --start 1000 --end 1099 --yes"));
  Parsed version = Parse({"--version"});
  EXPECT_EQ(0, version.line.status);
  EXPECT_EQ("Brunsk 1.1\nBSD 2-Clause licence, see LICENSE\n", version.out);
}

TEST(CommandLineTest, BadArgumentsGiveTheMessageThenTheUsage) {
  struct Case {
    std::initializer_list<const char*> arguments;
    const char* message;  // a text of err, before the usage
  } cases[] = {
      {{"--start", "2011", "--end", "2010"}, "Error, S should be smaller than E\n"},
      {{"--start", "999", "--end", "1000"}, "Error, S should be bigger than 1E+17/1E+14=1000\n"},
      {{"--start", "9000", "--end", "10001"}, "Error, E should be smaller than 1E+18/1E+14=10000\n"},
      {{"--start", "4294968296", "--end", "4294968296"}, "Error, E should be smaller than"},
      {{"--start", "1000"}, "--start requires --end"},
      {{"--start", "abc", "--end", "1000"}, ""},
      {{"--start", "1000", "--end", "10.5"}, ""},
      {{"--yes"}, ""},
      {{"--seed", "42"}, ""},
      {{"--against", "/dev/null"}, ""},
      {{"--self-test", "--start", "1000", "--end", "1000"}, ""},
      {{"--output", "/nonexistent/folder"}, ""},
      {{"--start", "1000", "--end", "1000", "--threads", "0"}, ""},
      {{"--start", "1000", "--end", "1000", "--threads", "two"}, ""},
      {{"--threads", "2"}, ""},
      {{"--frobnicate"}, ""},
      {{"1000"}, ""},
  };
  for (const Case& c : cases) {
    Parsed parsed = Parse(c.arguments);
    SCOPED_TRACE(*c.arguments.begin());
    EXPECT_EQ(CommandLine::kExit, parsed.line.mode);
    EXPECT_EQ(1, parsed.line.status);
    EXPECT_LT(parsed.err.find(c.message), parsed.err.find("Usage: brunsk")) << parsed.err;
    EXPECT_NE(std::string::npos, parsed.err.find("Usage: brunsk")) << parsed.err;
  }
}

TEST(CommandLineTest, NumbersAreDecimalDigitsOnly) {
  // A leading zero is read as decimal, as the dialogue reads it: a script
  // that pads its indices computes the range it reserved.
  Parsed padded = Parse({"--start", "02000", "--end", "02777", "--yes", "--threads", "02"});
  EXPECT_EQ(CommandLine::kRange, padded.line.mode) << padded.err;
  EXPECT_EQ(2000, padded.line.start);
  EXPECT_EQ(2777, padded.line.end);
  EXPECT_EQ(2, padded.line.threads);
  EXPECT_EQ(2099, Parse({"--start", "02099", "--end", "02099"}).line.start);
  EXPECT_EQ(1796771511u, Parse({"--self-test", "--seed", "01796771511"}).line.seed);
  EXPECT_EQ(9999999999999999999u, Parse({"--self-test", "--seed", "9999999999999999999"}).line.seed);

  struct Case {
    std::initializer_list<const char*> arguments;
    const char* message;
  } cases[] = {
      {{"--start", "0x7D0", "--end", "2000"}, "--start: \"0x7D0\" is not a number in decimal digits"},
      {{"--start", "", "--end", "2000"}, "--start: a number is needed, in decimal digits"},
      {{"--start", "2000", "--end", "+2001"}, "--end: \"+2001\" is not a number in decimal digits"},
      {{"--start", "2000", "--end", "2e3"}, "is not a number in decimal digits"},
      {{"--start", " 2000", "--end", "2001"}, "is not a number in decimal digits"},
      {{"--start", "1000", "--end", "1000", "--threads", "0x2"}, "--threads: \"0x2\" is not a number"},
      {{"--start", "1000", "--end", "1000", "--threads", "-1"}, "is not a number in decimal digits"},
      {{"--self-test", "--seed", "-1"}, "--seed: \"-1\" is not a number in decimal digits"},
      {{"--self-test", "--seed", "18446744073709551616"}, "--seed: 18446744073709551616 has more than 19 digits"},
      // Past 10^9 an index is out of the grid, however many digits it has.
      {{"--start", "2000", "--end", "99999999999999999999999"}, "Error, E should be smaller than"},
      {{"--start", "1000", "--end", "1000", "--threads", "99999999999"}, "--threads: Value 1000000000 not in range"},
  };
  for (const Case& c : cases) {
    Parsed parsed = Parse(c.arguments);
    SCOPED_TRACE(parsed.err);
    EXPECT_EQ(CommandLine::kExit, parsed.line.mode);
    EXPECT_EQ(1, parsed.line.status);
    EXPECT_LT(parsed.err.find(c.message), parsed.err.find("Usage: brunsk"));
    EXPECT_NE(std::string::npos, parsed.err.find("Usage: brunsk"));
  }

  // Files to check need not exist: each gets its own line of the check.
  Parsed missing = Parse({"--check-file", "Pix1000-1000.txt", "/nonexistent/Pix1001-1001.txt"});
  EXPECT_EQ(CommandLine::kCheckFiles, missing.line.mode);
  EXPECT_EQ(2u, missing.line.files.size());
}

// POSIX only: Windows has no folder that a user's program cannot write in
// by its mode bits, and access() there knows no X_OK.
#ifndef _WIN32
TEST(CommandLineTest, OutputFolderThatCannotBeWritten) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
  Parsed parsed = Parse({"--start", "1000", "--end", "1000", "--output", "/"});
  EXPECT_EQ(3, parsed.line.status);
  EXPECT_EQ(0u, parsed.err.find("ERROR, the folder / cannot be written"));
}
#endif

}  // namespace
