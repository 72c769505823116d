// The labelled-value readers: values, label skipping, checks and messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "input/constants.h"
#include "input/input_files.h"
#include "support.h"

using testing_support::InDirectory;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

const char* const lost_equals = "file reading message: stop_signal '='is lost\n";
const char* const redshift_check_1 =
    "redshifts should be positive, double, and z_begin>=z_end\n"
    "number_of_info_points should be positive and integer";
const char* const redshift_check_2 =
    "absolute value of integration step and convergence norm should be positive and double\n";
const char* const redshift_helium_window =
    "z_begin should be larger than 7000 (i.e. including HeIII->HeII recombination)\n"
    "or less than 5000 (i.e. excluding HeIII->HeII recombination)\n";
const char* const redshift_minimum =
    "z_begin should be larger than 3000 (i.e. exclusion of HeIII->HeII recombination is impossible)\n";
const char* const fund_check = "G, h, c, m_e, m_p, e, kB values have to be positive and double";
const char* const fudge_check = "F_H should be positive and double";
const char* const cosm_check =
    "Value nu_number have to be positive and integer.\n"
    "Value m_nu have to be positive or equal zero and double.\n"
    "Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.";

const char* const good_fund =
    "G = 6.67428e-8\nh = 1.054571628e-27\nc = 29979245800.0\nme = 9.10938215e-28\n"
    "mp = 1.672621637e-24\ne = 4.80320427e-10\nkB = 1.3806504e-16\n";
const char* const good_cosm =
    "H0 = 70\nomega_m = 0.3\nomega_lambda = 0.7\nnu_number = 3\nomega_b = 0.05\nX_M = 0.75\nT0 = 2.725\n";


// Each test runs in its own empty directory with the input globals as at load.
class InputFiles : public ::testing::Test {
 protected:
  void SetUp() override { restore_initial_input_values(); }
  void TearDown() override { restore_initial_input_values(); }

  void put(const char* name, const std::string& content) { write_file(dir_.file(name), content); }

  // Runs a reader in the scratch directory; returns its result and keeps its output.
  int run(int (*reader)()) {
    InDirectory here(dir_.path());
    ::testing::internal::CaptureStdout();
    const int result = reader();
    output_ = ::testing::internal::GetCapturedStdout();
    return result;
  }

  int redshifts(const std::string& content) {
    put("redshifts.in", content);
    return run(init_redshift_range);
  }

  ScratchDir dir_;
  std::string output_;
};

std::string redshifts_file(const std::string& z_begin_text, const std::string& z_end_text = "1",
                           const std::string& step = "1e-3", const std::string& norm = "1e-8",
                           const std::string& stride = "1") {
  return "z_begin = " + z_begin_text + "\nz_end = " + z_end_text + "\nstep = " + step +
         "\nnorm = " + norm + "\ninfo = " + stride + "\n";
}

TEST_F(InputFiles, RedshiftsReadInOrderAndStepIsNegated) {
  EXPECT_EQ(redshifts(redshifts_file("8000", "0.5", "2e-3", "1e-9", "10")), 0);
  EXPECT_EQ(output_, "");
  EXPECT_EQ(z_begin, 8000.0);
  EXPECT_EQ(z_end, 0.5);
  EXPECT_EQ(D_ln_1_plus_z, -2e-3);
  EXPECT_EQ(norm_var, 1e-9);
  EXPECT_EQ(number_of_info_points, 10);
}

TEST_F(InputFiles, LabelsAreFreeText) {
  // Empty labels, labels of any characters, numbers on the next line, CR LF ends.
  EXPECT_EQ(redshifts("=8000\n=1\n@#$ %^&*()\r\n=\n\t1e-3\r\nanything at all\n= 1e-8\n=\n\n 1\n"), 0);
  EXPECT_EQ(output_, "");
  EXPECT_EQ(z_begin, 8000.0);
  EXPECT_EQ(z_end, 1.0);
  EXPECT_EQ(D_ln_1_plus_z, -1e-3);
  EXPECT_EQ(norm_var, 1e-8);
  EXPECT_EQ(number_of_info_points, 1);
}

TEST_F(InputFiles, MissingFilesGiveTheirOpenMessage) {
  EXPECT_EQ(run(init_redshift_range), 1);
  EXPECT_EQ(output_, "error of opening file redshifts.in\n");
  EXPECT_EQ(run(init_fine_effects), 1);
  EXPECT_EQ(output_, "error of opening file fine_effects.in\n");
  EXPECT_EQ(run(init_fund_const), 1);
  EXPECT_EQ(output_, "error of opening file fund.in\n");
  EXPECT_EQ(run(init_fudge_factors), 1);
  EXPECT_EQ(output_, "error of opening file fudge_factors.in\n");
  EXPECT_EQ(run(init_cosmological_const), 1);
  EXPECT_EQ(output_, "error of opening file cosm_p.in\n");
}

