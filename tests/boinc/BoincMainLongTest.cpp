// The built BOINC application computing one whole grid point in the
// runtime's standalone mode (about a minute). The test runs in the build
// folder, next to the binary.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "common/TextFile.h"

namespace {

using testref::ReadTextFile;

TEST(BoincMainLongTest, OnePointUnitWritesTheLineOfK1000) {
  std::string program = std::filesystem::current_path().string() + "/brunsk_boinc";
  ASSERT_TRUE(std::filesystem::exists(program)) << program;
  std::string folder = testref::NewFolder("brunsk-boinc");
  ASSERT_NE("", folder);
  testref::WriteTextFile(folder + "/in", "1000 1000\n");

  EXPECT_EQ(0, testref::ShellStatus("cd '" + folder + "' && '" + program + "' --nthreads 1"));
  EXPECT_EQ("1000:2623557157654233:-0.05813:158\n", ReadTextFile(folder + "/out"));
  std::string log = ReadTextFile(folder + "/stderr.txt");
  EXPECT_NE(std::string::npos, log.find("1000/1000 - Compute and check pi(x) for x=1.000000E+17\n")) << log;
  // Each line stamped with the time and the process id.
  EXPECT_TRUE(std::regex_search(
      log, std::regex("pi\\(x\\)=2623557157654233\n[0-9]{2}:[0-9]{2}:[0-9]{2} \\([0-9]+\\): Check OK, total time=")))
      << log;
  EXPECT_NE(std::string::npos, log.find("called boinc_finish(0)")) << log;
  std::filesystem::remove_all(folder);
}

}  // namespace
