#include "ledger/ReplaceFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/TextFile.h"

namespace {

namespace fs = std::filesystem;

TEST(ReplaceFileTest, TheOldFileStaysWholeUntilTheNewOneIsComplete) {
  const std::string folder = testref::NewFolder("ReplaceFileTest");
  ASSERT_NE("", folder);
  const std::string path = folder + "/index.html";
  EXPECT_EQ("", ReplaceFile(path, "first"));
  EXPECT_EQ("first", testref::ReadTextFile(path));
  EXPECT_EQ("", ReplaceFile(path, "second, longer"));
  EXPECT_EQ("second, longer", testref::ReadTextFile(path));
  EXPECT_FALSE(fs::exists(path + ".part"));

  // A new file that cannot take the old one's place leaves the old one and
  // no temporary file behind.
  const std::string taken = folder + "/deviation.svg";
  fs::create_directories(taken + "/inside");
  EXPECT_NE("", ReplaceFile(taken, "text"));
  EXPECT_TRUE(fs::is_directory(taken + "/inside"));
  EXPECT_FALSE(fs::exists(taken + ".part"));
  EXPECT_NE("", ReplaceFile(folder + "/no/such/folder/x.csv", "text"));
  fs::remove_all(folder);
}

}  // namespace
