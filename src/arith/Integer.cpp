#include "arith/Integer.h"

#include <cmath>
#include <cstring>

#include "arith/Floor.h"
#include "base/Console.h"
#include "base/Messages.h"

namespace {

constexpr double kBase = 1e6;          // limb base
constexpr double kInvBase = 1e-6;      // nearest double to 10^-6
constexpr double kBase2 = 1e12;
constexpr double kInvBase2 = 1e-12;
constexpr double kTopDigit = 999999.0;
constexpr double kAddLimit = 2e15;     // larger single additions are reported
constexpr double kWarnAbove = 1e15;    // GetDouble reports values above this
constexpr double kModuloLimit = 1e15;  // largest modulus Modulo accepts (exclusive)
constexpr double kDivideLimit = 4e15;  // quotient estimates above this are reported
// Quotient estimates above this go through the exact refinement of
// DivideWide: below it the margin of 2 above the floating estimate always
// covers the rounding of the estimate.
constexpr double kEstimateLimit = 281474976710656.0;   // 2^48
constexpr double kTwo53 = 9007199254740992.0;
// Set splits values below this directly; larger ones (and negative ones of
// 2^53 or more in magnitude) are built from their significand and exponent.
constexpr double kSetDirectLimit = 1180591620717411303424.0;  // 2^70
// Square roots above this get a wider start margin (the floating estimate of
// the root can then be off by more than 1).
constexpr double kSqrtWideStart = 1099511627776.0;  // 2^40

}  // namespace

Integer::Integer() : limb_{0, 0, 0, 0, 0, 0}, count_(-1), approx_(0), low_(0), high_(0) {}

Integer::Integer(double x) : Integer() { Set(x); }

bool Integer::IsNegative() const { return count_ >= 1 && limb_[count_ - 1] < 0.0; }

void Integer::Normalise() {
  // An unset value (count -1) is taken as zero; no value has more than six
  // limbs.
  if (count_ < 1) {
    count_ = 1;
  } else if (count_ > kLimbs) {
    count_ = kLimbs;
  }
  double carry = 0.0;
  for (int i = 0; i < count_; ++i) {
    double t = carry + limb_[i];
    double q = DoubleFloor(t * kInvBase);
    limb_[i] = t - q * kBase;
    carry = q;
  }
  while (carry != 0.0) {
    if (carry == -1.0) {
      while (count_ > 0 && limb_[count_ - 1] == kTopDigit) --count_;
      if (count_ < kLimbs) limb_[count_++] = -1.0;
      break;
    }
    if (count_ >= kLimbs) break;  // the value does not fit: keep six limbs
    double q = DoubleFloor(carry * kInvBase);
    limb_[count_++] = carry - q * kBase;
    carry = q;
  }
  if (count_ < 1) {  // only reachable when a negative overflow emptied the limbs
    count_ = 1;
    limb_[0] = 0.0;
  }
  while (count_ > 1 && limb_[count_ - 1] == 0.0) --count_;

  double v = 0.0;
  for (int i = count_ - 1; i >= 0; --i) v = v * kBase + limb_[i];
  approx_ = v;
  if (count_ <= 2) {
    high_ = 0.0;
    low_ = v;
  } else {
    double h = 0.0;
    for (int i = count_ - 1; i >= 2; --i) h = h * kBase + limb_[i];
    high_ = h;
    low_ = limb_[1] * kBase + limb_[0];
  }
}

void Integer::Set(double x) {
  if (x > kBase2) {
    if (!(x < kSetDirectLimit)) {
      SetWide(x);
      return;
    }
    count_ = 3;
    if (x > kSplit18) {
      count_ = 4;
      double h = DoubleFloor(x / kSplit18);
      limb_[3] = h;
      x = x - h * kSplit18;
    }
    double l = DoubleFloor(x * kInvBase2);
    limb_[2] = l;
    double r = x - l * kBase2;
    double m = DoubleFloor(r * kInvBase);
    limb_[1] = m;
    limb_[0] = r - m * kBase;
  } else {
    if (!(x > -kTwo53)) {
      SetWide(x);
      return;
    }
    limb_[0] = DoubleFloor(x);
    count_ = 1;
  }
  Normalise();
}

