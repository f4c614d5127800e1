#include "ledger/ReportSvg.h"
// Marks rather than a line: a point is shown exactly where it has a result,
// so a missing stretch needs no special case to show as a gap. A mark is a
// zero-length path, "M x y h0", drawn by its round or square line cap: about
// 50 bytes a point, so the full grid's plot stays under half a megabyte and
// renders in a few milliseconds. The style sits on one group per state (the
// attributes every SVG reader knows); the class on each mark is for readers
// of the file, such as the tests, that count the marks. Deviations are read
// by strtod and numbers written by printf in the "C" locale, which the
// ledger never changes: a decimal point, whatever the user's language.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "results/CheckFile.h"

namespace {

constexpr int kPlotHeight = 500;
constexpr int kPlotTop = 64;
constexpr int kPlotBottom = 424;
constexpr int kStripHeight = 64;
constexpr int kStripTop = 6;
constexpr int kStripBottom = 34;
constexpr int kReservedTop = 36;  // the lane of the live reservations
constexpr int kReservedBottom = 41;

const char kFont[] = "font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\"";

void Appendf(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Appendf(std::string* out, const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n > 0) out->append(buffer, static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

double XOfIndex(double k) {
  return kSvgPlotLeft + (k - kFirstGridIndex) * (kSvgPlotRight - kSvgPlotLeft) /
                            static_cast<double>(kLastGridIndex - kFirstGridIndex);
}

// The x label of the tick at k = 1000 m: "m·10¹⁷", or "10¹⁸" at the end.
std::string XTickLabel(int m) {
  if (m == 10) return "10\u00b9\u2078";
  return std::to_string(m) + "\u00b710\u00b9\u2077";
}

// A deviation as the result line writes it. The client's are within a few
// units; one beyond a million is no deviation of a checked line and would
// flatten all the others, so it counts as unreadable too.
bool ReadDeviation(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::fabs(*value) <= 1e6;
}

// The y axis: ticks at i * step for i = first..last, the axis from
// first * step to last * step.
struct YAxis {
  double step = 0.5;
  long first = -2;
  long last = 2;
  int decimals = 1;

  double Low() const { return first * step; }
  double High() const { return last * step; }
  double YOf(double value) const {
    return kPlotBottom - (value - Low()) * (kPlotBottom - kPlotTop) / (High() - Low());
  }
};

// 1, 2 or 5 times a power of ten, the least not below raw.
double RoundStep(double raw) {
  double power = std::pow(10.0, std::floor(std::log10(raw)));
  double mantissa = raw / power;
  if (mantissa <= 1.000001) return power;
  if (mantissa <= 2.000001) return 2 * power;
  if (mantissa <= 5.000001) return 5 * power;
  return 10 * power;
}

// The range of the deviations with a margin of a tenth of their spread (at
// least 0.01, so that a few close points do not fill the whole height), in
// about six round steps. With no deviation at all, -1..1.
YAxis ChooseYAxis(const std::vector<double>& values) {
  YAxis axis;
  if (values.empty()) return axis;
  double low = values[0];
  double high = values[0];
  for (double v : values) {
    if (v < low) low = v;
    if (v > high) high = v;
  }
  double margin = std::fmax(0.1 * (high - low), 0.01);
  low -= margin;
  high += margin;
  axis.step = RoundStep((high - low) / 6);
  axis.first = static_cast<long>(std::floor(low / axis.step));
  axis.last = static_cast<long>(std::ceil(high / axis.step));
  if (axis.last <= axis.first) axis.last = axis.first + 1;
  axis.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(axis.step) + 1e-9)));
  return axis;
}

