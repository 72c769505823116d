// Tabulated functions: reading, interpolation, and the bisection that must give
// exactly what the walk from the head gives.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "input/number_scanner.h"
#include "input/table_fun.h"
#include "support.h"

using testing_support::InDirectory;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

class TableFun : public ::testing::Test {
 protected:
  // Reads `content` as a table file; returns In_table_fun's result.
  int read(table_fun& table, const std::string& content, char header = 'n', int columns = 2, int value_column = 2) {
    write_file(dir_.file("table.dat"), content);
    InDirectory here(dir_.path());
    ::testing::internal::CaptureStdout();
    const int result = table.In_table_fun("table.dat", header, columns, value_column);
    output_ = ::testing::internal::GetCapturedStdout();
    return result;
  }
  ScratchDir dir_;
  std::string output_;
};

TEST_F(TableFun, EmptyAndOneRowTablesGiveZeroEverywhere) {
  table_fun empty;
  for (double x : {-1.0, 0.0, 1.0}) EXPECT_EQ(empty.line_approx(x), 0.0);
  table_fun one;
  EXPECT_EQ(read(one, "5 7\n"), 0);
  EXPECT_EQ(one.head.x, 5.0);
  EXPECT_EQ(one.head.y, 7.0);
  EXPECT_EQ(one.line_approx(5.0), 0.0);  // no pair of rows to bracket it
  table_fun text;
  EXPECT_EQ(read(text, "no numbers here\n"), 0);
  EXPECT_EQ(text.head.next, nullptr);
  EXPECT_EQ(text.line_approx(0.0), 0.0);
}

TEST_F(TableFun, InterpolatesBetweenRowsInEitherOrder) {
  for (const char* content : {"1 10\n2 20\n3 40\n", "3 40\n2 20\n1 10\n"}) {
    table_fun table;
    ASSERT_EQ(read(table, content), 0);
    EXPECT_EQ(table.line_approx(1.5), 15.0) << content;
    EXPECT_EQ(table.line_approx(2.0), 20.0) << content;
    EXPECT_EQ(table.line_approx(2.5), 30.0) << content;
    EXPECT_EQ(table.line_approx(1.0), 10.0) << content;
    EXPECT_EQ(table.line_approx(3.0), 40.0) << content;
    EXPECT_EQ(table.line_approx(0.5), 0.0) << content;  // no extrapolation
    EXPECT_EQ(table.line_approx(3.5), 0.0) << content;
  }
}

TEST_F(TableFun, TheFirstBracketingPairInFileOrderWins) {
  table_fun table;
  ASSERT_EQ(read(table, "1 10\n3 30\n2 0\n"), 0);
  EXPECT_EQ(table.line_approx(2.5), 25.0);  // the pair (1, 3), not (3, 2)
  // Two rows with one argument: the first row's value, no division by zero.
  table_fun repeated;
  ASSERT_EQ(read(repeated, "1 10\n1 20\n2 30\n"), 0);
  EXPECT_EQ(repeated.line_approx(1.0), 10.0);
}

TEST_F(TableFun, ColumnsAndTheValueColumn) {
  table_fun middle_skipped, last_skipped;
  ASSERT_EQ(read(middle_skipped, "1 100 10\n2 200 20\n", 'n', 3, 3), 0);
  EXPECT_EQ(middle_skipped.line_approx(1.5), 15.0);
  ASSERT_EQ(read(last_skipped, "1 10 100\n2 20 200\n", 'n', 3, 2), 0);
  EXPECT_EQ(last_skipped.line_approx(1.5), 15.0);
}

TEST_F(TableFun, HeaderUpToTheDollarSign) {
  table_fun table;
  ASSERT_EQ(read(table, "overheating of hydrogen, z and ln $ 1 10\n2 20\n", 'y'), 0);
  EXPECT_EQ(table.line_approx(1.5), 15.0);
  EXPECT_EQ(output_, "");

  ASSERT_EQ(read(table, std::string(1001, '#') + "$1 5\n2 6\n", 'y'), 1);
  EXPECT_EQ(output_, "file reading message: stop_signal '$'is lost\nmessage has been sent bytable.dat\n");
  EXPECT_EQ(table.line_approx(1.5), 15.0) << "table unchanged";
}

TEST_F(TableFun, MissingFileLeavesTheTableUnchanged) {
  table_fun table;
  ASSERT_EQ(read(table, "1 10\n2 20\n"), 0);
  InDirectory here(dir_.path());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(table.In_table_fun("absent.dat", 'n', 2, 2), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "error of opening file absent.dat\n");
  EXPECT_EQ(table.line_approx(1.5), 15.0);
}

