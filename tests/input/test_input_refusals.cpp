// The program refuses inputs it cannot trust: a value that is not a number of
// its type, and an input that is not a regular file. Either ends the run with
// the file's message and status 1, at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "support.h"

using testing_support::Inputs;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;

namespace {

const char* const fine_check = "Number of levels for resonant feedback should be integer and positive";
const char* const fudge_check = "F_H should be positive and double";
const char* const cosm_check =
    "Value nu_number have to be positive and integer.\n"
    "Value m_nu have to be positive or equal zero and double.\n"
    "Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.";
const char* const redshift_check_1 =
    "redshifts should be positive, double, and z_begin>=z_end\n"
    "number_of_info_points should be positive and integer";

// Values that once ran as something else: F_H as 1, the levels as 1, the
// neutrinos as 3, z_begin as 8000, the stride as 1.
TEST(InputRefusals, MalformedValuesEndTheRunWithTheirFilesMessage) {
  struct Case {
    void (*spoil)(Inputs&);
    const char* output;
  };
  const Case cases[] = {
      {[](Inputs& in) { in.F_H = "1,125"; }, fudge_check},
      {[](Inputs& in) { in.F_H = "abc"; }, fudge_check},
      {[](Inputs& in) { in.F_H = ""; }, fudge_check},
      {[](Inputs& in) { in.levels = "1e3"; }, fine_check},
      {[](Inputs& in) { in.nu_number = "3.046"; }, cosm_check},
      {[](Inputs& in) { in.z_begin = "8000garbage"; }, redshift_check_1},
      {[](Inputs& in) { in.stride = "1e2"; }, redshift_check_1},
  };
  for (const Case& k : cases) {
    ScratchDir dir;
    Inputs inputs;
    k.spoil(inputs);
    testing_support::write_inputs(dir.path(), inputs);
    const auto result = run_primrec_in(dir.path(), 60);
    EXPECT_EQ(result.output, k.output);
    EXPECT_EQ(result.exit_status, 1) << k.output;
  }
}

// A FIFO without a writer must not keep the run waiting.
TEST(InputRefusals, AFifoInputEndsTheRunPromptly) {
  ScratchDir dir;
  testing_support::write_inputs(dir.path(), Inputs());
  ASSERT_EQ(std::remove(dir.file("fund.in").c_str()), 0);
  ASSERT_EQ(::mkfifo(dir.file("fund.in").c_str(), 0644), 0);
  const auto result = run_primrec_in(dir.path(), 20);
  EXPECT_EQ(result.output, "error of opening file fund.in\n");
  EXPECT_EQ(result.exit_status, 1) << "137: killed after waiting";
}

}  // namespace