void AppendAxes(const YAxis& axis, std::string* out) {
  // Grid lines and ticks of x at every thousand k.
  *out += "<g class=\"x-axis\" stroke=\"#cccccc\" stroke-width=\"1\">\n";
  for (int m = 1; m <= 10; ++m) {
    double x = XOfIndex(1000.0 * m);
    Appendf(out, "<path d=\"M%.2f %dV%d\"/>\n", x, kPlotTop, kPlotBottom);
    Appendf(out, "<path stroke=\"#333333\" d=\"M%.2f %dv6\"/>\n", x, kPlotBottom);
  }
  *out += "</g>\n";
  Appendf(out, "<g class=\"x-labels\" %s font-size=\"13\" fill=\"#222222\" text-anchor=\"middle\">\n",
          kFont);
  for (int m = 1; m <= 10; ++m) {
    Appendf(out, "<text x=\"%.2f\" y=\"%d\">%s</text>\n", XOfIndex(1000.0 * m), kPlotBottom + 22,
            XTickLabel(m).c_str());
  }
  Appendf(out, "<text class=\"axis-label\" x=\"%.2f\" y=\"%d\" font-size=\"14\">x</text>\n",
          (kSvgPlotLeft + kSvgPlotRight) / 2.0, kPlotBottom + 50);
  *out += "</g>\n";

  // Grid lines, ticks and labels of y at round values; zero stronger.
  *out += "<g class=\"y-axis\" stroke=\"#cccccc\" stroke-width=\"1\">\n";
  for (long i = axis.first; i <= axis.last; ++i) {
    double y = axis.YOf(i * axis.step);
    Appendf(out, "<path%s d=\"M%d %.2fH%d\"/>\n", i == 0 ? " stroke=\"#888888\"" : "", kSvgPlotLeft, y,
            kSvgPlotRight);
    Appendf(out, "<path stroke=\"#333333\" d=\"M%d %.2fh-6\"/>\n", kSvgPlotLeft, y);
  }
  *out += "</g>\n";
  Appendf(out, "<g class=\"y-labels\" %s font-size=\"13\" fill=\"#222222\" text-anchor=\"end\">\n", kFont);
  for (long i = axis.first; i <= axis.last; ++i) {
    Appendf(out, "<text x=\"%d\" y=\"%.2f\">%.*f</text>\n", kSvgPlotLeft - 10, axis.YOf(i * axis.step) + 4.5,
            axis.decimals, i * axis.step);
  }
  *out += "</g>\n";
  Appendf(out,
          "<text class=\"axis-label\" %s font-size=\"14\" fill=\"#222222\" text-anchor=\"middle\" "
          "transform=\"translate(18 %.2f) rotate(-90)\">"
          "(\u03c0(x) \u2212 Li(x)) / \u221a(2x ln ln x / ln x)</text>\n",
          kFont, (kPlotTop + kPlotBottom) / 2.0);
  // The frame of the plot area.
  Appendf(out, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" stroke=\"#333333\"/>\n",
          kSvgPlotLeft, kPlotTop, kSvgPlotRight - kSvgPlotLeft, kPlotBottom - kPlotTop);
}

// The marks of a state, in the order they are drawn: a dot, a square, a
// cross.
struct MarkStyle {
  PointState state;
  const char* colour;
  const char* width;
  const char* cap;
};

const MarkStyle kMarkStyles[] = {
    {PointState::kVerified, kVerifiedColour, "3.5", "round"},
    {PointState::kSingle, kSingleColour, "3.5", "square"},
    {PointState::kConflict, kConflictColour, "2", "round"},
};

// Opens a group of marks of one state, its style as attributes; the group
// of the plot's marks has the class "points STATE".
void AppendMarkGroup(const MarkStyle& style, bool ofPoints, std::string* out) {
  if (ofPoints) Appendf(out, "<g class=\"points %s\"", PointStateWord(style.state));
  else *out += "<g";
  Appendf(out, " fill=\"none\" stroke=\"%s\" stroke-width=\"%s\" stroke-linecap=\"%s\">\n", style.colour,
          style.width, style.cap);
}

void AppendMark(PointState state, const char* cls, double x, double y, std::string* out) {
  if (state == PointState::kConflict) {
    Appendf(out, "<path class=\"%s\" d=\"M%.2f %.2fm-4-4l8 8m0-8l-8 8\"/>\n", cls, x, y);
  } else {
    Appendf(out, "<path class=\"%s\" d=\"M%.2f %.2fh0\"/>\n", cls, x, y);
  }
}