// Exact conversion of a double of 2^53 or more in magnitude: its 53-bit
// significand times a power of two, the power applied in factors of at most
// 2^29 so that every limb product stays exact. Infinities and NaN give 0.
void Integer::SetWide(double x) {
  uint64_t bits;
  memcpy(&bits, &x, sizeof bits);
  const int e = static_cast<int>((bits >> 52) & 0x7FF);
  count_ = 1;
  limb_[0] = 0.0;
  if (e == 0x7FF) {
    Normalise();
    return;
  }
  const uint64_t significand = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  Set(static_cast<double>(significand));
  for (int shift = e - 1075; shift > 0; shift -= 29) {
    const int k = shift < 29 ? shift : 29;
    Multiply(static_cast<double>(uint64_t{1} << k));
  }
  if (x < 0.0) Multiply(-1.0);
}

void Integer::SetFloor(double x) {
  if (!(x < kTwo53 && x > -kTwo53)) {  // already an integer (or not a number)
    Set(x);
    return;
  }
  double a = DoubleFloor(x * kInvBase);
  limb_[0] = DoubleFloor(x - a * kBase);
  limb_[1] = a;
  count_ = 2;
  Normalise();
}

void Integer::Add(double x) {
  if (x < -kAddLimit || x > kAddLimit) {
    ReportFault(msg::AddTooLarge(x));
    // Carry on exactly through a full conversion of x.
    Integer n(DoubleFloor(x));
    Add(n);
    return;
  }
  limb_[0] += x;
  Normalise();
}

void Integer::Add(const Integer& n) {
  const int c = count_ < 0 ? 0 : count_;
  const int nc = n.count_ < 0 ? 0 : n.count_;
  const int both = c < nc ? c : nc;
  for (int i = 0; i < both; ++i) limb_[i] += n.limb_[i];
  for (int i = c; i < nc; ++i) limb_[i] = n.limb_[i];
  count_ = c > nc ? c : nc;
  Normalise();
}

void Integer::Subtract(const Integer& n) {
  const int c = count_ < 0 ? 0 : count_;
  const int nc = n.count_ < 0 ? 0 : n.count_;
  const int both = c < nc ? c : nc;
  for (int i = 0; i < both; ++i) limb_[i] -= n.limb_[i];
  for (int i = c; i < nc; ++i) limb_[i] = -n.limb_[i];
  count_ = c > nc ? c : nc;
  Normalise();
}

void Integer::Multiply(double m) {
  if (m > kSmallFactorThreshold || m < -kSmallFactorThreshold) {
    const Integer c(*this);
    const Integer factor(m);
    Product(c, factor);
    return;
  }
  for (int i = 0; i < count_; ++i) limb_[i] *= m;
  Normalise();
}

int Integer::IsEqual(const Integer& n) const {
  if (count_ != n.count_) return 0;
  for (int i = 0; i < count_; ++i) {
    if (limb_[i] != n.limb_[i]) return 0;
  }
  return 1;
}

double Integer::GetDouble() const {
  if (approx_ > kWarnAbove) {
    ReportFault(msg::GetDoubleLarge(approx_));
  }
  return approx_;
}

// ---------------------------------------------------------------------------
// Decimal text: the top limb with "%.0lf", every lower limb zero-padded to six
// digits; negative values as "-" followed by the text of their magnitude.

namespace {

template <typename Emit>
int EmitDigits(const Integer& v, Emit emit) {
  if (v.Count() < 1) return emit("%.0lf", 0.0);  // an unset value reads as 0
  int n = emit("%.0lf", v.Limb(v.Count() - 1));
  for (int i = v.Count() - 2; i >= 0; --i) n += emit("%.6ld", static_cast<long>(v.Limb(i)));
  return n;
}

}  // namespace

void Integer::Print() const { Print(stdout); }

void Integer::Print(FILE* file) const {
  auto emit = [file](const char* format, auto value) { return fprintf(file, format, value); };
  if (IsNegative()) {
    fprintf(file, "-");
    Integer magnitude(*this);
    magnitude.Multiply(-1.0);
    EmitDigits(magnitude, emit);
    return;
  }
  EmitDigits(*this, emit);
}

int Integer::Format(char* out) const {
  char* end = out;
  auto emit = [&end](const char* format, auto value) {
    int n = sprintf(end, format, value);
    end += n;
    return n;
  };
  out[0] = '\0';
  if (IsNegative()) {
    emit("%s", "-");
    Integer magnitude(*this);
    magnitude.Multiply(-1.0);
    return 1 + EmitDigits(magnitude, emit);
  }
  return EmitDigits(*this, emit);
}

std::string Integer::Text() const {
  char text[40];
  Format(text);
  return text;
}

// ---------------------------------------------------------------------------
// Products, quotients and roots.