TEST_F(InputFiles, AFileThatCannotBeOpenedForUpdateIsNotOpenable) {
  ASSERT_EQ(std::system(("mkdir '" + dir_.file("redshifts.in") + "'").c_str()), 0);
  EXPECT_EQ(run(init_redshift_range), 1);
  EXPECT_EQ(output_, "error of opening file redshifts.in\n");
}

TEST_F(InputFiles, RedshiftCheckOneGivesBothMessagesWhicheverTestFails) {
  for (const std::string& content :
       {redshifts_file("8000", "8000"),                          // z_begin = z_end
        redshifts_file("8000", "9000"),                          // z_end above z_begin
        redshifts_file("8000", "0"),                             // z_end not positive
        redshifts_file("8000", "1", "1e-3", "1e-8", "0"),        // stride 0
        redshifts_file("8000", "1", "1e-3", "1e-8", "-3"),       // negative stride
        redshifts_file("inf", "1"), redshifts_file("8000", "nan"),
        redshifts_file("-inf", "1"), redshifts_file("8000", "inf"),
        redshifts_file("8000", "1", "1e-3", "1e-8", "99999999999"),   // beyond int
        redshifts_file("8000", "1", "1e-3", "1e-8", "2147483648"),    // INT_MAX + 1
        redshifts_file("8000", "1", "1e-3", "1e-8", "-99999999999")}) {
    restore_initial_input_values();
    EXPECT_EQ(redshifts(content), 1) << content;
    EXPECT_EQ(output_, redshift_check_1) << content;
  }
}

TEST_F(InputFiles, IntegerAtTheEdgeOfItsRangeIsRead) {
  EXPECT_EQ(redshifts(redshifts_file("8000", "1", "1e-3", "1e-8", "2147483647")), 0);
  EXPECT_EQ(number_of_info_points, 2147483647);
}

TEST_F(InputFiles, RedshiftCheckTwoRefusesStepsAndNormsThatAreNotPositiveFinite) {
  for (const std::string& content :
       {redshifts_file("8000", "1", "0"), redshifts_file("8000", "1", "-1e-3"),
        redshifts_file("8000", "1", "1e-3", "0"), redshifts_file("8000", "1", "inf"),
        redshifts_file("8000", "1", "nan"), redshifts_file("8000", "1", "1e-3", "inf"),
        redshifts_file("8000", "1", "1e-3", "-nan"),
        // ln(8001) is about 9; a step below half its last place never moves it
        redshifts_file("8000", "1", "1e-20")}) {
    restore_initial_input_values();
    EXPECT_EQ(redshifts(content), 1) << content;
    EXPECT_EQ(output_, redshift_check_2) << content;
  }
  EXPECT_EQ(D_ln_1_plus_z, 1e-20) << "a refused step is not negated";
}

TEST_F(InputFiles, SmallestStepThatMovesLnOnePlusZIsAccepted) {
  const double ln_start = std::log(8001.0);
  const double ulp = std::nextafter(ln_start, 0.0) - ln_start;  // negative
  char step[64];
  std::snprintf(step, sizeof step, "%.17g", -ulp);
  EXPECT_EQ(redshifts(redshifts_file("8000", "1", step)), 0);
  EXPECT_NE(ln_start + D_ln_1_plus_z, ln_start);
}

TEST_F(InputFiles, StartRedshiftWindows) {
  struct Case {
    const char* z_begin_text;
    int result;
    const char* message;
  };
  for (const Case& k : {Case{"7000", 0, ""}, Case{"5000", 0, ""}, Case{"3000", 0, ""},
                        Case{"1e5", 0, ""}, Case{"6999.999", 1, redshift_helium_window},
                        Case{"5000.001", 1, redshift_helium_window},
                        Case{"6000", 1, redshift_helium_window},
                        Case{"2999.999", 1, redshift_minimum}}) {
    restore_initial_input_values();
    EXPECT_EQ(redshifts(redshifts_file(k.z_begin_text)), k.result) << k.z_begin_text;
    EXPECT_EQ(output_, k.message) << k.z_begin_text;
  }
}

