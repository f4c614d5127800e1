#include "driver/SelfTest.h"

// The checks are chosen to reach every part of a long run in well under a
// minute of one core (26 s of CPU in the release build on the shared 2-core
// EPYC of the benchmark notes):
// - the engine at every power of ten up to 10^16 with the parameters of both
//   runs of the verification (the two at 10^16 take 14 s, those at 10^15
//   4 s, all smaller ones 2 s together);
// - the engine at random arguments below 10^9 with random admissible
//   parameters, against a plain sieve of Eratosthenes that shares no code
//   with it (one sweep, under 1 s);
// - the window count, which sieves with every prime up to 10^9 as the check
//   of a grid point does (1 s a window), on windows across 10^18 and around
//   the square of the largest prime below 10^9;
// - the deviation and checksum that go into a result line.
// Every check runs even after one failed, so that one report shows whether a
// single part or the whole machine is wrong. The report opens with the copy
// of the hot loops that runs, so that it says which code was checked.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "base/Messages.h"
#include "results/LineChecksum.h"
#include "results/OffsetLogIntegral.h"

namespace {

// pi(10^k) for k = 0 .. 16, the published values.
const double kPiOfPowerOfTen[] = {0.0,
                                  4.0,
                                  25.0,
                                  168.0,
                                  1229.0,
                                  9592.0,
                                  78498.0,
                                  664579.0,
                                  5761455.0,
                                  50847534.0,
                                  455052511.0,
                                  4118054813.0,
                                  37607912018.0,
                                  346065536839.0,
                                  3204941750802.0,
                                  29844570422669.0,
                                  279238341033925.0};
constexpr int kLargestPower = 16;

// Every prime of (10^18 - 3000, 10^18 + 3000], as an offset from 10^18,
// found by a deterministic Miller-Rabin test (as are those of the next list;
// the unit test derives both again).
const int32_t kPrimesNearTenToTheEighteenth[] = {
    -2987, -2981, -2967, -2943, -2921, -2879, -2867, -2811, -2793, -2687, -2573, -2567, -2543, -2529, -2501,
    -2411, -2349, -2249, -2183, -2169, -2163, -2117, -2099, -2057, -2049, -2039, -2007, -2001, -1979, -1973,
    -1857, -1833, -1829, -1773, -1763, -1731, -1727, -1679, -1557, -1461, -1419, -1349, -1347, -1257, -1241,
    -1133, -1073, -1071, -1061, -1011, -977,  -927,  -921,  -879,  -843,  -839,  -717,  -669,  -641,  -629,
    -591,  -581,  -557,  -537,  -513,  -497,  -471,  -461,  -431,  -399,  -387,  -369,  -363,  -291,  -263,
    -251,  -171,  -137,  -123,  -33,   -11,   3,     9,     31,    79,    177,   183,   201,   283,   381,
    387,   507,   523,   583,   603,   619,   621,   799,   841,   861,   877,   913,   931,   997,   1093,
    1191,  1267,  1323,  1347,  1359,  1453,  1459,  1537,  1563,  1593,  1659,  1683,  1729,  1743,  1771,
    1827,  1879,  1953,  2049,  2097,  2137,  2217,  2271,  2319,  2481,  2493,  2497,  2509,  2517,  2539,
    2557,  2587,  2607,  2611,  2679,  2851,  2857,  2901,  2907,  2931,  2961};

// Every prime of (p^2 - 2000, p^2 + 2000] for p = 999999937, the largest
// prime below 10^9, as an offset from p^2. Around p^2 the window is sieved
// with the primes up to p exactly, and p^2 is struck by the last of them
// alone.
const int32_t kPrimesNearSquareOfLargestPrime[] = {
    -1932, -1902, -1866, -1820, -1796, -1790, -1788, -1770, -1752, -1748, -1650, -1628, -1586, -1560,
    -1508, -1400, -1388, -1386, -1382, -1356, -1292, -1238, -1202, -1176, -1118, -1116, -1022, -830,
    -800,  -780,  -678,  -608,  -578,  -420,  -396,  -392,  -336,  -230,  -228,  -168,  -138,  -98,
    -90,   -18,   -12,   52,    58,    70,    72,    102,   114,   138,   192,   372,   450,   544,
    562,   592,   708,   732,   784,   828,   850,   952,   960,   982,   1050,  1092,  1102,  1120,
    1132,  1212,  1270,  1314,  1320,  1354,  1362,  1380,  1444,  1548,  1554,  1594,  1614,  1618,
    1684,  1698,  1704,  1708,  1758,  1810,  1830,  1878,  1974};

template <size_t n>
constexpr int Length(const int32_t (&)[n]) {
  return static_cast<int>(n);
}

const KnownPrimeList kKnownPrimeLists[] = {
    {"10^18", 1000000000000000000ULL, -3000, 3000, kPrimesNearTenToTheEighteenth,
     Length(kPrimesNearTenToTheEighteenth)},
    {"999999937^2", 999999874000003969ULL, -2000, 2000, kPrimesNearSquareOfLargestPrime,
     Length(kPrimesNearSquareOfLargestPrime)}};

// Windows (base + lo, base + hi] inside the range of a list. Across 10^18,
// where the value needs a fourth limb: even ends; prime ends, the left one
// excluded and the right one included; an even left end before a prime; a
// prime left end with an even right end after a prime. Then the window
// around p^2.
struct Window {
  int list;
  int32_t lo, hi;
};
const Window kWindows[] = {{0, -3000, 3000}, {0, -2987, 2961}, {0, -2988, 2931}, {0, -11, 2962}, {1, -2000, 2000}};

// Result lines "k:pi(x):deviation:checksum". Where pi is the true value at
// x = k 10^14, the deviation is computed again from it.
struct SampleLine {
  const char* text;
  bool truePi;
};
const SampleLine kSampleLines[] = {{"1000:2623557157654233:-0.05813:158", true},
                                   {"10000:24739954287740860:-0.05178:649", true},
                                   {"1000:5:-0.00002:18", false}};

std::string Text(const Integer& v) {
  char digits[64];
  v.Format(digits);
  return digits;
}

// The lines of the report: one per check with its time, the expected and
// obtained values under a failed one, and the verdict.
class Report {
 public:
  explicit Report(FILE* out) : out_(out) {}

