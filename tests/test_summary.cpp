// primrec-summary on finished runs: the last scattering of a whole run, a run
// that ends before it, and tables that are cut or do not belong together.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/summary_tables.h"
#include "support.h"

using testing_support::read_file;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

struct SummaryRun {
  int exit_status;
  std::string output;
};

SummaryRun summarise(const std::string& dir) {
  const auto result = testing_support::run_command("'" PRIMREC_SUMMARY_EXE "' '" + dir + "'");
  return {result.exit_status, result.output};
}

// The value after "label = " on its line of the output, or "" without that line.
std::string value_text(const std::string& output, const std::string& label) {
  const size_t at = ("\n" + output).find("\n" + label + " = ");
  if (at == std::string::npos) return "";
  const size_t begin = at + label.size() + 3;
  return output.substr(begin, output.find('\n', begin) - begin);
}

// The redshift of a table line as written, without its padding.
std::string redshift_text(const std::string& line) { return line.substr(0, line.find(' ')); }

// A line as the program writes its tables.
std::string table_line(double z, double value) {
  char line[64];
  std::snprintf(line, sizeof line, "%-20.8g%-20.8g\n", z, value);
  return line;
}

// The default inputs run in `dir` (the program takes a fraction of a second).
void run_default(const ScratchDir& dir) {
  testing_support::copy_default_inputs(dir.path());
  ASSERT_EQ(testing_support::run_primrec_in(dir.path()).exit_status, 0);
}

TEST(Summary, LastScatteringOfTheDefaultRun) {
  ScratchDir dir;
  run_default(dir);
  const SummaryRun summary = summarise(dir.path());
  ASSERT_EQ(summary.exit_status, 0) << summary.output;
  const auto value = [&](const std::string& label) {
    const std::string text = value_text(summary.output, label);
    EXPECT_NE(text, "") << label;
    return std::stod(text.empty() ? "nan" : text);
  };
  EXPECT_EQ(summary.output.rfind("note: el.dat ends at z = 1.0003493", 0), 0u) << summary.output;
  EXPECT_NEAR(value("z_star"), 1090.1, 0.05);
  EXPECT_NEAR(value("z_visibility_peak"), 1080, 15);
  EXPECT_GT(value("visibility_full_width_half_maximum"), 100);
  EXPECT_LT(value("visibility_full_width_half_maximum"), 300);
  EXPECT_NEAR(value("T_m(1100)") / (2.7255 * 1101), 1.0, 1e-3);
  EXPECT_LT(value("T_m(200)"), 2.7255 * 201);
  EXPECT_GT(value("x_e(1100)"), value("x_e(200)"));
  const auto visibility = testing_support::read_lines(dir.file("visibility.dat"));
  EXPECT_EQ(visibility.size(), testing_support::read_lines(dir.file("el.dat")).size());
  // A summary that cannot be printed is lost: a failure.
  EXPECT_EQ(testing_support::run_command("'" PRIMREC_SUMMARY_EXE "' '" + dir.path() + "' >/dev/full").exit_status, 1);
}

// A run that stops at z = 1500 has hydrogen still ionised: x_e, held at its
// last value down to today, makes tau far above 1 at z = 1500, and the
// visibility, falling with z above its peak, is largest at the last row.
TEST(Summary, RunEndingAboveRecombinationSaysSoInWords) {
  ScratchDir dir;
  testing_support::write_inputs(dir.path(), testing_support::inputs_for("10", "8000", "1500", "1e-3"));
  ASSERT_EQ(testing_support::run_primrec_in(dir.path()).exit_status, 0);
  const SummaryRun summary = summarise(dir.path());
  EXPECT_EQ(summary.exit_status, 0) << summary.output;
  EXPECT_EQ(summary.output.find("nan"), std::string::npos) << summary.output;
  EXPECT_EQ(summary.output.find("inf"), std::string::npos) << summary.output;

  const std::string last_row = redshift_text(testing_support::read_lines(dir.file("el.dat")).back());
  ASSERT_NEAR(std::stod(last_row), 1500, 1.6) << "a step of 1e-3 in ln(1+z) is 1.5 in z";
  EXPECT_EQ(value_text(summary.output, "z_star"), "none (tau >= 1 already at z = " + last_row + ", where el.dat ends)");
  EXPECT_EQ(value_text(summary.output, "z_visibility_peak"),
            "none (the visibility still rises at z = " + last_row + ", where el.dat ends)");
  EXPECT_EQ(value_text(summary.output, "visibility_full_width_half_maximum"), "none (no peak inside el.dat)");
  for (const char* at : {"1100", "200"}) {
    EXPECT_EQ(value_text(summary.output, std::string("x_e(") + at + ")"), "none (el.dat ends at z = " + last_row + ")");
    EXPECT_EQ(value_text(summary.output, std::string("T_m(") + at + ")"),
              "none (T_matter.dat ends at z = " + last_row + ")");
  }
  EXPECT_EQ(testing_support::read_lines(dir.file("visibility.dat")).size(),
            testing_support::read_lines(dir.file("el.dat")).size());
}