TEST_F(InputFiles, LabelHoldingAnEqualsSignShiftsTheValues) {
  // The skip stops at "z=", the scan fails on "begin", and the 8000 goes to z_end.
  EXPECT_EQ(redshifts("z=begin = 8000\nz_end = 1\nstep = 1e-3\nnorm = 1e-8\ninfo = 1\n"), 1);
  EXPECT_EQ(output_, redshift_check_1);
  EXPECT_EQ(z_begin, 0.0);
  EXPECT_EQ(z_end, 8000.0);
  EXPECT_EQ(D_ln_1_plus_z, 1.0);
  EXPECT_EQ(norm_var, 1e-3);
}

TEST_F(InputFiles, LabelOf1000CharactersIsAcceptedAnd1001IsNot) {
  const std::string rest = "z_end = 1\nstep = 1e-3\nnorm = 1e-8\ninfo = 1\n";
  EXPECT_EQ(redshifts(std::string(1000, 'a') + "= 8000\n" + rest), 0);
  EXPECT_EQ(output_, "");
  EXPECT_EQ(z_begin, 8000.0);

  // One more character: the "=" is the 1002nd, the skip gives up, the scan fails
  // on it, and from there every value lands one global later.
  restore_initial_input_values();
  EXPECT_EQ(redshifts(std::string(1001, 'a') + "= 8000\n" + rest), 1);
  EXPECT_EQ(output_, std::string(lost_equals) + redshift_check_1);
  EXPECT_EQ(z_begin, 0.0);
  EXPECT_EQ(z_end, 8000.0);
}

TEST_F(InputFiles, DescriptorShiftCountsAttemptsAtEndOfFile) {
  FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  std::fputs("label $ rest", stream);
  std::rewind(stream);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(descriptor_shift(stream, '$'), 0);
  EXPECT_EQ(std::fgetc(stream), ' ');
  EXPECT_EQ(descriptor_shift(stream, '$'), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "file reading message: stop_signal '$'is lost\n");
  std::fclose(stream);
}

TEST_F(InputFiles, FileEndingEarlyGivesOneStopMessagePerMissingValue) {
  EXPECT_EQ(redshifts("z_begin = 8000\nz_end = 1\n"), 1);
  EXPECT_EQ(output_, std::string(lost_equals) + lost_equals + lost_equals + redshift_check_2);
}

TEST_F(InputFiles, FineEffectsSetsTheNumberOfPasses) {
  put("fine_effects.in", "levels = 1\n");
  EXPECT_EQ(run(init_fine_effects), 0);
  EXPECT_EQ(Number_of_Iterations, 1);
  put("fine_effects.in", "levels = 2\n");
  EXPECT_EQ(run(init_fine_effects), 0);
  EXPECT_EQ(Number_of_levels_for_Resonant_Feedback, 2);
  EXPECT_EQ(Number_of_Iterations, 2);
  for (const char* bad : {"levels = 0\n", "levels = -4\n", "levels = 3000000000\n", "levels = x\n", ""}) {
    restore_initial_input_values();
    put("fine_effects.in", bad);
    EXPECT_EQ(run(init_fine_effects), 1) << bad;
    const std::string expected = std::string(*bad == '\0' ? lost_equals : "") +
                                 "Number of levels for resonant feedback should be integer and positive";
    EXPECT_EQ(output_, expected) << bad;
    EXPECT_EQ(Number_of_Iterations, 1);
  }
}

TEST_F(InputFiles, FundamentalConstantsAndPi) {
  put("fund.in", good_fund);
  EXPECT_EQ(run(init_fund_const), 0);
  EXPECT_EQ(output_, "");
  EXPECT_EQ(G, 6.67428e-8);
  EXPECT_EQ(h, 1.054571628e-27);
  EXPECT_EQ(c, 29979245800.0);
  EXPECT_EQ(me, 9.10938215e-28);
  EXPECT_EQ(mp, 1.672621637e-24);
  EXPECT_EQ(e, 4.80320427e-10);
  EXPECT_EQ(kB, 1.3806504e-16);
  uint64_t bits;
  std::memcpy(&bits, &pi, sizeof bits);
  EXPECT_EQ(bits, 0x400921FB54442EEAull);
}