  // Starts the clock of the next check.
  void Start() { start_ = ElapsedSeconds(); }

  // The line of the check started last; detail (lines without their end)
  // is printed under it when it failed.
  void Check(const std::string& label, bool ok, const std::string& detail) {
    fprintf(out_, "%-62s %-6s time=%.2lf s\n", label.c_str(), ok ? "OK" : "FAILED", ElapsedSeconds() - start_);
    if (!ok) {
      fprintf(out_, "  %s\n", detail.c_str());
      if (failed_ == 0) firstFailed_ = label;
      ++failed_;
    }
    fflush(out_);
  }

  int Verdict() {
    if (failed_ == 0) {
      fprintf(out_, "Self-test passed\n");
    } else if (failed_ == 1) {
      fprintf(out_, "Self-test failed: %s\n", firstFailed_.c_str());
    } else {
      fprintf(out_, "Self-test failed: %s (and %d more check%s)\n", firstFailed_.c_str(), failed_ - 1,
              failed_ == 2 ? "" : "s");
    }
    fflush(out_);
    return failed_ == 0 ? 0 : 1;
  }

 private:
  FILE* out_;
  double start_ = 0.0;
  int failed_ = 0;
  std::string firstFailed_;
};

void CheckPowerOfTen(Report& report, const SelfTestSeams& seams, int k, const Integer& x, TuningParameters p) {
  report.Start();
  Integer expected(kPiOfPowerOfTen[k]);
  Integer value = seams.engine(x, p.y, p.z, 0);
  bool ok = value.IsEqual(expected) != 0;
  report.Check(msg::Printf("pi(10^%d) = %.0lf, y=%.0lf z=%.0lf", k, kPiOfPowerOfTen[k], p.y, p.z), ok,
               "expected " + Text(expected) + ", obtained " + Text(value));
}

void CheckPowersOfTen(Report& report, const SelfTestSeams& seams) {
  int largest = std::min(seams.largestPower, kLargestPower);
  Integer x(1.0);
  for (int k = 1; k <= largest; ++k) {
    x.Multiply(10.0);
    TuningParameters main = MainRunParameters(x);
    CheckPowerOfTen(report, seams, k, x, main);
    TuningParameters second = SecondRunParameters(x, main);
    if (second.y != main.y || second.z != main.z) {
      CheckPowerOfTen(report, seams, k, x, second);
    }
  }
}

// pi(x) at every x of xs (each at least 2), by one sieve of Eratosthenes
// over the odd numbers up to the largest x, a byte per odd number, in
// segments of 2^18 bytes.
std::vector<int64_t> PlainSieveCounts(const std::vector<int64_t>& xs) {
  std::vector<size_t> order(xs.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return xs[a] < xs[b]; });
  int64_t top = xs.empty() ? 0 : xs[order.back()];

