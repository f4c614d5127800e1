// The server's script that makes work units from the ledger's free ranges,
// run against stand-ins for BOINC's stage_file and create_work that log
// their calls, and the real brunsk-ledger on a ledger of the test's own.
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
    std::filesystem::create_directory(project_ + "/brunsk");
    Stub("stage_file", "echo \"stage_file $1 ${2##*/}: $(cat \"$2\")\" >> calls.log");
    Stub("create_work", "echo \"create_work $*\" >> calls.log");
    ledger_ = project_ + "/ledger.sqlite";
    std::ofstream(project_ + "/brunsk/ledger_path") << ledger_ << "\n";
    ASSERT_EQ(0, Ledger("init"));
  }
  void TearDown() override { std::filesystem::remove_all(project_); }

  void Stub(const std::string& name, const std::string& body) {
    std::string path = project_ + "/bin/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  int Ledger(const std::string& arguments) {
    return testref::ShellStatus(std::string("'") + BRUNSK_LEDGER_PROGRAM + "' --db '" + ledger_ + "' " + arguments +
                                " > '" + project_ + "/ledger.txt' 2>&1");
  }
  int Run(const std::string& arguments) {
    return testref::ShellStatus(std::string("BRUNSK_LEDGER='") + BRUNSK_LEDGER_PROGRAM + "' bash '" +
                                BRUNSK_SOURCE_DIR + "/boinc/make_work.sh' " + arguments + " > '" + project_ +
                                "/out.txt' 2>&1");
  }
  // The ranges the ledger has left to hand out.
  std::string Missing() {
    EXPECT_EQ(0, Ledger("missing"));
    return ReadTextFile(project_ + "/ledger.txt");
  }

  std::string project_;
  std::string ledger_;
};

const char kTemplates[] = " --wu_template templates/brunsk_in --result_template templates/brunsk_out";

// The units are cut from the lowest free ranges around a volunteer's own
// reservation, each reserved for boinc in the ledger and noted with its
// reservation, so that the next run goes on after them.
TEST_F(MakeWorkScriptTest, CutsTheLedgersFreeRangesIntoUnitsReservedForBoinc) {
  ASSERT_EQ(0, Ledger("reserve --who alice --start 1050 --end 1060"));
  EXPECT_EQ(0, Run("--units 3 100 '" + project_ + "'")) << ReadTextFile(project_ + "/out.txt");
  EXPECT_EQ("Pix1000-1049 (reservation 2)\nPix1061-1160 (reservation 3)\nPix1161-1260 (reservation 4)\n",
            ReadTextFile(project_ + "/out.txt"));
  EXPECT_EQ(std::string("stage_file --copy Pix1000-1049.in: 1000 1049\n"
                        "create_work --appname brunsk --wu_name Pix1000-1049") + kTemplates +
                " --rsc_fpops_est 35000000000000 --rsc_fpops_bound 700000000000000 Pix1000-1049.in\n"
                "stage_file --copy Pix1061-1160.in: 1061 1160\n"
                "create_work --appname brunsk --wu_name Pix1061-1160" + kTemplates +
                " --rsc_fpops_est 70000000000000 --rsc_fpops_bound 1400000000000000 Pix1061-1160.in\n"
                "stage_file --copy Pix1161-1260.in: 1161 1260\n"
                "create_work --appname brunsk --wu_name Pix1161-1260" + kTemplates +
                " --rsc_fpops_est 70000000000000 --rsc_fpops_bound 1400000000000000 Pix1161-1260.in\n",
            ReadTextFile(project_ + "/calls.log"));
  EXPECT_EQ("Pix1000-1049 2\nPix1061-1160 3\nPix1161-1260 4\n", ReadTextFile(project_ + "/brunsk/units.txt"));
  EXPECT_EQ("1261..10000\n", Missing());

  // A unit that BOINC refuses to create gives its reservation back.
  Stub("create_work", "exit 1");
  EXPECT_EQ(1, Run("--units 1 100 '" + project_ + "'"));
  EXPECT_EQ("1261..10000\n", Missing());
}

TEST_F(MakeWorkScriptTest, RefusesBadArgumentsBeforeCreatingAnything) {
  for (std::string arguments : {"0 $", "x $", "$", "--units $", "--units x 10 $", "--days 10", "10 20 $",
                                "-5 $", "10 /nonexistent"}) {
    SCOPED_TRACE(arguments);
    if (arguments.back() == '$') arguments.replace(arguments.size() - 1, 1, "'" + project_ + "'");
    EXPECT_EQ(1, Run(arguments)) << ReadTextFile(project_ + "/out.txt");
    EXPECT_FALSE(std::filesystem::exists(project_ + "/calls.log"));
  }
  EXPECT_EQ("1000..10000\n", Missing());
}

}  // namespace