TEST(Summary, CutTablesAreRefusedNamingFileAndLine) {
  ScratchDir dir;
  run_default(dir);
  const std::string el = read_file(dir.file("el.dat")), temperature = read_file(dir.file("T_matter.dat"));
  const size_t line = 41;  // bytes of a table line with its line end
  ASSERT_EQ(el.size() % line, 0u);
  const size_t lines = el.size() / line;
  const auto refusal = [&](const std::string& file, const std::string& content) {
    write_file(dir.file(file), content);
    const SummaryRun summary = summarise(dir.path());
    EXPECT_EQ(summary.exit_status, 1) << summary.output;
    write_file(dir.file("el.dat"), el);
    write_file(dir.file("T_matter.dat"), temperature);
    return summary.output;
  };

  // Cut in the middle of the redshift of line 101 (z is above 7000 there), and
  // one byte short of the end.
  EXPECT_EQ(refusal("el.dat", el.substr(0, 100 * line + 3)),
            "primrec-summary: el.dat line 101 is cut short: it has no line end\n");
  EXPECT_EQ(refusal("el.dat", el.substr(0, el.size() - 1)),
            "primrec-summary: el.dat line " + std::to_string(lines) + " is cut short: it has no line end\n");
  EXPECT_EQ(refusal("T_matter.dat", temperature.substr(0, 200 * line + 27)),
            "primrec-summary: T_matter.dat line 201 is cut short: it has no line end\n");
  // Bytes lost inside the file, and numbers out of their columns.
  EXPECT_EQ(refusal("el.dat", el.substr(0, 49 * line + 30) + el.substr(49 * line + 33)),
            "primrec-summary: el.dat line 50 has 37 characters, not the table's 40 (two numbers of 20) and a line end\n");
  EXPECT_EQ(refusal("el.dat", "1000 0.5\n900 0.3\n800 0.2\n"),
            "primrec-summary: el.dat line 1 has 8 characters, not the table's 40 (two numbers of 20) and a line end\n");
  // Values that are no numbers, and redshifts that do not fall.
  EXPECT_EQ(refusal("el.dat", table_line(1000, 0.5) + table_line(900, 0.3) + table_line(800, std::nan(""))),
            "primrec-summary: el.dat line 3 is not two finite numbers\n");
  EXPECT_EQ(refusal("el.dat", table_line(1000, 0.5) + " " + table_line(900, 0.3).substr(0, 39) + "\n"),
            "primrec-summary: el.dat line 2 is not two finite numbers\n");
  EXPECT_EQ(refusal("el.dat", table_line(1000, 0.5) + table_line(900, 0.3) + table_line(900, 0.2)),
            "primrec-summary: el.dat line 3 does not go down in redshift from the line before\n");
  EXPECT_EQ(refusal("el.dat", ""), "primrec-summary: el.dat has fewer than three lines\n");
}

TEST(Summary, TablesOfDifferentRowsAreRefused) {
  ScratchDir dir;
  run_default(dir);
  const std::string el = read_file(dir.file("el.dat")), temperature = read_file(dir.file("T_matter.dat"));
  const size_t line = 41, lines = el.size() / line;
  ASSERT_EQ(temperature.size(), el.size());
  const auto refusal = [&](const std::string& el_content, const std::string& temperature_content) {
    write_file(dir.file("el.dat"), el_content);
    write_file(dir.file("T_matter.dat"), temperature_content);
    const SummaryRun summary = summarise(dir.path());
    EXPECT_EQ(summary.exit_status, 1) << summary.output;
    return summary.output;
  };

  // Cut at a line end: each table alone is well formed.
  const std::string all = std::to_string(lines), short_count = std::to_string(lines - 10);
  EXPECT_EQ(refusal(el.substr(0, (lines - 10) * line), temperature),
            "primrec-summary: el.dat ends at line " + short_count + ", T_matter.dat goes on to line " + all +
                "; the two tables of a run have the same lines\n");
  EXPECT_EQ(refusal(el, temperature.substr(0, (lines - 10) * line)),
            "primrec-summary: T_matter.dat ends at line " + short_count + ", el.dat goes on to line " + all +
                "; the two tables of a run have the same lines\n");
  // The same number of lines, one redshift moved by 1 (rows are 8 apart there).
  const std::string z_17 = redshift_text(el.substr(line * 16, line));
  const std::string moved = table_line(std::stod(z_17) + 1, 21000);
  EXPECT_EQ(refusal(el, temperature.substr(0, line * 16) + moved + temperature.substr(line * 17)),
            "primrec-summary: T_matter.dat line 17 has z = " + redshift_text(moved) + ", el.dat line 17 z = " + z_17 +
                "; the two tables of a run have the same redshifts\n");
}

TEST(Summary, FilesItCannotUseAreNamed) {
  EXPECT_EQ(summarise("/nonexistent/directory").exit_status, 1);

  ScratchDir dir;
  SummaryRun summary = summarise(dir.path());
  EXPECT_EQ(summary.exit_status, 1);
  EXPECT_EQ(summary.output, "error of opening file fund.in\n");
  EXPECT_FALSE(testing_support::file_exists(dir.file("HydI.dat"))) << "the summary creates no tables";

  testing_support::copy_default_inputs(dir.path());
  summary = summarise(dir.path());
  EXPECT_EQ(summary.exit_status, 1);
  EXPECT_EQ(summary.output, "primrec-summary: el.dat cannot be opened\n");
  write_file(dir.file("el.dat"), table_line(1000, 0.5) + table_line(900, 0.3) + table_line(800, 0.2));
  summary = summarise(dir.path());
  EXPECT_EQ(summary.exit_status, 1);
  EXPECT_EQ(summary.output, "primrec-summary: T_matter.dat cannot be opened\n");
}

TEST(SummaryTables, InterpolationBetweenRowsAndNothingOutside) {
  const std::vector<table_row> rows = {{3, 30}, {2, 20}, {1, 10}};
  EXPECT_EQ(value_at(rows, 2.5), 25.0);
  EXPECT_EQ(value_at(rows, 1.0), 10.0);
  EXPECT_TRUE(std::isnan(value_at(rows, 0.5)));
  EXPECT_TRUE(std::isnan(value_at(rows, 3.5)));
}

}  // namespace
