// tools/scan: a grid of runs, one folder each, summarised in scan.tsv.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

using testing_support::read_lines;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    out.push_back(line.substr(start, tab - start));
  out.push_back(line.substr(start));
  return out;
}

TEST(Scan, TwoByTwoGridWithOneBadPoint) {
  ScratchDir dir;
  testing_support::Inputs base;
  base.step = "1e-2";
  base.levels = "1";
  ASSERT_EQ(std::system(("mkdir '" + dir.file("base") + "'").c_str()), 0);
  testing_support::write_inputs(dir.file("base"), base);
  // z_end above z_begin is refused: the point (3000, 4000) fails, the others run.
  write_file(dir.file("grid"), "# a 2 x 2 grid\nz_begin = 3000 8000\nz_end = 1 4000\n");
  const auto scan = testing_support::run_command("cd '" + dir.path() + "' && '" PRIMREC_SOURCE_DIR
                                                 "/tools/scan' base grid --out out --bin '" PRIMREC_BIN_DIR "'");
  ASSERT_EQ(scan.exit_status, 0) << scan.output;
  int with_tables = 0;  // a failed point publishes none
  for (const char* point : {"point-0001", "point-0002", "point-0003", "point-0004"})
    with_tables += testing_support::file_exists(dir.file(std::string("out/") + point + "/el.dat"));
  EXPECT_EQ(with_tables, 3);

  const auto rows = read_lines(dir.file("out/scan.tsv"));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "point\tz_begin\tz_end\tstatus\tz_star\tz_peak\tx_e_1100\tmessage");
  int failed = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    const auto row = fields(rows[i]);
    ASSERT_EQ(row.size(), 8u) << rows[i];
    if (row[1] == "3000" && row[2] == "4000") {
      ++failed;
      EXPECT_EQ(row[3], "1");
      EXPECT_EQ(row[7].rfind("redshifts should be positive", 0), 0u) << row[7];
    } else {
      EXPECT_EQ(row[3], "0") << rows[i];
    }
    if (row[2] == "1") {
      EXPECT_NEAR(std::stod(row[4]), 1090, 2) << rows[i];
    }
  }
  EXPECT_EQ(failed, 1);
}

}  // namespace