TEST_F(TableFun, ALastRowCutShortKeepsValueZeroAndRereadingReplacesRows) {
  table_fun table;
  ASSERT_EQ(read(table, "1 10\n2 20\n3"), 0);
  EXPECT_EQ(table.line_approx(3.0), 0.0);
  EXPECT_EQ(table.line_approx(2.5), 10.0);
  ASSERT_EQ(read(table, "7 70\n8 80\n"), 0);
  EXPECT_EQ(table.line_approx(2.5), 0.0) << "old rows released";
  EXPECT_EQ(table.line_approx(7.5), 75.0);
}

// Writes a table with the given arguments and reads it back (through text, as
// the program does; %.17g keeps every bit).
void fill(table_fun& table, const std::vector<double>& xs, std::mt19937_64& rng, const std::string& path) {
  std::uniform_real_distribution<double> value(-30, 30);
  std::string text;
  char line[80];
  for (double x : xs) {
    std::snprintf(line, sizeof line, "%.17g %.17g\n", x, value(rng));
    text += line;
  }
  write_file(path, text);
  ASSERT_EQ(table.In_table_fun(path.c_str(), 'n', 2, 2), 0);
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST_F(TableFun, BisectionGivesExactlyWhatTheWalkGives) {
  std::mt19937_64 rng(20261208);
  const double tiny = std::numeric_limits<double>::denorm_min();
  const double huge = std::numeric_limits<double>::max();
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 2 + static_cast<int>(rng() % 60);
    std::vector<double> xs(n);
    const int kind = trial % 5;
    std::uniform_real_distribution<double> unit(0, 1);
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
    fill(table, xs, rng, dir_.file("random.dat"));
    std::vector<double> probes = xs;  // exactly at row arguments
    for (int i = 0; i + 1 < n; ++i) probes.push_back(xs[i] + (xs[i + 1] - xs[i]) * unit(rng));
    for (double edge : {xs.front(), xs.back()})
      for (double d : {-1.0, 1.0}) probes.push_back(std::nextafter(edge, d * huge));
    const double inf = std::numeric_limits<double>::infinity();
    for (double special : {0.0, -0.0, huge, -huge, inf, -inf, std::nan(""), tiny, 1e-160}) probes.push_back(special);
    for (double probe : probes)
      ASSERT_TRUE(same_bits(table.line_approx(probe), table.line_approx_walk(probe)))
          << "trial " << trial << " x = " << probe << ": " << table.line_approx(probe) << " vs "
          << table.line_approx_walk(probe);
  }
}

}  // namespace

namespace {

// Reading plain numbers in memory must read every file exactly as fscanf does.
TEST_F(TableFun, InMemoryNumbersReadExactlyAsFscanfReads) {
  std::mt19937_64 rng(7);
  const std::vector<std::string> pieces = {"1", "-2.5", "3e5", "+.5", "7.", "1e+", "1e", "-", ".", "e5", "0x1p3",
                                           "inf", "nan", "1.5abc", "abc", "$", "1,5", "2e-310", "1e400", "00012",
                                           "9.999999999999999e22", "123456789012345678901234567890"};
  const std::vector<std::string> gaps = {" ", "\n", "\t", "  \r\n", ""};
  for (int trial = 0; trial < 300; ++trial) {
    std::string text;
    const int count = static_cast<int>(rng() % 40);
    for (int i = 0; i < count; ++i) {
      const bool plain = rng() % 4 != 0;
      text += plain ? std::to_string(static_cast<double>(rng() % 100000) / (1 + rng() % 1000))
                    : pieces[rng() % pieces.size()];
      text += gaps[rng() % gaps.size()];
    }
    const int columns = 2 + static_cast<int>(rng() % 2);
    const int value_column = 2 + static_cast<int>(rng() % (columns - 1));
    table_fun fast, direct;
    number_scanner::direct_conversion = true;
    ASSERT_EQ(read(fast, text, 'n', columns, value_column), 0);
    number_scanner::direct_conversion = false;
    ASSERT_EQ(read(direct, text, 'n', columns, value_column), 0);
    number_scanner::direct_conversion = true;
    const couple_double *a = &fast.head, *b = &direct.head;
    for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
      ASSERT_TRUE(same_bits(a->x, b->x) && same_bits(a->y, b->y)) << "trial " << trial << ": " << text;
    }
    ASSERT_TRUE(a == nullptr && b == nullptr) << "trial " << trial << ": row counts differ for " << text;
  }
}

}  // namespace
