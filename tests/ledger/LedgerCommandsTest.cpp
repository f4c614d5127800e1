#include "ledger/LedgerCommands.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/TextFile.h"
#include "ledger/LedgerTestFiles.h"

namespace {

namespace fs = std::filesystem;
using ledgertest::Ledger;
using ledgertest::Lines;
using ledgertest::WriteResultFile;

class LedgerCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testref::NewFolder("LedgerCommandsTest");
    ASSERT_NE("", folder_);
    db_ = folder_ + "/ledger.sqlite";
  }
  void TearDown() override { fs::remove_all(folder_); }
  ledgertest::Run Do(std::vector<std::string> args) { return Ledger(db_, std::move(args)); }
  void Init() { ASSERT_EQ(0, Do({"init"}).status); }

  std::string folder_;
  std::string db_;
};

TEST_F(LedgerCommandsTest, AddRecordsFilesAndTellsThePointsVerified) {
  Init();
  const std::string a = folder_ + "/a";
  const std::string b = folder_ + "/b";
  fs::create_directory(a);
  fs::create_directory(b);
  std::string ten = WriteResultFile(a, 1000, 1009, Lines(1000, 1009));
  auto run = Do({"add", "--who", "alice", ten});
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(ten + ": 10 points recorded for alice (0 now verified)\n", run.out);
  EXPECT_EQ(ten + ": already recorded\n", Do({"add", "--who", "alice", ten}).out);
  // The same lines from another volunteer verify them; other values for
  // k = 1005..1006 from a third put those in conflict, until a fourth
  // confirms one side.
  std::string half = WriteResultFile(b, 1000, 1004, Lines(1000, 1004));
  EXPECT_EQ(half + ": 5 points recorded for bob (5 now verified)\n", Do({"add", "--who", "bob", half}).out);
  std::string other = WriteResultFile(a, 1005, 1009, Lines(1005, 1006, 1));
  EXPECT_EQ(other + ": 2 points recorded for carol (0 now verified)\n", Do({"add", "--who", "carol", other}).out);

  // A refused file records nothing; a failed check records the lines
  // before it as results and its own line apart.
  std::string damaged = Lines(1010, 1019);
  damaged[damaged.find("1012:") + 6] ^= 1;
  std::string bad = WriteResultFile(a, 1010, 1019, damaged);
  std::string failed = WriteResultFile(b, 1020, 1029, Lines(1020, 1022) + kCheckFailedLine);
  run = Do({"add", "--who", "dave", bad, failed});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(0u, run.out.find(bad + ": line 3: checksum "));
  EXPECT_NE(std::string::npos, run.out.find(" is due (after 2 valid points, k=1010..1011)\n" + failed +
                                            ": 2 points and the failed check of k=1022 recorded for dave "
                                            "(0 now verified)\n"));

  run = Do({"status"});
  EXPECT_EQ(0, run.status);
  EXPECT_NE(std::string::npos, run.out.find("  verified       5\n  single         5\n  conflict       2\n"
                                            "  no result   8989\nFailed checks: 1\n"))
      << run.out;
  EXPECT_NE(std::string::npos, run.out.find("  1000 |!.............................................| 10000\n"))
      << run.out;
  EXPECT_NE(std::string::npos, run.out.find("Volunteer    sent  verified  wrong  failed\n"
                                            "alice          10         5      0       0\n"
                                            "bob             5         5      0       0\n"
                                            "carol           2         0      0       0\n"
                                            "dave            2         0      0       1\n"))
      << run.out;

  run = Do({"conflicts"});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(0u, run.out.find("k=1005: 2 results\n  1005:2512500000000000:-902421.16877:347  alice  "));
  EXPECT_NE(std::string::npos, run.out.find("\n  1005:2512500000000001:-902421.16877:367  carol  ")) << run.out;
  EXPECT_NE(std::string::npos, run.out.find("\nk=1006: 2 results\n")) << run.out;

  std::string settle = WriteResultFile(b, 1005, 1006, Lines(1005, 1006, 1));
  EXPECT_EQ(settle + ": 2 points recorded for erin (2 now verified)\n", Do({"add", "--who", "erin", settle}).out);
  EXPECT_EQ("", Do({"conflicts"}).out);
  EXPECT_NE(std::string::npos, Do({"status"}).out.find("alice          10         5      2       0\n"));
  run = Do({"export", "--verified"});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(0u, run.out.find("k,x,pi,deviation,state,results,volunteers\r\n"
                             "1000,100000000000000000,2500000000000000,"));
  EXPECT_NE(std::string::npos, run.out.find("\r\n1005,100500000000000000,2512500000000001,")) << run.out;
  EXPECT_NE(std::string::npos, run.out.find(",verified,3,alice;carol;erin\r\n")) << run.out;
  EXPECT_EQ(std::string::npos, run.out.find("single"));
  EXPECT_NE(std::string::npos, Do({"export"}).out.find("\r\n1020,102000000000000000,2550000000000000,"));

  EXPECT_EQ("1010..1019\n1022..10000\n", Do({"missing"}).out);
  EXPECT_EQ("1007..1009\n1020..1021\n", Do({"missing", "--double-check"}).out);
}

