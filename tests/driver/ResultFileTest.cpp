// The result file against other runs of the same range: runs that open it
// at the same instant (the moves of one put between the open and the lock
// of the other, so that no timing luck is needed), a run that removes its empty file while another
// opens it, a process that cuts the file during a run, and a file left
// empty by a killed run.
#include "driver/ResultFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/Program.h"
#include "common/TextFile.h"

namespace {

namespace fs = std::filesystem;

const std::string kLine = "1000:2623557157654233:-0.05813:158\n";
const std::string kInUse = "it is in use by another process";

class ResultFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testref::NewTempFolder("brunsk-resultfile");
    ASSERT_FALSE(folder_.empty());
    path_ = folder_ + "/Pix1000-1001.txt";
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string folder_;
  std::string path_;
};

TEST_F(ResultFileTest, RunThatLosesTheLockLeavesTheFileToTheWinner) {
  // Run a creates the file; run b opens it and takes the lock before a's
  // lock. a must give up without touching the file b holds, and a third run
  // is still locked out.
  ResultFile b;
  std::string bOpened = "not opened";
  ResultFile a([&] {
    if (bOpened == "not opened") bOpened = b.Open(path_);
  });
  EXPECT_EQ(kInUse, a.Open(path_));
  ASSERT_EQ("", bOpened);
  ASSERT_TRUE(fs::exists(path_)) << "the loser removed the winner's file";
  EXPECT_EQ("", b.Append(kLine));
  EXPECT_EQ(kLine, testref::ReadTextFile(path_));
  ResultFile c;
  EXPECT_EQ(kInUse, c.Open(path_));
}

TEST_F(ResultFileTest, LockOnAFileRemovedMeanwhileStartsOver) {
  // An earlier run created the file and leaves it empty: on its way out it
  // removes it, just as run a has opened it and before a locks it. a must
  // not write into the removed file but into the one at the name.
  auto earlier = std::make_unique<ResultFile>();
  ASSERT_EQ("", earlier->Open(path_));
  ResultFile a([&] { earlier.reset(); });
  ASSERT_EQ("", a.Open(path_));
  EXPECT_EQ("", a.Append(kLine));
  EXPECT_EQ(kLine, testref::ReadTextFile(path_)) << "the line went to a file that no name reaches";
  ResultFile b;
  EXPECT_EQ(kInUse, b.Open(path_));
}

TEST_F(ResultFileTest, FileCutByAnotherProcessGetsNoMoreLines) {
  ResultFile file;
  ASSERT_EQ("", file.Open(path_));
  std::string text;
  ASSERT_TRUE(file.ReadAll(&text));
  ASSERT_EQ("", file.Append(kLine));
  fs::resize_file(path_, 10);
  std::string why = file.Append("1001:2702500000000000:557776.90977:902\n");
  EXPECT_EQ("another process has changed it: it holds 10 bytes where this run wrote 35", why);
  EXPECT_EQ(kLine.substr(0, 10), testref::ReadTextFile(path_));
}

TEST_F(ResultFileTest, FirstLineInAnEmptyFileBringsItsFolderEntryToDisk) {
  // A run killed before its first line leaves an empty file whose folder
  // entry may never have reached the disk; the next run's first line syncs
  // it. A file that already held lines needs no such sync.
  testref::WriteTextFile(path_, "");
  {
    ResultFile file;
    ASSERT_EQ("", file.Open(path_));
    EXPECT_FALSE(file.FolderSynced());
    ASSERT_EQ("", file.Append(kLine));
    EXPECT_TRUE(file.FolderSynced());
  }
  ResultFile file;
  ASSERT_EQ("", file.Open(path_));
  ASSERT_EQ("", file.Append("1001:2702500000000000:557776.90977:902\n"));
  EXPECT_FALSE(file.FolderSynced());
}

}  // namespace
