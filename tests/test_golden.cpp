// Golden tables: runs whose every output byte is kept under tests/golden/. Every
// build (Release, Debug, sanitizers) must write them identically, and so must
// every speed-up.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

using testing_support::read_file;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

const char* const inputs[] = {"redshifts.in", "fine_effects.in", "fund.in", "fudge_factors.in", "cosm_p.in"};
const char* const tables[] = {"HydI.dat", "HydII.dat", "HeI.dat",      "HeII.dat",
                              "HeIII.dat", "el.dat",  "T_matter.dat", "Hyd_Rad_Overheat.dat"};

class Golden : public ::testing::TestWithParam<const char*> {};

TEST_P(Golden, TablesAreByteIdentical) {
  const std::string golden = std::string(PRIMREC_GOLDEN) + "/" + GetParam();
  ScratchDir dir;
  for (const char* input : inputs) write_file(dir.file(input), read_file(golden + "/" + input));
  const auto result = run_primrec_in(dir.path());
  ASSERT_EQ(result.exit_status, 0) << result.output;
  for (const char* table : tables) {
    if (!testing_support::file_exists(golden + "/" + table)) continue;  // not kept for this run
    const std::string expected = read_file(golden + "/" + table);
    ASSERT_FALSE(expected.empty()) << table;
    EXPECT_TRUE(read_file(dir.file(table)) == expected) << GetParam() << "/" << table << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::Values("single_pass", "varied_constants", "feedback", "two_levels"));

}  // namespace