TEST_F(LedgerCommandsTest, ReservationsAreHandedOutFulfilledAndReleased) {
  Init();
  auto run = Do({"reserve", "--who", "alice", "--points", "10"});
  EXPECT_EQ(0, run.status) << run.err;
  ASSERT_EQ(0u, run.out.find("Reserved k=1000..1009 for alice until "));
  EXPECT_NE(std::string::npos, run.out.find(" (reservation 1); run: brunsk --start 1000 --end 1009 --yes\n"));
  run = Do({"reserve", "--who", "bob", "--start", "1005", "--end", "1100"});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(0u, run.err.find("ERROR, k=1005..1100 overlaps reservation 1 of alice, k=1000..1009 until "));
  EXPECT_EQ(0, Do({"reserve", "--who", "bob", "--start", "1010", "--end", "10000"}).status);
  EXPECT_EQ("", Do({"missing"}).out);

  // alice's file fulfils her reservation; the points have one result, and
  // the double-check goes to bob, never back to alice.
  std::string file = WriteResultFile(folder_, 1000, 1009, Lines(1000, 1009));
  EXPECT_EQ(0, Do({"add", "--who", "alice", file}).status);
  EXPECT_NE(std::string::npos, Do({"status"}).out.find("Reservations: 1 live, 0 expired, 1 done, 0 released\n"));
  run = Do({"reserve", "--who", "alice", "--points", "5"});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(0u, run.err.find("ERROR, nothing left to hand out to alice")) << run.err;
  run = Do({"reserve", "--who", "bob", "--points", "5"});
  EXPECT_EQ(0u, run.out.find("Reserved k=1000..1004 for bob until ")) << run.err;
  EXPECT_EQ("1005..1009\n", Do({"missing", "--double-check"}).out);

  EXPECT_EQ("Released reservation 2 of bob, k=1010..10000\n", Do({"release", "2"}).out);
  EXPECT_EQ("1010..10000\n", Do({"missing"}).out);
  run = Do({"release", "2"});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(0u, run.err.find("ERROR, reservation 2 was released on "));
  EXPECT_EQ(1, Do({"release", "9"}).status);
  EXPECT_NE(std::string::npos, Do({"status"}).out.find("Reservations: 1 live, 0 expired, 1 done, 1 released\n"));
}

TEST_F(LedgerCommandsTest, ArgumentErrorsGiveTheUsage) {
  Init();
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate"},
                                             {"reserve", "--who", "a"},
                                             {"reserve", "--who", "a", "--points", "0"},
                                             {"reserve", "--who", "a", "--points", "-5"},
                                             {"reserve", "--who", "a", "--points", "0x10"},
                                             {"reserve", "--who", "a", "--start", "999", "--end", "1000"},
                                             {"reserve", "--who", "a", "--start", "2000", "--end", "1999"},
                                             {"reserve", "--who", "a", "--points", "5", "--days", "0"},
                                             {"reserve", "--who", "", "--points", "5"},
                                             {"add", "--who", "a\nb", "Pix1000-1000.txt"},
                                             {"add", "--who", std::string(65, 'x'), "Pix1000-1000.txt"},
                                             {"add", "--who", "a"},
                                             {"report"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    auto run = Do(args);
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("Usage: brunsk-ledger")) << run.err;
  }
  EXPECT_EQ(0, Do({"--help"}).status);
  auto version = Do({"--version"});
  EXPECT_EQ(0, version.status);
  EXPECT_EQ("brunsk-ledger 1.1\nBSD 2-Clause licence, see LICENSE\n", version.out);
  EXPECT_EQ(0, Do({"reserve", "--help"}).status);
  // Leading zeros are decimal, as brunsk reads them.
  EXPECT_EQ(0u, Do({"reserve", "--who", "a", "--points", "010"}).out.find("Reserved k=1000..1009 "));
}

