#include "results/CheckFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/Program.h"

#include "results/OffsetLogIntegral.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace {

namespace fs = std::filesystem;

// The line the range loop writes for k with pi(x) = value.
std::string LineWith(long k, int64_t value) {
  return FormatResultLine(k, std::to_string(value), NormalisedDeviation(double(value), k * 1e14));
}

// Lines first..last with pi(x) = 2.5e12 k.
std::string Lines(long first, long last) {
  std::string text;
  for (long k = first; k <= last; ++k) text += LineWith(k, 2500000000000L * k);
  return text;
}

// Each test works in a directory of its own, named with relative paths.
class CheckFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("CheckFileTest." + std::to_string(getpid()));
    fs::create_directories(dir_ / "a");
    fs::create_directories(dir_ / "b");
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  static void Write(const std::string& path, const std::string& text) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fputs(text.c_str(), file);
    fclose(file);
  }
  // What a check printed, and its status.
  template <typename Run>
  static std::string Output(Run run, int* status) {
    return testref::PrintedText(run, status);
  }
  static std::string Checked(const std::vector<std::string>& paths, int* status) {
    return Output([&](FILE* out) { return CheckResultFiles(paths, out); }, status);
  }
  static std::string Compared(const std::string& a, const std::string& b, int* status) {
    return Output([&](FILE* out) { return CompareResultFiles(a, b, out); }, status);
  }

  fs::path dir_;
  fs::path previous_;
};

TEST_F(CheckFileTest, GoodShortAndEmptyFilesAreValid) {
  Write("Pix1000-1099.txt", Lines(1000, 1099));
  Write("a/Pix1000-1099.txt", Lines(1000, 1040));
  Write("Pix1000-1000.txt", "1000:2623557157654233:-0.05813:158\n");
  Write("Pix2000-2009.txt", "");
  int status = -1;
  EXPECT_EQ(
      "Pix1000-1099.txt: 100 points, k=1000..1099, all valid\n"
      "a/Pix1000-1099.txt: 41 points, k=1000..1040, all valid, 59 missing\n"
      "Pix1000-1000.txt: 1 point, k=1000..1000, all valid\n"
      "Pix2000-2009.txt: empty, 10 missing\n",
      Checked({"Pix1000-1099.txt", "a/Pix1000-1099.txt", "Pix1000-1000.txt", "Pix2000-2009.txt"},
              &status));
  EXPECT_EQ(0, status);
}

TEST_F(CheckFileTest, EachFaultyFileNamesItsFirstBadLine) {
  std::string damaged = Lines(1000, 1099);
  damaged[damaged.find("1041:") + 5] ^= 1;  // a digit of pi(x) on line 42
  Write("Pix1000-1099.txt", damaged);
  // Checksum right, deviation one unit off in its last decimal (2.5e12 k is
  // far below pi(x), hence the size of the deviations).
  Write("b/Pix1000-1099.txt",
        Lines(1000, 1001) + FormatResultLine(1002, "2505000000000000",
                                             NormalisedDeviation(2505000000000000.0, 1002e14) -
                                                 1e-5));
  Write("Pix1000-1002.txt", Lines(1000, 1002) + "Last computation : Check KO\n");
  Write("notes.txt", Lines(1000, 1002));
  Write("Pix3000-3001.txt", Lines(3000, 3001));
  int status = -1;
  std::string out = Checked({"Pix1000-1099.txt", "b/Pix1000-1099.txt", "Pix1000-1002.txt",
                             "notes.txt", "Pix3000-3001.txt", "a/Pix1000-1099.txt"},
                            &status);
  EXPECT_EQ(1, status);
  EXPECT_EQ(
      "Pix1000-1099.txt: line 42: checksum 583 where 588 is due (after 41 valid points, "
      "k=1000..1040)\n"
      "b/Pix1000-1099.txt: line 3: deviation -902553.91337 where -902553.91336 is due (after 2 "
      "valid points, k=1000..1001)\n"
      "Pix1000-1002.txt: check failed at k=1002, marked on line 4 (3 points, k=1000..1002)\n"
      "notes.txt: the name is not of the form PixS-E.txt\n"
      "Pix3000-3001.txt: 2 points, k=3000..3001, all valid\n"
      "a/Pix1000-1099.txt: cannot be read: No such file or directory\n",
      out);
}

// The per-file check that the ledger's add shares: a file marked with a
// failed check keeps its lines, the failed point last; "complete" refuses a
// short file with the same summary.
TEST_F(CheckFileTest, OneFileCheckKeepsTheFailedPointAndCanRequireTheWholeRange) {
  Write("Pix1000-1002.txt", Lines(1000, 1002) + "Last computation : Check KO\n");
  CheckedFile failed = CheckResultFile("Pix1000-1002.txt");
  EXPECT_FALSE(failed.valid);
  EXPECT_TRUE(failed.checkFailed);
  ASSERT_EQ(3u, failed.scan.lines.size());
  EXPECT_EQ(1002, failed.scan.lines.back().index);

  Write("Pix1000-1099.txt", Lines(1000, 1040));
  CheckedFile shortFile = CheckResultFile("Pix1000-1099.txt", true);
  EXPECT_FALSE(shortFile.valid);
  EXPECT_FALSE(shortFile.checkFailed);
  EXPECT_EQ("41 points, k=1000..1040, all valid, 59 missing", shortFile.summary);
  EXPECT_TRUE(CheckResultFile("Pix1000-1099.txt").valid);
  Write("Pix2000-2009.txt", "");
  EXPECT_FALSE(CheckResultFile("Pix2000-2009.txt", true).valid);
  Write("Pix1000-1001.txt", Lines(1000, 1001));
  EXPECT_TRUE(CheckResultFile("Pix1000-1001.txt", true).valid);
}