// The legend's marks are the plot's, drawn larger.
void AppendLegendMark(PointState state, double x, double y, std::string* out) {
  if (state == PointState::kConflict) {
    Appendf(out, "<path class=\"legend-mark\" d=\"M%.2f %.2fm-5-5l10 10m0-10l-10 10\"/>\n", x, y);
  } else {
    Appendf(out, "<path class=\"legend-mark\" stroke-width=\"9\" d=\"M%.2f %.2fh0\"/>\n", x, y);
  }
}

void AppendLegend(const int counts[3], std::string* out) {
  Appendf(out, "<g class=\"legend\" %s font-size=\"13\" fill=\"#222222\">\n", kFont);
  double x = kSvgPlotRight - 420;
  const int y = kPlotTop - 16;
  for (const MarkStyle& style : kMarkStyles) {
    AppendMarkGroup(style, false, out);
    AppendLegendMark(style.state, x, y - 4.5, out);
    *out += "</g>\n";
    int count = counts[static_cast<int>(style.state)];
    Appendf(out, "<text x=\"%.2f\" y=\"%d\">%s (%d)</text>\n", x + 12, y, PointStateWord(style.state), count);
    x += 140;
  }
  *out += "</g>\n";
}

}  // namespace

std::string RenderDeviationSvg(const LedgerReport& report) {
  std::vector<double> deviations(report.points.size());
  std::vector<char> readable(report.points.size());
  std::vector<double> values;
  values.reserve(report.points.size());
  int counts[3] = {0, 0, 0};
  for (size_t i = 0; i < report.points.size(); ++i) {
    readable[i] = ReadDeviation(report.points[i].deviation, &deviations[i]);
    if (readable[i]) {
      values.push_back(deviations[i]);
      ++counts[static_cast<int>(report.points[i].state)];
    }
  }
  YAxis axis = ChooseYAxis(values);

  std::string out;
  out.reserve(4096 + 56 * report.points.size());
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  Appendf(&out,
          "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"deviation-plot\" width=\"%d\" height=\"%d\" "
          "viewBox=\"0 0 %d %d\" role=\"img\">\n",
          kSvgWidth, kPlotHeight, kSvgWidth, kPlotHeight);
  out += "<title>Deviation of \u03c0(x) from Li(x) at x = k\u00b710\u00b9\u2074, k = 1000..10000</title>\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  Appendf(&out,
          "<text class=\"plot-title\" x=\"%d\" y=\"24\" %s font-size=\"17\" font-weight=\"bold\" "
          "fill=\"#222222\">Deviation of \u03c0(x) from Li(x), x = k\u00b710\u00b9\u2074</text>\n",
          kSvgPlotLeft, kFont);
  AppendAxes(axis, &out);
  AppendLegend(counts, &out);

  // Verified points below, single ones over them, conflicts on top.
  for (const MarkStyle& style : kMarkStyles) {
    std::string cls = std::string("point ") + PointStateWord(style.state);
    AppendMarkGroup(style, true, &out);
    for (size_t i = 0; i < report.points.size(); ++i) {
      const ReportPoint& point = report.points[i];
      if (point.state != style.state || !readable[i]) continue;
      AppendMark(point.state, cls.c_str(), XOfIndex(static_cast<double>(point.k)), axis.YOf(deviations[i]),
                 &out);
    }
    out += "</g>\n";
  }
  out += "</svg>\n";
  return out;
}

namespace {

// The runs of consecutive grid points in one state; none is a point with no
// result.
enum class RunState { kVerified, kSingle, kConflict, kNone };

struct Run {
  int64_t start;
  int64_t end;
  RunState state;
};

RunState RunStateOf(PointState state) {
  switch (state) {
    case PointState::kVerified: return RunState::kVerified;
    case PointState::kSingle: return RunState::kSingle;
    case PointState::kConflict: return RunState::kConflict;
  }
  return RunState::kNone;
}

// Points outside the grid, or out of order, are left out.
std::vector<Run> CoverageRuns(const LedgerReport& report) {
  std::vector<Run> runs;
  auto extend = [&runs](int64_t k, RunState state) {
    if (!runs.empty() && runs.back().state == state && runs.back().end + 1 == k) {
      runs.back().end = k;
    } else {
      runs.push_back({k, k, state});
    }
  };
  int64_t next = kFirstGridIndex;
  for (const ReportPoint& point : report.points) {
    if (point.k < next || point.k > kLastGridIndex) continue;
    if (point.k > next) {
      extend(next, RunState::kNone);
      runs.back().end = point.k - 1;
    }
    extend(point.k, RunStateOf(point.state));
    next = point.k + 1;
  }
  if (next <= kLastGridIndex) {
    extend(next, RunState::kNone);
    runs.back().end = kLastGridIndex;
  }
  return runs;
}

}  // namespace

