// tools/scan: a grid of runs, one folder each, summarised in scan.tsv.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::read_lines;
using testing_support::RunResult;
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

// A scratch directory with a quick input set in base/, and in bin/ python3 and
// nothing else: a PATH without GNU parallel.
class ScanDir : public ScratchDir {
 public:
  ScanDir() {
    testing_support::Inputs base;
    base.step = "1e-2";
    base.levels = "1";
    // The interpreter itself, not a wrapper that would look for it on the PATH.
    static const std::string python =
        testing_support::run_command("python3 -c 'import sys; print(sys.executable, end=\"\")'").output;
    const auto made = testing_support::run_command("cd '" + path() + "' && mkdir base bin && ln -s '" + python +
                                                   "' bin/python3");
    EXPECT_EQ(made.exit_status, 0);
    testing_support::write_inputs(file("base"), base);
  }
  // tools/scan run here with `arguments`, its standard error in the output; GNU
  // parallel is on the PATH only `with_parallel`.
  RunResult scan(const std::string& arguments, bool with_parallel = false) const {
    return testing_support::run_command("cd '" + path() + "' && PATH='" + file("bin") + "'" +
                                        (with_parallel ? ":\"$PATH\"" : "") + " '" PRIMREC_SOURCE_DIR "/tools/scan' " +
                                        arguments + " --bin '" PRIMREC_BIN_DIR "' 2>&1");
  }
};

// One line starting with "scan: ", as every refusal and failure of the scan is.
void expect_one_scan_line(const RunResult& result, const std::string& start) {
  EXPECT_EQ(result.output.rfind("scan: " + start, 0), 0u) << result.output;
  EXPECT_EQ(result.output.find('\n'), result.output.size() - 1) << result.output;
}

TEST(Scan, TwoByTwoGridWithOneBadPoint) {
  ScanDir dir;
  // z_end above z_begin is refused: the point (3000, 4000) fails, the others run.
  write_file(dir.file("grid"), "# a 2 x 2 grid\nz_begin = 3000 8000\nz_end = 1 4000\n");
  write_file(dir.file("machines"), ":\n");  // GNU parallel's name of this machine
  const bool have_parallel = testing_support::run_command("command -v parallel").exit_status == 0;
  for (const bool through_parallel : {false, true}) {
    SCOPED_TRACE(through_parallel ? "through GNU parallel" : "on local cores");
    if (through_parallel && !have_parallel) {
      std::printf("GNU parallel is not installed: a scan through it is not tested\n");
      continue;
    }
    const std::string out = through_parallel ? "parallel" : "local";
    const auto result = through_parallel ? dir.scan("base grid --out parallel --jobs 2 --sshloginfile machines", true)
                                         : dir.scan("base grid --out local");
    EXPECT_EQ(result.exit_status, 1);  // a point failed
    expect_one_scan_line(result, "4 points, 1 failed: ");
    int with_tables = 0;  // a failed point publishes none
    for (const char* point : {"point-0001", "point-0002", "point-0003", "point-0004"})
      with_tables += file_exists(dir.file(out + "/" + point + "/el.dat"));
    EXPECT_EQ(with_tables, 3);

    const auto rows = read_lines(dir.file(out + "/scan.tsv"));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "point\tz_begin\tz_end\tstatus\tz_star\tz_peak\tx_e_1100\tmessage");
    for (size_t i = 1; i < rows.size(); ++i) {
      const auto row = fields(rows[i]);
      ASSERT_EQ(row.size(), 8u) << rows[i];
      if (row[1] == "3000" && row[2] == "4000") {
        const std::vector<std::string> failed{"1", "", "", "",
                                              "redshifts should be positive, double, and z_begin>=z_end"};
        EXPECT_EQ(std::vector<std::string>(row.begin() + 3, row.end()), failed);
      } else {
        EXPECT_EQ(row[3], "0") << rows[i];
        EXPECT_EQ(row[7], "") << rows[i];
      }
      if (row[2] == "1") {
        EXPECT_NEAR(std::stod(row[4]), 1090, 2) << rows[i];
      }
    }
  }
}

