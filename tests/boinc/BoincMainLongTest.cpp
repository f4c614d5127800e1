// The built BOINC application computing one whole grid point in the
// runtime's standalone mode (about a minute). The test runs in the build
// folder, next to the binary.
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

TEST(BoincMainLongTest, OnePointUnitWritesTheLineOfK1000) {
  char here[PATH_MAX];
  ASSERT_NE(nullptr, getcwd(here, sizeof here));
  std::string program = std::string(here) + "/brunsk_boinc";
  ASSERT_TRUE(std::filesystem::exists(program)) << program;
  char pattern[] = "/tmp/brunsk-boinc-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));
  std::string directory = pattern;
  {
    std::ofstream in(directory + "/in");
    in << "1000 1000\n";
  }

  int raw = system(("cd '" + directory + "' && '" + program + "' --nthreads 1").c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(0, WEXITSTATUS(raw));
  EXPECT_EQ("1000:2623557157654233:-0.05813:158\n", ReadFile(directory + "/out"));
  std::string log = ReadFile(directory + "/stderr.txt");
  EXPECT_NE(std::string::npos, log.find("1000/1000 - Compute and check pi(x) for x=1.000000E+17\n")) << log;
  EXPECT_NE(std::string::npos, log.find("pi(x)=2623557157654233\nCheck OK, total time=")) << log;
  EXPECT_NE(std::string::npos, log.find("called boinc_finish(0)")) << log;
  std::filesystem::remove_all(directory);
}

}  // namespace