TEST_F(InputFiles, FundamentalConstantsMustBePositiveAndFinite) {
  const std::string base = good_fund;
  for (const std::string& bad :
       {std::string("G = 0\n") + base.substr(base.find('\n') + 1),
        base.substr(0, base.find("h =")) + "h = inf\n" + base.substr(base.find("c =")),
        base.substr(0, base.find("\ne =") + 1) + "e = nan\n" + base.substr(base.find("kB =")),
        base.substr(0, base.find("kB =")) + "kB = -1.38e-16"}) {
    restore_initial_input_values();
    put("fund.in", bad);
    EXPECT_EQ(run(init_fund_const), 1) << bad;
    EXPECT_EQ(output_, fund_check) << bad;
    EXPECT_EQ(pi, 3.14159265359) << "pi is set on the failing path too";
  }
  // Last value missing: kB stays 0 after the stop-signal message.
  restore_initial_input_values();
  put("fund.in", base.substr(0, base.find("kB =")));
  EXPECT_EQ(run(init_fund_const), 1);
  EXPECT_EQ(output_, std::string(lost_equals) + fund_check);
}

TEST_F(InputFiles, FudgeFactors) {
  put("fudge_factors.in", "F_H = 1.14\nA = -0.3\nz_p = 1100\nDelta = 50\n");
  EXPECT_EQ(run(init_fudge_factors), 0);
  EXPECT_EQ(F_H, 1.14);
  EXPECT_EQ(A_perturbation_H, -0.3);
  EXPECT_EQ(z_perturbation, 1100.0);
  EXPECT_EQ(Delta_z_perturbation, 50.0);
  for (const char* good : {"F_H = 1\nA = 0\nz_p = 1100\nDelta = 50\n"}) {
    put("fudge_factors.in", good);
    EXPECT_EQ(run(init_fudge_factors), 0) << good;
  }
  for (const char* bad :
       {"F_H = 0\nA = 0\nz_p = 1100\nDelta = 50\n", "F_H = nan\nA = 0\nz_p = 1100\nDelta = 50\n",
        "F_H = 1\nA = 0\nz_p = -1100\nDelta = 50\n", "F_H = 1\nA = 0\nz_p = inf\nDelta = 50\n",
        "F_H = 1\nA = 0\nz_p = 1100\nDelta = 0\n", "F_H = 1\nA = 0\nz_p = 1100\nDelta = inf\n"}) {
    restore_initial_input_values();
    put("fudge_factors.in", bad);
    EXPECT_EQ(run(init_fudge_factors), 1) << bad;
    EXPECT_EQ(output_, fudge_check) << bad;
  }
}

TEST_F(InputFiles, CosmologicalParametersDeriveTheBackground) {
  put("fund.in", good_fund);
  ASSERT_EQ(run(init_fund_const), 0);
  init_general_assist_const();
  put("cosm_p.in", good_cosm);
  EXPECT_EQ(run(init_cosmological_const), 0);
  EXPECT_EQ(output_, "");
  EXPECT_EQ(H0, 70 * 3.2407765e-20);
  EXPECT_EQ(omega_m, 0.3);
  EXPECT_EQ(omega_lambda, 0.7);
  EXPECT_EQ(nu_number, 3);
  EXPECT_EQ(omega_b, 0.05);
  EXPECT_EQ(X_M, 0.75);
  EXPECT_EQ(T0, 2.725);
  EXPECT_GT(N0_nuclear, 0.0);
}

TEST_F(InputFiles, IntegerWrittenWithAFractionKeepsItsIntegerPart) {
  // The ".04" becomes the start of the next label and is skipped with it.
  put("cosm_p.in",
      "H0 = 70\nomega_m = 0.3\nomega_lambda = 0.7\nnu_number = 3.04\nomega_b = 0.05\nX_M = 0.75\nT0 = 2.725\n");
  EXPECT_EQ(run(init_cosmological_const), 0);
  EXPECT_EQ(nu_number, 3);
  EXPECT_EQ(omega_b, 0.05);
  EXPECT_EQ(T0, 2.725);
}

TEST_F(InputFiles, CosmologicalChecksGiveAllThreeMessages) {
  const std::string base = good_cosm;
  auto with = [&](const std::string& label, const std::string& value) {
    const size_t start = base.find(label + " =");
    const size_t end = base.find('\n', start);
    return base.substr(0, start) + label + " = " + value + base.substr(end);
  };
  for (const std::string& bad :
       {with("H0", "0"), with("omega_m", "-0.3"), with("omega_lambda", "0"), with("nu_number", "0"),
        with("nu_number", "99999999999"), with("omega_b", "inf"), with("X_M", "nan"),
        with("T0", "1e999")}) {
    restore_initial_input_values();
    put("cosm_p.in", bad);
    EXPECT_EQ(run(init_cosmological_const), 1) << bad;
    EXPECT_EQ(output_, cosm_check) << bad;
    EXPECT_NE(H0, 70 * 3.2407765e-20) << "no conversion on the failing path";
  }
}

}  // namespace
