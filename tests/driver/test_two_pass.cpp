// Runs with the Lyman-series feedback: the overheating table of the first pass
// and the tables of the second.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "primrec/primrec.hpp"
#include "support.h"

using testing_support::Inputs;
using testing_support::read_lines;
using testing_support::read_table;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;
using testing_support::write_inputs;

namespace {

const char* const tables[] = {"HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat"};

Inputs run_of(const std::string& levels, const std::string& z_begin, const std::string& z_end,
              const std::string& step) {
  return testing_support::inputs_for(levels, z_begin, z_end, step);
}

TEST(TwoPass, OneLevelWritesTheOverheatingTableAndTheTablesInOnePass) {
  ScratchDir dir;
  write_inputs(dir.path(), run_of("1", "3000", "900", "3e-3"));
  ASSERT_EQ(run_primrec_in(dir.path()).exit_status, 0);
  const auto rows = read_table(dir.file("Hyd_Rad_Overheat.dat"));
  ASSERT_GT(rows.size(), 100u);
  EXPECT_LE(rows.front().first, 2000.0);
  EXPECT_GT(rows.front().first, 2000.0 * std::exp(-3e-3) - 1);  // the first step at or below 2000
  for (const auto& row : rows) EXPECT_TRUE(std::isfinite(row.second)) << row.first;
  EXPECT_EQ(read_lines(dir.file("el.dat")).size(), read_lines(dir.file("HydI.dat")).size());
  EXPECT_GT(read_lines(dir.file("el.dat")).size(), rows.size());
}

TEST(TwoPass, FeedbackChangesOnlyTheHistoryBelow1650) {
  ScratchDir one, two;
  write_inputs(one.path(), run_of("1", "3000", "900", "3e-3"));
  write_inputs(two.path(), run_of("2", "3000", "900", "3e-3"));
  ASSERT_EQ(run_primrec_in(one.path()).exit_status, 0);
  ASSERT_EQ(run_primrec_in(two.path()).exit_status, 0);
  for (const char* table : tables) {
    const auto a = read_lines(one.file(table)), b = read_lines(two.file(table));
    ASSERT_EQ(a.size(), b.size()) << table;
    size_t below_differing = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      if (std::stod(a[i]) > 1650)
        EXPECT_EQ(a[i], b[i]) << table;
      else
        below_differing += a[i] != b[i];
    }
    // Helium has recombined by then; hydrogen and the electrons feel the feedback.
    const std::string name = table;
    if (name == "HydI.dat" || name == "HydII.dat" || name == "el.dat") {
      EXPECT_GT(below_differing, 0u) << table;
    }
  }
}

// The feedback pass reads the overheating rows as the printed table gives them
// back: a library solve keeps exactly what strtod reads from the program's file.
TEST(TwoPass, OverheatingRowsAreThePrintedTableReadBack) {
  ScratchDir dir;
  testing_support::copy_default_inputs(dir.path());
  ASSERT_EQ(run_primrec_in(dir.path()).exit_status, 0);
  const auto printed = read_table(dir.file("Hyd_Rad_Overheat.dat"));
  const primrec::Solution solution = primrec::solve(primrec::default_parameters());
  ASSERT_TRUE(solution.ok()) << solution.error;
  const auto& rows = solution.history.overheating;
  ASSERT_GT(printed.size(), 1000u);
  ASSERT_EQ(rows.size(), printed.size());
  const auto same_bits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  for (size_t i = 0; i < rows.size(); ++i)
    ASSERT_TRUE(same_bits(rows[i].z, printed[i].first) && same_bits(rows[i].ln_overheating, printed[i].second))
        << "row " << i << ": " << rows[i].z << " " << rows[i].ln_overheating;
}

// Each pass starts from the same state, so no range or step makes the second
// pass go wrong.
TEST(TwoPass, ManyRangesAndStepsGiveFiniteTables) {
  struct Range {
    const char *z_begin, *z_end;
  };
  for (const Range& range : {Range{"3000", "2500"}, Range{"7000", "900"}, Range{"8000", "1"}})
    for (const char* step : {"1e-2", "3e-3", "1e-3"})
      for (const char* levels : {"2", "10"}) {
        ScratchDir dir;
        Inputs inputs = run_of(levels, range.z_begin, range.z_end, step);
        inputs.stride = "7";
        write_inputs(dir.path(), inputs);
        const auto result = run_primrec_in(dir.path());
        const std::string label = std::string(range.z_begin) + "->" + range.z_end + " step " + step +
                                  " levels " + levels;
        ASSERT_EQ(result.exit_status, 0) << label << ": " << result.output;
        EXPECT_EQ(result.output, "") << label;
        for (const char* table : tables)
          for (const auto& row : read_table(dir.file(table)))
            ASSERT_TRUE(std::isfinite(row.second) && std::isfinite(row.first)) << label << " " << table;
      }
}

}  // namespace
