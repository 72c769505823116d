// The matter temperature: Compton coupling against adiabatic cooling.
#include <gtest/gtest.h>

#include <cmath>

#include "atomic/matter_temperature.h"
#include "support.h"

namespace {

// A Planck-like universe stepped by 1e-3 in ln(1+z), started fully ionised.
class MatterTemperature : public ::testing::Test {
 protected:
  const primrec::Physics ph = testing_support::laboratory_physics();
  const double D = ph.cs.D_ln_1_plus_z;
  const double start_ions = ph.cs.X_N + ph.cs.Y_N;
  primrec::MatterTemperature t{};

  double T_matter(double z, double El_x) { return primrec::T_matter(t, ph, z, El_x, start_ions); }
};

TEST_F(MatterTemperature, StronglyCoupledMatterFollowsTheRadiation) {
  ASSERT_EQ(D, -1e-3);
  // At z = 3000 Compton scattering is ~1e5 times faster than the expansion.
  const double zz = 3000, T_r = ph.cs.T0 * (1 + zz);
  t.T_matter_var_ = ph.cs.T0 * (1 + zz - 3);  // the radiation temperature a step earlier
  const double T = T_matter(zz, 1.0);
  EXPECT_NEAR(T / T_r, 1.0, 1e-4);
  EXPECT_LT(T, T_r);
  EXPECT_LT(t.epsT0, 1e-4);
  EXPECT_GT(t.epsT0, 0.0);
}

TEST_F(MatterTemperature, WithoutFreeElectronsTheMatterCoolsAdiabatically) {
  t.T_matter_var_ = 300.0;
  const double T = T_matter(100.0, 0.0);
  EXPECT_EQ(t.epsT0, 1.0);  // no coupling
  // dT/d ln(1+z) = 2 T, one backward-Euler step.
  EXPECT_EQ(T, 300.0 / (1 - 2 * D));
  // That is T ~ (1+z)^2 to first order in the step.
  EXPECT_NEAR(T / 300.0, std::exp(2 * D), 1e-5);
}

TEST_F(MatterTemperature, NeverExceedsTheRadiationTemperature) {
  // Recombination-like free-electron fraction, stepped from z = 3000 to 1.
  t.T_matter_var_ = ph.cs.T0 * 3001;
  bool coupled_at_1000 = false, decoupled_at_100 = false;
  for (double ln1pz = std::log(3001.0) + D; ln1pz >= std::log(2.0); ln1pz += D) {
    const double zz = std::exp(ln1pz) - 1;
    const double T = T_matter(zz, 2e-4 + (1 - 2e-4) / (1 + std::exp(-(zz - 1100) / 80)));
    const double T_r = ph.cs.T0 * (1 + zz);
    ASSERT_LE(T, T_r) << "z = " << zz;
    ASSERT_GT(T, 0.0) << "z = " << zz;
    if (std::fabs(zz - 1000) < 1) coupled_at_1000 = T / T_r > 0.999;
    if (std::fabs(zz - 100) < 0.1) decoupled_at_100 = T / T_r < 0.9;
    t.T_matter_var_ = T;
  }
  EXPECT_TRUE(coupled_at_1000);
  EXPECT_TRUE(decoupled_at_100);
}

}  // namespace
