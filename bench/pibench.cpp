// Engine benchmark: pi(x) from the full evaluation with the per-component,
// phi0 and Sigma times, the total time and the peak resident memory.
//
//   pibench x [y [z]] [--threads N]
//
// x is a decimal integer or a form such as 1e17 or 2.355e17. Without y and z
// the parameters of the main run are used: y = DefaultY(x), z = floor(2.4 y),
// each lowered to floor(sqrt x) - 1 when it reaches floor(sqrt x). N threads
// share the components (default: every online core); with more than one the
// component times are wall times.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "arith/Floor.h"
#include "arith/HotPath.h"
#include "arith/Integer.h"
#include "auxcount/SmallPi.h"
#include "base/ElapsedSeconds.h"
#include "base/Messages.h"
#include "base/PeakMemory.h"
#include "engine/EvaluationFailure.h"
#include "engine/PiNYZ.h"

namespace {

void Usage() {
  fprintf(stderr,
          "usage: pibench x [y [z]] [--threads N]   (x >= 100 as 123456 or 2.355e17, at most 1e20; "
          "x^(1/3) < y <= z < x^(1/2); N >= 1)\n");
}

// Parses digits[.digits][e[+]digits] into an exact integer; false when the
// text is not of that form, the value is not whole, or it exceeds 10^20.
bool ParseWhole(const char* text, Integer& out) {
  std::string mantissa;
  int fractionDigits = 0;
  bool seenPoint = false;
  const char* s = text;
  for (; *s != '\0' && *s != 'e' && *s != 'E'; ++s) {
    if (*s == '.') {
      if (seenPoint) return false;
      seenPoint = true;
    } else if (isdigit(static_cast<unsigned char>(*s))) {
      mantissa += *s;
      if (seenPoint) ++fractionDigits;
    } else {
      return false;
    }
  }
  if (mantissa.empty()) return false;
  int exponent = 0;
  if (*s == 'e' || *s == 'E') {
    ++s;
    if (*s == '+') ++s;
    if (*s == '\0') return false;
    for (; *s != '\0'; ++s) {
      if (!isdigit(static_cast<unsigned char>(*s))) return false;
      exponent = exponent * 10 + (*s - '0');
      if (exponent > 40) return false;
    }
  }
  // Trailing zeros of the fraction may absorb a missing exponent.
  while (fractionDigits > exponent && !mantissa.empty() && mantissa.back() == '0') {
    mantissa.pop_back();
    --fractionDigits;
  }
  if (fractionDigits > exponent) return false;
  exponent -= fractionDigits;
  size_t first = mantissa.find_first_not_of('0');
  if (first == std::string::npos) mantissa = "0";
  else mantissa = mantissa.substr(first);
  if (mantissa != "0" && mantissa.size() + exponent > 21) return false;
  Integer v(0.0);
  for (char c : mantissa) {
    v.Multiply(10.0);
    v.Add(static_cast<double>(c - '0'));
  }
  for (int i = 0; i < exponent; ++i) v.Multiply(10.0);
  if (v.GetApprox() > 1e20) return false;
  out = v;
  return true;
}

bool ParseParameter(const char* text, double& out) {
  Integer v;
  if (!ParseWhole(text, v)) return false;
  out = v.GetApprox();
  return out < 4503599627370496.0;
}

}  // namespace

int main(int argc, char** argv) {
  // The positional arguments x, y, z and the option --threads N.
  std::vector<char*> args = {argv[0]};
  const unsigned cores = std::thread::hardware_concurrency();
  int threads = cores > 0 ? static_cast<int>(cores) : 1;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--threads") == 0) {
      double n;
      if (i + 1 >= argc || !ParseParameter(argv[i + 1], n) || n < 1.0 || n > 4096.0) {
        Usage();
        return 2;
      }
      threads = static_cast<int>(n);
      ++i;
    } else {
      args.push_back(argv[i]);
    }
  }
  argc = static_cast<int>(args.size());
  argv = args.data();
  if (argc != 2 && argc != 3 && argc != 4) {
    Usage();
    return 2;
  }
  Integer x;
  if (!ParseWhole(argv[1], x) || x.GetApprox() < 100.0) {
    Usage();
    return 2;
  }
  const double s = x.FloorSqrt();
  double y = 0.0, z = 0.0;
  if (argc >= 3) {
    if (!ParseParameter(argv[2], y)) {
      Usage();
      return 2;
    }
  } else {
    y = DefaultY(x);
    if (y >= s) y = s - 1.0;
  }
  if (argc == 4) {
    if (!ParseParameter(argv[3], z)) {
      Usage();
      return 2;
    }
  } else {
    z = DoubleFloor(2.4 * y);
    if (z >= s) z = s - 1.0;
  }
  const double xd = x.GetApprox();
  if (!(y * y * y > xd && y * y < xd && y <= z && z * z < xd)) {
    Usage();
    return 2;
  }

  const double wall0 = WallSeconds();
  const double cpu0 = ElapsedSeconds();
  Integer pi;
  try {
    pi = PiNYZ(x, y, z, 1, Console(), threads);
  } catch (const EvaluationFailure&) {
    fprintf(stderr, "pibench: the evaluation failed\n");
    return 1;
  }
  const double cpu = ElapsedSeconds() - cpu0;
  const double wall = WallSeconds() - wall0;

  printf("pi(");
  x.Print();
  printf(") = ");
  pi.Print();
  printf("\ny=%.0lf z=%.0lf threads=%d\n", y, z, threads);
  fputs(msg::HotLoopsCopy(HotCopyName(ChosenHotCopy())).c_str(), stdout);
  printf("total: cpu %.2lf s, wall %.2lf s, peak RSS %lld kB\n", cpu, wall, PeakMemoryKilobytes());
  return 0;
}
