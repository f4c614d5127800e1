// The self-test on a small scale: a run that passes, an engine wrong at one
// argument, a window count off by one, and the list of known primes near
// 10^18 derived again.
#include "driver/SelfTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "arith/HotPath.h"
#include "base/Messages.h"
#include "common/MillerRabin.h"
#include "common/Program.h"

namespace {

uint64_t ToUnsigned(const Integer& v) {
  char digits[64];
  v.Format(digits);
  return strtoull(digits, nullptr, 10);
}

// The window count by a primality test of every number, independent of the
// sieve that the real count uses.
double TestedWindowCount(const Integer& lo, const Integer& hi) {
  return static_cast<double>(testref::CountPrimes(ToUnsigned(lo), ToUnsigned(hi)));
}

double WindowCountOffByOne(const Integer& lo, const Integer& hi) { return TestedWindowCount(lo, hi) - 1.0; }

Integer EngineWrongAtOneMillion(const Integer& x, double y, double z, int verbose) {
  Integer value = PiNYZ(x, y, z, verbose);
  if (x.GetApprox() == 1e6) value.Add(1.0);
  return value;
}

Integer EngineWrongAwayFromPowersOfTen(const Integer& x, double y, double z, int verbose) {
  Integer value = PiNYZ(x, y, z, verbose);
  double e = std::round(std::log10(x.GetApprox()));
  if (x.GetApprox() != std::pow(10.0, e)) value.Add(-1.0);
  return value;
}

SelfTestSeams QuickSeams() {
  SelfTestSeams seams;
  seams.largestPower = 11;
  seams.randomLimit = 1e7;
  seams.seed = 2718;
  seams.windowCount = TestedWindowCount;
  return seams;
}

std::vector<std::string> RunLines(const SelfTestSeams& seams, int* status) {
  std::istringstream text(testref::PrintedText([&](FILE* out) { return RunSelfTest(out, seams); }, status));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

// The labels of the checks reported as failed.
std::vector<std::string> Failed(const std::vector<std::string>& lines) {
  std::vector<std::string> labels;
  std::smatch m;
  for (const std::string& line : lines) {
    if (std::regex_match(line, m, std::regex("(.*\\S) +FAILED +time=\\d+\\.\\d\\d s"))) labels.push_back(m[1]);
  }
  return labels;
}

TEST(SelfTestTest, QuickRunPasses) {
  int status = -1;
  std::vector<std::string> lines = RunLines(QuickSeams(), &status);
  EXPECT_EQ(0, status);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ("Self-test passed", lines.back());
  // The copy of the hot loops, three sample lines, pi(10^k) with two
  // parameter pairs from 10^5 on, the random arguments, five windows; every
  // line of a check aligned.
  EXPECT_EQ(1u + 3 + 4 + 2 * 7 + 1 + 5 + 1, lines.size());
  EXPECT_EQ(msg::HotLoopsCopy(HotCopyName(ChosenHotCopy())), lines[0] + "\n");
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], std::regex(".{62} OK     time=\\d+\\.\\d\\d s"))) << lines[i];
  }
  EXPECT_EQ(0u, lines[10].find("pi(10^6) = 78498, y=199 z=477 ")) << lines[10];
  EXPECT_EQ(0u, lines[11].find("pi(10^6) = 78498, y=202 z=505 ")) << lines[11];
  EXPECT_EQ(0u, lines[22].find("pi(x) at 12 random x < 1E+07 against a sieve, seed=2718 ")) << lines[22];
  EXPECT_EQ(0u, lines[23].find("primes of (10^18-3000, 10^18+3000] = 146 ")) << lines[23];
  EXPECT_EQ(0u, lines[27].find("primes of (999999937^2-2000, 999999937^2+2000] = 93 ")) << lines[27];
}

TEST(SelfTestTest, EngineWrongAtOneArgumentFailsItsChecksOnly) {
  SelfTestSeams seams = QuickSeams();
  seams.engine = EngineWrongAtOneMillion;
  int status = -1;
  std::vector<std::string> lines = RunLines(seams, &status);
  EXPECT_EQ(1, status);
  std::vector<std::string> expected = {"pi(10^6) = 78498, y=199 z=477", "pi(10^6) = 78498, y=202 z=505"};
  EXPECT_EQ(expected, Failed(lines));
  EXPECT_EQ("  expected 78498, obtained 78499", lines[11]);
  EXPECT_EQ("Self-test failed: pi(10^6) = 78498, y=199 z=477 (and 1 more check)", lines.back());

  seams.engine = EngineWrongAwayFromPowersOfTen;
  lines = RunLines(seams, &status);
  EXPECT_EQ(1, status);
  ASSERT_EQ(1u, Failed(lines).size());
  EXPECT_EQ("pi(x) at 12 random x < 1E+07 against a sieve, seed=2718", Failed(lines)[0]);
  EXPECT_EQ("Self-test failed: pi(x) at 12 random x < 1E+07 against a sieve, seed=2718", lines.back());
}

TEST(SelfTestTest, WindowCountOffByOneFails) {
  SelfTestSeams seams = QuickSeams();
  seams.windowCount = WindowCountOffByOne;
  int status = -1;
  std::vector<std::string> lines = RunLines(seams, &status);
  EXPECT_EQ(1, status);
  ASSERT_EQ(5u, Failed(lines).size());
  EXPECT_EQ("primes of (10^18-3000, 10^18+3000] = 146", Failed(lines)[0]);
  EXPECT_EQ("  expected 146, obtained 145", lines[lines.size() - 10]);
  EXPECT_EQ("Self-test failed: primes of (10^18-3000, 10^18+3000] = 146 (and 4 more checks)", lines.back());
}

TEST(SelfTestTest, KnownPrimesAreThePrimesOfTheirRanges) {
  const std::vector<KnownPrimeList> lists = KnownPrimeLists();
  ASSERT_EQ(2u, lists.size());
  EXPECT_EQ(1000000000000000000ULL, lists[0].base);
  // The largest prime below 10^9, squared.
  for (uint64_t q = 999999937ULL + 2; q < 1000000000ULL; q += 2) EXPECT_FALSE(testref::IsPrime(q)) << q;
  EXPECT_TRUE(testref::IsPrime(999999937ULL));
  EXPECT_EQ(999999937ULL * 999999937ULL, lists[1].base);
  for (const KnownPrimeList& list : lists) {
    std::vector<int32_t> derived;
    for (int32_t o = list.from + 1; o <= list.to; ++o) {
      if (testref::IsPrime(list.base + static_cast<int64_t>(o))) derived.push_back(o);
    }
    EXPECT_EQ(derived, std::vector<int32_t>(list.offsets, list.offsets + list.count)) << list.baseName;
  }
}

}  // namespace
