// The progress of the components as an observer receives it, through a
// whole evaluation of pi(x).
#include "components/ComponentProgress.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/PiNYZ.h"

namespace {

TEST(ComponentProgress, EveryComponentReportsItsIntervalUpToTheEnd) {
  std::string order;
  std::map<char, double> last;
  SetComponentProgressObserver([&](char component, double fraction) {
    if (order.empty() || order.back() != component) {
      order += component;
      last[component] = 0.0;
    }
    EXPECT_GE(fraction, last[component]) << component;
    EXPECT_LE(fraction, 1.0) << component;
    last[component] = fraction;
  });
  Integer x(1e12);
  EXPECT_EQ(37607912018.0, PiNYZ(x, 2e4, 4.8e4, 0).GetDouble());
  SetComponentProgressObserver(nullptr);

  // A, B, C and D of the evaluation, then the B that Sigma runs; the
  // components that run inside another one's run are not reported.
  EXPECT_EQ("ABCDB", order);
  for (char c : order) EXPECT_EQ(1.0, last[c]) << c;

  // Without an observer nothing is called.
  order.clear();
  ReportComponentProgress('A', 0.5);
  EXPECT_EQ("", order);
}

}  // namespace
