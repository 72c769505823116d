// The rate globals of a step and the feedback correction.
#include <gtest/gtest.h>

#include "support.h"

#include <cmath>

#include "atomic/atomic_data.h"
#include "atomic/matter_temperature.h"
#include "atomic/rate_coefficients.h"
#include "atomic/reaction_rates.h"
#include "driver/run_sequence.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

struct Rates {
  double values[16];
  explicit Rates() {
    const double* sources[16] = {&recomb_HeIII_var,  &ion_HeII_var,     &recomb_HeII_var,  &ion_HeI_var,
                                 &recomb_orto_HeII_var, &ion_orto_HeI_var, &recomb_HydII_var, &ion_HydI_var,
                                 &recomb_HeIII_var_, &ion_HeII_var_,    &recomb_HeII_var_, &ion_HeI_var_,
                                 &recomb_orto_HeII_var_, &ion_orto_HeI_var_, &recomb_HydII_var_, &ion_HydI_var_};
    for (int i = 0; i < 16; ++i) values[i] = *sources[i];
  }
};
enum { HydII_recomb = 6, HydI_ion = 7, HydII_recomb_previous = 14, HydI_ion_previous = 15 };

class ReactionRates : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::use_laboratory_constants();
    derive_HeII_quantities();
    derive_hydrogen_quantities();
    T0 = 2.7255;
    F_H = 1.0;
    z = 1100;
    z_ = 1101.1;
    T_matter_var = 2900;
    T_matter_var_ = 2901;
  }
  void TearDown() override {
    F_H = 1.0;
    z = z_ = T_matter_var = T_matter_var_ = 0.0;
  }
};

TEST_F(ReactionRates, FudgeFactorScalesHydrogenOnly) {
  Init_reaction_rates();
  const Rates plain;
  F_H = 2.0;
  Init_reaction_rates();
  const Rates fudged;
  for (int i = 0; i < 16; ++i) {
    const bool hydrogen = i == HydII_recomb || i == HydI_ion || i == HydII_recomb_previous || i == HydI_ion_previous;
    if (hydrogen)
      EXPECT_EQ(fudged.values[i], 2 * plain.values[i]) << i;
    else
      EXPECT_EQ(fudged.values[i], plain.values[i]) << i;
    EXPECT_GT(plain.values[i], 0.0) << i;
  }
}

TEST_F(ReactionRates, OnlyHydrogenRecombinationFollowsTheMatterTemperature) {
  Init_reaction_rates();
  const Rates first;
  Init_reaction_rates();
  const Rates again;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(again.values[i], first.values[i]) << i;
  T_matter_var = 2500;
  Init_reaction_rates();
  const Rates cooler;
  for (int i = 0; i < 16; ++i) {
    if (i == HydII_recomb)
      EXPECT_GT(cooler.values[i], first.values[i]) << "recombination is faster in cooler gas";
    else
      EXPECT_EQ(cooler.values[i], first.values[i]) << i;
  }
}

TEST_F(ReactionRates, HydrogenRatesAreInDetailedBalanceAtOneTemperature) {
  const double T_r = (z + 1) * T0;
  T_matter_var = T_r;
  Init_reaction_rates();
  EXPECT_NEAR(ion_HydI_var / recomb_HydII_var / (g_e(T_r) * std::exp(-I2s_HydI / (kB * T_r))), 1.0, 1e-14);
  // The previous step is at z_ and its own temperature.
  EXPECT_NEAR(recomb_HeIII_var_ / recomb_HeIII((z_ + 1) * T0), 1.0, 0.0);
  EXPECT_EQ(recomb_HydII_var_, recomb_HydII_fudged(T_matter_var_));
}

TEST_F(ReactionRates, FeedbackCorrectionIsOneInTheFirstPassAndForOneLevel) {
  Hydrogen_FeedBack_Correction_var = 0.0;
  Number_of_levels_for_Resonant_Feedback = 10;
  Init_Additional_Kinetic_Coefficients(0);
  EXPECT_EQ(Hydrogen_FeedBack_Correction_var, 1.0);
  Hydrogen_FeedBack_Correction_var = 0.0;
  Number_of_levels_for_Resonant_Feedback = 1;
  Init_Additional_Kinetic_Coefficients(1);
  EXPECT_EQ(Hydrogen_FeedBack_Correction_var, 1.0);
  Number_of_levels_for_Resonant_Feedback = 0;
}

}  // namespace
