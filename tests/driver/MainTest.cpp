// The built program driven through its standard input, on the paths that
// compute nothing. The test runs in the build folder, next to the binary.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "common/Program.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }

// What is put into the empty directory before the program runs.
using Prepare = std::function<void(const fs::path& directory)>;
void Nothing(const fs::path&) {}

// Runs the program with the given arguments and input in an empty
// directory, prepared first.
Outcome RunProgram(const std::string& input, std::string* directory, const std::string& arguments = "",
                   const Prepare& prepare = Nothing) {
  std::string program = testref::ProgramCommand("brunsk");
  *directory = testref::NewTempFolder("brunsk-main");
  EXPECT_NE("", *directory);
  WriteFile(fs::path(*directory) / "input.txt", input);
  prepare(*directory);
  std::string command =
      testref::InFolder(*directory, program + " " + arguments + " < input.txt > transcript.txt 2> errors.txt");
  int status = testref::CommandStatus(command);
  return Outcome{status, ReadFile(*directory + "/transcript.txt"), ReadFile(*directory + "/errors.txt")};
}

class MainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testref::ProgramBuilt("brunsk")) GTEST_SKIP() << "brunsk is not built here";
  }
  void TearDown() override {
    if (!directory_.empty()) std::filesystem::remove_all(directory_);
  }
  std::string directory_;
};

TEST_F(MainTest, BannerDialogueAndClosingLineOnEveryQuietPath) {
  struct Case {
    const char* input;
    const char* last;
  } cases[] = {
      {"1000\n1000\nN\n", "Do you confirm ? (Y=Yes, N=No) : Computation aborted.\ncoucou\n"},
      {"1000\n1000\n", "Do you confirm ? (Y=Yes, N=No) : Computation aborted.\ncoucou\n"},
      {"999\n1000\nY\n", "Error, S should be bigger than 1E+17/1E+14=1000\ncoucou\n"},
      {"2011\n2010\nY\n", "Enter E : Error, S should be smaller than E\ncoucou\n"},
      {"1000\n10001\nY\n", "Error, E should be smaller than 1E+18/1E+14=10000\ncoucou\n"},
      {"hello\n", "Enter S : Error, S must be an integer\ncoucou\n"},
      {"", "Enter S : Error, S must be an integer\ncoucou\n"},
      {"1000\n\n", "Enter E : Error, E must be an integer\ncoucou\n"},
  };
  for (const Case& c : cases) {
    Outcome outcome = RunProgram(c.input, &directory_);
    EXPECT_EQ(0, outcome.status) << c.input;
    EXPECT_EQ(0u, outcome.out.find("Brunsk, version 1.1 by Tormelin\n\nThis program is a pi(x) computer"))
        << outcome.out;
    std::string last = c.last;
    ASSERT_GE(outcome.out.size(), last.size());
    EXPECT_EQ(last, outcome.out.substr(outcome.out.size() - last.size())) << c.input;
    // Nothing was computed, so no result file.
    for (const auto& entry : std::filesystem::directory_iterator(directory_)) {
      EXPECT_NE(0u, entry.path().filename().string().find("Pix")) << entry.path();
    }
    std::filesystem::remove_all(directory_);
    directory_.clear();
  }
}

// Every path here ends before the first point is computed.
TEST_F(MainTest, ExitStatusTellsTheOutcome) {
  const Prepare complete = [](const fs::path& d) {
    WriteFile(d / "Pix1000-1000.txt", "1000:2623557157654233:-0.05813:158\n");
  };
  const Prepare damaged = [](const fs::path& d) {
    WriteFile(d / "Pix1000-1000.txt", "1000:2623557157654233:-0.05813:159\n");
  };
  const Prepare folder = [](const fs::path& d) { fs::create_directory(d / "Pix1000-1000.txt"); };
  struct Case {
    const char* arguments;
    const char* input;
    Prepare prepare;
    int status;
    const char* err;  // how standard error begins
    const char* out;  // a text of standard output
  } cases[] = {
      {"--start 2011 --end 2010", "", Nothing, 1, "Error, S should be smaller than E\n", ""},
      {"--start 1000 --end 1000", "N\n", Nothing, 1, "", "Computation aborted.\n"},
      // Numbers in decimal digits only, a leading zero read as decimal.
      {"--start 01000 --end 01000 --yes", "", complete, 0, "", "Range complete: 1 point"},
      {"--start 0x7D0 --end 2000", "", Nothing, 1, "ERROR: ValidationError: --start: \"0x7D0\" is not a number", ""},
      // Every file to check gets its line, a missing one too.
      {"--check-file Pix1000-1000.txt Pix1001-1001.txt", "", complete, 1, "",
       "Pix1000-1000.txt: 1 point, k=1000..1000, all valid\n"
       "Pix1001-1001.txt: cannot be read: No such file or directory\n"},
      // --complete: a file short of its range is not valid.
      {"--check-file Pix1000-1000.txt --complete", "", complete, 0, "",
       "Pix1000-1000.txt: 1 point, k=1000..1000, all valid\n"},
      {"--check-file Pix1000-1001.txt --complete", "",
       [](const fs::path& d) { WriteFile(d / "Pix1000-1001.txt", "1000:2623557157654233:-0.05813:158\n"); }, 1, "",
       "Pix1000-1001.txt: 1 point, k=1000..1000, all valid, 1 missing\n"},
      {"--start 1000 --end 1000 --yes", "", complete, 0, "", "Range complete: 1 point"},
      {"--start 1000 --end 1000 --yes", "", folder, 3,
       "ERROR, the result file Pix1000-1000.txt cannot be used: it is a directory\n", ""},
      {"--start 1000 --end 1000 --yes", "", damaged, 2, "ERROR, Pix1000-1000.txt line 1: checksum", ""},
#ifndef _WIN32
      // POSIX only: Windows has no named pipe in a folder.
      {"--start 1000 --end 1000 --yes --output out", "",
       [](const fs::path& d) {
         fs::create_directory(d / "out");
         mkfifo((d / "out" / "Pix1000-1000.txt").c_str(), 0644);
       },
       3, "ERROR, the result file out/Pix1000-1000.txt cannot be used: it is a named pipe\n", ""},
      // A pipe to check is refused, not opened (the open would block).
      {"--check-file Pix1000-1001.txt --against Pix1000-1000.txt", "",
       [&complete](const fs::path& d) {
         complete(d);
         mkfifo((d / "Pix1000-1001.txt").c_str(), 0644);
       },
       1, "", "Pix1000-1001.txt: cannot be read: it is a named pipe\n"},
#endif
      // The dialogue: the same outcomes, the messages on the console.
      {"", "1000\n1000\nY\n", folder, 3, "", "it is a directory\ncoucou\n"},
      {"", "1000\n1000\nY\n", damaged, 2, "", "the file is left as it is\ncoucou\n"},
      {"", "1000\n1000\nY\n", complete, 0, "", "Range complete: 1 point"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.arguments) + " / " + c.input);
    Outcome outcome = RunProgram(c.input, &directory_, c.arguments, c.prepare);
    EXPECT_EQ(c.status, outcome.status);
    EXPECT_EQ(0u, outcome.err.find(c.err)) << outcome.err;
    EXPECT_NE(std::string::npos, outcome.out.find(c.out)) << outcome.out;
    // Only the dialogue ends with its closing word: scripts read the last line.
    bool dialogue = std::string(c.arguments).empty();
    EXPECT_EQ(dialogue, outcome.out.find("coucou") != std::string::npos) << outcome.out;
    std::filesystem::remove_all(directory_);
    directory_.clear();
  }
}

}  // namespace
