#include "ledger/ReportHtml.h"
// The page is written in one pass into one string: the plot and the strip
// come from the SVG renderers and are placed inline, so that the page needs
// nothing beside it to show everything, and what the browser shows is what
// deviation.svg holds. A full grid of two results a point (the benchmark's
// synthetic one): the plot 468 KB, the page 472 KB, both written by
// `report` in 0.1 s with its queries; the strip is a few hundred bytes while
// its runs are long, the tables grow with the conflicts and reservations
// only.
#include <cstdio>
#include <string>

#include "ledger/ReportSvg.h"
#include "ledger/XmlEscape.h"
#include "results/CheckFile.h"

namespace {

const char kStyle[] =
    "body{margin:0;background:#f4f4f1;color:#222;"
    "font-family:\"DejaVu Sans\",Arial,Helvetica,sans-serif;font-size:15px;line-height:1.4}\n"
    "main{max-width:960px;margin:0 auto;padding:22px 24px 36px;background:#fff}\n"
    "h1{font-size:25px;margin:0 0 2px}\n"
    "h2{font-size:19px;margin:28px 0 8px;border-bottom:1px solid #ddd;padding-bottom:3px}\n"
    ".generated{color:#666;margin:0 0 16px}\n"
    ".counts{display:flex;flex-wrap:wrap;gap:8px;margin:0}\n"
    ".counts div{flex:1 1 0;min-width:80px;border:1px solid #ddd;border-left:6px solid #999;"
    "border-radius:4px;padding:4px 10px}\n"
    ".counts dt{font-size:13px;color:#555;line-height:1.25}\n"
    ".counts dd{margin:0;font-size:21px;font-weight:bold;font-variant-numeric:tabular-nums}\n"
    "svg{display:block;max-width:100%;height:auto}\n"
    ".legend{margin:0 0 4px}\n"
    ".legend span{margin-right:18px;white-space:nowrap}\n"
    ".legend i{display:inline-block;width:12px;height:12px;margin-right:5px;vertical-align:-1px}\n"
    "table{border-collapse:collapse;width:100%;font-size:14px}\n"
    "th,td{border-bottom:1px solid #e4e4e4;padding:4px 8px;text-align:left;vertical-align:top}\n"
    "th{background:#f0f0ee}\n"
    "td.num,th.num{text-align:right;font-variant-numeric:tabular-nums}\n"
    "code{font-family:\"DejaVu Sans Mono\",monospace;font-size:13px}\n"
    ".empty{color:#666;font-style:italic}\n"
    ".note{color:#666;font-size:13px}\n";

const struct {
  const char* cls;
  const char* label;
  const char* colour;
} kStateColours[] = {
    {"verified", "verified", kVerifiedColour},
    {"single", "single", kSingleColour},
    {"conflict", "conflict", kConflictColour},
    {"none", "no result", kNoResultColour},
};

std::string Count(int64_t n) { return std::to_string(n); }

void AppendCount(const char* cls, const char* label, int64_t n, std::string* out) {
  *out += "<div class=\"";
  *out += cls;
  *out += "\"><dt>";
  *out += label;
  *out += "</dt><dd>" + Count(n) + "</dd></div>\n";
}

void AppendCounts(const ReportCounts& counts, std::string* out) {
  const int64_t grid = kLastGridIndex - kFirstGridIndex + 1;
  const int64_t withResult = counts.verified + counts.single + counts.conflict;
  char summary[200];
  std::snprintf(summary, sizeof summary,
                "<p>%lld of the %lld points verified (%.1f %%), %lld with at least one result.</p>\n",
                static_cast<long long>(counts.verified), static_cast<long long>(grid),
                100.0 * static_cast<double>(counts.verified) / static_cast<double>(grid),
                static_cast<long long>(withResult));
  *out += summary;
  *out += "<dl class=\"counts\">\n";
  AppendCount("verified", "verified", counts.verified, out);
  AppendCount("single", "single", counts.single, out);
  AppendCount("conflict", "conflict", counts.conflict, out);
  AppendCount("none", "no result", counts.none, out);
  AppendCount("failed", "failed checks", counts.failedChecks, out);
  AppendCount("live", "live reservations", counts.liveReservations, out);
  AppendCount("expired", "expired reservations", counts.expiredReservations, out);
  *out += "</dl>\n";
}

void AppendConflicts(const std::vector<ReportConflict>& conflicts, std::string* out) {
  *out += "<h2 id=\"conflicts\">Conflicts (" + Count(static_cast<int64_t>(conflicts.size())) + ")</h2>\n";
  if (conflicts.empty()) {
    *out += "<p class=\"empty\">No point has disagreeing results.</p>\n";
    return;
  }
  *out +=
      "<table class=\"conflicts\">\n<thead><tr><th class=\"num\">k</th><th>line</th><th>sent by</th>"
      "<th>recorded (UTC)</th></tr></thead>\n<tbody>\n";
  for (const ReportConflict& conflict : conflicts) {
    bool first = true;
    for (const ReportValue& value : conflict.values) {
      *out += "<tr>";
      if (first) {
        *out += "<td class=\"num\" rowspan=\"" + Count(static_cast<int64_t>(conflict.values.size())) + "\">" +
                Count(conflict.k) + "</td>";
        first = false;
      }
      *out += "<td><code>";
      AppendXmlEscaped(value.line, out);
      *out += "</code></td><td>";
      AppendXmlEscaped(value.who, out);
      *out += "</td><td>";
      AppendXmlEscaped(value.when, out);
      *out += "</td></tr>\n";
    }
    if (first) {  // a conflict listed without its values
      *out += "<tr><td class=\"num\">" + Count(conflict.k) + "</td><td colspan=\"3\"></td></tr>\n";
    }
  }
  *out += "</tbody>\n</table>\n";
}

void AppendReservations(const std::vector<ReportReservation>& reservations, std::string* out) {
  *out += "<h2 id=\"reservations\">Live reservations (" +
          Count(static_cast<int64_t>(reservations.size())) + ")</h2>\n";
  if (reservations.empty()) {
    *out += "<p class=\"empty\">No range is reserved.</p>\n";
    return;
  }
  *out +=
      "<table class=\"reservations\">\n<thead><tr><th class=\"num\">reservation</th><th>volunteer</th>"
      "<th>range</th><th class=\"num\">points</th><th>until</th></tr></thead>\n<tbody>\n";
  for (const ReportReservation& reservation : reservations) {
    *out += "<tr><td class=\"num\">" + Count(reservation.id) + "</td><td>";
    AppendXmlEscaped(reservation.who, out);
    *out += "</td><td>k=" + Count(reservation.start) + ".." + Count(reservation.end) + "</td><td class=\"num\">" +
            Count(reservation.end - reservation.start + 1) + "</td><td>";
    AppendXmlEscaped(reservation.until, out);
    *out += "</td></tr>\n";
  }
  *out += "</tbody>\n</table>\n";
}

}  // namespace

