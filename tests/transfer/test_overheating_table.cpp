// The overheating table: interpolation, and the bisection that must give
// exactly what the walk from the first row gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "transfer/overheating_table.h"

namespace {

using primrec::table_fun;

table_fun table_of(const std::vector<std::pair<double, double>>& rows) {
  table_fun table;
  for (const auto& [x, y] : rows) table.add_row(x, y);
  return table;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(TableFun, EmptyAndOneRowTablesGiveZeroEverywhere) {
  const table_fun empty = table_of({});
  for (double x : {-1.0, 0.0, 1.0}) EXPECT_EQ(empty.line_approx(x), 0.0);
  table_fun one = table_of({{5, 7}});
  EXPECT_EQ(one.line_approx(5.0), 0.0);  // no pair of rows to bracket it
  EXPECT_EQ(one.line_approx_walk(5.0), 0.0);
  one.clear();
  EXPECT_EQ(one.size(), 0u);
}

TEST(TableFun, InterpolatesBetweenRowsInEitherOrder) {
  for (const bool reversed : {false, true}) {
    std::vector<std::pair<double, double>> rows = {{1, 10}, {2, 20}, {3, 40}};
    if (reversed) std::reverse(rows.begin(), rows.end());
    const table_fun table = table_of(rows);
    for (const auto& [x, y] : std::vector<std::pair<double, double>>{
             {1.5, 15}, {2, 20}, {2.5, 30}, {1, 10}, {3, 40}, {0.5, 0}, {3.5, 0}}) {  // no extrapolation
      EXPECT_EQ(table.line_approx(x), y) << "reversed " << reversed << " x = " << x;
      EXPECT_EQ(table.line_approx_walk(x), y) << "reversed " << reversed << " x = " << x;
    }
  }
}

TEST(TableFun, TheFirstBracketingPairInOrderWins) {
  table_fun table = table_of({{1, 10}, {3, 30}, {2, 0}});
  EXPECT_EQ(table.line_approx(2.5), 25.0);  // the pair (1, 3), not (3, 2)
  // Two rows with one argument: the first row's value, no division by zero.
  EXPECT_EQ(table_of({{1, 10}, {1, 20}, {2, 30}}).line_approx(1.0), 10.0);
  // A row added after the indexing makes a monotonic table non-monotonic.
  table = table_of({{1, 10}, {2, 20}});
  table.add_row(0, 0);
  EXPECT_EQ(table.line_approx(0.5), 5.0);  // the pair (2, 0)
}

TEST(TableFun, BisectionGivesExactlyWhatTheWalkGives) {
  std::mt19937_64 rng(20261208);
  const double tiny = std::numeric_limits<double>::denorm_min();
  const double huge = std::numeric_limits<double>::max();
  const double inf = std::numeric_limits<double>::infinity();
  std::uniform_real_distribution<double> unit(0, 1), value(-30, 30);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 2 + static_cast<int>(rng() % 60);
    std::vector<double> xs(n);
    const int kind = trial % 5;
    double x = kind == 3 ? 1e-160 : (kind == 4 ? -1e307 : -50);
    for (int i = 0; i < n; ++i) {
      if (kind == 3) {
        x += tiny * (1 + rng() % 3) + x * 1e-3 * unit(rng);  // spacings whose products underflow
      } else if (kind == 4) {
        x += huge / 64 * unit(rng) + 1e300;  // differences that overflow
      } else {
        x += 0.01 + unit(rng) * 3;
      }
      xs[i] = x;
    }
    if (trial % 2 == 1) std::reverse(xs.begin(), xs.end());
    if (kind == 2) std::shuffle(xs.begin(), xs.end(), rng);  // not monotonic: walked
    table_fun table;
    for (double arg : xs) table.add_row(arg, value(rng));
    std::vector<double> probes = xs;  // exactly at row arguments
    for (int i = 0; i + 1 < n; ++i) probes.push_back(xs[i] + (xs[i + 1] - xs[i]) * unit(rng));
    for (double edge : {xs.front(), xs.back()})
      for (double d : {-1.0, 1.0}) probes.push_back(std::nextafter(edge, d * huge));
    for (double special : {0.0, -0.0, huge, -huge, inf, -inf, std::nan(""), tiny, 1e-160}) probes.push_back(special);
    for (double probe : probes)
      ASSERT_TRUE(same_bits(table.line_approx(probe), table.line_approx_walk(probe)))
          << "trial " << trial << " x = " << probe << ": " << table.line_approx(probe) << " vs "
          << table.line_approx_walk(probe);
  }
}

}  // namespace
