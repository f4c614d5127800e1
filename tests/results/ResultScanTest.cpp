#include "results/ResultScan.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "results/OffsetLogIntegral.h"

namespace {

const std::string kLine1000 = "1000:2623557157654233:-0.05813:158\n";
const std::string kLine10000 = "10000:24739954287740860:-0.05178:649\n";
const std::string kMark = "Last computation : Check KO\n";

// The line the range loop writes for k with pi(x) = value.
std::string LineWith(long k, int64_t value) {
  return FormatResultLine(k, std::to_string(value), NormalisedDeviation(double(value), k * 1e14));
}

// The line for k with pi(x) = 2.5e12 k (below the true values near k = 1000
// and above them near k = 10000, so the known lines stand alone).
std::string Line(long k) { return LineWith(k, 2500000000000L * k); }

std::string Lines(long first, long last) {
  std::string text;
  for (long k = first; k <= last; ++k) text += Line(k);
  return text;
}

void ExpectBad(const ResultScan& scan, long badLine, const std::string& reason, long points) {
  EXPECT_FALSE(scan.Valid());
  EXPECT_EQ(badLine, scan.badLine);
  EXPECT_EQ(reason, scan.reason);
  EXPECT_EQ(points, scan.points);
  EXPECT_EQ(points, static_cast<long>(scan.lines.size()));
  EXPECT_FALSE(scan.checkFailed);
}

TEST(ResultScanTest, WholeFilesAreValidAndCounted) {
  ResultScan scan = ScanResults(Lines(1000, 1004), 1000, 1099, true);
  EXPECT_TRUE(scan.Valid());
  EXPECT_EQ(5, scan.points);
  EXPECT_EQ(1005, scan.nextIndex);
  ASSERT_EQ(5u, scan.lines.size());
  EXPECT_EQ("2500000000000000", scan.lines[0].value);
  EXPECT_EQ(1004, scan.lines[4].index);

  // The known lines, their deviations recomputed (the second value above 2^53).
  scan = ScanResults(kLine1000, 1000, 1000, true);
  EXPECT_TRUE(scan.Valid()) << scan.reason;
  EXPECT_EQ("2623557157654233", scan.lines[0].value);
  scan = ScanResults(kLine10000, 10000, 10000, true);
  EXPECT_TRUE(scan.Valid()) << scan.reason;
  EXPECT_EQ("24739954287740860", scan.lines[0].value);

  // pi(x) gains a digit between k = 3999 and 4000.
  EXPECT_TRUE(ScanResults(Lines(3999, 4000), 3999, 4000, true).Valid());

  scan = ScanResults("", 1000, 1099, true);
  EXPECT_TRUE(scan.Valid());
  EXPECT_EQ(0, scan.points);
  EXPECT_EQ(1000, scan.nextIndex);
}

TEST(ResultScanTest, FileCutAtEveryOffsetOfItsLastLine) {
  const std::string whole = Lines(1000, 1004);
  const size_t lastStart = whole.size() - Line(1004).size();
  for (size_t cut = lastStart; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    ResultScan scan = ScanResults(whole.substr(0, cut), 1000, 1099, true);
    if (cut == lastStart || cut == whole.size()) {
      EXPECT_TRUE(scan.Valid());
      EXPECT_EQ(cut == lastStart ? 4 : 5, scan.points);
    } else {
      ExpectBad(scan, 5, "line cut short (no newline)", 4);
      EXPECT_EQ(1004, scan.nextIndex);
    }
  }
}

TEST(ResultScanTest, StopsAtTheFirstLineOutOfPlace) {
  std::string damaged = Line(1001);
  damaged[damaged.size() - 2] ^= 1;  // last digit of the checksum
  ExpectBad(ScanResults(Line(1000) + damaged + Line(1002), 1000, 1099, false), 2,
            "checksum 517 where 516 is due", 1);

  ExpectBad(ScanResults(Lines(1000, 1001) + Line(1003), 1000, 1099, false), 3,
            "index 1003 where 1002 is due", 2);
  ExpectBad(ScanResults(Lines(1000, 1001), 1001, 1099, false), 1, "index 1000 where 1001 is due", 0);
  ExpectBad(ScanResults(Lines(1000, 1002), 1000, 1001, false), 3,
            "index 1002 past the end of the range 1000..1001", 2);

  // pi(x) must grow: the true pi(10^17) is above 2.5e12 * 1001, and a value
  // repeated is no growth either.
  ExpectBad(ScanResults(kLine1000 + Line(1001), 1000, 1099, false), 2,
            "pi(x) 2502500000000000 not above 2623557157654233 of k=1000", 1);
  ExpectBad(ScanResults(Lines(1000, 1001) + LineWith(1002, 2502500000000000L), 1000, 1099, false), 3,
            "pi(x) 2502500000000000 not above 2502500000000000 of k=1001", 2);
}

TEST(ResultScanTest, DeviationCheckedOnlyWhenAsked) {
  // A line whose checksum fits a deviation one unit off in the last decimal.
  std::string wrong = FormatResultLine(1001, "2502500000000000",
                                       NormalisedDeviation(2502500000000000.0, 1001e14) + 1e-5);
  const std::string text = Line(1000) + wrong;
  EXPECT_TRUE(ScanResults(text, 1000, 1099, false).Valid());
  ResultScan scan = ScanResults(text, 1000, 1099, true);
  EXPECT_EQ(2, scan.badLine);
  EXPECT_EQ(0u, scan.reason.find("deviation ")) << scan.reason;
  EXPECT_NE(std::string::npos, scan.reason.find(" is due")) << scan.reason;
}

TEST(ResultScanTest, FailureMarkOnlyAsTheLastLineAfterAResult) {
  ResultScan scan = ScanResults(Lines(1000, 1002) + kMark, 1000, 1099, true);
  EXPECT_TRUE(scan.Valid());
  EXPECT_TRUE(scan.checkFailed);
  EXPECT_EQ(3, scan.points);
  EXPECT_EQ(1003, scan.nextIndex);

  ExpectBad(ScanResults(Lines(1000, 1002) + kMark + Line(1003), 1000, 1099, true), 5,
            "text after the failure mark", 3);
  ExpectBad(ScanResults(Lines(1000, 1002) + kMark + "\n", 1000, 1099, true), 5,
            "text after the failure mark", 3);
  ExpectBad(ScanResults(kMark, 1000, 1099, true), 1, "failure mark before any result line", 0);
  ExpectBad(ScanResults(Line(1000) + kMark.substr(0, kMark.size() - 1), 1000, 1099, true), 2,
            "line cut short (no newline)", 1);
}

TEST(ResultScanTest, FilesAndTheirNames) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("ResultScanTest." + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "Pix1000-1099.txt").string();

