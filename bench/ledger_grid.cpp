// Writes a synthetic full grid for the ledger's benchmark: the 9001 points
// k = 1000..10000 in 91 result files "PixS-E.txt" of 98 or 99 points each,
// into every folder given (existing folders, one per volunteer, the same
// lines in each).
//
// The values of pi(x) are not computed: each is Li(x) plus a slow wave of a
// few tenths of the normalised unit sqrt(2 x ln ln x / ln x), so that they
// increase strictly and their deviations look like those of real results.
// The lines are written by the client's own formatter, with the deviation
// computed as the range loop computes it, so that every file passes the
// coordinator's check (brunsk --check-file).
// Usage: ledger_grid DIR...
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "arith/Integer.h"
#include "results/OffsetLogIntegral.h"
#include "results/ResultLine.h"
#include "results/ResultScan.h"

namespace {

constexpr long kFirst = 1000;
constexpr long kLast = 10000;
constexpr long kFiles = 91;
constexpr double kGridStep = 1e14;

// The synthetic deviation at index k: two slow waves, between about -0.45
// and 0.35.
double SyntheticDeviation(long k) {
  const double t = static_cast<double>(k);
  return -0.05 + 0.3 * std::sin(t / 311.0) + 0.1 * std::sin(t / 23.0);
}

// The result line of index k, as the range loop writes it.
std::string GridLine(long k) {
  Integer x(kGridStep);
  x.Multiply(static_cast<double>(k));
  const double v = x.GetApprox();
  const double unit = std::sqrt(2.0 * v * std::log(std::log(v)) / std::log(v));
  Integer p(std::floor(OffsetLogIntegral(x) + SyntheticDeviation(k) * unit));
  p.Add(static_cast<double>(k % 7));  // values that are not all multiples of the double's spacing
  char digits[64];
  p.Format(digits);
  return FormatResultLine(k, digits, NormalisedDeviation(p.GetApprox(), x.GetApprox()));
}

// Writes the 91 files into the existing folder; false (reported) when one cannot be written.
bool WriteGrid(const std::string& folder, const std::string lines[]) {
  const long points = kLast - kFirst + 1;
  for (long file = 0; file < kFiles; ++file) {
    const long S = kFirst + file * points / kFiles;
    const long E = kFirst + (file + 1) * points / kFiles - 1;
    const std::string path = folder + "/" + ResultFileName(S, E);
    FILE* out = fopen(path.c_str(), "wb");
    if (out == nullptr) {
      fprintf(stderr, "ledger_grid: %s: %s\n", path.c_str(), strerror(errno));
      return false;
    }
    for (long k = S; k <= E; ++k) fputs(lines[k - kFirst].c_str(), out);
    if (fclose(out) != 0) {
      fprintf(stderr, "ledger_grid: %s: %s\n", path.c_str(), strerror(errno));
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: ledger_grid DIR...\n");
    return 1;
  }
  static std::string lines[kLast - kFirst + 1];
  for (long k = kFirst; k <= kLast; ++k) lines[k - kFirst] = GridLine(k);
  for (int i = 1; i < argc; ++i) {
    if (!WriteGrid(argv[i], lines)) return 1;
    printf("%s: %ld files, k=%ld..%ld\n", argv[i], kFiles, kFirst, kLast);
  }
  return 0;
}
