#include "driver/ComputeRange.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/LineChecksum.h"

namespace {

const std::string kDashes = "----------------------------------------------------------\n";

// The per-point double: records the grid index, prints a marker, returns
// pi(x) where it is known and 2.5e12 k elsewhere, and fails where told.
std::vector<double> gCalls;
double gFailAt = -1.0;
useconds_t gPause = 0;

int FakeCheckedPi(Integer x, Integer& result, int verbose) {
  double k = x.GetApprox() / 1e14;
  gCalls.push_back(k);
  if (k == 1000.0) {
    result = Integer(2623557157654233.0);
  } else if (k == 10000.0) {
    result = Integer(24739954287740860.0);
  } else {
    result = Integer(2.5e12);
    result.Multiply(k);
  }
  if (gPause != 0) usleep(gPause);
  printf("<point %.0f verbose=%d>", k, verbose);
  if (k == gFailAt) {
    printf("KO:");
    return 1;
  }
  printf("\n");
  return 0;
}

std::string Header(long k, long E, const char* x) {
  char text[200];
  snprintf(text, sizeof text, "%ld/%ld - Compute and check pi(x) for x=%s\n", k, E, x);
  return "\n" + kDashes + text + kDashes + "\n";
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each test runs in a fresh empty directory.
class ComputeRangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/brunsk-range-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    directory_ = pattern;
    ASSERT_NE(nullptr, getcwd(previous_, sizeof previous_));
    ASSERT_EQ(0, chdir(directory_.c_str()));
    gCalls.clear();
    gFailAt = -1.0;
    gPause = 0;
  }
  void TearDown() override {
    EXPECT_EQ(0, chdir(previous_));
    std::filesystem::remove_all(directory_);
  }

  std::string Run(double S, double E) {
    testing::internal::CaptureStdout();
    ComputeRange(S, E, FakeCheckedPi);
    return testing::internal::GetCapturedStdout();
  }

  std::string directory_;
  char previous_[PATH_MAX];
};

// Checks that text holds only whole result lines with valid checksums for
// consecutive indices from first; returns how many.
int CountWholeLines(const std::string& text, long first) {
  std::regex pattern("(\\d+):(\\d+):(-?\\d+\\.\\d{5}):(\\d+)");
  std::istringstream in(text);
  std::string line;
  int count = 0;
  if (!text.empty()) {
    EXPECT_EQ('\n', text.back()) << "a partial line at the end";
  }
  while (std::getline(in, line)) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, pattern)) << line;
    if (m.empty()) return -1;
    EXPECT_EQ(first + count, std::stol(m[1]));
    std::string fields = line.substr(0, line.rfind(':'));
    EXPECT_EQ(LineChecksum(fields.c_str()), std::stol(m[4])) << line;
    ++count;
  }
  return count;
}

TEST_F(ComputeRangeTest, OnePointAtEachEndOfTheGrid) {
  std::string out = Run(1000, 1000);
  EXPECT_EQ(Header(1000, 1000, "1.000000E+17") + "<point 1000 verbose=1>\n", out);
  EXPECT_EQ("1000:2623557157654233:-0.05813:158\n", ReadFile("Pix1000-1000.txt"));
  EXPECT_EQ(std::vector<double>{1000.0}, gCalls);

  out = Run(10000, 10000);
  EXPECT_EQ(Header(10000, 10000, "1.000000E+18") + "<point 10000 verbose=1>\n", out);
  EXPECT_EQ("10000:24739954287740860:-0.05178:649\n", ReadFile("Pix10000-10000.txt"));
}

TEST_F(ComputeRangeTest, AppendsToAnExistingFile) {
  {
    std::ofstream earlier("Pix1000-1000.txt");
    earlier << "1000:2623557157654233:-0.05813:158\n";
  }
  Run(1000, 1000);
  EXPECT_EQ("1000:2623557157654233:-0.05813:158\n1000:2623557157654233:-0.05813:158\n",
            ReadFile("Pix1000-1000.txt"));
}

TEST_F(ComputeRangeTest, WalksTheWholeRangeInOrder) {
  std::string out = Run(2010, 2012);
  EXPECT_EQ(Header(2010, 2012, "2.010000E+17") + "<point 2010 verbose=1>\n" +
                Header(2011, 2012, "2.011000E+17") + "<point 2011 verbose=1>\n" +
                Header(2012, 2012, "2.012000E+17") + "<point 2012 verbose=1>\n",
            out);
  EXPECT_EQ((std::vector<double>{2010.0, 2011.0, 2012.0}), gCalls);
  std::string file = ReadFile("Pix2010-2012.txt");
  EXPECT_EQ(3, CountWholeLines(file, 2010));
  // pi = 2.5e12 k here: the second field is that value, digit for digit.
  EXPECT_EQ(0u, file.find("2010:5025000000000000:"));
}

