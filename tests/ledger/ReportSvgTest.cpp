#include "ledger/ReportSvg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace {

ReportPoint Point(int64_t k, const std::string& deviation, PointState state) {
  ReportPoint point;
  point.k = k;
  point.pi = "1";
  point.deviation = deviation;
  point.state = state;
  return point;
}

// The deviation written as in a result line, five decimals.
std::string Deviation(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.5f", value);
  return text;
}

// A full grid but for k = 4000..4299 and 6000: verified up to 8000, single
// above, a conflict every 997 k.
LedgerReport FullGridWithGaps() {
  LedgerReport report;
  for (int64_t k = 1000; k <= 10000; ++k) {
    if ((k >= 4000 && k < 4300) || k == 6000) continue;
    PointState state = k % 997 == 0 ? PointState::kConflict
                       : k > 8000   ? PointState::kSingle
                                    : PointState::kVerified;
    report.points.push_back(Point(k, Deviation(-0.05 + 0.3 * ((k * 37) % 101) / 101.0), state));
  }
  return report;
}

struct Mark {
  std::string state;
  double x;
  double y;
};

std::vector<Mark> Marks(const std::string& svg) {
  static const std::regex kMark("<path class=\"point (\\w+)\" d=\"M(-?[0-9]+\\.[0-9]{2}) (-?[0-9]+\\.[0-9]{2})[^\"]*\"/>");
  std::vector<Mark> marks;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), kMark); it != std::sregex_iterator(); ++it) {
    marks.push_back({(*it)[1], std::atof((*it)[2].str().c_str()), std::atof((*it)[3].str().c_str())});
  }
  return marks;
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

double XOf(double k) { return kSvgPlotLeft + (k - 1000) * (kSvgPlotRight - kSvgPlotLeft) / 9000.0; }

TEST(ReportSvgTest, OneMarkPerPointInItsStateAndPlaceAndNothingWhereThereIsNoResult) {
  LedgerReport report = FullGridWithGaps();
  std::string svg = RenderDeviationSvg(report);
  std::vector<Mark> marks = Marks(svg);
  // Every mark the pattern misses (another number format, say) is a fault.
  ASSERT_EQ(Occurrences(svg, "class=\"point "), marks.size());
  ASSERT_EQ(report.points.size(), marks.size());

  // The marks come grouped by state (verified, single, conflict), each group
  // in ascending k: each matches its point's state and x, so none sits in a
  // gap.
  std::vector<std::pair<double, double>> deviationAndY;
  size_t at = 0;
  for (PointState state : {PointState::kVerified, PointState::kSingle, PointState::kConflict}) {
    for (const ReportPoint& point : report.points) {
      if (point.state != state) continue;
      const Mark& mark = marks[at++];
      ASSERT_EQ(PointStateWord(state), mark.state) << "k=" << point.k;
      EXPECT_NEAR(XOf(point.k), mark.x, 0.006) << "k=" << point.k;
      deviationAndY.push_back({std::atof(point.deviation.c_str()), mark.y});
    }
  }
  // The larger the deviation, the higher the mark, over most of the height.
  std::sort(deviationAndY.begin(), deviationAndY.end());
  for (size_t i = 1; i < deviationAndY.size(); ++i) {
    ASSERT_LE(deviationAndY[i].second, deviationAndY[i - 1].second + 0.005) << deviationAndY[i].first;
  }
  EXPECT_GT(deviationAndY.front().second - deviationAndY.back().second, 250);
  // Nothing joins the marks across a gap.
  EXPECT_EQ(std::string::npos, svg.find("<polyline"));
  EXPECT_EQ(std::string::npos, svg.find("<line"));
  // Small and the same bytes each time.
  EXPECT_LT(svg.size(), 500u * 1024);
  EXPECT_EQ(svg, RenderDeviationSvg(report));
}

// The labels read as numbers: round steps of 1, 2 or 5 times a power of
// ten that enclose every deviation, not much more than that.
TEST(ReportSvgTest, AxesAreLabelledAtRoundValuesAroundTheData) {
  const struct {
    std::vector<const char*> deviations;
  } cases[] = {
      {{"-0.05813", "-0.05790", "-0.05702"}},
      {{"-0.31000", "0.27000", "0.90000"}},
      {{"0.00000"}},
      {{"-1.20000", "-0.90000"}},
  };
  static const std::regex kYLabel("<text x=\"[0-9]+\" y=\"[0-9.]+\">(-?[0-9.]+)</text>");
  for (const auto& c : cases) {
    LedgerReport report;
    double low = 1e9;
    double high = -1e9;
    for (size_t i = 0; i < c.deviations.size(); ++i) {
      report.points.push_back(Point(1000 + 10 * i, c.deviations[i], PointState::kVerified));
      low = std::min(low, std::atof(c.deviations[i]));
      high = std::max(high, std::atof(c.deviations[i]));
    }
    std::string svg = RenderDeviationSvg(report);
    SCOPED_TRACE(c.deviations[0]);
    std::vector<double> ticks;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), kYLabel); it != std::sregex_iterator(); ++it) {
      ticks.push_back(std::atof((*it)[1].str().c_str()));
    }
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_LE(ticks.size(), 12u);
    EXPECT_LT(ticks.front(), low);
    EXPECT_GT(ticks.back(), high);
    double step = ticks[1] - ticks[0];
    for (size_t i = 1; i < ticks.size(); ++i) EXPECT_NEAR(step, ticks[i] - ticks[i - 1], 1e-9);
    EXPECT_LT(ticks.back() - ticks.front(), 4 * std::max(high - low, 0.02));
    double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 || std::fabs(mantissa - 5) < 1e-6)
        << step;
    EXPECT_FALSE(std::regex_search(svg, std::regex(">-0(\\.0+)?<"))) << "a negative zero label";
  }
}

