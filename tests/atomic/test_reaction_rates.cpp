// The reaction rates of a step: which follow what, and detailed balance.
#include <gtest/gtest.h>

#include <cmath>

#include "atomic/rate_coefficients.h"
#include "atomic/reaction_rates.h"
#include "support.h"

namespace {

using primrec::ReactionRates;

// The sixteen rates, those at z first.
constexpr double ReactionRates::*rate_members[16] = {
    &ReactionRates::recomb_HeIII_var,      &ReactionRates::ion_HeII_var,      &ReactionRates::recomb_HeII_var,
    &ReactionRates::ion_HeI_var,           &ReactionRates::recomb_orto_HeII_var, &ReactionRates::ion_orto_HeI_var,
    &ReactionRates::recomb_HydII_var,      &ReactionRates::ion_HydI_var,      &ReactionRates::recomb_HeIII_var_,
    &ReactionRates::ion_HeII_var_,         &ReactionRates::recomb_HeII_var_,  &ReactionRates::ion_HeI_var_,
    &ReactionRates::recomb_orto_HeII_var_, &ReactionRates::ion_orto_HeI_var_, &ReactionRates::recomb_HydII_var_,
    &ReactionRates::ion_HydI_var_};
enum { HydII_recomb = 6, HydI_ion = 7, HydII_recomb_previous = 14, HydI_ion_previous = 15 };

class ReactionRatesOfAStep : public ::testing::Test {
 protected:
  static primrec::Physics fudged(double F_H) {
    return testing_support::laboratory_physics_with([F_H](primrec::Constants& cs) { cs.F_H = F_H; });
  }
  // The rates at z = 1100 after a step from z_ = 1101.1, the matter at T.
  ReactionRates rates(double T = 2900) { return rates_of(ph, T); }
  ReactionRates rates_of(primrec::Physics& physics, double T = 2900) {
    ReactionRates r{};
    primrec::Init_step_reaction_rates(r, physics, z, z_, T_previous);
    primrec::Init_iteration_reaction_rates(r, physics, T);
    return r;
  }
  primrec::Physics ph = fudged(1.0);
  const double z = 1100, z_ = 1101.1, T_previous = 2901;
};

TEST_F(ReactionRatesOfAStep, FudgeFactorScalesHydrogenOnly) {
  const ReactionRates plain = rates();
  primrec::Physics twice = fudged(2.0);
  const ReactionRates fudged = rates_of(twice);
  for (int i = 0; i < 16; ++i) {
    const bool hydrogen = i == HydII_recomb || i == HydI_ion || i == HydII_recomb_previous || i == HydI_ion_previous;
    EXPECT_EQ(fudged.*rate_members[i], (hydrogen ? 2 : 1) * (plain.*rate_members[i])) << i;
    EXPECT_GT(plain.*rate_members[i], 0.0) << i;
  }
}

TEST_F(ReactionRatesOfAStep, OnlyHydrogenRecombinationFollowsTheMatterTemperature) {
  const ReactionRates first = rates(), again = rates(), cooler = rates(2500);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(again.*rate_members[i], first.*rate_members[i]) << i;
    if (i == HydII_recomb)
      EXPECT_GT(cooler.*rate_members[i], first.*rate_members[i]) << "recombination is faster in cooler gas";
    else
      EXPECT_EQ(cooler.*rate_members[i], first.*rate_members[i]) << i;
  }
}

TEST_F(ReactionRatesOfAStep, HydrogenRatesAreInDetailedBalanceAtOneTemperature) {
  const double T_r = (z + 1) * ph.cs.T0;
  const ReactionRates r = rates(T_r);
  EXPECT_NEAR(r.ion_HydI_var / r.recomb_HydII_var /
                  (primrec::g_e(ph, T_r) * std::exp(-ph.at.I2s_HydI / (ph.cs.kB * T_r))),
              1.0, 1e-14);
  // The previous step is at z_ and its own temperature.
  EXPECT_EQ(r.recomb_HeIII_var_, primrec::recomb_HeIII(ph, (z_ + 1) * ph.cs.T0));
  EXPECT_EQ(r.recomb_HydII_var_, primrec::recomb_HydII_fudged(ph, T_previous));
}

}  // namespace
