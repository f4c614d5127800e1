// The work unit with stand-ins for the BOINC runtime and for the per-point
// computation: what it reports, when it checkpoints and enters critical
// sections, how it restarts after a kill or a torn last line, which clock
// its times come from, and how each bad input or outcome ends.
#include "boinc/BoincUnit.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "common/TextFile.h"
#include "results/ResultScan.h"

namespace {

using testref::ReadTextFile;
using testref::WriteTextFile;

long LinesIn(const std::string& name) { return ScanResultFile(name, 1000, 10000, false).points; }

// The unit's running time, advanced by the per-point computation only.
double gRunning = 0.0;

// Whether every line of text starts with the log's stamp "HH:MM:SS (PID): ".
bool EveryLineStamped(const std::string& text) {
  static const std::regex stamp("^[0-9]{2}:[0-9]{2}:[0-9]{2} \\([0-9]+\\): ");
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!std::regex_search(line, stamp)) return false;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return true;
}

// The runtime: counts every call; logical names resolve into the test's
// folder unless told otherwise.
struct FakeBoinc : BoincCalls {
  int Init() override {
    ++inits;
    return initStatus;
  }
  bool Resolve(const std::string& name, std::string* path) override {
    *path = paths.count(name) ? paths[name] : folder + "/" + name;
    return true;
  }
  void FractionDone(double fraction) override { fractions.push_back(fraction); }
  void CheckpointCompleted() override { Note('C'); }
  void BeginCriticalSection() override { Note('B'); }
  void EndCriticalSection() override { Note('E'); }
  double RunningSeconds() override { return gRunning; }
  void Finish(int status) override { finishes.push_back(status); }

  // The call's letter and the lines in the output at the time.
  void Note(char call) { events.push_back(call + std::to_string(LinesIn(folder + "/out"))); }

  std::string folder;
  std::map<std::string, std::string> paths;
  int initStatus = 0;
  int inits = 0;
  std::vector<int> finishes;
  std::vector<double> fractions;
  std::vector<std::string> events;  // checkpoints (C) and critical sections (B, E)
};

// The per-point computation: reports the components of two evaluations,
// returns a value growing with k, fails, damages the output or hangs where
// told.
std::vector<long> gCalls;
long gFailAt = -1;
long gHangAt = -1;
long gDamageAt = -1;
std::string gFolder;

int FakePoint(Integer x, Integer& result, int, int, const EvaluationProgress& progress) {
  long k = static_cast<long>(x.GetApprox() / 1e14);
  gCalls.push_back(k);
  gRunning += 50.0;
  if (k == gHangAt) {
    WriteTextFile(gFolder + "/hanging", "");
    pause();
  }
  if (k == gDamageAt) {
    std::ofstream out(gFolder + "/out", std::ios::app);
    out << "1001:27";
  }
  for (int evaluation = 0; evaluation < 2; ++evaluation) {
    for (char c : {'A', 'B', 'C', 'D'}) {
      progress(evaluation, c, 0.5);
      progress(evaluation, c, 1.0);
    }
  }
  result = Integer(2.5e12);
  result.Multiply(static_cast<double>(k));
  result.Add(2e14);
  return k == gFailAt ? 1 : 0;
}

class BoincUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFolder = boinc_.folder = testref::NewFolder("brunsk-unit");
    ASSERT_NE("", gFolder);
    gCalls.clear();
    gFailAt = gHangAt = gDamageAt = -1;
  }
  void TearDown() override { std::filesystem::remove_all(boinc_.folder); }

  void FreshRuntime() {
    std::string folder = boinc_.folder;
    boinc_ = FakeBoinc();
    boinc_.folder = folder;
  }

  // Runs a unit; the log is kept in log_.
  int Run(const std::vector<std::string>& arguments = {}) {
    FILE* log = tmpfile();
    BoincUnit unit(boinc_, FakePoint, log);
    testing::internal::CaptureStdout();
    int status = unit.Run(arguments);
    console_ = testing::internal::GetCapturedStdout();
    threads_ = unit.Settings().threads;
    rewind(log);
    log_.clear();
    for (int c; (c = fgetc(log)) != EOF;) log_ += static_cast<char>(c);
    fclose(log);
    return status;
  }

  FakeBoinc boinc_;
  std::string log_, console_;
  int threads_ = 0;
};