// The program's modes reach every point: its tables are those of the program
// run with the same options on the point's inputs. The precise mode takes ten
// feedback levels, so the levels are part of the grid.
TEST(Scan, ModesReachEveryPoint) {
  ScanDir dir;
  write_file(dir.file("grid"), "levels = 10\nomega_b = 0.045\n");
  const auto result = dir.scan("base grid --fast --precise --out modes");
  ASSERT_EQ(result.exit_status, 0) << result.output;
  const std::string point = dir.file("modes/point-0001");
  const auto again = testing_support::run_command("mkdir '" + dir.file("again") + "' && cp '" + point + "'/*.in '" +
                                                  dir.file("again") + "' && '" PRIMREC_EXE "' --fast --precise '" +
                                                  dir.file("again") + "'");
  ASSERT_EQ(again.exit_status, 0) << again.output;
  EXPECT_EQ(read_file(point + "/el.dat"), read_file(dir.file("again/el.dat")));
  EXPECT_EQ(read_file(point + "/T_matter.dat"), read_file(dir.file("again/T_matter.dat")));
}

// Refused before anything is created, with one line and status 2.
TEST(Scan, RefusalsCreateNothing) {
  ScanDir dir;
  write_file(dir.file("unknown"), "z_end = 1\nomega_c = 0.26\n");
  write_file(dir.file("grid"), "z_end = 1\n");
  // A value by its library name and by its label in the file is one value.
  write_file(dir.file("twice"), "hbar = 1.05e-27\nh = 1.06e-27\n");
  write_file(dir.file("machines"), ":\n");
  // cosm_p.in holds the neutrino species as a whole number.
  write_file(dir.file("fraction"), "N_eff = 3.0:3.1:3\n");
  struct Case {
    std::string arguments, message;
  };
  for (const auto& c : std::vector<Case>{
           {"base missing", "grid missing does not exist"},
           {"base unknown", "unknown line 2: unknown parameter 'omega_c'"},
           {"base twice", "twice line 2: h is set already on line 1"},
           {"base fraction", "fraction line 1: cosm_p.in holds N_eff as a whole number; '3.05' is not one"},
           {"missing grid", "BASE missing is not a folder"},
           {"base grid --sshloginfile machines", "--sshloginfile needs GNU parallel"},
       }) {
    const auto result = dir.scan(c.arguments + " --out out");
    EXPECT_EQ(result.exit_status, 2) << c.arguments;
    expect_one_scan_line(result, c.message);
    EXPECT_FALSE(file_exists(dir.file("out"))) << c.arguments;
  }
}

// A folder of an earlier scan is refused; --force deletes its points first, so
// that neither an old point nor an old result shows among the new ones.
TEST(Scan, ReusedFolderIsRefusedUnlessForced) {
  ScanDir dir;
  write_file(dir.file("two"), "z_end = 1 2\n");
  write_file(dir.file("bad"), "z_begin = 3000\nz_end = 4000\n");
  const auto first = dir.scan("base two --out out");
  ASSERT_EQ(first.exit_status, 0) << first.output;
  const std::string table = read_file(dir.file("out/scan.tsv"));

  const auto refused = dir.scan("base bad --out out");
  EXPECT_EQ(refused.exit_status, 2);
  expect_one_scan_line(refused, "");
  EXPECT_NE(refused.output.find("--force"), std::string::npos) << refused.output;
  EXPECT_EQ(read_file(dir.file("out/scan.tsv")), table);
  EXPECT_TRUE(file_exists(dir.file("out/point-0002/el.dat")));

  const auto forced = dir.scan("base bad --out out --force");
  EXPECT_EQ(forced.exit_status, 1);
  expect_one_scan_line(forced, "1 point, 1 failed: ");
  const auto rows = read_lines(dir.file("out/scan.tsv"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(fields(rows[1]), (std::vector<std::string>{"point-0001", "3000", "4000", "1", "", "", "",
                                                       "redshifts should be positive, double, and z_begin>=z_end"}));
  EXPECT_FALSE(file_exists(dir.file("out/point-0001/el.dat")));
  EXPECT_FALSE(file_exists(dir.file("out/point-0002")));
}

}  // namespace