TEST_F(CheckFileTest, RangesOutsideTheGridAreRefused) {
  // The right lines for k = 1 and 2, in a file whose name claims k = 1..3.
  Write("Pix1-3.txt", Lines(1, 2));
  Write("Pix1000-99999.txt", Lines(1000, 1001));
  Write("Pix999999999999999999-999999999999999999.txt", "");
  Write("Pix10000-10000.txt", "10000:24739954287740860:-0.05178:649\n");
  int status = -1;
  EXPECT_EQ(
      "Pix1-3.txt: the range 1..3 of the name is not inside the grid 1000..10000\n"
      "Pix1000-99999.txt: the range 1000..99999 of the name is not inside the grid 1000..10000\n"
      "Pix999999999999999999-999999999999999999.txt: the range 999999999999999999..999999999999999999 of "
      "the name is not inside the grid 1000..10000\n"
      "Pix10000-10000.txt: 1 point, k=10000..10000, all valid\n",
      Checked({"Pix1-3.txt", "Pix1000-99999.txt", "Pix999999999999999999-999999999999999999.txt",
               "Pix10000-10000.txt"},
              &status));
  EXPECT_EQ(1, status);
}

TEST_F(CheckFileTest, WhatIsNoRegularFileIsRefusedWithoutBeingRead) {
  // A folder is no result file, nor is a file larger than the whole grid's
  // lines; on POSIX systems a named pipe would block the open, an endless
  // device behind a link would fill the memory and /dev/null would pass for
  // an empty file. (Windows has neither pipes in folders nor device links.)
  fs::create_directory("Pix1000-1004.txt");
  Write("Pix1000-1005.txt", std::string(kLargestResultFile + 1, '\n'));
  Write("Pix1000-1006.txt", Lines(1000, 1006));
  std::vector<std::string> files = {"Pix1000-1004.txt", "Pix1000-1005.txt", "Pix1000-1006.txt"};
  std::string expected =
      "Pix1000-1004.txt: cannot be read: it is a directory\n"
      "Pix1000-1005.txt: cannot be read: it is larger than 1 MB, more than a result file of the whole grid\n"
      "Pix1000-1006.txt: 7 points, k=1000..1006, all valid\n";
#ifndef _WIN32
  ASSERT_EQ(0, mkfifo("Pix1000-1001.txt", 0644));
  fs::create_symlink("/dev/zero", "Pix1000-1002.txt");
  fs::create_symlink("/dev/null", "Pix1000-1003.txt");
  files.insert(files.begin(), {"Pix1000-1001.txt", "Pix1000-1002.txt", "Pix1000-1003.txt"});
  expected =
      "Pix1000-1001.txt: cannot be read: it is a named pipe\n"
      "Pix1000-1002.txt: cannot be read: it is a device\n"
      "Pix1000-1003.txt: cannot be read: it is a device\n" +
      expected;
#endif
  int status = -1;
  EXPECT_EQ(expected, Checked(files, &status));
  EXPECT_EQ(1, status);
}

TEST_F(CheckFileTest, AgainstListsExactlyTheIndicesThatDiffer) {
  Write("a/Pix1000-1099.txt", Lines(1000, 1099));
  Write("b/Pix1050-1149.txt", Lines(1050, 1149));
  int status = -1;
  EXPECT_EQ(
      "a/Pix1000-1099.txt and b/Pix1050-1149.txt: 50 common points, k=1050..1099, all equal\n",
      Compared("a/Pix1000-1099.txt", "b/Pix1050-1149.txt", &status));
  EXPECT_EQ(0, status);

  // One value raised by one, its line rewritten whole (a valid file still).
  std::string other = Lines(1050, 1069) + LineWith(1070, 2500000000000L * 1070 + 1) +
                      Lines(1071, 1149);
  Write("b/Pix1050-1149.txt", other);
  std::string out = Compared("a/Pix1000-1099.txt", "b/Pix1050-1149.txt", &status);
  EXPECT_EQ(1, status);
  EXPECT_EQ("k=1070 differs:\n  a/Pix1000-1099.txt: " + LineWith(1070, 2675000000000000L) +
                "  b/Pix1050-1149.txt: " + LineWith(1070, 2675000000000001L) +
                "a/Pix1000-1099.txt and b/Pix1050-1149.txt: 50 common points, k=1050..1099, 1 "
                "differs\n",
            out);

  // A file short of its range is compared over what it holds.
  Write("b/Pix1000-1099.txt", Lines(1000, 1040));
  EXPECT_EQ(
      "a/Pix1000-1099.txt and b/Pix1000-1099.txt: 41 common points, k=1000..1040, all equal\n",
      Compared("a/Pix1000-1099.txt", "b/Pix1000-1099.txt", &status));
  EXPECT_EQ(0, status);

  // Ranges that do not meet, and an invalid file: nothing is compared.
  Write("b/Pix1100-1199.txt", Lines(1100, 1110));
  EXPECT_EQ(
      "a/Pix1000-1099.txt and b/Pix1100-1199.txt: no common point (the first holds k=1000..1099, "
      "the second k=1100..1110)\n",
      Compared("a/Pix1000-1099.txt", "b/Pix1100-1199.txt", &status));
  EXPECT_EQ(1, status);
  Write("b/Pix1000-1099.txt", Lines(1000, 1001) + "Last computation : Check KO\n");
  EXPECT_EQ("b/Pix1000-1099.txt: check failed at k=1001, marked on line 3 (2 points, k=1000..1001)\n",
            Compared("a/Pix1000-1099.txt", "b/Pix1000-1099.txt", &status));
  EXPECT_EQ(1, status);
}

}  // namespace