TEST_F(LedgerCommandsTest, NamesAreStoredAsGivenAndTheCsvReadsBack) {
  Init();
  const std::string names[] = {"O'Brien \"the elder\", <b>&amp;</b>", "Zoë Łukasiewicz 山田", "plain"};
  long k = 1000;
  for (const std::string& name : names) {
    std::string file = WriteResultFile(folder_, k, k + 1, Lines(k, k + 1));
    ASSERT_EQ(0, Do({"add", "--who", name, file}).status);
    std::string again = folder_ + "/again";
    fs::create_directories(again);
    ASSERT_EQ(0, Do({"add", "--who", names[2] + (name == names[2] ? "2" : ""), WriteResultFile(again, k, k + 1, Lines(k, k + 1))}).status);
    fs::remove_all(again);
    k += 2;
  }
  auto status = Do({"status"});
  for (const std::string& name : names) EXPECT_NE(std::string::npos, status.out.find("\n" + name + " ")) << name;

  std::string csv = folder_ + "/points.csv";
  ASSERT_EQ(0, Do({"export", "--out", csv}).status);
  // Python's csv module, an independent reader of RFC 4180, gives the
  // volunteers of each row back.
  std::string script = folder_ + "/read.py";
  testref::WriteTextFile(script,
                         "import csv, sys\n"
                         "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                         "    rows = list(csv.reader(f))\n"
                         "assert rows[0] == ['k','x','pi','deviation','state','results','volunteers'], rows[0]\n"
                         "with open(sys.argv[2], 'w', encoding='utf-8') as out:\n"
                         "    for row in rows[1:]:\n"
                         "        assert len(row) == 7 and row[1] == row[0] + '0' * 14, row\n"
                         "        out.write(row[0] + '|' + row[4] + '|' + row[6] + '\\n')\n");
  if (testref::ShellStatus("python3 -c 'import csv' 2>/dev/null") != 0) GTEST_SKIP() << "no python3";
  ASSERT_EQ(0, testref::ShellStatus("python3 " + script + " " + csv + " " + folder_ + "/rows.txt"));
  EXPECT_EQ("1000|verified|" + names[0] + ";plain\n1001|verified|" + names[0] + ";plain\n" +
                "1002|verified|" + names[1] + ";plain\n1003|verified|" + names[1] + ";plain\n" +
                "1004|verified|plain;plain2\n1005|verified|plain;plain2\n",
            testref::ReadTextFile(folder_ + "/rows.txt"));
}

// A ledger made by a newer version, or a file that is no ledger, is refused
// and left byte for byte as it was.
TEST_F(LedgerCommandsTest, WhatIsNoLedgerOfThisVersionIsRefusedUntouched) {
  auto run = Do({"status"});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("ERROR, " + db_ + ": no ledger there (make one with: brunsk-ledger init --db " + db_ + ")\n", run.err);
  EXPECT_FALSE(fs::exists(db_));

  Init();
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(db_.c_str(), &db));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr));
  sqlite3_close(db);
  const std::string before = testref::ReadTextFile(db_);
  run = Do({"reserve", "--who", "a", "--points", "3"});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("ERROR, " + db_ + ": made by a newer brunsk-ledger (schema version 99, this one reads up to 1); "
                "it was left as it is\n",
            run.err);
  EXPECT_EQ(before, testref::ReadTextFile(db_));

  struct Case {
    std::string content;
    std::string reason;
  };
  std::string header(100, '\0');
  const Case cases[] = {
      {"not a database at all, some text\n", "not a ledger: the file is not an SQLite database"},
      {std::string("SQLite format 3") + '\0' + std::string(4000, 'x'), "not a ledger: the file is not an SQLite database"},
      {"", "not a ledger: an SQLite database of another program"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    testref::WriteTextFile(db_, c.content);
    run = Do({"status"});
    EXPECT_EQ(2, run.status);
    EXPECT_EQ("ERROR, " + db_ + ": " + c.reason + "\n", run.err);
    EXPECT_EQ(c.content, testref::ReadTextFile(db_));
  }
  fs::remove(db_);
  fs::create_directory(db_);
  EXPECT_EQ(2, Do({"status"}).status);
  EXPECT_EQ(1, Do({"init"}).status);
}

// A ledger of an older version (here the oldest: marked, with no table) is
// brought to the current one by the next command, and then used.
TEST_F(LedgerCommandsTest, AnOlderLedgerIsMigrated) {
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(db_.c_str(), &db));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "PRAGMA application_id = 1112689735", nullptr, nullptr, nullptr));
  sqlite3_close(db);
  auto run = Do({"reserve", "--who", "alice", "--points", "3"});
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(0u, run.out.find("Reserved k=1000..1002 for alice until "));
  ASSERT_EQ(SQLITE_OK, sqlite3_open(db_.c_str(), &db));
  sqlite3_stmt* version = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr));
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(version));
  EXPECT_EQ(1, sqlite3_column_int(version, 0));
  sqlite3_finalize(version);
  sqlite3_close(db);
}

TEST_F(LedgerCommandsTest, AnUnwritablePlaceEndsWithStatus3) {
  auto run = Ledger(folder_ + "/no/such/folder/ledger.sqlite", {"init"});
  EXPECT_EQ(3, run.status);
  EXPECT_NE(std::string::npos, run.err.find("cannot be written")) << run.err;
  Init();
  testref::WriteTextFile(folder_ + "/site", "a file where the report's folder would go");
  EXPECT_EQ(3, Do({"report", "--out", folder_ + "/site"}).status);
  EXPECT_EQ(3, Do({"export", "--out", folder_ + "/site/points.csv"}).status);
}

}  // namespace
