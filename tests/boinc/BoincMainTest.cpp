// The built BOINC application in the runtime's standalone mode, on the
// paths that compute nothing: names resolved through soft-link files, the
// status given to the runtime and the log it keeps (stderr.txt). The test
// runs in the build folder, next to the binary.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

std::string SoftLink(const std::string& name) { return "<soft_link>" + name + "</soft_link>\n"; }

class BoincMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char here[PATH_MAX];
    ASSERT_NE(nullptr, getcwd(here, sizeof here));
    program_ = std::string(here) + "/brunsk_boinc";
    if (!std::filesystem::exists(program_)) GTEST_SKIP() << "brunsk_boinc is not built here";
    char pattern[] = "/tmp/brunsk-boinc-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    directory_ = pattern;
  }
  void TearDown() override {
    if (!directory_.empty()) std::filesystem::remove_all(directory_);
  }

  // Runs the application in the folder; returns its exit status.
  int Run(const std::string& arguments = "") {
    std::string command = "cd '" + directory_ + "' && '" + program_ + "' " + arguments + " > console.txt 2>&1";
    int raw = system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string File(const std::string& name) { return ReadFile(directory_ + "/" + name); }

  std::string program_;
  std::string directory_;
};

TEST_F(BoincMainTest, BadUnitsEndWithTheirStatusAndTheReasonInTheLog) {
  struct Case {
    const char* in;  // the file "in"; nullptr: none
    const char* arguments;
    int status;
    const char* message;
  } cases[] = {
      {nullptr, "", 1, "ERROR, the input file in cannot be read: No such file or directory\n"},
      {"1000 1000", "--nthreads two", 1, "ERROR, --nthreads takes a number of threads from 1 to 1024, not \"two\"\n"},
      // Through a soft link, as the client lays out a slot.
      {"@1001 1000", "", 1,
       "ERROR, the input file range.txt holds a range that cannot be computed: Error, S should be smaller than E\n"},
      // The output's folder does not exist: refused before any computation.
      {"1000 1000", "--nthreads 2", 3,
       "ERROR, the result file missing/result.txt cannot be used: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directory(directory_);
    if (c.in != nullptr && c.in[0] == '@') {
      WriteFile(directory_ + "/in", SoftLink("range.txt"));
      WriteFile(directory_ + "/range.txt", c.in + 1);
    } else if (c.in != nullptr) {
      WriteFile(directory_ + "/in", c.in);
    }
    if (c.status == 3) WriteFile(directory_ + "/out", SoftLink("missing/result.txt"));

    EXPECT_EQ(c.status, Run(c.arguments));
    std::string log = File("stderr.txt");
    EXPECT_NE(std::string::npos, log.find(c.message)) << log;
    EXPECT_NE(std::string::npos, log.find("called boinc_finish(" + std::to_string(c.status) + ")")) << log;
    EXPECT_EQ("", File("console.txt"));
  }
}

TEST_F(BoincMainTest, CompleteOutputIsSuccessWithoutComputing) {
  // A unit restarted after its last line was written: the console lines
  // join the log, and the runtime is told success.
  const std::string line = "1000:2623557157654233:-0.05813:158\n";
  WriteFile(directory_ + "/in", "1000 1000\n");
  WriteFile(directory_ + "/out", line);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(line, File("out"));
  std::string log = File("stderr.txt");
  EXPECT_NE(std::string::npos, log.find("Range complete: 1 points already in out\n")) << log;
  EXPECT_NE(std::string::npos, log.find("called boinc_finish(0)")) << log;
  EXPECT_EQ("0", File("boinc_finish_called").substr(0, 1));
}

}  // namespace