TEST(ReportSvgTest, EmptyReportIsAWholePlotWithAxesAndLegend) {
  std::string svg = RenderDeviationSvg(LedgerReport());
  EXPECT_EQ(0u, svg.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\""));
  EXPECT_EQ(svg.size() - 7, svg.rfind("</svg>\n"));
  EXPECT_EQ(0u, Occurrences(svg, "class=\"point "));
  for (const char* label : {"1\u00b710\u00b9\u2077", "5\u00b710\u00b9\u2077", "9\u00b710\u00b9\u2077",
                            "10\u00b9\u2078", ">x</text>", "Li(x)", "verified (0)", "single (0)", "conflict (0)"}) {
    EXPECT_NE(std::string::npos, svg.find(label)) << label;
  }
}

TEST(ReportSvgTest, APointWhoseDeviationIsNotANumberHasNoMark) {
  LedgerReport report;
  report.points = {Point(1000, "-0.05813", PointState::kVerified), Point(1001, "", PointState::kSingle),
                   Point(1002, "x", PointState::kSingle), Point(1003, "nan", PointState::kConflict),
                   Point(1004, "1e300", PointState::kSingle)};
  std::vector<Mark> marks = Marks(RenderDeviationSvg(report));
  ASSERT_EQ(1u, marks.size());
  EXPECT_EQ("verified", marks[0].state);
}

// The runs of the strip, by class and count.
size_t Runs(const std::string& svg, const char* state) {
  return Occurrences(svg, std::string("class=\"run ") + state + "\"");
}

TEST(ReportSvgTest, CoverageStripMergesRunsOfOneState) {
  LedgerReport full;
  for (int64_t k = 1000; k <= 10000; ++k) full.points.push_back(Point(k, "0.10000", PointState::kVerified));
  std::string svg = RenderCoverageSvg(full);
  EXPECT_EQ(1u, Runs(svg, "verified"));
  EXPECT_EQ(0u, Runs(svg, "none"));
  EXPECT_LT(svg.size(), 3000u);

  EXPECT_EQ(1u, Runs(RenderCoverageSvg(LedgerReport()), "none"));

  // Verified 1000..1009, a conflict at 1010, nothing to 5000, single
  // 5001..5002, a gap at 5003, single at 5004, nothing to the end.
  LedgerReport some;
  for (int64_t k = 1000; k <= 1009; ++k) some.points.push_back(Point(k, "0.1", PointState::kVerified));
  some.points.push_back(Point(1010, "0.1", PointState::kConflict));
  for (int64_t k : {5001, 5002, 5004}) some.points.push_back(Point(k, "0.1", PointState::kSingle));
  svg = RenderCoverageSvg(some);
  EXPECT_EQ(1u, Runs(svg, "verified"));
  EXPECT_EQ(1u, Runs(svg, "conflict"));
  EXPECT_EQ(2u, Runs(svg, "single"));
  EXPECT_EQ(3u, Runs(svg, "none"));
  // The lone conflict and the lone missing point are at least a pixel wide.
  std::smatch width;
  ASSERT_TRUE(std::regex_search(svg, width, std::regex("class=\"run conflict\" x=\"[0-9.]+\" y=\"[0-9]+\" width=\"([0-9.]+)\"")));
  EXPECT_EQ("1.00", width[1].str());
  EXPECT_EQ(0u, Occurrences(svg, "class=\"reserved\""));

  // A live reservation is drawn over its range, in its own lane.
  some.reservations.push_back({4, "carol", 2000, 2999, "2027-01-01"});
  some.reservations.push_back({5, "dave", 10000, 10000, "2027-01-01"});
  std::string reserved = RenderCoverageSvg(some);
  char expected[160];
  std::snprintf(expected, sizeof expected, "class=\"reserved\" x=\"%.2f\" y=\"36\" width=\"%.2f\"",
                XOf(1999.5), XOf(2999.5) - XOf(1999.5));
  EXPECT_NE(std::string::npos, reserved.find(expected)) << expected;
  std::snprintf(expected, sizeof expected, "class=\"reserved\" x=\"%.2f\" y=\"36\" width=\"1.00\"",
                XOf(9999.5));
  EXPECT_NE(std::string::npos, reserved.find(expected)) << expected;

  char lone[64];
  std::snprintf(lone, sizeof lone, "class=\"run none\" x=\"%.2f\" y=\"6\" width=\"1.00\"", XOf(5003) - 0.5);
  EXPECT_NE(std::string::npos, svg.find(lone)) << lone;
}

}  // namespace