void Integer::Product(const Integer& a, const Integer& b) {
  const int ca = a.count_ < 0 ? 0 : a.count_;
  const int cb = b.count_ < 0 ? 0 : b.count_;
  if (ca + cb - 1 >= kLimbs) ReportFault(msg::ProductTooLong());
  MultiplyLimbs(a, b);
}

// this = a * b without the capacity message. The limbs are gathered apart so
// that the target may be one of the operands. Terms from the seventh limb on
// are dropped: they are multiples of 10^36, and the carry out of the sixth
// limb is dropped with them, so a product from 0 to 10^36 - 1 still comes out
// exact. (A negative product whose operands need seven limbs is below -10^30
// and does not fit anyway.)
void Integer::MultiplyLimbs(const Integer& a, const Integer& b) {
  const int ca = a.count_ < 0 ? 0 : a.count_;
  const int cb = b.count_ < 0 ? 0 : b.count_;
  const int c = ca + cb - 1;
  double r[kLimbs] = {0, 0, 0, 0, 0, 0};
  for (int i = 0; i < ca; ++i) {
    const double ai = a.limb_[i];
    for (int j = 0; j < cb && i + j < kLimbs; ++j) r[i + j] += ai * b.limb_[j];
  }
  memcpy(limb_, r, sizeof r);
  if (c > kLimbs) {
    // Reduce modulo 10^36 before the sign is read from the carry.
    double carry = 0.0;
    for (int i = 0; i < kLimbs; ++i) {
      const double t = carry + limb_[i];
      const double q = DoubleFloor(t * kInvBase);
      limb_[i] = t - q * kBase;
      carry = q;
    }
  }
  count_ = c < kLimbs ? c : kLimbs;
  Normalise();
}

void Integer::Square(const Integer& a) { Product(a, a); }

int Integer::Compare(const Integer& u, const Integer& v) {
  if (u.count_ != v.count_) return u.count_ > v.count_ ? 1 : -1;
  for (int i = u.count_ - 1; i >= 0; --i) {
    if (u.limb_[i] != v.limb_[i]) return u.limb_[i] > v.limb_[i] ? 1 : -1;
  }
  return 0;
}

// Sign of u - v for values of any sign.
int Integer::SignedCompare(const Integer& u, const Integer& v) {
  Integer d(u);
  d.Subtract(v);
  if (d.IsNegative()) return -1;
  return (d.count_ == 1 && d.limb_[0] == 0.0) ? 0 : 1;
}

int Integer::Divide(const Integer& a, const Integer& b) {
  if (this == &a || this == &b) {
    const Integer ca(a), cb(b);
    return Divide(ca, cb);
  }
  if (b.approx_ < kSmallFactorThreshold) {
    const double d = b.GetDouble();
    *this = a;
    return DivideBy(d);
  }
  const double ld = a.approx_ / b.approx_ + 2.0;
  if (ld > kDivideLimit) ReportFault(msg::DivideEstimateTooLarge(ld));
  if (!(ld < kEstimateLimit) || a.IsNegative()) return DivideWide(a, b);
  SetFloor(ld);
  Integer p;
  p.Product(*this, b);
  while (Compare(p, a) > 0) {
    Add(-1.0);
    p.Product(*this, b);
  }
  return p.IsEqual(a) ? 0 : 1;
}

// Exact floor quotient for a divisor of 10^9 or more when the quotient is too
// large for the single floating estimate (or the dividend is negative): the
// estimate is refined against the exact remainder until the rest of the
// quotient is small, then stepped down as usual. Every loop is bounded.
int Integer::DivideWide(const Integer& a, const Integer& b) {
  Integer quotient(0.0), rest(a), part, product;
  for (int round = 0; round < 8; ++round) {
    const double e = rest.approx_ / b.approx_;
    if (!(e <= -kEstimateLimit || e >= kEstimateLimit)) break;  // small, or not a number
    part.Set(DoubleFloor(e));
    quotient.Add(part);
    product.MultiplyLimbs(part, b);
    rest.Subtract(product);
  }
  const double e = rest.approx_ / b.approx_;
  part.SetFloor(e == e ? e + 2.0 : 0.0);
  product.MultiplyLimbs(part, b);
  for (int step = 0; step < 64 && SignedCompare(product, rest) > 0; ++step) {
    part.Add(-1.0);
    product.MultiplyLimbs(part, b);
  }
  quotient.Add(part);
  rest.Subtract(product);
  *this = quotient;
  return (rest.count_ == 1 && rest.limb_[0] == 0.0) ? 0 : 1;
}