TEST_F(BoincUnitTest, ComputesTheRangeReportingProgressAndCheckpoints) {
  WriteTextFile(boinc_.folder + "/in", "1000 1002\n");
  // With the arguments the runtime may add, which change nothing.
  EXPECT_EQ(0, Run({"--critical_section", "--nthreads", "4", "--graphics", "--device", "0"}));
  EXPECT_EQ(4, threads_);
  EXPECT_EQ(1, boinc_.inits);
  EXPECT_EQ(std::vector<int>{0}, boinc_.finishes);
  EXPECT_EQ((std::vector<long>{1000, 1001, 1002}), gCalls);
  EXPECT_EQ(3, LinesIn(boinc_.folder + "/out"));
  // The log holds the one line that names the program and its licence.
  EXPECT_EQ(1, std::count(log_.begin(), log_.end(), '\n')) << log_;
  EXPECT_NE(std::string::npos, log_.find("brunsk_boinc 1.1, BSD 2-Clause licence, see LICENSE\n")) << log_;

  // Each line written inside a critical section, and a checkpoint declared
  // once it is in the output.
  EXPECT_EQ((std::vector<std::string>{"B0", "E1", "C1", "B1", "E2", "C2", "B2", "E3", "C3"}), boinc_.events);

  // The console's times come from the runtime's clock, which stands still
  // while the task is suspended (here: 50 s a point); every line is stamped.
  EXPECT_NE(std::string::npos, console_.find("Range: 2/3 points done, 50 s per point")) << console_;
  EXPECT_TRUE(EveryLineStamped(console_)) << console_;

  // The fraction rises, within each point too, and ends at 1.
  const std::vector<double>& f = boinc_.fractions;
  for (size_t i = 1; i < f.size(); ++i) EXPECT_LT(f[i - 1], f[i]) << i;
  EXPECT_EQ(1.0, f.back());
  auto reported = [&f](double value) {
    for (double x : f) {
      if (std::abs(x - value) < 1e-12) return true;
    }
    return false;
  };
  EXPECT_TRUE(reported(0.47 / 3)) << "the first evaluation of the first point";
  EXPECT_TRUE(reported((1.0 + 0.94) / 3)) << "the second evaluation of the second point";

  // Run again: complete already, nothing computed or written, still success.
  FreshRuntime();
  gCalls.clear();
  EXPECT_EQ(0, Run());
  EXPECT_EQ(1, threads_);
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ(std::vector<int>{0}, boinc_.finishes);
  EXPECT_TRUE(boinc_.events.empty());
  EXPECT_EQ(std::vector<double>{1.0}, boinc_.fractions);
}

TEST_F(BoincUnitTest, KilledUnitRestartsAtTheFirstMissingPoint) {
  WriteTextFile(boinc_.folder + "/in", "1000 1002\n");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    freopen("/dev/null", "w", stdout);
    gHangAt = 1001;
    BoincUnit unit(boinc_, FakePoint, stderr);
    _exit(unit.Run({}));
  }
  for (int poll = 0; poll < 2000 && !std::filesystem::exists(boinc_.folder + "/hanging"); ++poll) usleep(5000);
  kill(child, SIGKILL);
  int killed = 0;
  waitpid(child, &killed, 0);
  ASSERT_TRUE(WIFSIGNALED(killed));
  std::string first = ReadTextFile(boinc_.folder + "/out");
  ASSERT_EQ(1, LinesIn(boinc_.folder + "/out"));

  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<long>{1001, 1002}), gCalls);
  EXPECT_EQ(0u, ReadTextFile(boinc_.folder + "/out").find(first));
  EXPECT_EQ(3, LinesIn(boinc_.folder + "/out"));
  EXPECT_NEAR(1.0 / 3, boinc_.fractions.front(), 1e-12);
  EXPECT_EQ(std::vector<int>{0}, boinc_.finishes);
}