TEST_F(ComputeRangeTest, EmptyRangeComputesNothing) {
  EXPECT_EQ("", Run(2012, 2010));
  EXPECT_TRUE(gCalls.empty());
  EXPECT_FALSE(std::filesystem::exists("Pix2012-2010.txt"));
}

TEST_F(ComputeRangeTest, FailedCheckIsRecordedAndStopsTheRange) {
  gFailAt = 2011;
  std::string out = Run(2010, 2012);
  EXPECT_EQ((std::vector<double>{2010.0, 2011.0}), gCalls);  // the third never starts
  // The range loop ends the line that the failed check left open.
  EXPECT_EQ(Header(2010, 2012, "2.010000E+17") + "<point 2010 verbose=1>\n" +
                Header(2011, 2012, "2.011000E+17") + "<point 2011 verbose=1>KO:" +
                "ERROR, computation stopped\n",
            out);
  std::string file = ReadFile("Pix2010-2012.txt");
  const std::string mark = "Last computation : Check KO\n";
  ASSERT_GT(file.size(), mark.size());
  EXPECT_EQ(mark, file.substr(file.size() - mark.size()));
  EXPECT_EQ(2, CountWholeLines(file.substr(0, file.size() - mark.size()), 2010));
}

TEST_F(ComputeRangeTest, ResultFileThatCannotBeOpened) {
  ASSERT_EQ(0, mkdir("Pix1000-1002.txt", 0755));  // a directory of that name
  std::string out = Run(1000, 1002);
  EXPECT_EQ(std::vector<double>{1000.0}, gCalls);
  EXPECT_EQ(Header(1000, 1002, "1.000000E+17") + "<point 1000 verbose=1>\n" +
                "ERROR, the result file Pix1000-1002.txt cannot be written; its line would have "
                "been:\n1000:2623557157654233:-0.05813:158\n",
            out);
}

TEST_F(ComputeRangeTest, ResultFileOnAFullDevice) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(0, symlink("/dev/full", "Pix1000-1002.txt"));
  gFailAt = 1000;
  std::string out = Run(1000, 1002);
  EXPECT_EQ(std::vector<double>{1000.0}, gCalls);
  EXPECT_EQ(Header(1000, 1002, "1.000000E+17") + "<point 1000 verbose=1>KO:" +
                "ERROR, computation stopped\n" +
                "ERROR, the result file Pix1000-1002.txt cannot be written; its line would have "
                "been:\n1000:2623557157654233:-0.05813:158\n",
            out);
}

TEST_F(ComputeRangeTest, LineThatCannotBeWrittenWholeIsCutOff) {
  // A child whose file size limit leaves room for a part of the new line
  // only: the part is removed again and the line goes to the console.
  const std::string earlier = "1000:2623557157654233:-0.05813:158\n";
  {
    std::ofstream file("Pix1000-1002.txt");
    file << earlier;
  }
  int console[2];
  ASSERT_EQ(0, pipe(console));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(console[0]);
    dup2(console[1], 1);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = earlier.size() + 10;
    setrlimit(RLIMIT_FSIZE, &limit);
    ComputeRange(1000, 1002, FakeCheckedPi);
    fflush(stdout);
    _exit(static_cast<int>(gCalls.size()));
  }
  close(console[1]);
  std::string out;
  char buffer[4096];
  ssize_t got;
  while ((got = read(console[0], buffer, sizeof buffer)) > 0) out.append(buffer, got);
  close(console[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(1, WEXITSTATUS(status));  // the range stopped after the first point
  EXPECT_EQ(earlier, ReadFile("Pix1000-1002.txt"));
  const std::string tail =
      "ERROR, the result file Pix1000-1002.txt cannot be written; its line would have been:\n" +
      earlier;
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(tail, out.substr(out.size() - tail.size()));
}

TEST_F(ComputeRangeTest, KilledRunLeavesOnlyWholeLines) {
  // A child walks a long range with a slow double and is killed at several
  // moments; the file must hold whole, valid, consecutive lines only.
  for (int round = 0; round < 3; ++round) {
    std::string name = "Pix1000-9000.txt";
    std::filesystem::remove(name);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int sink = open("/dev/null", O_WRONLY);
      dup2(sink, 1);
      gPause = 1000;
      ComputeRange(1000, 9000, FakeCheckedPi);
      _exit(0);
    }
    // Wait for a few finished lines (a bounded number of polls), then kill.
    for (int poll = 0; poll < 20000; ++poll) {
      if (std::filesystem::exists(name) && std::filesystem::file_size(name) > 200u * (round + 1))
        break;
      usleep(500);
    }
    usleep(337 * round);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child finished before it was killed";
    std::string file = ReadFile(name);
    EXPECT_GT(CountWholeLines(file, 1000), 0);
  }
}

}  // namespace