std::string RenderCoverageSvg(const LedgerReport& report) {
  static const struct {
    RunState state;
    const char* cls;
    const char* colour;
  } kLayers[] = {
      {RunState::kVerified, "run verified", kVerifiedColour},
      {RunState::kSingle, "run single", kSingleColour},
      {RunState::kNone, "run none", kNoResultColour},
      {RunState::kConflict, "run conflict", kConflictColour},
  };
  std::vector<Run> runs = CoverageRuns(report);
  std::string out;
  out.reserve(2048 + 80 * runs.size());
  Appendf(&out,
          "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"coverage-strip\" width=\"%d\" height=\"%d\" "
          "viewBox=\"0 0 %d %d\" role=\"img\">\n",
          kSvgWidth, kStripHeight, kSvgWidth, kStripHeight);
  out += "<title>Coverage of the grid k = 1000..10000</title>\n";
  // A point spans one step of k, from k - 1/2 to k + 1/2.
  const double left = XOfIndex(kFirstGridIndex - 0.5);
  const double right = XOfIndex(kLastGridIndex + 0.5);
  for (const auto& layer : kLayers) {
    Appendf(&out, "<g fill=\"%s\">\n", layer.colour);
    for (const Run& run : runs) {
      if (run.state != layer.state) continue;
      double x0 = XOfIndex(run.start - 0.5);
      double x1 = XOfIndex(run.end + 0.5);
      if (x1 - x0 < 1) {
        double middle = (x0 + x1) / 2;
        x0 = std::fmax(left, middle - 0.5);
        x1 = std::fmin(right, x0 + 1);
      }
      Appendf(&out, "<rect class=\"%s\" x=\"%.2f\" y=\"%d\" width=\"%.2f\" height=\"%d\"/>\n", layer.cls, x0,
              kStripTop, x1 - x0, kStripBottom - kStripTop);
    }
    out += "</g>\n";
  }
  Appendf(&out, "<rect x=\"%.2f\" y=\"%d\" width=\"%.2f\" height=\"%d\" fill=\"none\" stroke=\"#333333\"/>\n",
          left, kStripTop, right - left, kStripBottom - kStripTop);
  out += "<g stroke=\"#333333\">\n";
  for (int m = 1; m <= 10; ++m) {
    Appendf(&out, "<path d=\"M%.2f %dv%d\"/>\n", XOfIndex(1000.0 * m), kStripBottom,
            kReservedBottom + 3 - kStripBottom);
  }
  out += "</g>\n";
  // The live reservations in a lane below, over the ticks, each at least a
  // pixel wide.
  Appendf(&out, "<g fill=\"%s\">\n", kReservedColour);
  for (const ReportReservation& reservation : report.reservations) {
    double x0 = std::fmax(left, XOfIndex(reservation.start - 0.5));
    double x1 = std::fmin(right, XOfIndex(reservation.end + 0.5));
    if (x1 - x0 < 1) x1 = x0 + 1;
    Appendf(&out, "<rect class=\"reserved\" x=\"%.2f\" y=\"%d\" width=\"%.2f\" height=\"%d\"/>\n", x0,
            kReservedTop, x1 - x0, kReservedBottom - kReservedTop);
  }
  out += "</g>\n";
  Appendf(&out, "<g %s font-size=\"12\" fill=\"#222222\" text-anchor=\"middle\">\n", kFont);
  for (int m = 1; m <= 10; ++m) {
    Appendf(&out, "<text x=\"%.2f\" y=\"%d\">%d</text>\n", XOfIndex(1000.0 * m), kReservedBottom + 18,
            1000 * m);
  }
  out += "</g>\n</svg>\n";
  return out;
}
