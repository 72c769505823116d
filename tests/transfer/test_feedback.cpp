// Hydrogen Lyman-series feedback and the overheating table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "atomic/atomic_data.h"
#include "atomic/rate_coefficients.h"
#include "atomic/reaction_rates.h"
#include "driver/plasma.h"
#include "driver/run_sequence.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"
#include "input/table_fun.h"
#include "support.h"
#include "transfer/feedback.h"

using testing_support::InDirectory;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

class Feedback : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::use_laboratory_constants();
    H0 = 67.36;
    omega_m = 0.3153;
    omega_lambda = 0.6847;
    nu_number = 3;
    omega_b = 0.0493;
    X_M = 0.7547;
    T0 = 2.7255;
    derive_cosmological_background();
    derive_HeII_quantities();
    HeI_atomic_data();
    derive_hydrogen_quantities();
    load_table("");
  }
  void TearDown() override {
    load_table("");
    Number_of_levels_for_Resonant_Feedback = 0;
  }
  // ln_HydRO from the given rows ("" empties it).
  void load_table(const std::string& rows) {
    write_file(dir_.file("Hyd_Rad_Overheat.dat"), rows);
    InDirectory here(dir_.path());
    Init_HydRO();
  }
  ScratchDir dir_;
};

// ln of the overheating falling linearly with z: 2000 -> -10, 1000 -> -20.
const char* const linear_table = "2000 -10\n1500 -15\n1000 -20\n";

TEST_F(Feedback, NoFeedbackAbove1650OrOutsideTheTable) {
  for (double zz : {1000.0, 1650.0, 1800.0}) EXPECT_EQ(C_Feedback_fun(2, zz), 1.0) << "empty table";
  load_table(linear_table);
  EXPECT_EQ(C_Feedback_fun(2, 1650.0001), 1.0);
  EXPECT_EQ(C_Feedback_fun(5, 1900.0), 1.0);
  EXPECT_EQ(C_Feedback_fun(2, 900.0), 1.0) << "z below the table";
  EXPECT_NE(C_Feedback_fun(2, 1650.0), 1.0) << "z_f = 1651 * 32/27 - 1 = 1955.7 lies inside";
}

TEST_F(Feedback, FactorIsOneMinusTheOverheatingRatio) {
  load_table(linear_table);
  // Lyman beta redshifts into Lyman alpha from z_f = (1+z) (8/9)/(3/4) - 1.
  const double zz = 1200;
  const double z_f = (1 + zz) * 32.0 / 27.0 - 1;
  EXPECT_NEAR(C_Feedback_fun(2, zz), 1 - std::exp(0.01 * (z_f - zz)), 1e-12);
  // Level 3: (1 - 1/16)/(1 - 1/9).
  const double z_f3 = (1 + zz) * (15.0 / 16.0) / (8.0 / 9.0) - 1;
  EXPECT_NEAR(C_Feedback_fun(3, zz), 1 - std::exp(0.01 * (z_f3 - zz)), 1e-12);
}

TEST_F(Feedback, CorrectionByPassAndNumberOfLevels) {
  load_table(linear_table);
  Number_of_levels_for_Resonant_Feedback = 10;
  EXPECT_EQ(Hydrogen_FeedBack_Correction(1200, 0), 1.0) << "pass 0";
  Number_of_levels_for_Resonant_Feedback = 1;
  EXPECT_EQ(Hydrogen_FeedBack_Correction(1200, 1), 1.0) << "one level";
  Number_of_levels_for_Resonant_Feedback = 2;
  EXPECT_EQ(Hydrogen_FeedBack_Correction(1200, 1), C_Feedback_fun(2, 1200));
  EXPECT_EQ(Hydrogen_FeedBack_Correction(1700, 1), 1.0);
  // Above 1650 every factor is 1, and the higher lines add their Boltzmann-
  // weighted frequency-ratio cubes.
  Number_of_levels_for_Resonant_Feedback = 4;
  const double zz = 1700, kT = kB * T0 * (1 + zz);
  double sum = 0;
  for (int n = 3; n <= 4; ++n)
    sum += std::pow(1 - 1.0 / (n * n), 3) * std::exp(-(0.25 - 1.0 / (n * n)) * I / kT);
  EXPECT_NEAR(Hydrogen_FeedBack_Correction(zz, 1), 1 + std::pow(4.0 / 3.0, 3) * sum, 1e-15);
  EXPECT_GT(Hydrogen_FeedBack_Correction(zz, 1), 1.0);
}

class Overheating : public Feedback {
 protected:
  void SetUp() override {
    Feedback::SetUp();
    HydI.x = 0.3;
    HydII.x = 0.62;
    El.x = 0.7;
    ion_HydI_var = 12.0;
    balance_at(1500, 1.0);
  }
  // Recombination `factor` times the one that exactly balances photoionisation
  // by the Planck field at zz.
  static void balance_at(double zz, double factor) {
    z = zz;
    const double p = z + 1;
    const double n_pl = planckian_photon_per_mode(0.75 * freq1, p * T0);
    recomb_HydII_var = factor * n_pl * ion_HydI_var * HydI.x / (N0_e * std::pow(p, 3) * El.x * HydII.x);
  }
  void TearDown() override {
    z = HydI.x = HydII.x = ion_HydI_var = recomb_HydII_var = 0.0;
    El.x = 1.0;
    Feedback::TearDown();
  }
};

TEST_F(Overheating, VanishesInEquilibrium) {
  EXPECT_NEAR(Hydrogen_radiation_overheating(z), 0.0, 1e-12);
  recomb_HydII_var *= 2;  // more recombination: n = 2 overpopulated
  EXPECT_GT(Hydrogen_radiation_overheating(z), 0.0);
}

std::string rows_written() {
  FILE* file = std::tmpfile();
  Out_of_Hydrogen_radiation_overheating_ln(file);
  std::rewind(file);
  std::string text;
  for (int ch; (ch = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(ch));
  std::fclose(file);
  return text;
}

TEST_F(Overheating, RowsStartAtRedshift2000AndAreFinite) {
  balance_at(2000.0001, 3.0);
  EXPECT_EQ(rows_written(), "");
  balance_at(2000, 3.0);
  const std::string row = rows_written();
  ASSERT_EQ(row.size(), 41u);
  EXPECT_EQ(row.substr(0, 20), "2000                ");
  EXPECT_GT(std::stod(row.substr(20)), -50.0);
  balance_at(1000, 0.0);  // below equilibrium: overheating < 0 has no logarithm
  EXPECT_EQ(rows_written(), "");
}

}  // namespace
