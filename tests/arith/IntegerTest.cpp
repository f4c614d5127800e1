#include "arith/Integer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "arith/IntegerReference.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::vector<double> Limbs(const Integer& n) {
  std::vector<double> v;
  for (int i = 0; i < n.Count(); ++i) v.push_back(n.Limb(i));
  return v;
}

std::string Text(const Integer& n) {
  char buf[64];
  const int len = n.Format(buf);
  EXPECT_EQ(len, static_cast<int>(std::string(buf).size()));
  return buf;
}

std::string Printed(const Integer& n) {
  CaptureStdout();
  n.Print();
  return GetCapturedStdout();
}

// x = high * 10^9 + low, for values beyond the exact doubles.
Integer Make(double high, double low) {
  Integer x(high);
  x.Multiply(1e9);
  x.Add(low);
  return x;
}

TEST(IntegerCore, SetSplitsIntoLimbs) {
  EXPECT_EQ(Limbs(Integer(0.0)), std::vector<double>({0}));
  EXPECT_EQ(Limbs(Integer(999999.0)), std::vector<double>({999999}));
  EXPECT_EQ(Limbs(Integer(1000000.0)), std::vector<double>({0, 1}));
  EXPECT_EQ(Limbs(Integer(1e12 + 1)), std::vector<double>({1, 0, 1}));
  const Integer e18(1e18);
  EXPECT_EQ(Limbs(e18), std::vector<double>({0, 0, 0, 1}));
  EXPECT_EQ(e18.High(), 1e6);
  EXPECT_EQ(e18.Low(), 0.0);
  EXPECT_EQ(Limbs(Integer(-1.0)), std::vector<double>({-1}));
  EXPECT_EQ(Limbs(Integer(-5.0)), std::vector<double>({999995, -1}));
  EXPECT_EQ(Limbs(Integer(-5000000.0)), std::vector<double>({0, 999995, -1}));
  EXPECT_EQ(Limbs(Integer(-1000000.0)), std::vector<double>({0, -1}));
  EXPECT_EQ(Limbs(Integer(-999999999999.0)), std::vector<double>({1, 0, -1}));
  EXPECT_EQ(Limbs(Integer(2.5)), std::vector<double>({2}));
  EXPECT_EQ(Limbs(Integer(-2.5)), std::vector<double>({999997, -1}));
  // Doubles beyond 10^18 and beyond 2^70 are converted exactly.
  for (double x : {1e18 + 128, 9.223372036854775807e18, 1.5e21, 1e30, 9.99e35, -1e29, -9007199254740994.0}) {
    const Integer n(x);
    EXPECT_TRUE(ValueOf(n) == static_cast<i128>(x)) << x;
    EXPECT_TRUE(IsCanonical(n)) << x;
  }
}

TEST(IntegerCore, UnsetValueReadsAsZero) {
  Integer n;
  EXPECT_EQ(n.Count(), -1);
  EXPECT_EQ(Text(n), "0");
  n.Add(7.0);
  EXPECT_EQ(Limbs(n), std::vector<double>({7}));
  Integer m;
  m.Add(Integer(-3.0));
  EXPECT_TRUE(ValueOf(m) == -3);
}

TEST(IntegerCore, CarriesAndBorrows) {
  Integer n(-1.0);
  n.Add(1.0);
  EXPECT_EQ(Limbs(n), std::vector<double>({0}));

  Integer m(999999999999.0);
  EXPECT_EQ(Limbs(m), std::vector<double>({999999, 999999}));
  m.Add(1.0);
  EXPECT_EQ(Limbs(m), std::vector<double>({0, 0, 1}));

  Integer k(1.0);
  k.Subtract(Integer(1e6));
  EXPECT_EQ(Limbs(k), std::vector<double>({1, -1}));
  EXPECT_EQ(Printed(k), "-999999");

  // Borrow through a run of 999999 limbs collapses them into the sign limb.
  Integer z(1e18);
  z.Subtract(FromValue(Pow10(18) + 1));
  EXPECT_EQ(Limbs(z), std::vector<double>({-1}));
  EXPECT_TRUE(IsCanonical(z));

  Integer s(5.0);
  s.Subtract(s);  // the operand may be the target
  EXPECT_EQ(Limbs(s), std::vector<double>({0}));
  Integer d(123456789.0);
  d.Add(d);
  EXPECT_TRUE(ValueOf(d) == 246913578);
}

