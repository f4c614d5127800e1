// The app version laid out from the built program: what it carries, what it
// leaves to the host, and how version.xml names it. The test runs in the
// build folder, next to the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/TextFile.h"

namespace {

using testref::ReadTextFile;

class MakeAppVersionScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = std::filesystem::current_path().string() + "/brunsk_boinc";
    if (!std::filesystem::exists(program_)) GTEST_SKIP() << "brunsk_boinc is not built here";
    folder_ = testref::NewFolder("brunsk-app-version");
    ASSERT_NE("", folder_);
    testref::WriteTextFile(folder_ + "/notice", "licence text\n");
  }
  void TearDown() override {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  int Run(const std::string& libraryFolders) {
    return testref::ShellStatus(std::string("bash '") + BRUNSK_SOURCE_DIR + "/boinc/make_app_version.sh' --notice '" +
                                folder_ + "/notice' COPYING.test '" + program_ + "' '" + folder_ + "/app' " +
                                libraryFolders + " > '" + folder_ + "/out.txt' 2>&1");
  }

  std::string program_, folder_;
};

TEST_F(MakeAppVersionScriptTest, CarriesTheBoincLibrariesAndNoPrimeSieveLibrary) {
  ASSERT_EQ(0, Run("/usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu"))
      << ReadTextFile(folder_ + "/out.txt");
  const std::string app = folder_ + "/app/";
  std::string files;
  for (const auto& entry : std::filesystem::directory_iterator(app)) files += entry.path().filename().string() + " ";
  for (const char* name : {"brunsk_boinc", "libboinc_api.so.7", "libboinc.so.7", "COPYING.test", "version.xml"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(app + name)) << name << " not in: " << files;
  }
  // The prime-sieve library is linked in; the C and C++ runtimes are the
  // host's.
  EXPECT_EQ(std::string::npos, files.find("primesieve")) << files;
  EXPECT_EQ(std::string::npos, files.find("libstdc++")) << files;
  EXPECT_EQ(std::string::npos, files.find("libc.")) << files;
  EXPECT_EQ(std::string::npos, files.find("libgcc")) << files;
  EXPECT_EQ(1, testref::ShellStatus("readelf -d '" + app + "brunsk_boinc' | grep -q primesieve"))
      << "the program still needs a prime-sieve library";

  EXPECT_EQ("<version>\n"
            "    <file>\n"
            "        <physical_name>brunsk_boinc</physical_name>\n"
            "        <main_program/>\n"
            "    </file>\n"
            "    <file>\n"
            "        <physical_name>libboinc_api.so.7</physical_name>\n"
            "    </file>\n"
            "    <file>\n"
            "        <physical_name>libboinc.so.7</physical_name>\n"
            "    </file>\n"
            "    <file>\n"
            "        <physical_name>COPYING.test</physical_name>\n"
            "    </file>\n"
            "</version>\n",
            ReadTextFile(app + "version.xml"));
  EXPECT_EQ("licence text\n", ReadTextFile(app + "COPYING.test"));
}

TEST_F(MakeAppVersionScriptTest, FailsWhenALibraryIsNotInTheGivenFolders) {
  std::filesystem::create_directory(folder_ + "/empty");
  EXPECT_NE(0, Run("'" + folder_ + "/empty'"));
  const std::string said = ReadTextFile(folder_ + "/out.txt");
  EXPECT_NE(std::string::npos, said.find("libboinc_api.so.7, needed by brunsk_boinc, is not in")) << said;
}

}  // namespace
