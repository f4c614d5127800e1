#include "driver/ComputeRange.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/Program.h"

#include "results/LineChecksum.h"
#include "results/OffsetLogIntegral.h"
#include "results/ResultLine.h"

namespace {

const std::string kDashes = "----------------------------------------------------------\n";

// The per-point double: records the grid index, prints a marker, returns
// pi(x) where it is known and 2.5e12 k + 2e14 elsewhere (growing with k
// below 10000), and fails where told.
std::vector<double> gCalls;
double gFailAt = -1.0;
int gPause = 0;  // microseconds
int gThreads = 0;  // of the last call
std::function<void(double k)> gDuring;  // called in the middle of each point

int FakeCheckedPi(Integer x, Integer& result, int verbose, int threads) {
  double k = x.GetApprox() / 1e14;
  gCalls.push_back(k);
  gThreads = threads;
  if (k == 1000.0) {
    result = Integer(2623557157654233.0);
  } else if (k == 10000.0) {
    result = Integer(24739954287740860.0);
  } else {
    result = Integer(2.5e12);
    result.Multiply(k);
    result.Add(2e14);
  }
  if (gPause != 0) std::this_thread::sleep_for(std::chrono::microseconds(gPause));
  if (gDuring) gDuring(k);
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
    directory_ = testref::NewTempFolder("brunsk-range");
    ASSERT_NE("", directory_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(directory_);
    gCalls.clear();
    gFailAt = -1.0;
    gPause = 0;
    gDuring = nullptr;
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(directory_);
  }

  // Runs the range with the double; returns the transcript less the progress
  // lines, whose form is checked on the way.
  std::string Run(double S, double E, int threads = 1) {
    testing::internal::CaptureStdout();
    RangeSettings settings;
    settings.threads = threads;
    status_ = ComputeRange(S, E, settings, FakeCheckedPi);
    std::istringstream out(testing::internal::GetCapturedStdout());
    std::string kept, line;
    const std::regex progress(
        "Range: \\d+/\\d+ points done, \\d+ s per point, estimated end "
        "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}");
    while (std::getline(out, line)) {
      if (line.rfind("Range: ", 0) == 0) {
        EXPECT_TRUE(std::regex_match(line, progress)) << line;
        continue;
      }
      kept += line + (out.eof() ? "" : "\n");
    }
    return kept;
  }

  RangeStatus status_ = kRangeDone;
  std::string directory_;
  std::filesystem::path previous_;
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

TEST_F(ComputeRangeTest, ThreadsReachThePointAndItsHeader) {
  EXPECT_EQ(Header(1000, 1000, "1.000000E+17") + "<point 1000 verbose=1>\n", Run(1000, 1000, 1));
  EXPECT_EQ(1, gThreads);
  std::string header = Header(1001, 1001, "1.001000E+17");
  header.insert(header.rfind(kDashes), "Running on 3 threads\n");
  EXPECT_EQ(header + "<point 1001 verbose=1>\n", Run(1001, 1001, 3));
  EXPECT_EQ(3, gThreads);
}

TEST_F(ComputeRangeTest, ContinuesAtTheFirstMissingPoint) {
  const std::string first = "1000:2623557157654233:-0.05813:158\n";
  {
    std::ofstream earlier("Pix1000-1002.txt", std::ios::binary);
    earlier << first;
  }
  std::string out = Run(1000, 1002);
  EXPECT_EQ(kRangeDone, status_);
  EXPECT_EQ(0u, out.find("Resuming at k=1001: 1 point already in Pix1000-1002.txt\n" +
                         Header(1001, 1002, "1.001000E+17")));
  EXPECT_EQ((std::vector<double>{1001.0, 1002.0}), gCalls);
  std::string file = ReadFile("Pix1000-1002.txt");
  EXPECT_EQ(0u, file.find(first));
  EXPECT_EQ(3, CountWholeLines(file, 1000));

  // A complete range says so and computes nothing.
  gCalls.clear();
  out = Run(1000, 1002);
  EXPECT_EQ("Range complete: 3 points already in Pix1000-1002.txt\n", out);
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ(file, ReadFile("Pix1000-1002.txt"));
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
  // pi = 2.5e12 k + 2e14 here: the second field is that value, digit for digit.
  EXPECT_EQ(0u, file.find("2010:5225000000000000:"));
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

TEST_F(ComputeRangeTest, UnusableResultFileIsRefusedBeforeAnyPoint) {
  // A directory, a named pipe (which would block an open for writing) and a
  // device at the file's name; the read-only file is tested when not root.
  struct Case {
    const char* reason;
    int (*make)(const char*);
  } cases[] = {
      {"it is a directory", [](const char* name) { return std::filesystem::create_directory(name) ? 0 : -1; }},
#ifndef _WIN32
      // POSIX only: Windows has no named pipe or device node in a folder, and
      // a read-only file there is the lead's ResultFile matter of share modes.
      {"it is a named pipe", [](const char* name) { return mkfifo(name, 0644); }},
      {"it is a device", [](const char* name) { return symlink("/dev/null", name); }},
      {"Permission denied",
       [](const char* name) { return close(open(name, O_CREAT | O_WRONLY, 0444)) != 0 || geteuid() == 0 ? -1 : 0; }},
#endif
  };
  for (const Case& c : cases) {
    if (c.make("Pix1000-1002.txt") != 0) continue;
    std::string out = Run(1000, 1002);
    EXPECT_EQ(kRangeFileUnusable, status_);
    EXPECT_TRUE(gCalls.empty()) << c.reason;
    EXPECT_EQ(std::string("ERROR, the result file Pix1000-1002.txt cannot be used: ") + c.reason + "\n", out);
    std::filesystem::remove("Pix1000-1002.txt");
  }
}

TEST_F(ComputeRangeTest, DamagedFileIsNamedAndLeftAsItIs) {
  auto line = [](long k) {
    char digits[32];
    snprintf(digits, sizeof digits, "%" PRId64, int64_t{2500000000000} * k);
    return FormatResultLine(k, digits, NormalisedDeviation(2.5e12 * k, 1e14 * k));
  };
  const std::string good = line(1000) + line(1001) + line(1002);
  struct Case {
    std::string text;
    const char* where;  // the start of the message after the file name
  } cases[] = {
      {line(1000) + "1001:2502500000000000:-0.99999:1\n", "line 2: "},             // checksum
      {line(1000) + line(1002), "line 2: "},                                          // gap
      // A deviation field that is not the one pi(x) gives, checksum made to fit:
      // the coordinator rejects the file, so the resume must not go on with it.
      {line(1000) + FormatResultLine(1001, "2502500000000000", NormalisedDeviation(2.5e12 * 1001, 1e14 * 1001) + 1e-5),
       "line 2: deviation "},
      {line(1001), "line 1: "},                                                       // not from S
      {line(1000) + line(1001) + kCheckFailedLine, "line 3: the last computation failed"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  // The file cut at every byte of its last line: whole lines resume, any
  // other cut is a partial line.
  size_t lastLine = good.size() - line(1002).size();
  for (size_t cut = lastLine; cut < good.size(); ++cut) all.push_back({good.substr(0, cut), "line 3: "});
  for (const Case& c : all) {
    {
      std::ofstream file("Pix1000-1005.txt", std::ios::binary);
      file << c.text;
    }
    gCalls.clear();
    std::string out = Run(1000, 1005);
    std::string text = ReadFile("Pix1000-1005.txt");
    if (c.text == good.substr(0, lastLine)) {  // two whole lines: resumed
      EXPECT_EQ(kRangeDone, status_);
      EXPECT_EQ(4u, gCalls.size());
      EXPECT_EQ(6, CountWholeLines(text, 1000));
      continue;
    }
    SCOPED_TRACE(c.text);
    EXPECT_EQ(kRangeCheckFailed, status_);
    EXPECT_TRUE(gCalls.empty());
    EXPECT_EQ(c.text, text);
    EXPECT_EQ(0u, out.find(std::string("ERROR, Pix1000-1005.txt ") + c.where)) << out;
  }
}

// POSIX only: these start a second process with fork and kill it, or limit
// its file size with setrlimit, none of which Windows has.
#ifndef _WIN32
// A child process that walks the range with the double, pausing pause
// microseconds a point, its console going nowhere; -1 when fork fails.
pid_t StartSlowRange(double S, double E, int pause) {
  pid_t child = fork();
  if (child == 0) {
    int sink = open("/dev/null", O_WRONLY);
    dup2(sink, 1);
    gPause = pause;
    ComputeRange(S, E, FakeCheckedPi);
    _exit(0);
  }
  return child;
}

TEST_F(ComputeRangeTest, SecondProcessOnTheSameFileRefuses) {
  pid_t child = StartSlowRange(1000, 9000, 2000);
  ASSERT_GE(child, 0);
  // The child holds the lock once it has written a line: the file alone may
  // exist a moment before its lock (long enough under emulation to be seen).
  const std::string name = "Pix1000-9000.txt";
  for (int poll = 0; poll < 20000; ++poll) {
    std::error_code error;
    const auto size = std::filesystem::file_size(name, error);
    if (!error && size > 0) break;
    usleep(500);
  }
  std::string out = Run(1000, 9000);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(kRangeFileUnusable, status_);
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ("ERROR, the result file Pix1000-9000.txt cannot be used: it is in use by another process\n", out);
}

TEST_F(ComputeRangeTest, LineThatCannotBeWrittenWholeIsCutOff) {
  // A child whose file size limit leaves room for a part of the new line
  // only: the part is removed again and the line goes to the console.
  const std::string earlier = "1000:2623557157654233:-0.05813:158\n";
  {
    std::ofstream file("Pix1000-1002.txt", std::ios::binary);
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
  EXPECT_EQ(1, WEXITSTATUS(status));  // the range stopped after its first new point
  EXPECT_EQ(earlier, ReadFile("Pix1000-1002.txt"));
  EXPECT_NE(std::string::npos,
            out.find("ERROR, the result file Pix1000-1002.txt cannot be written: File too large; its line would "
                     "have been:\n1001:2702500000000000:"))
      << out;
}

TEST_F(ComputeRangeTest, FileCutDuringTheRunStopsItWithoutWriting) {
  // Another process cuts the file back to its first line while the third
  // point is computed: the run stops there (the file no longer holds what
  // it wrote) instead of appending k=1002 after k=1000.
  const std::string name = "Pix1000-1005.txt";
  gDuring = [&](double k) {
    if (k == 1002.0) std::filesystem::resize_file(name, 35);
  };
  testing::internal::CaptureStderr();
  RangeSettings settings;
  settings.errors = stderr;
  testing::internal::CaptureStdout();
  status_ = ComputeRange(1000, 1005, settings, FakeCheckedPi);
  testing::internal::GetCapturedStdout();
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(kRangeFileUnusable, status_);
  EXPECT_EQ("1000:2623557157654233:-0.05813:158\n", ReadFile(name));
  EXPECT_EQ(0u, errors.find("ERROR, the result file Pix1000-1005.txt cannot be written: another process has "
                            "changed it: it holds 35 bytes where this run wrote 74; its line would have been:\n"
                            "1002:"))
      << errors;
  EXPECT_EQ(3u, gCalls.size());
}

TEST_F(ComputeRangeTest, KilledRunsResumeToTheWholeRange) {
  // A child walks the range with a slow double and is killed at a random
  // moment, again and again; each restart continues where the file stops,
  // which holds whole, valid, consecutive lines only, and the last run
  // completes the range without a duplicate.
  const std::string name = "Pix1000-1299.txt";
  srand(static_cast<unsigned>(time(nullptr)));
  for (int round = 0; round < 6; ++round) {
    pid_t child = StartSlowRange(1000, 1299, 300);
    ASSERT_GE(child, 0);
    usleep(5000 + rand() % 20000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_GE(CountWholeLines(ReadFile(name), 1000), 0);
  }
  long before = CountWholeLines(ReadFile(name), 1000);
  Run(1000, 1299);
  EXPECT_EQ(kRangeDone, status_);
  EXPECT_EQ(static_cast<size_t>(300 - before), gCalls.size());
  EXPECT_EQ(300, CountWholeLines(ReadFile(name), 1000));
}

TEST_F(ComputeRangeTest, KilledRunLeavesOnlyWholeLines) {
  // A child walks a long range with a slow double and is killed at several
  // moments; the file must hold whole, valid, consecutive lines only.
  for (int round = 0; round < 3; ++round) {
    std::string name = "Pix1000-9000.txt";
    std::filesystem::remove(name);
    pid_t child = StartSlowRange(1000, 9000, 1000);
    ASSERT_GE(child, 0);
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

#endif  // !_WIN32

TEST_F(ComputeRangeTest, HooksSeeEachPointAndThePathReplacesTheName) {
  // Started is told before the point is computed, written once its line is
  // in the file; a failed point is started and never written.
  std::vector<std::string> events;
  RangeSettings settings;
  settings.path = "unit-output";
  settings.pointStarted = [&](long k) { events.push_back("started " + std::to_string(k)); };
  settings.pointWritten = [&](long k) {
    events.push_back("written " + std::to_string(k) + " after " +
                     std::to_string(CountWholeLines(ReadFile("unit-output"), 1000)) + " lines");
  };
  gFailAt = 1002.0;
  testing::internal::CaptureStdout();
  EXPECT_EQ(kRangeCheckFailed, ComputeRange(1000, 1002, settings, FakeCheckedPi));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ((std::vector<std::string>{"started 1000", "written 1000 after 1 lines", "started 1001",
                                      "written 1001 after 2 lines", "started 1002"}),
            events);
  EXPECT_FALSE(std::filesystem::exists("Pix1000-1002.txt"));
}

}  // namespace