TEST(IntegerCore, MultiplyBothPaths) {
  Integer a(123456789012.0);
  a.Multiply(1e9);  // limb by limb
  EXPECT_TRUE(ValueOf(a) == static_cast<i128>(123456789012LL) * 1000000000);
  Integer b(123456789012.0);
  b.Multiply(1e9 + 1);  // through a product
  EXPECT_TRUE(ValueOf(b) == static_cast<i128>(123456789012LL) * 1000000001);
  Integer c(-5.0);
  c.Multiply(-1.0);
  EXPECT_EQ(Limbs(c), std::vector<double>({5}));
  EXPECT_TRUE(IsCanonical(a) && IsCanonical(b));
}

TEST(IntegerCore, LargeAddIsReportedAndStillExact) {
  Integer n(1e18);
  CaptureStdout();
  n.Add(3e15);
  n.Add(-2e15);
  EXPECT_EQ(GetCapturedStdout(), "WARNING in Integer::Add, x=3000000000000000 is too large\n");
  EXPECT_TRUE(ValueOf(n) == static_cast<i128>(1000000000000000000LL) + 1000000000000000LL);
  CaptureStdout();
  n.Add(-9007199254740992.0);
  EXPECT_EQ(GetCapturedStdout(), "WARNING in Integer::Add, x=-9007199254740992 is too large\n");
  EXPECT_TRUE(ValueOf(n) == static_cast<i128>(1000000000000000000LL) + 1000000000000000LL - 9007199254740992LL);
}

TEST(IntegerCore, TextForms) {
  EXPECT_EQ(Printed(Integer(1e12 + 5)), "1000000000005");
  EXPECT_EQ(Printed(Integer(1000000.0)), "1000000");
  EXPECT_EQ(Printed(Integer(1234567.0)), "1234567");
  EXPECT_EQ(Printed(Integer(0.0)), "0");
  EXPECT_EQ(Printed(Integer(-5.0)), "-5");
  EXPECT_EQ(Text(Integer(-5.0)), "-5");
  EXPECT_EQ(Text(Integer(1e18)), "1000000000000000000");
  EXPECT_EQ(Text(Integer(-1e29)), "-99999999999999991433150857216");

  FILE* f = tmpfile();
  ASSERT_NE(f, nullptr);
  Integer(-1000000000007.0).Print(f);
  rewind(f);
  char buf[64] = {0};
  ASSERT_NE(fgets(buf, sizeof buf, f), nullptr);
  fclose(f);
  EXPECT_STREQ(buf, "-1000000000007");
}

TEST(IntegerCore, Equality) {
  EXPECT_EQ(Integer(5.0).IsEqual(Integer(5.0)), 1);
  EXPECT_EQ(Integer(5.0).IsEqual(Integer(-5.0)), 0);
  EXPECT_EQ(Integer(1e12).IsEqual(Integer(1e6)), 0);
}

TEST(IntegerCore, GetDoubleWarning) {
  CaptureStdout();
  EXPECT_EQ(Integer(1e15).GetDouble(), 1e15);
  EXPECT_EQ(Integer(-1e16).GetDouble(), -1e16);
  EXPECT_EQ(GetCapturedStdout(), "");
  CaptureStdout();
  EXPECT_EQ(Integer(1e15 + 1).GetDouble(), 1e15 + 1);
  EXPECT_EQ(GetCapturedStdout(), "Warning in Integer::GetDouble(), x=1.000000E+15\n");
  CaptureStdout();
  EXPECT_EQ(Integer(1e15 + 1).GetApprox(), 1e15 + 1);  // the silent read
  EXPECT_EQ(Integer(1e18).FloorSqrt(), 1e9);
  EXPECT_EQ(GetCapturedStdout(), "");
  Integer square;
  square.Square(Integer(2e16));
  CaptureStdout();
  EXPECT_EQ(square.FloorSqrt(), 2e16);  // the root is read through GetDouble
  EXPECT_EQ(GetCapturedStdout(), "Warning in Integer::GetDouble(), x=2.000000E+16\n");
}

TEST(IntegerProduct, LimbCountsAndMessage) {
  Integer p;
  CaptureStdout();
  p.Product(Integer(999999.0), Integer(999999.0));
  EXPECT_EQ(Limbs(p), std::vector<double>({1, 999998}));
  p.Product(Integer(1e12), Integer(1e12));
  EXPECT_EQ(Limbs(p), std::vector<double>({0, 0, 0, 0, 1}));
  p.Product(Integer(-7.0), Integer(1e12 + 3));
  EXPECT_TRUE(ValueOf(p) == -7000000000021LL);
  EXPECT_EQ(GetCapturedStdout(), "");

  // Three limbs by four: the message, and a count of six can still be exact.
  CaptureStdout();
  p.Product(Integer(1e12), Integer(1e18));
  EXPECT_EQ(GetCapturedStdout(), "ERROR in Integer::Product\n");
  EXPECT_TRUE(ValueOf(p) == Pow10(30));
  EXPECT_TRUE(IsCanonical(p));
}