TEST_F(BoincUnitTest, TornLastLineIsCutOffAndItsPointComputedAgain) {
  WriteTextFile(boinc_.folder + "/in", "1000 1002\n");
  gHangAt = -1;
  EXPECT_EQ(0, Run({}));
  const std::string whole = ReadTextFile(boinc_.folder + "/out");
  const std::string first = whole.substr(0, whole.find('\n') + 1);

  // A power cut in the middle of the second line's write.
  WriteTextFile(boinc_.folder + "/out", first + whole.substr(first.size(), 9));
  FreshRuntime();
  gCalls.clear();
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<long>{1001, 1002}), gCalls);
  EXPECT_EQ(whole, ReadTextFile(boinc_.folder + "/out"));
  EXPECT_NE(std::string::npos, log_.find("The last line of " + boinc_.folder +
                                         "/out was cut short (9 bytes without an end of line): removed, "
                                         "k=1001 is computed again\n"))
      << log_;
  EXPECT_TRUE(EveryLineStamped(log_)) << log_;

  // Torn before its first line ended: the file is emptied and the unit
  // starts over.
  WriteTextFile(boinc_.folder + "/out", "1000:26");
  FreshRuntime();
  gCalls.clear();
  EXPECT_EQ(0, Run());
  EXPECT_EQ((std::vector<long>{1000, 1001, 1002}), gCalls);
  EXPECT_EQ(whole, ReadTextFile(boinc_.folder + "/out"));

  // Anything else that is wrong stays an error, the file as it was: a bad
  // line that is not the last one, a torn line after a bad one or after
  // the mark of a failed check.
  const std::string broken = whole.substr(0, first.size() + 5) + "x" + whole.substr(first.size() + 6);
  for (const std::string& text :
       std::vector<std::string>{broken, "1000:26\n1001:2", first + "Last computation : Check KO\n1001:2"}) {
    SCOPED_TRACE(text);
    WriteTextFile(boinc_.folder + "/out", text);
    FreshRuntime();
    gCalls.clear();
    EXPECT_EQ(2, Run());
    EXPECT_TRUE(gCalls.empty());
    EXPECT_EQ(text, ReadTextFile(boinc_.folder + "/out"));
    EXPECT_NE(std::string::npos, log_.find("ERROR, " + boinc_.folder + "/out line ")) << log_;
    EXPECT_EQ(std::string::npos, log_.find("cut short")) << log_;
  }
}

// A failed point's line and its mark go out in one write; a power cut
// inside it can leave the line whole and the mark cut short. The check
// failed: the unit completes the mark and ends with status 2, never keeping
// the line as a good one. The first output is the one the fuzz target
// found (fuzz/corpus/BoincUnitFuzz/torn-mark-found).
TEST_F(BoincUnitTest, TornFailureMarkIsCompletedAndTheUnitEndsAsAFailedCheck) {
  WriteTextFile(boinc_.folder + "/in", "1000 1003\n");
  const std::string lines =
      "1000:2700000000000000:558449.72267:552\n"
      "1001:2702500000000000:557776.90977:902\n";
  const std::string out = boinc_.folder + "/out";
  for (const std::string torn : {"Last computation : Ch", "Last computation", "L", "Last computation : Check KO"}) {
    SCOPED_TRACE(torn);
    WriteTextFile(out, lines + torn);
    FreshRuntime();
    gCalls.clear();
    EXPECT_EQ(2, Run());
    EXPECT_TRUE(gCalls.empty());
    EXPECT_EQ(lines + "Last computation : Check KO\n", ReadTextFile(out));
    EXPECT_EQ(std::vector<int>{2}, boinc_.finishes);
    EXPECT_NE(std::string::npos, log_.find("The failure mark after k=1001 in " + out + " was cut short (" +
                                           std::to_string(torn.size()) + " bytes without an end of line): completed\n"))
        << log_;
    EXPECT_NE(std::string::npos,
              log_.find("ERROR, " + out + " line 3: the last computation failed its check (Last computation : Check KO)"))
        << log_;
    EXPECT_EQ(std::string::npos, log_.find("computed again")) << log_;

    // Run again: the same failed check, the file as it is.
    FreshRuntime();
    EXPECT_EQ(2, Run());
    EXPECT_TRUE(gCalls.empty());
    EXPECT_EQ(lines + "Last computation : Check KO\n", ReadTextFile(out));
  }

  // With no line before it, no write of the unit's left it: an error, the
  // file as it was.
  WriteTextFile(out, "Last comp");
  FreshRuntime();
  gCalls.clear();
  EXPECT_EQ(2, Run());
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ("Last comp", ReadTextFile(out));
  EXPECT_NE(std::string::npos, log_.find("ERROR, " + out + " line 1: line cut short (no newline)")) << log_;
}

