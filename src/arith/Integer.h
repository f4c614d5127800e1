#pragma once
// Exact signed integer of six base-10^6 limbs held in doubles, negative values
// in ten-to-the-sixth complement (the top limb is -1), with three double
// summaries kept up to date after every change. Six limbs hold the values from
// -10^30 to 10^36 - 1; beyond, results are defined but not exact, and no limb
// past the sixth is ever touched.
#include <cstdint>
#include <cstdio>
#include <string>

// Program-wide constants.
constexpr double kSmallFactorThreshold = 1e9;  // largest factor/divisor applied limb by limb
constexpr double kSplit18 = 1e18;               // split constant of Set
constexpr double kRelativeMargin = 1e-15;       // relative guard band of floating quotients
constexpr double kFlushThreshold = 1e30;        // double accumulators are flushed when T^2 exceeds it

class Integer {
 public:
  static constexpr int kLimbs = 6;

  Integer();                  // unset: count = -1 (reads as 0)
  explicit Integer(double x); // same as Set(x)

  void Set(double x);         // x integer-valued
  void SetFloor(double x);    // value = floor(x), |x| < 2^53
  void Add(double x);         // |x| <= 2e15, else warning
  void Add(const Integer& n);
  void Subtract(const Integer& n);
  void Multiply(double m);
  int IsEqual(const Integer& n) const;

  double GetDouble() const;   // approx, with the large-value warning
  double GetApprox() const { return approx_; }  // approx, silent

  void Print() const;
  void Print(FILE* file) const;
  int Format(char* out) const;  // out holds at least 38 characters; returns the length
  std::string Text() const;     // the decimal text of Print

  // Products, quotients and roots.
  void Product(const Integer& a, const Integer& b);  // this may be a or b
  void Square(const Integer& a);
  int Divide(const Integer& a, const Integer& b);     // this = floor(a/b); 0 if exact
  int DivideBy(double d);                             // this = floor(this/d); 0 if exact
  void CeilDivide(const Integer& a, const Integer& b);
  double FloorQuotient(const Integer& b) const;
  double CeilQuotient(const Integer& b) const;
  long QuotientMinus(double a, double b, double e) const;  // floor(this/(a*b)) - e
  double Modulo(double m) const;                      // in 0 .. m-1
  double FloorSqrt() const;
  double CeilSqrt() const;
  double FloorCbrt() const;

  // Magnitude comparison of two normalised non-negative values: -1, 0, 1.
  static int Compare(const Integer& u, const Integer& v);

  // Read access to the representation.
  bool IsNegative() const;    // the top limb is -1
  int32_t Count() const { return count_; }
  double Limb(int i) const { return limb_[i]; }
  double High() const { return high_; }
  double Low() const { return low_; }

 private:
  void Normalise();
  void SetWide(double x);
  void MultiplyLimbs(const Integer& a, const Integer& b);
  int DivideWide(const Integer& a, const Integer& b);
  static int SignedCompare(const Integer& u, const Integer& v);

  double limb_[kLimbs];
  int32_t count_;
  double approx_;
  double low_;
  double high_;
};
