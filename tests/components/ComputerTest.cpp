#include "components/Computer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "components/AComputer.h"
#include "components/BComputer.h"
#include "components/BruteForce.h"
#include "components/CComputer.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// A component whose run reports progress at chosen points of a chosen range.
class Probe : public Computer {
 public:
  Probe(const Integer& x, double y) : Computer(x, y, 1.0) {}
  void GetName(char* out) const override { strcpy(out, "P"); }
  void GetRange(double& start, double& end) override {
    start = from;
    end = to;
  }
  void Run() override {
    InitRangeCount();
    for (double v : points) ShowProgress(v);
    result = Integer(-42.0);
  }

  double LowerBound() const { return lowerBound; }
  double CubeRootX() const { return cubeRootX; }
  double XValue() const { return xValue; }
  int32_t BlockLength() const { return blockLength; }
  double PiCurrent() const { return piCurrent; }
  double SieveCurrent() const { return sieveCurrent; }
  void SetRangeStart(double v) { rangeStart = v; }

  double from = 0.0, to = 100.0;
  std::vector<double> points;
};

std::string Printed(Computer& c) {
  CaptureStdout();
  c.TimedRun();
  return GetCapturedStdout();
}

TEST(Computer, VerboseLineOfEachComponent) {
  const std::regex timeTail("[0-9]+\\.[0-9]{2}\n");
  Integer x(1e7);
  AComputer a(x, 430.0, 1.0);
  BComputer b(x, 430.0, 1.0);
  CComputer c(x, 430.0, 1032.0, 1.0);
  brute::Sieve sieve(100000);
  Computer* comps[] = {&a, &b, &c};
  const char* letters[] = {"A", "B", "C"};
  std::string values[] = {"118968", brute::Text(brute::B(10000000, 430, sieve)), ""};
  {
    brute::Sieve big(40000);
    brute::Factors f(1100);
    values[2] = brute::Text(brute::C(brute::Params(10000000, 430, 1032), big, f));
  }
  for (int i = 0; i < 3; ++i) {
    comps[i]->SetVerbose(1);
    std::string line = Printed(*comps[i]);
    const std::string head = std::string("Computing ") + letters[i] + " : ......" + letters[i] + "=" +
                             values[i] + ", time=";
    ASSERT_GE(line.size(), head.size()) << line;
    EXPECT_EQ(line.substr(0, head.size()), head);
    EXPECT_TRUE(std::regex_match(line.substr(head.size()), timeTail)) << line;
  }
}

TEST(Computer, SilentWhenNotVerbose) {
  Integer x(1e7);
  AComputer a(x, 430.0, 1.0);
  BComputer b(x, 430.0, 1.0);
  CComputer c(x, 430.0, 1032.0, 1.0);
  EXPECT_EQ(Printed(a), "");
  EXPECT_EQ(Printed(b), "");
  EXPECT_EQ(Printed(c), "");
  Probe p(x, 430.0);
  p.points = {10.0, 50.0, 100.0};
  EXPECT_EQ(Printed(p), "");
}

TEST(Computer, ProgressDots) {
  Integer x(1e7);
  Probe p(x, 430.0);
  p.SetVerbose(1);
  p.points = {10.0};  // e = 0.5: one dot
  EXPECT_EQ(Printed(p).substr(0, 15), "Computing P : .");
  Probe q(x, 430.0);
  q.SetVerbose(1);
  q.points = {10.0, 40.0, 40.0, 99.0};  // 0.5, 2, 2, 4.95
  std::string line = Printed(q);
  EXPECT_EQ(line.substr(0, 19), "Computing P : .....");
  EXPECT_EQ(line.substr(19, 4), "P=-4");
  // A second run prints no dots until the count is passed.
  q.points = {100.0};
  line = Printed(q);
  EXPECT_EQ(line.substr(0, 17), "Computing P : .P=");
  q.points = {100.0};
  EXPECT_EQ(Printed(q).substr(0, 16), "Computing P : P=");
}

