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
};

// Runs the program in an empty directory with the given input.
Outcome RunProgram(const std::string& input, std::string* directory) {
  std::string program = ProgramPath();
  char pattern[] = "/tmp/brunsk-main-XXXXXX";
  EXPECT_NE(nullptr, mkdtemp(pattern));
  *directory = pattern;
  std::string inPath = *directory + "/input.txt";
  std::string outPath = *directory + "/transcript.txt";
  {
    std::ofstream in(inPath, std::ios::binary);
    in << input;
  }
  std::string command =
      "cd '" + *directory + "' && '" + program + "' < input.txt > transcript.txt 2>&1";
  int raw = system(command.c_str());
  Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ""};
  std::ifstream transcript(outPath, std::ios::binary);
  std::stringstream text;
  text << transcript.rdbuf();
  outcome.out = text.str();
  return outcome;
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

}  // namespace