int Integer::DivideBy(double d) {
  if (d > kSmallFactorThreshold) {
    const Integer c(*this);
    const Integer divisor(d);
    return Divide(c, divisor);
  }
  const double inv = 1.0 / d;
  double rem = 0.0;
  for (int i = count_ - 1; i >= 0; --i) {
    const double t = rem * kBase + limb_[i];
    const double q = DoubleFloor(t * inv);
    limb_[i] = q;
    rem = t - q * d;
  }
  if (rem >= d) {
    limb_[0] += 1.0;
    rem -= d;
  } else if (rem < 0.0) {
    limb_[0] -= 1.0;
    rem += d;
  }
  Normalise();
  return rem != 0.0 ? 1 : 0;
}

void Integer::CeilDivide(const Integer& a, const Integer& b) {
  if (Divide(a, b) == 1) Add(1.0);
}

double Integer::FloorQuotient(const Integer& b) const {
  Integer q;
  q.Divide(*this, b);
  return q.GetDouble();
}

double Integer::CeilQuotient(const Integer& b) const {
  Integer q;
  q.CeilDivide(*this, b);
  return q.GetDouble();
}

long Integer::QuotientMinus(double a, double b, double e) const {
  const double v = kBase2 * high_ + low_;
  const double h = v / (a * b);
  const double tol = h * kRelativeMargin;
  const double y = h - e;
  const long l = LongFloor(y);
  const double f = y - static_cast<double>(l);
  if (f > tol && f < 1.0 - tol) return l;

  const Integer A(a), B(b);
  Integer P;
  P.Product(A, B);
  Integer Q;
  Q.Divide(*this, P);
  Q.Subtract(Integer(e));
  return LongFloor(Q.GetDouble());
}

double Integer::Modulo(double m) const {
  double h;
  if (m >= kSmallFactorThreshold) {
    if (m >= kModuloLimit) {
      ReportFault(msg::ModuloTooLarge());
      return 0.0;
    }
    // k * 10^6 = m + delta, so h * 10^6 = q1 * k * 10^6 + r1 * 10^6 is
    // congruent to q1 * delta + r1 * 10^6 modulo m.
    const double k = DoubleCeil(m * kInvBase);
    const double delta = k * kBase - m;
    const double invK = 1.0 / k;
    const double invM = 1.0 / m;
    h = count_ >= 1 ? limb_[count_ - 1] : 0.0;
    for (int i = count_ - 2; i >= 0; --i) {
      const double q1 = DoubleFloor(h * invK);
      const double r1 = h - q1 * k;
      const double t = r1 * kBase + (q1 * delta + limb_[i]);
      const double q2 = DoubleFloor((t + 0.5) * invM);
      h = t - q2 * m;
    }
  } else {
    const double inv = 1.0 / m;
    h = count_ >= 1 ? limb_[count_ - 1] : 0.0;
    if (count_ <= 1) h = h - m * DoubleFloor((h + 0.5) * inv);
    for (int i = count_ - 2; i >= 0; --i) {
      const double t = h * kBase + limb_[i];
      const double q = DoubleFloor((t + 0.5) * inv);
      h = t - q * m;
    }
  }
  if (h < 0.0) {
    h += m;
  } else if (h >= m) {
    h -= m;
  }
  return h;
}

double Integer::FloorSqrt() const {
  if (IsNegative()) return 0.0;  // no real root; never asked
  double s = DoubleFloor(std::sqrt(approx_)) + 2.0;
  // Beyond 2^40 the root of the rounded value may be off by more than one.
  if (s > kSqrtWideStart) s += DoubleCeil(s * 4e-15);
  Integer S(s), P;
  P.Product(S, S);
  while (Compare(P, *this) > 0) {
    S.Add(-1.0);
    P.Product(S, S);
  }
  return S.GetDouble();
}

double Integer::CeilSqrt() const {
  const double r = FloorSqrt();
  const Integer R(r);
  Integer P;
  P.Product(R, R);
  return P.IsEqual(*this) ? r : r + 1.0;
}

double Integer::FloorCbrt() const {
  if (IsNegative()) return 0.0;  // never asked
  const double r0 = std::exp(std::log(approx_) * (1.0 / 3.0));
  Integer S(DoubleFloor(r0 + 2.0)), T, P;
  T.Product(S, S);
  P.Product(T, S);
  while (Compare(P, *this) > 0) {
    S.Add(-1.0);
    T.Product(S, S);
    P.Product(T, S);
  }
  return S.GetDouble();
}
