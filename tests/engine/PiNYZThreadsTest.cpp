// Two different evaluations of pi(x) at once, on two threads, give the values
// of the same evaluations one after the other: nothing in the engine is shared
// between them. Built with ThreadSanitizer by make test-tsan.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "arith/Integer.h"
#include "auxcount/PiN.h"

namespace {

std::string Text(const Integer& v) {
  char buf[40];
  v.Format(buf);
  return buf;
}

// pi(x) with the default parameters; the components ask for pi at their
// interval starts, so the recursion runs on both threads too.
std::string Evaluate(double x) { return Text(PiN(Integer(x), 0)); }

TEST(PiNYZThreads, TwoEvaluationsSideBySide) {
  const double x1 = 1e12, x2 = 3e12 + 7.0;
  const std::string first = Evaluate(x1), second = Evaluate(x2);
  EXPECT_EQ(first, "37607912018");
  std::string a, b;
  std::thread t1([&] { a = Evaluate(x1); });
  std::thread t2([&] { b = Evaluate(x2); });
  t1.join();
  t2.join();
  EXPECT_EQ(a, first);
  EXPECT_EQ(b, second);
}

}  // namespace