  // The odd primes up to sqrt(top), and the next odd multiple of each to
  // strike, starting from its square.
  int64_t root = 1;
  while ((root + 1) * (root + 1) <= top) ++root;
  std::vector<char> composite(static_cast<size_t>(root) + 1, 0);
  std::vector<int64_t> primes, next;
  for (int64_t p = 3; p <= root; p += 2) {
    if (composite[p]) continue;
    primes.push_back(p);
    next.push_back(p * p);
    for (int64_t m = p * p; m <= root; m += 2 * p) composite[m] = 1;
  }

  constexpr int64_t kSegment = int64_t{1} << 18;  // odd numbers per segment
  std::vector<char> prime(kSegment);
  std::vector<int64_t> counts(xs.size());
  int64_t count = 1;  // the prime 2
  size_t done = 0;
  // Segment i holds the odd n = base + 2 i.
  for (int64_t base = 1; done < order.size(); base += 2 * kSegment) {
    std::fill(prime.begin(), prime.end(), 1);
    if (base == 1) prime[0] = 0;  // 1
    const int64_t end = base + 2 * kSegment;
    for (size_t j = 0; j < primes.size(); ++j) {
      int64_t m = next[j];
      for (; m < end; m += 2 * primes[j]) prime[(m - base) / 2] = 0;
      next[j] = m;
    }
    for (int64_t i = 0; i < kSegment && done < order.size(); ++i) {
      const int64_t n = base + 2 * i;
      while (done < order.size() && xs[order[done]] < n) counts[order[done++]] = count;
      count += prime[i];
    }
  }
  return counts;
}

// Random x in [1000, limit), every other one in the top tenth of the
// range and the rest spread evenly on a logarithmic scale, each with y and
// z drawn from all the admissible values, x^(1/3) < y <= z < x^(1/2).
void CheckRandomArguments(Report& report, const SelfTestSeams& seams) {
  report.Start();
  uint64_t seed = seams.seed != 0 ? seams.seed : static_cast<uint64_t>(time(nullptr));
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double limit = seams.randomLimit;

  std::vector<int64_t> xs;
  std::vector<TuningParameters> parameters;
  for (int i = 0; i < seams.randomCases; ++i) {
    double v = i % 2 == 0 ? limit * (0.9 + 0.1 * unit(rng)) : 1000.0 * pow(limit / 1000.0, unit(rng));
    int64_t x = std::max<int64_t>(1000, std::min(static_cast<int64_t>(v), static_cast<int64_t>(limit) - 1));
    int64_t yMin = static_cast<int64_t>(cbrt(static_cast<double>(x)));
    while (yMin * yMin * yMin > x) --yMin;
    while (yMin * yMin * yMin <= x) ++yMin;
    int64_t zMax = static_cast<int64_t>(sqrt(static_cast<double>(x)));
    while (zMax * zMax >= x) --zMax;
    while ((zMax + 1) * (zMax + 1) < x) ++zMax;
    int64_t y = std::uniform_int_distribution<int64_t>(yMin, zMax)(rng);
    int64_t z = std::uniform_int_distribution<int64_t>(y, zMax)(rng);
    xs.push_back(x);
    parameters.push_back({static_cast<double>(y), static_cast<double>(z)});
  }

  std::vector<int64_t> counts = PlainSieveCounts(xs);
  std::string detail;
  for (size_t i = 0; i < xs.size(); ++i) {
    Integer expected(static_cast<double>(counts[i]));
    Integer value = seams.engine(Integer(static_cast<double>(xs[i])), parameters[i].y, parameters[i].z, 0);
    if (value.IsEqual(expected)) continue;
    if (!detail.empty()) detail += "\n  ";
    detail += msg::Printf("pi(%lld), y=%.0lf z=%.0lf: expected %lld, obtained %s", static_cast<long long>(xs[i]),
                     parameters[i].y, parameters[i].z, static_cast<long long>(counts[i]), Text(value).c_str());
  }
  report.Check(msg::Printf("pi(x) at %d random x < %.0E against a sieve, seed=%llu", seams.randomCases, limit,
                      static_cast<unsigned long long>(seed)),
               detail.empty(), detail);
}

