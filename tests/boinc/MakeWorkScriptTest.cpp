// The server's script that cuts a range into work units, run against
// stand-ins for BOINC's stage_file and create_work that log their calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/TextFile.h"

namespace {

using testref::ReadTextFile;

class MakeWorkScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project_ = testref::NewFolder("brunsk-project");
    ASSERT_NE("", project_);
    std::filesystem::create_directory(project_ + "/bin");
    Stub("stage_file", "echo \"stage_file $1 ${2##*/}: $(cat \"$2\")\" >> calls.log");
    Stub("create_work", "echo \"create_work $*\" >> calls.log");
  }
  void TearDown() override { std::filesystem::remove_all(project_); }

  void Stub(const std::string& name, const std::string& body) {
    std::string path = project_ + "/bin/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  int Run(const std::string& arguments) {
    return testref::ShellStatus(std::string("bash '") + BRUNSK_SOURCE_DIR + "/boinc/make_work.sh' " + arguments +
                                " > '" + project_ + "/out.txt' 2>&1");
  }

  std::string project_;
};

TEST_F(MakeWorkScriptTest, CutsTheRangeIntoUnitsOfTheGivenSize) {
  EXPECT_EQ(0, Run("1000 1250 100 " + project_));
  EXPECT_EQ("Pix1000-1099\nPix1100-1199\nPix1200-1250\n", ReadTextFile(project_ + "/out.txt"));
  const std::string templates = " --wu_template templates/brunsk_in --result_template templates/brunsk_out";
  EXPECT_EQ("stage_file --copy Pix1000-1099.in: 1000 1099\n"
            "create_work --appname brunsk --wu_name Pix1000-1099" + templates +
                " --rsc_fpops_est 70000000000000 --rsc_fpops_bound 1400000000000000 Pix1000-1099.in\n"
            "stage_file --copy Pix1100-1199.in: 1100 1199\n"
            "create_work --appname brunsk --wu_name Pix1100-1199" + templates +
                " --rsc_fpops_est 70000000000000 --rsc_fpops_bound 1400000000000000 Pix1100-1199.in\n"
            "stage_file --copy Pix1200-1250.in: 1200 1250\n"
            "create_work --appname brunsk --wu_name Pix1200-1250" + templates +
                " --rsc_fpops_est 35700000000000 --rsc_fpops_bound 714000000000000 Pix1200-1250.in\n",
            ReadTextFile(project_ + "/calls.log"));
}

TEST_F(MakeWorkScriptTest, RefusesBadRangesBeforeCreatingAnything) {
  for (std::string arguments : {"999 1000 10 $", "1000 10001 10 $", "1001 1000 10 $", "1000 1000 0 $",
                                "1000 x 10 $", "1000 1000", "1000 1000 1 /nonexistent"}) {
    SCOPED_TRACE(arguments);
    if (arguments.back() == '$') arguments.replace(arguments.size() - 1, 1, project_);
    EXPECT_EQ(1, Run(arguments));
    EXPECT_FALSE(std::filesystem::exists(project_ + "/calls.log"));
  }
}

}  // namespace