std::string RenderReportHtml(const LedgerReport& report) {
  std::string plot = RenderDeviationSvg(report);
  std::string::size_type svgStart = plot.find("<svg");
  if (svgStart != std::string::npos) plot.erase(0, svgStart);  // the XML declaration has no place in HTML

  std::string out;
  out.reserve(plot.size() + 16384 + 200 * report.reservations.size() + 400 * report.conflicts.size());
  out +=
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Brunsk ledger report</title>\n<style>\n";
  out += kStyle;
  for (const auto& state : kStateColours) {
    out += std::string(".counts .") + state.cls + "{border-left-color:" + state.colour + "}\n";
  }
  out += "</style>\n</head>\n<body>\n<main>\n";
  out += "<h1>\u03c0(x) at x = k\u00b710\u00b9\u2074, k = 1000..10000</h1>\n";
  out += "<p class=\"generated\">Brunsk ledger report";
  if (!report.generated.empty()) {
    out += ", made ";
    AppendXmlEscaped(report.generated, &out);
    out += " UTC";
  }
  out += ".</p>\n";
  AppendCounts(report.counts, &out);

  out += "<h2 id=\"plot\">Deviation from Li(x)</h2>\n";
  out += plot;
  out +=
      "<p class=\"note\">One mark per point that has a result; a stretch without marks has none yet. "
      "The plot alone: <a href=\"deviation.svg\">deviation.svg</a>.</p>\n";

  out += "<h2 id=\"coverage\">Coverage of the grid</h2>\n<p class=\"legend\">";
  for (const auto& state : kStateColours) {
    out += std::string("<span><i style=\"background:") + state.colour + "\"></i>" + state.label + "</span>";
  }
  out += std::string("<span><i style=\"background:") + kReservedColour +
         ";height:5px;vertical-align:2px\"></i>reserved (below the strip)</span></p>\n";
  out += RenderCoverageSvg(report);

  AppendConflicts(report.conflicts, &out);
  AppendReservations(report.reservations, &out);
  out += "</main>\n</body>\n</html>\n";
  return out;
}