// Operands of four limbs or more: the message, and the exact product when it
// fits in six limbs.
TEST(IntegerProduct, ExactWhenTheResultFits) {
  const i128 a = -(Pow10(17) + 3), b = -(Pow10(17) + 7), c = -(Pow10(23) + 11), d = -1000001;
  Integer p;
  CaptureStdout();
  p.Product(FromValue(a), FromValue(b));
  EXPECT_TRUE(ValueOf(p) == a * b);
  EXPECT_TRUE(IsCanonical(p));
  p.Product(FromValue(c), FromValue(d));
  EXPECT_TRUE(ValueOf(p) == c * d);
  p.Product(FromValue(Pow10(35) + 1), FromValue(9));
  EXPECT_TRUE(ValueOf(p) == (Pow10(35) + 1) * 9);
  // The kept terms sum to a negative number just above -10^30 here.
  const i128 n = -(Pow10(18) - 1);
  p.Square(FromValue(n));
  EXPECT_TRUE(ValueOf(p) == n * n) << ToString(ValueOf(p));
  EXPECT_TRUE(IsCanonical(p));
  const std::string message = "ERROR in Integer::Product\n";
  EXPECT_EQ(GetCapturedStdout(), message + message + message + message);
  const Integer m = FromValue(-Pow10(30));
  EXPECT_EQ(Limbs(m), std::vector<double>({0, 0, 0, 0, 0, -1}));
}

TEST(IntegerProduct, NeverGrowsBeyondSixLimbs) {
  Integer big(9e35);
  Integer p;
  CaptureStdout();
  p.Product(big, big);
  big.Multiply(1e9 + 1);  // through a product: message
  big.Multiply(-1e9);     // limb by limb: no message
  EXPECT_EQ(GetCapturedStdout(), "ERROR in Integer::Product\nERROR in Integer::Product\n");
  EXPECT_LE(p.Count(), Integer::kLimbs);
  EXPECT_LE(big.Count(), Integer::kLimbs);
  char buf[64];
  EXPECT_LT(big.Format(buf), 40);
  EXPECT_LT(p.Format(buf), 40);
}

TEST(IntegerProduct, TargetMayBeAnOperand) {
  Integer a(123456789012345.0);
  a.Square(a);
  EXPECT_TRUE(ValueOf(a) == static_cast<i128>(123456789012345LL) * 123456789012345LL);
  Integer b(1e9 + 7);
  b.Product(b, Integer(-3.0));
  EXPECT_TRUE(ValueOf(b) == -3000000021LL);
}

TEST(IntegerDivide, BothPaths) {
  Integer q;
  EXPECT_EQ(q.Divide(Integer(1e18), Integer(1e9)), 0);  // estimate path
  EXPECT_EQ(q.GetApprox(), 1e9);
  EXPECT_EQ(q.Divide(Integer(1e18), Integer(1e9 + 7)), 1);
  EXPECT_TRUE(ValueOf(q) == static_cast<i128>(1000000000000000000LL) / 1000000007);
  EXPECT_EQ(q.Divide(Integer(1e18), Integer(999999999.0)), 1);  // limb by limb
  EXPECT_TRUE(ValueOf(q) == static_cast<i128>(1000000000000000000LL) / 999999999);
  EXPECT_EQ(q.Divide(Integer(3.0), Integer(1e10)), 1);
  EXPECT_EQ(Limbs(q), std::vector<double>({0}));

  Integer x(1e18);
  EXPECT_EQ(x.Divide(x, Integer(1e10)), 0);  // into the dividend itself
  EXPECT_EQ(x.GetApprox(), 1e8);
}