TEST_F(BoincUnitTest, EachBadInputOrOutcomeHasItsStatusAndMessage) {
  struct Case {
    const char* input;  // nullptr: no input file
    std::vector<std::string> arguments;
    int status;
    const char* message;
  } cases[] = {
      {nullptr, {}, 1, "ERROR, the input file $/in cannot be read: No such file or directory\n"},
      {"1000", {}, 1, "ERROR, the input file $/in does not hold two integers \"S E\"\n"},
      {"1000 1001 1002", {}, 1, "does not hold two integers"},
      {"1000 10O1", {}, 1, "does not hold two integers"},
      {"1000.0 1001", {}, 1, "does not hold two integers"},
      {"99999999999999999999 1001", {}, 1, "does not hold two integers"},
      {"1001 1000\n", {}, 1, "cannot be computed: Error, S should be smaller than E\n"},
      {"999 1000", {}, 1, "cannot be computed: Error, S should be bigger than 1E+17/1E+14=1000\n"},
      {"10000 10001", {}, 1, "cannot be computed: Error, E should be smaller than 1E+18/1E+14=10000\n"},
      {"1000 1001", {"--nthreads", "0"}, 1, "--nthreads takes a number of threads from 1 to 1024, not \"0\""},
      {"1000 1001", {"--nthreads"}, 1, "--nthreads takes"},
      {"1000 1001", {"--threads", "2"}, 1, "ERROR, unknown argument \"--threads\""},
      {"1000 1002", {}, 2, "ERROR, the check of k=1001 failed (Check KO)\n"},
      {"1000 1001", {}, 3, "ERROR, the result file $/folder cannot be used: it is a directory\n"},
      // Another writer appends to the output during k=1001: the run stops
      // before it writes after the stranger's bytes.
      {"1000 1001", {}, 3, "ERROR, the result file $/out cannot be written: another process has changed it"},
      {"1000 1001", {}, 4, "ERROR, the BOINC runtime did not start (error -1)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::filesystem::remove_all(boinc_.folder);
    std::filesystem::create_directories(boinc_.folder + "/folder");
    if (c.input != nullptr) WriteTextFile(boinc_.folder + "/in", c.input);
    std::string message = c.message;
    if (message.find("$/folder") != std::string::npos) boinc_.paths["out"] = boinc_.folder + "/folder";
    gFailAt = c.status == 2 ? 1001 : -1;
    gDamageAt = message.find("$/out") != std::string::npos ? 1001 : -1;
    boinc_.initStatus = c.status == 4 ? -1 : 0;
    gCalls.clear();

    EXPECT_EQ(c.status, Run(c.arguments));
    if (message.find('$') != std::string::npos) message.replace(message.find('$'), 1, boinc_.folder);
    EXPECT_NE(std::string::npos, log_.find(message)) << log_;
    // Finish once with the status, except when the runtime never started.
    EXPECT_EQ(c.status == 4 ? std::vector<int>{} : std::vector<int>{c.status}, boinc_.finishes);
    if (c.status == 1 || c.status == 4) {
      EXPECT_TRUE(gCalls.empty());
    }
    // A unit that fails never claims to be done.
    EXPECT_NE(1.0, boinc_.fractions.empty() ? 0.0 : boinc_.fractions.back());
    FreshRuntime();
  }
}

}  // namespace
