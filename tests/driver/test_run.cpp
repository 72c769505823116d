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

const char* const tables[] = {"HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat"};
const char* const inputs_in_reading_order[] = {"redshifts.in", "fine_effects.in", "fund.in",
                                               "fudge_factors.in", "cosm_p.in"};

void expect_empty_tables(const ScratchDir& dir) {
  for (const char* table : tables) {
    EXPECT_TRUE(file_exists(dir.file(table))) << table;
    EXPECT_EQ(read_file(dir.file(table)), "") << table;
  }
  EXPECT_FALSE(file_exists(dir.file("Hyd_Rad_Overheat.dat")));
}

TEST(Run, WithoutInputsItNamesTheFirstFileAndLeavesSixEmptyTables) {
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
  EXPECT_EQ(result.exit_status, 1) << "a table the user asked for is missing";
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
  EXPECT_EQ(result.exit_status, 1);
}

}  // namespace