  ResultScan scan = ScanResultFile(path, 1000, 1099, true);
  EXPECT_TRUE(scan.absent);
  EXPECT_TRUE(scan.Valid());
  EXPECT_EQ(1000, scan.nextIndex);

  FILE* file = fopen(path.c_str(), "wb");
  fputs(Lines(1000, 1002).c_str(), file);
  fclose(file);
  scan = ScanResultFile(path, 1000, 1099, true);
  EXPECT_FALSE(scan.absent);
  EXPECT_TRUE(scan.Valid());
  EXPECT_EQ(1003, scan.nextIndex);

  scan = ScanResultFile(dir.string(), 1000, 1099, true);  // a directory
  EXPECT_FALSE(scan.Valid());
  EXPECT_EQ("it is a directory", scan.readError);
  fs::remove_all(dir);

  int64_t S = 0, E = 0;
  EXPECT_TRUE(ParseResultFileName(path, &S, &E));
  EXPECT_EQ(1000, S);
  EXPECT_EQ(1099, E);
  EXPECT_TRUE(ParseResultFileName(ResultFileName(2010, 2011), &S, &E));
  EXPECT_EQ("Pix2010-2011.txt", ResultFileName(2010, 2011));
  EXPECT_EQ(2010, S);
  EXPECT_EQ(2011, E);
  EXPECT_TRUE(ParseResultFileName("Pix5000-5000.txt", &S, &E));
  for (const char* name : {"Pix1000-1099.txt.bak", "pix1000-1099.txt", "Pix1099-1000.txt", "Pix01000-1099.txt",
                           "Pix1000-.txt", "Pix1000-1099.txt/", "Pix1000-1099 (1).txt"}) {
    EXPECT_FALSE(ParseResultFileName(name, &S, &E)) << name;
  }
  EXPECT_EQ(5000, S);  // untouched by the names refused
}

}  // namespace
