// The built BOINC application in the runtime's standalone mode, on the
// paths that compute nothing: names resolved through soft-link files, the
// status given to the runtime and the log it keeps (stderr.txt). The test
// runs in the build folder, next to the binary.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/TextFile.h"

namespace {

using testref::ReadTextFile;
using testref::WriteTextFile;

class BoincMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::filesystem::current_path().string() + "/brunsk_boinc";
    if (!std::filesystem::exists(program_)) GTEST_SKIP() << "brunsk_boinc is not built here";
    folder_ = testref::NewFolder("brunsk-boinc");
    ASSERT_NE("", folder_);
  }
  void TearDown() override {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }

  // Runs the application in the folder; returns its exit status and keeps
  // the log.
  int Run() {
    std::filesystem::remove(folder_ + "/stderr.txt");  // the runtime appends to it
    int status = testref::ShellStatus("cd '" + folder_ + "' && '" + program_ + "' > console.txt 2>&1");
    log_ = ReadTextFile(folder_ + "/stderr.txt");
    EXPECT_EQ("", ReadTextFile(folder_ + "/console.txt")) << "everything goes to the log";
    EXPECT_NE(std::string::npos, log_.find("called boinc_finish(" + std::to_string(status) + ")")) << log_;
    return status;
  }

  std::string program_, folder_, log_;
};

TEST_F(BoincMainTest, BadUnitsEndWithTheirStatusAndTheReasonInTheLog) {
  EXPECT_EQ(1, Run());
  EXPECT_NE(std::string::npos, log_.find("ERROR, the input file in cannot be read: No such file or directory\n"));

  // Both names through soft links, as the client lays out a slot.
  WriteTextFile(folder_ + "/in", "<soft_link>range.txt</soft_link>\n");
  WriteTextFile(folder_ + "/range.txt", "1001 1000\n");
  EXPECT_EQ(1, Run());
  EXPECT_NE(std::string::npos, log_.find("ERROR, the input file range.txt holds a range that cannot be computed: "
                                         "Error, S should be smaller than E\n"));

  // The output's folder does not exist: refused before any computation.
  WriteTextFile(folder_ + "/range.txt", "1000 1000\n");
  WriteTextFile(folder_ + "/out", "<soft_link>missing/result.txt</soft_link>\n");
  EXPECT_EQ(3, Run());
  EXPECT_NE(std::string::npos,
            log_.find("ERROR, the result file missing/result.txt cannot be used: No such file or directory\n"));
}

TEST_F(BoincMainTest, CompleteOutputIsSuccessWithoutComputing) {
  // A unit restarted after its last line was written: the console lines
  // join the log, and the runtime is told success.
  const std::string line = "1000:2623557157654233:-0.05813:158\n";
  WriteTextFile(folder_ + "/in", "1000 1000\n");
  WriteTextFile(folder_ + "/out", line);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(line, ReadTextFile(folder_ + "/out"));
  EXPECT_NE(std::string::npos, log_.find("Range complete: 1 point already in out\n")) << log_;
}

}  // namespace
