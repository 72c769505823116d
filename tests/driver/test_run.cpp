// Whole runs of the program binary: the reader order, messages, exit statuses
// and the tables it leaves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support.h"

using testing_support::copy_default_inputs;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

const char* const tables[] = {"HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat", "T_matter.dat"};
const char* const inputs_in_reading_order[] = {"redshifts.in", "fine_effects.in", "fund.in",
                                               "fudge_factors.in", "cosm_p.in"};

void expect_empty_tables(const ScratchDir& dir) {
  for (const char* table : tables) {
    EXPECT_TRUE(file_exists(dir.file(table))) << table;
    EXPECT_EQ(read_file(dir.file(table)), "") << table;
  }
  EXPECT_FALSE(file_exists(dir.file("Hyd_Rad_Overheat.dat")));
}

TEST(Run, WithoutInputsItNamesTheFirstFileAndLeavesSevenEmptyTables) {
  ScratchDir dir;
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.output, "error of opening file redshifts.in\n");
  EXPECT_EQ(result.exit_status, 1);
  expect_empty_tables(dir);
}

TEST(Run, ReadsTheFilesInTheirFixedOrderAndStopsAtTheFirstMissing) {
  ScratchDir defaults;
  copy_default_inputs(defaults.path());
  for (int present = 0; present < 5; ++present) {
    ScratchDir dir;
    for (int i = 0; i < present; ++i)
      write_file(dir.file(inputs_in_reading_order[i]), read_file(defaults.file(inputs_in_reading_order[i])));
    const auto result = run_primrec_in(dir.path());
    EXPECT_EQ(result.output, std::string("error of opening file ") + inputs_in_reading_order[present] + "\n");
    EXPECT_EQ(result.exit_status, 1);
    expect_empty_tables(dir);
  }
}

TEST(Run, OfSeveralFaultyFilesOnlyTheFirstIsReported) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  write_file(dir.file("fund.in"), "G = 0\n");
  write_file(dir.file("cosm_p.in"), "H0 = -1\n");
  write_file(dir.file("fudge_factors.in"), "F_H = 0\n");
  const auto result = run_primrec_in(dir.path());
  const std::string lost = "file reading message: stop_signal '='is lost\n";
  EXPECT_EQ(result.output, lost + lost + lost + lost + lost + lost +
                               "G, h, c, m_e, m_p, e, kB values have to be positive and double");
  EXPECT_EQ(result.exit_status, 1);
  expect_empty_tables(dir);
}

TEST(Run, DefaultInputsCompleteWithStatusZero) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.exit_status, 0) << result.output;
  for (const char* table : tables) EXPECT_TRUE(file_exists(dir.file(table))) << table;
}

TEST(Run, ExistingTablesAreTruncatedAtStart) {
  ScratchDir dir;
  for (const char* table : tables) write_file(dir.file(table), "old contents\n");
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.exit_status, 1);
  expect_empty_tables(dir);
}

TEST(Run, ATableThatCannotBeCreatedIsReportedFirstAndTheRunGoesOn) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  ASSERT_EQ(std::system(("mkdir '" + dir.file("HeI.dat") + "'").c_str()), 0);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.output.rfind("error of creation of file HeI.dat\n", 0), 0u) << result.output;
  EXPECT_EQ(result.exit_status, 0) << "the run completes without it";
  for (const char* table : {"HydI.dat", "HydII.dat", "HeII.dat", "HeIII.dat", "el.dat"})
    EXPECT_TRUE(file_exists(dir.file(table))) << table;
}

TEST(Run, CreationMessagesComeBeforeInputMessages) {
  ScratchDir dir;
  ASSERT_EQ(std::system(("mkdir '" + dir.file("el.dat") + "' '" + dir.file("HydI.dat") + "'").c_str()), 0);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.output,
            "error of creation of file HydI.dat\n"
            "error of creation of file el.dat\n"
            "error of opening file redshifts.in\n");
  EXPECT_EQ(result.exit_status, 1) << "for the missing input";
}

}  // namespace

namespace {

testing_support::Inputs short_single_pass() {
  testing_support::Inputs inputs;
  inputs.levels = "1";
  inputs.z_begin = "3000";
  inputs.z_end = "1000";
  inputs.step = "1e-2";
  return inputs;
}

TEST(Run, ATableOnAFullDiskIsReportedAndTheOthersAreComplete) {
  ScratchDir reference, full;
  testing_support::write_inputs(reference.path(), short_single_pass());
  testing_support::write_inputs(full.path(), short_single_pass());
  ASSERT_EQ(run_primrec_in(reference.path()).exit_status, 0);
  ASSERT_EQ(std::system(("ln -s /dev/full '" + full.file("HydII.dat") + "'").c_str()), 0);
  const auto result = run_primrec_in(full.path());
  EXPECT_EQ(result.output, "error of writing file HydII.dat\n");
  EXPECT_EQ(result.exit_status, 1);
  for (const char* table : {"HydI.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat", "T_matter.dat"}) {
    EXPECT_FALSE(read_file(reference.file(table)).empty()) << table;
    EXPECT_EQ(read_file(full.file(table)), read_file(reference.file(table))) << table;
  }
}

// The feedback pass takes the overheating rows of the first pass from memory:
// without the file it gives the same tables.
TEST(Run, AnOverheatingTableThatCannotBeCreatedIsReportedAndTheFeedbackStays) {
  testing_support::Inputs two_pass = short_single_pass();
  two_pass.levels = "2";
  ScratchDir reference, blocked;
  testing_support::write_inputs(reference.path(), two_pass);
  testing_support::write_inputs(blocked.path(), two_pass);
  ASSERT_EQ(run_primrec_in(reference.path()).exit_status, 0);
  ASSERT_EQ(std::system(("mkdir '" + blocked.file("Hyd_Rad_Overheat.dat") + "'").c_str()), 0);
  const auto result = run_primrec_in(blocked.path());
  EXPECT_EQ(result.output, "error of creation of Hyd_Rad_Overheat.dat\n");
  EXPECT_EQ(result.exit_status, 0);
  for (const char* table : tables) EXPECT_EQ(read_file(blocked.file(table)), read_file(reference.file(table))) << table;
}

}  // namespace