TEST(Computer, AllDotsAtTheEndOfAnEmptyRange) {
  Probe p(Integer(1e7), 430.0);
  p.SetVerbose(1);
  p.from = p.to = 250.0;
  p.points = {250.0};
  EXPECT_EQ(Printed(p).substr(0, 22), "Computing P : ......P=");
}

TEST(Computer, ModeMutesAndRestores) {
  Probe p(Integer(1e7), 430.0);
  p.points = {100.0};
  p.SetVerbose(1);
  EXPECT_EQ(p.IsNormalMode(), 1);
  p.SetMode(1);
  EXPECT_EQ(p.IsNormalMode(), 0);
  p.SetMode(1);  // keeps the verbose flag saved by the first call
  EXPECT_EQ(Printed(p), "");
  p.SetMode(0);
  EXPECT_EQ(p.IsNormalMode(), 1);
  EXPECT_NE(Printed(p), "");
}

TEST(Computer, RangeCountOnlyInNormalMode) {
  Probe p(Integer(1e7), 430.0);
  p.SetRangeStart(1000.0);
  p.InitRangeCount();
  EXPECT_EQ(p.PiCurrent(), 168.0);
  EXPECT_EQ(p.SieveCurrent(), 1000.0);
  p.SetRangeStart(100000.0);
  p.InitRangeCount();
  EXPECT_EQ(p.PiCurrent(), 9592.0);

  Probe q(Integer(1e7), 430.0);
  q.SetMode(1);
  q.SetRangeStart(1000.0);
  q.InitRangeCount();
  EXPECT_EQ(q.PiCurrent(), 0.0);
  EXPECT_EQ(q.SieveCurrent(), 0.0);
}

TEST(Computer, DerivedQuantities) {
  // Large y: floor(x^(1/4)) wins; small y: floor(x/y^2) wins.
  Probe big(Integer(1e12), 900000.0);
  EXPECT_EQ(big.LowerBound(), 1000.0);
  EXPECT_EQ(big.CubeRootX(), 10000.0);
  Probe small(Integer(1e12), 10001.0);
  EXPECT_EQ(small.LowerBound(), 9998.0);  // 10^12 / 10001^2 = 9998.0...
  Probe equal(Integer(1e12), 31623.0);    // 10^12 / 31623^2 = 999.97 -> 999 < 1000
  EXPECT_EQ(equal.LowerBound(), 1000.0);
  Probe tie(Integer(1e12), 31622.0);      // 10^12 / 31622^2 = 1000.04 -> 1000
  EXPECT_EQ(tie.LowerBound(), 1000.0);
  Probe nearCube(Integer(999999999999.0), 10000.0);
  EXPECT_EQ(nearCube.CubeRootX(), 9999.0);
  EXPECT_EQ(nearCube.BlockLength(), 9999);  // floor(sqrt(99999999.9999))
}

TEST(Computer, LargeArgumentReadWithoutWarning) {
  Integer x(1e18);
  x.Add(7.0);
  CaptureStdout();
  Probe p(x, 16000000.0);
  std::string printed = GetCapturedStdout();
  EXPECT_EQ(printed, "");
  EXPECT_EQ(p.XValue(), 1e18);
  EXPECT_EQ(p.CubeRootX(), 1000000.0);
  EXPECT_EQ(p.LowerBound(), 31622.0);  // floor(sqrt(10^9))
  // The warning is on again afterwards.
  CaptureStdout();
  x.GetDouble();
  EXPECT_NE(GetCapturedStdout(), "");
}

TEST(Computer, ResultAndBounds) {
  Probe p(Integer(1e7), 430.0);
  p.TimedRun();
  Integer r;
  EXPECT_EQ(p.GetResult(&r), &r);
  EXPECT_EQ(brute::Text(r), "-42");
  double a = 1.0, b = 1.0;
  p.GetPiBounds(&a, &b);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(p.GetSpare(), 0.0);
  EXPECT_EQ(p.EstimateMemory(), 0.0);
}

}  // namespace
