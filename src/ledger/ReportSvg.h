#pragma once
// The report's pictures, as SVG: the plot of the deviation of pi(x) from
// Li(x) against x over 10^17..10^18, and the strip of the grid's coverage.
// Both share one horizontal scale, k = 1000..10000 from x = kSvgPlotLeft to
// kSvgPlotRight in a picture kSvgWidth wide, so that on the page the strip
// lines up under the plot.
#include <string>

#include "ledger/ReportModel.h"

// The colour of each state, in the plot, the strip and the page's legends.
constexpr char kVerifiedColour[] = "#1f77b4";
constexpr char kSingleColour[] = "#ff9f1c";
constexpr char kConflictColour[] = "#d62728";
constexpr char kNoResultColour[] = "#dddddd";
constexpr char kReservedColour[] = "#555555";  // a live reservation, in the strip

constexpr int kSvgWidth = 960;
constexpr int kSvgPlotLeft = 84;
constexpr int kSvgPlotRight = 936;

// The standalone SVG document of the plot. One mark per point of the
// report whose deviation reads as a number within +-10^6 (that of every
// line the ledger records), a path whose class tells its state: "point
// verified" (a round dot), "point single" (a square), "point conflict" (a
// cross, drawn on top). A grid point with no result has no mark and nothing joins the marks, so
// that missing stretches show as gaps. The y axis spans the deviations
// with a margin, its ticks at round values (0.2, 0.05, ...); x is labelled
// 1·10^17 .. 10^18. Coordinates are written with two decimals: the same
// report gives the same bytes.
std::string RenderDeviationSvg(const LedgerReport& report);

// The coverage of the 9001 grid points as a strip, without an XML
// declaration (it is placed inside the page): one rect per run of
// consecutive points in the same state, class "run verified", "run single",
// "run conflict" or "run none" (no result), and under it, in a lane of its
// own, one rect of class "reserved" per live reservation; ticks at every
// thousand k. A run narrower than a pixel is drawn one pixel wide,
// conflicts and missing points over the others, so that a lone one stays
// visible.
std::string RenderCoverageSvg(const LedgerReport& report);
