// The ledger under what a coordinator's machine does to it: a command
// killed at any instant, two commands at once, a lock held by another.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/Program.h"
#include "ledger/LedgerTestFiles.h"

namespace {

namespace fs = std::filesystem;
using ledgertest::Ledger;
using ledgertest::Lines;
using ledgertest::WriteResultFile;

// Starts the built brunsk-ledger with --db db and args, as a process of its
// own (SQLite's connections and locks must not cross a fork, so the child
// runs the program afresh); returns its pid.
pid_t Start(const std::string& db, const std::vector<std::string>& args) {
  std::string command = "exec " + testref::ProgramCommand("brunsk-ledger") + " --db '" + db + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  command += " >/dev/null 2>&1";
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int raw = 0;
  waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// One-value queries of the test's own, on its own connection.
std::string Query(const std::string& db, const std::string& sql) {
  sqlite3* handle = nullptr;
  std::string value;
  if (sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      while (sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        value += (value.empty() ? "" : ",") + std::string(text ? reinterpret_cast<const char*>(text) : "");
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(handle);
  return value;
}

class LedgerRobustnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testref::NewFolder("LedgerRobustnessTest");
    ASSERT_NE("", folder_);
    db_ = folder_ + "/ledger.sqlite";
    ASSERT_EQ(0, Ledger(db_, {"init"}).status);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // count files of 100 points from k = first on, in folder/name.
  std::vector<std::string> Files(const std::string& name, long first, int count) {
    fs::create_directories(folder_ + "/" + name);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      long S = first + 100L * i;
      paths.push_back(WriteResultFile(folder_ + "/" + name, S, S + 99, Lines(S, S + 99)));
    }
    return paths;
  }

  std::string folder_;
  std::string db_;
};

// add killed at random instants: the ledger passes SQLite's integrity check
// and holds each file whole (its 100 lines) or not at all; the next add
// records what is missing. Each round kills an add into a ledger of its own.
// The instants are drawn between one that came too early (nothing recorded
// yet) and one that came too late (everything recorded), both moved as the
// rounds learn them, so that on a fast disk and a slow one alike most kills
// fall in the middle of the work.
TEST_F(LedgerRobustnessTest, AddKilledAtAnyInstantLeavesEachFileWholeOrAbsent) {
  std::vector<std::string> args = {"add", "--who", "alice"};
  for (const std::string& path : Files("a", 1000, 12)) args.push_back(path);
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(0, Wait(Start(db_, args)));
  const double whole =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count();
  ASSERT_EQ("12", Query(db_, "SELECT COUNT(*) FROM received_file"));

  std::mt19937 random(20261210);
  std::uniform_real_distribution<double> within(0.2, 0.8);
  double early = 0.0, late = 2.0 * whole;
  std::vector<int> recordedCounts;
  for (int round = 0; round < 16; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string db = folder_ + "/round" + std::to_string(round) + ".sqlite";
    ASSERT_EQ(0, Ledger(db, {"init"}).status);
    const double instant = early + (late - early) * within(random);
    pid_t child = Start(db, args);
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(instant)));
    kill(child, SIGKILL);
    Wait(child);
    EXPECT_EQ("ok", Query(db, "PRAGMA integrity_check"));
    EXPECT_EQ("", Query(db,
                        "SELECT f.name FROM received_file f LEFT JOIN result r ON r.file = f.id "
                        "GROUP BY f.id HAVING COUNT(r.id) != 100"));
    const int recorded = std::stoi(Query(db, "SELECT COUNT(*) FROM received_file"));
    recordedCounts.push_back(recorded);
    if (recorded == 0) early = instant;
    if (recorded == 12) late = instant;
    auto run = Ledger(db, args);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("12", Query(db, "SELECT COUNT(*) FROM received_file"));
    EXPECT_EQ("1200", Query(db, "SELECT COUNT(*) FROM result"));
  }
  // Some kills fell in the middle of the work: a file or more recorded, not
  // all of them.
  EXPECT_TRUE(std::any_of(recordedCounts.begin(), recordedCounts.end(), [](int n) { return n > 0 && n < 12; }))
      << ::testing::PrintToString(recordedCounts);
}

// Two adds and a reader at once all succeed, each waiting for the other's
// lock, and every file is recorded once.
TEST_F(LedgerRobustnessTest, TwoAddsAndAReportAtOnceAllSucceed) {
  std::vector<std::string> alice = {"add", "--who", "alice"};
  std::vector<std::string> bob = {"add", "--who", "bob"};
  for (const std::string& path : Files("a", 1000, 10)) alice.push_back(path);
  for (const std::string& path : Files("b", 1000, 10)) bob.push_back(path);
  pid_t first = Start(db_, alice);
  pid_t second = Start(db_, bob);
  pid_t reader = Start(db_, {"report", "--out", folder_ + "/site"});
  EXPECT_EQ(0, Wait(first));
  EXPECT_EQ(0, Wait(second));
  EXPECT_EQ(0, Wait(reader));
  EXPECT_EQ("20", Query(db_, "SELECT COUNT(*) FROM received_file"));
  EXPECT_NE(std::string::npos, Ledger(db_, {"status"}).out.find("  verified    1000\n"));
}

// A command waits for a lock another holds; a lock held past the wait is
// told in words, with status 3 and nothing changed.
TEST_F(LedgerRobustnessTest, ACommandWaitsForAnotherOnesLock) {
  sqlite3* holder = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(db_.c_str(), &holder));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
  pid_t child = Start(db_, {"reserve", "--who", "alice", "--points", "10"});
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  int raw = 0;
  EXPECT_EQ(0, waitpid(child, &raw, WNOHANG)) << "the reservation did not wait";
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr));
  EXPECT_EQ(0, Wait(child));
  sqlite3_close(holder);
  EXPECT_EQ("1", Query(db_, "SELECT COUNT(*) FROM reservation"));
}

}  // namespace