Integer FromDigits(const std::string& digits) {
  Integer v(0.0);
  for (char c : digits) {
    v.Multiply(10.0);
    v.Add(static_cast<double>(c - '0'));
  }
  return v;
}

void CheckWindows(Report& report, const SelfTestSeams& seams) {
  for (const Window& w : kWindows) {
    report.Start();
    const KnownPrimeList& list = kKnownPrimeLists[w.list];
    const Integer base = FromDigits(std::to_string(list.base));
    Integer lo = base;
    lo.Add(static_cast<double>(w.lo));
    Integer hi = base;
    hi.Add(static_cast<double>(w.hi));
    double expected = static_cast<double>(std::count_if(list.offsets, list.offsets + list.count,
                                                        [&](int32_t o) { return w.lo < o && o <= w.hi; }));
    double value = seams.windowCount(lo, hi);
    report.Check(msg::Printf("primes of (%s%+d, %s%+d] = %.0lf", list.baseName, w.lo, list.baseName, w.hi, expected),
                 value == expected, msg::Printf("expected %.0lf, obtained %.0lf", expected, value));
  }
}

// The checksum of the line, and where pi is true its text through Integer
// and the deviation "%.5lf" computed from it. Returns "" when all agree,
// else what differs.
std::string SampleLineDifference(const SampleLine& sample) {
  const std::string text = sample.text;
  const size_t last = text.rfind(':');
  const std::string fields = text.substr(0, last);
  const long checksum = atol(text.c_str() + last + 1);
  const long obtained = LineChecksum(fields.c_str());
  if (obtained != checksum) return msg::Printf("checksum: expected %ld, obtained %ld", checksum, obtained);
  if (!sample.truePi) return "";

  const size_t first = fields.find(':');
  const size_t second = fields.find(':', first + 1);
  const double k = atof(fields.substr(0, first).c_str());
  const std::string digits = fields.substr(first + 1, second - first - 1);
  const std::string deviation = fields.substr(second + 1);
  const Integer pi = FromDigits(digits);
  if (Text(pi) != digits) return "pi: expected " + digits + ", obtained " + Text(pi);
  Integer x(1e14);
  x.Multiply(k);
  const std::string computed = msg::Printf("%.5lf", NormalisedDeviation(pi.GetApprox(), x.GetApprox()));
  if (computed != deviation) return "deviation: expected " + deviation + ", obtained " + computed;
  return "";
}

void CheckSampleLines(Report& report) {
  for (const SampleLine& sample : kSampleLines) {
    report.Start();
    std::string difference = SampleLineDifference(sample);
    report.Check(msg::Printf("line %s", sample.text), difference.empty(), difference);
  }
}

}  // namespace

int RunSelfTest(FILE* out) { return RunSelfTest(out, SelfTestSeams()); }

int RunSelfTest(FILE* out, const SelfTestSeams& seams) {
  Report report(out);
  fputs(msg::HotLoopsCopy(HotCopyName(ChosenHotCopy())).c_str(), out);
  CheckSampleLines(report);
  CheckPowersOfTen(report, seams);
  CheckRandomArguments(report, seams);
  CheckWindows(report, seams);
  return report.Verdict();
}

std::vector<KnownPrimeList> KnownPrimeLists() {
  return std::vector<KnownPrimeList>(std::begin(kKnownPrimeLists), std::end(kKnownPrimeLists));
}
