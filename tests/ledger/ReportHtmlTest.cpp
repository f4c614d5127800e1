#include "ledger/ReportHtml.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ledger/ReportSvg.h"

namespace {

const char kName[] = "<b>\"O'Brien\" & \xC3\x87" "elik</b>";
const char kEscapedName[] = "&lt;b&gt;&quot;O&#39;Brien&quot; &amp; \xC3\x87" "elik&lt;/b&gt;";

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A small ledger's report: k = 1000..1019 but for 1005..1009, verified to
// 1012, a conflict at 1013 sent by kName and bob, single above; a live
// reservation of kName's; a line with markup in it.
LedgerReport SmallReport() {
  LedgerReport report;
  report.generated = "2026-12-10 04:30:00";
  for (int64_t k = 1000; k <= 1019; ++k) {
    if (k >= 1005 && k <= 1009) continue;
    ReportPoint point;
    point.k = k;
    point.pi = std::to_string(2623557157654233 + 26000000000000 * (k - 1000));
    char deviation[16];
    std::snprintf(deviation, sizeof deviation, "%.5f", -0.05813 + 0.001 * (k % 7));
    point.deviation = deviation;
    point.state = k < 1013 ? PointState::kVerified : k == 1013 ? PointState::kConflict : PointState::kSingle;
    report.points.push_back(point);
  }
  report.counts.verified = 8;
  report.counts.single = 6;
  report.counts.conflict = 1;
  report.counts.none = 9001 - 15;
  report.counts.failedChecks = 2;
  report.counts.liveReservations = 1;
  report.counts.expiredReservations = 3;
  report.conflicts.push_back(
      {1013,
       {{"1013:2961557157654233:-0.05513:417", kName, "2026-12-01 10:00:00"},
        {"1013:2961557157654234:-0.05513:<i>", "bob", "2026-12-02 11:30:00"}}});
  report.reservations.push_back({7, kName, 1020, 1119, "2027-01-09"});
  return report;
}

TEST(ReportHtmlTest, NamesAndLinesFromTheLedgerAreEscapedInEveryTable) {
  std::string html = RenderReportHtml(SmallReport());
  EXPECT_EQ(2u, Occurrences(html, kEscapedName));  // the conflict and the reservation
  EXPECT_EQ(std::string::npos, html.find("O'Brien"));
  EXPECT_EQ(std::string::npos, html.find("<b>"));
  EXPECT_NE(std::string::npos, html.find("<code>1013:2961557157654234:-0.05513:&lt;i&gt;</code>"));
  EXPECT_EQ(std::string::npos, html.find("<i>\"", 0));
}

TEST(ReportHtmlTest, PageHoldsCountsPlotStripAndTablesAndNeedsNoNetwork) {
  LedgerReport report = SmallReport();
  std::string html = RenderReportHtml(report);
  EXPECT_EQ(0u, html.find("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"));
  EXPECT_EQ(html.size() - 8, html.rfind("</html>\n"));
  // The plot inline, without its XML declaration: one mark per point.
  EXPECT_EQ(std::string::npos, html.find("<?xml"));
  EXPECT_EQ(report.points.size(), Occurrences(html, "class=\"point "));
  EXPECT_EQ(1u, Occurrences(html, "class=\"point conflict\""));
  EXPECT_NE(std::string::npos, html.find(RenderCoverageSvg(report)));
  EXPECT_NE(std::string::npos, html.find("<a href=\"deviation.svg\">"));
  for (const char* count : {"verified</dt><dd>8</dd>", "single</dt><dd>6</dd>", "conflict</dt><dd>1</dd>",
                            "no result</dt><dd>8986</dd>", "failed checks</dt><dd>2</dd>",
                            "live reservations</dt><dd>1</dd>", "expired reservations</dt><dd>3</dd>",
                            "8 of the 9001 points verified (0.1 %), 15 with at least one result",
                            "2026-12-10 04:30:00 UTC"}) {
    EXPECT_NE(std::string::npos, html.find(count)) << count;
  }
  EXPECT_NE(std::string::npos, html.find("<td class=\"num\" rowspan=\"2\">1013</td>"));
  EXPECT_NE(std::string::npos, html.find("<td>k=1020..1119</td><td class=\"num\">100</td><td>2027-01-09</td>"));
  // Nothing fetched: no script, no link, no external source; the only URL
  // is the SVG namespace, which is a name, never loaded.
  EXPECT_EQ(std::string::npos, html.find("<script"));
  EXPECT_EQ(std::string::npos, html.find("<link"));
  EXPECT_EQ(std::string::npos, html.find("url("));
  EXPECT_EQ(std::string::npos, html.find(" src="));
  EXPECT_EQ(Occurrences(html, "http"), Occurrences(html, "xmlns=\"http://www.w3.org/2000/svg\""));
}

TEST(ReportHtmlTest, EmptyLedgerGivesAWholePageWithoutTables) {
  LedgerReport report;
  report.counts.none = 9001;
  std::string html = RenderReportHtml(report);
  EXPECT_EQ(html.size() - 8, html.rfind("</html>\n"));
  EXPECT_EQ(0u, Occurrences(html, "class=\"point "));
  EXPECT_EQ(1u, Occurrences(html, "class=\"run none\""));
  EXPECT_EQ(std::string::npos, html.find("<table"));
  EXPECT_NE(std::string::npos, html.find("Conflicts (0)"));
  EXPECT_NE(std::string::npos, html.find("Live reservations (0)"));
  EXPECT_NE(std::string::npos, html.find("0 of the 9001 points verified (0.0 %)"));
}

// Writes the small report's page and plot into the folder named by
// BRUNSK_REPORT_SAMPLE_DIR, for the test of the page in a browser
// (tests/ledger/report_browser_test.sh), with the file "expected": the
// number of points, then of verified, single and conflicting ones. Without
// the variable, nothing to do.
TEST(ReportHtmlTest, WritesTheSampleForTheBrowser) {
  const char* folder = std::getenv("BRUNSK_REPORT_SAMPLE_DIR");
  if (folder == nullptr) GTEST_SKIP() << "BRUNSK_REPORT_SAMPLE_DIR not set";
  LedgerReport report = SmallReport();
  std::ofstream(std::string(folder) + "/index.html", std::ios::binary) << RenderReportHtml(report);
  std::ofstream(std::string(folder) + "/deviation.svg", std::ios::binary) << RenderDeviationSvg(report);
  int states[3] = {0, 0, 0};
  for (const ReportPoint& point : report.points) ++states[static_cast<int>(point.state)];
  std::ofstream expected(std::string(folder) + "/expected", std::ios::binary);
  expected << report.points.size() << " " << states[0] << " " << states[1] << " " << states[2] << "\n";
  ASSERT_TRUE(expected.good());
}

}  // namespace
