// Remembered values: the same inputs bit for bit give the remembered value,
// any other inputs a fresh one.
#include <gtest/gtest.h>

#include <cmath>

#include "input/last_value.h"

namespace {

TEST(LastValue, ComputesAgainExactlyWhenAnInputChangesItsBits) {
  int computed = 0;
  primrec::last_value<double, double> remembered;
  auto sign_of_root = [&](double a) { return [&computed, a] { ++computed; return std::sqrt(a); }; };
  EXPECT_EQ(remembered(sign_of_root(4.0), 4.0, 1.0), 2.0);
  EXPECT_EQ(remembered(sign_of_root(4.0), 4.0, 1.0), 2.0);
  EXPECT_EQ(computed, 1);
  remembered(sign_of_root(4.0), 4.0, 2.0);  // the second input changed
  EXPECT_EQ(computed, 2);
  // -0 and +0 compare equal but are different inputs: sqrt(-0) is -0.
  EXPECT_FALSE(std::signbit(remembered(sign_of_root(0.0), 0.0, 1.0)));
  EXPECT_TRUE(std::signbit(remembered(sign_of_root(-0.0), -0.0, 1.0)));
  // A NaN input is remembered like any other bit pattern.
  const double nan = std::nan("");
  const int before = computed;
  remembered(sign_of_root(nan), nan, 1.0);
  remembered(sign_of_root(nan), nan, 1.0);
  EXPECT_EQ(computed, before + 1);
}

TEST(LastValue, KeepsTheLastFewAndDropsTheOldest) {
  int computed = 0;
  primrec::recent_values<2, double> remembered;
  auto twice = [&](double a) { return [&computed, a] { ++computed; return 2 * a; }; };
  remembered(twice(1), 1);
  remembered(twice(2), 2);
  EXPECT_EQ(remembered(twice(1), 1), 2.0);
  EXPECT_EQ(computed, 2);
  remembered(twice(3), 3);  // drops 1, the oldest
  EXPECT_EQ(remembered(twice(2), 2), 4.0);
  EXPECT_EQ(computed, 3);
  EXPECT_EQ(remembered(twice(1), 1), 2.0);
  EXPECT_EQ(computed, 4);
}

}  // namespace