TEST(IntegerDivide, DivideByAndCeilings) {
  Integer n(100.0);
  EXPECT_EQ(n.DivideBy(7.0), 1);
  EXPECT_EQ(n.GetApprox(), 14.0);
  n.Set(98.0);
  EXPECT_EQ(n.DivideBy(7.0), 0);
  EXPECT_EQ(n.GetApprox(), 14.0);
  n.Set(-1.0);
  EXPECT_EQ(n.DivideBy(7.0), 1);
  EXPECT_EQ(Limbs(n), std::vector<double>({-1}));
  n.Set(-14.0);
  EXPECT_EQ(n.DivideBy(7.0), 0);
  EXPECT_TRUE(ValueOf(n) == -2);

  Integer c;
  c.CeilDivide(Integer(10.0), Integer(5.0));
  EXPECT_EQ(c.GetApprox(), 2.0);
  c.CeilDivide(Integer(11.0), Integer(5.0));
  EXPECT_EQ(c.GetApprox(), 3.0);
  EXPECT_EQ(Integer(1e18).FloorQuotient(Integer(3e9)), 333333333.0);
  EXPECT_EQ(Integer(1e18).CeilQuotient(Integer(3e9)), 333333334.0);
}

// Quotients beyond the reach of one floating estimate: reported, yet exact.
TEST(IntegerDivide, HugeQuotientIsReportedAndExact) {
  const Integer a(9.99e35);
  Integer q;
  CaptureStdout();
  const int r = q.Divide(a, Integer(1e9 + 9));
  EXPECT_EQ(GetCapturedStdout().rfind("ERROR IN DIVIDE, _LD=", 0), 0u);
  EXPECT_TRUE(ValueOf(q) == ValueOf(a) / 1000000009);
  EXPECT_EQ(r, ValueOf(a) % 1000000009 != 0 ? 1 : 0);
  EXPECT_TRUE(IsCanonical(q));
}

TEST(IntegerQuotientMinus, Examples) {
  const Integer e15(1e15);
  EXPECT_EQ(e15.QuotientMinus(1000.0, 1000.0, 5.0), 999999995L);
  EXPECT_EQ(e15.QuotientMinus(1000.0, 999.0, 0.0), 1001001001L);
  // Values above 2^53 met by the verification run, where the rounded
  // quotient lands on the wrong side of an integer.
  const Integer x1 = Make(103500000.0, 32171415.0);  // 3 * 16419905 * 2101108381
  EXPECT_EQ(x1.QuotientMinus(3.0, 16419905.0, 0.0), 2101108381L);
  EXPECT_EQ(x1.QuotientMinus(3.0, 16419905.0, 2101108000.0), 381L);
  const Integer x1m = Make(103500000.0, 32171414.0);
  EXPECT_EQ(x1m.QuotientMinus(3.0, 16419905.0, 0.0), 2101108380L);
  const Integer x2 = Make(167200000.0, 40890096.0);
  EXPECT_EQ(x2.QuotientMinus(83.0, 1004447.0, 0.0), 2005539198L);
}

TEST(IntegerModulo, Cases) {
  EXPECT_EQ(Integer(-1.0).Modulo(7.0), 6.0);
  EXPECT_EQ(Integer(-7.0).Modulo(7.0), 0.0);
  EXPECT_EQ(FromValue(Pow10(18) + 5).Modulo(1e9), 5.0);
  EXPECT_EQ(FromValue(Pow10(18) + 5).Modulo(1e15 - 1), 1005.0);
  EXPECT_EQ(Integer(-1.0).Modulo(1e12 + 39), 1e12 + 38);
  CaptureStdout();
  EXPECT_EQ(Integer(12345.0).Modulo(1e15), 0.0);
  EXPECT_EQ(GetCapturedStdout(), "PB, m is too large in Integer::Modulo\n");
}

TEST(IntegerRoots, Cases) {
  EXPECT_EQ(Integer(1e18).FloorSqrt(), 1e9);
  EXPECT_EQ(FromValue(Pow10(18) - 1).FloorSqrt(), 999999999.0);
  EXPECT_EQ(FromValue(Pow10(18) - 1).CeilSqrt(), 1e9);
  EXPECT_EQ(Integer(1e18).CeilSqrt(), 1e9);
  EXPECT_EQ(Integer(1e18).FloorCbrt(), 1e6);
  EXPECT_EQ(FromValue(Pow10(18) - 1).FloorCbrt(), 999999.0);
  for (double x : {0.0, 1.0, 2.0, 3.0, 4.0, 7.0, 8.0, 9.0}) {
    const double r = x < 1 ? 0 : x < 4 ? 1 : x < 9 ? 2 : 3;
    EXPECT_EQ(Integer(x).FloorSqrt(), r) << x;
    EXPECT_EQ(Integer(x).FloorCbrt(), x < 1 ? 0 : x < 8 ? 1 : 2) << x;
  }
  EXPECT_EQ(Integer(-4.0).FloorSqrt(), 0.0);  // no root: a defined value
  EXPECT_EQ(Integer(-8.0).FloorCbrt(), 0.0);
}

}  // namespace
