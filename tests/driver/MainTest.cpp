// The built program driven through its standard input, on the paths that
// compute nothing. The test runs in the build folder, next to the binary.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ProgramPath() {
  char here[PATH_MAX];
  if (getcwd(here, sizeof here) == nullptr) return "";
  return std::string(here) + "/brunsk";
}

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

// Runs the program with the given arguments and input in an empty
// directory, where prepare (a shell command) has run first.
Outcome RunProgram(const std::string& input, std::string* directory, const std::string& arguments = "",
                   const std::string& prepare = "true") {
  std::string program = ProgramPath();
  char pattern[] = "/tmp/brunsk-main-XXXXXX";
  EXPECT_NE(nullptr, mkdtemp(pattern));
  *directory = pattern;
  {
    std::ofstream in(*directory + "/input.txt", std::ios::binary);
    in << input;
  }
  std::string command = "cd '" + *directory + "' && " + prepare + " && '" + program + "' " + arguments +
                        " < input.txt > transcript.txt 2> errors.txt";
  int raw = system(command.c_str());
  return Outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(*directory + "/transcript.txt"),
                 ReadFile(*directory + "/errors.txt")};
}

class MainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(ProgramPath())) GTEST_SKIP() << "brunsk is not built here";
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
  const std::string complete =
      "printf '1000:2623557157654233:-0.05813:158\\n' > Pix1000-1000.txt";
  const std::string damaged = "printf '1000:2623557157654233:-0.05813:159\\n' > Pix1000-1000.txt";
  struct Case {
    const char* arguments;
    const char* input;
    std::string prepare;
    int status;
    const char* err;  // how standard error begins
    const char* out;  // a text of standard output
  } cases[] = {
      {"--start 2011 --end 2010", "", "true", 1, "Error, S should be smaller than E\n", ""},
      {"--start 1000 --end 1000", "N\n", "true", 1, "", "Computation aborted.\n"},
      // Numbers in decimal digits only, a leading zero read as decimal.
      {"--start 01000 --end 01000 --yes", "", complete, 0, "", "Range complete: 1 point"},
      {"--start 0x7D0 --end 2000", "", "true", 1, "ERROR: ValidationError: --start: \"0x7D0\" is not a number", ""},
      // Every file to check gets its line, the missing and the special ones too.
      {"--check-file Pix1000-1000.txt Pix1001-1001.txt", "", complete, 1, "",
       "Pix1000-1000.txt: 1 point, k=1000..1000, all valid\n"
       "Pix1001-1001.txt: cannot be read: No such file or directory\n"},
      {"--check-file Pix1000-1001.txt --against Pix1000-1000.txt", "", complete + " && mkfifo Pix1000-1001.txt", 1,
       "", "Pix1000-1001.txt: cannot be read: it is a named pipe\n"},
      {"--start 1000 --end 1000 --yes", "", complete, 0, "", "Range complete: 1 point"},
      {"--start 1000 --end 1000 --yes", "", "mkdir Pix1000-1000.txt", 3,
       "ERROR, the result file Pix1000-1000.txt cannot be used: it is a directory\n", ""},
      {"--start 1000 --end 1000 --yes", "", damaged, 2, "ERROR, Pix1000-1000.txt line 1: checksum", ""},
      {"--start 1000 --end 1000 --yes --output out", "", "mkdir out && mkfifo out/Pix1000-1000.txt", 3,
       "ERROR, the result file out/Pix1000-1000.txt cannot be used: it is a named pipe\n", ""},
      // The dialogue: the same outcomes, the messages on the console.
      {"", "1000\n1000\nY\n", "mkdir Pix1000-1000.txt", 3, "", "it is a directory\ncoucou\n"},
      {"", "1000\n1000\nY\n", damaged, 2, "", "the file is left as it is\ncoucou\n"},
      {"", "1000\n1000\nY\n", complete, 0, "", "Range complete: 1 point"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.arguments) + " / " + c.prepare);
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
