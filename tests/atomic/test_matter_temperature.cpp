// The matter temperature: Compton coupling against adiabatic cooling.
#include <gtest/gtest.h>

#include <cmath>

#include "atomic/matter_temperature.h"
#include "driver/plasma.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

class MatterTemperature : public ::testing::Test {
 protected:
  void SetUp() override {
    me = 9.10938215e-28;
    c = 29979245800.0;
    sigma_t = 6.6524587e-25;
    T0 = 2.7255;
    H0 = 67.36 * 3.2407765e-20;
    omega_m = 0.3153;
    omega_lambda = 0.6847;
    omega_gamma = 5.45e-5;
    omega_nu_rel = 0.6813 * omega_gamma;
    omega_k = 1 - omega_lambda - omega_m - omega_gamma - omega_nu_rel;
    N0_nuclear = 2.3e-7;
    N0_e = 2.3e-7 * 1.076;
    HydII.x_begin = 0.924;
    HeIII.x_begin = 0.076;
    D_ln_1_plus_z = -1e-3;
  }
  void TearDown() override {
    me = c = sigma_t = T0 = H0 = omega_m = omega_lambda = omega_gamma = omega_nu_rel = omega_k = 0.0;
    N0_nuclear = N0_e = D_ln_1_plus_z = 0.0;
    El.x = 1.0;
    T_matter_var_ = epsT0 = 0.0;
  }
};

TEST_F(MatterTemperature, StronglyCoupledMatterFollowsTheRadiation) {
  // At z = 3000 Compton scattering is ~1e5 times faster than the expansion.
  El.x = 1.0;
  const double zz = 3000;
  T_matter_var_ = T0 * (1 + zz - 3);  // the radiation temperature a step earlier
  const double T = T_matter(zz);
  EXPECT_NEAR(T / (T0 * (1 + zz)), 1.0, 1e-4);
  EXPECT_LT(T, T0 * (1 + zz));
  EXPECT_LT(epsT0, 1e-4);
  EXPECT_GT(epsT0, 0.0);
}

TEST_F(MatterTemperature, WithoutFreeElectronsTheMatterCoolsAdiabatically) {
  El.x = 0.0;
  T_matter_var_ = 300.0;
  const double T = T_matter(100.0);
  EXPECT_EQ(epsT0, 1.0);  // no coupling
  // dT/d ln(1+z) = 2 T, one backward-Euler step.
  EXPECT_EQ(T, 300.0 / (1 - 2 * D_ln_1_plus_z));
  // That is T ~ (1+z)^2 to first order in the step.
  EXPECT_NEAR(T / 300.0, std::exp(2 * D_ln_1_plus_z), 1e-5);
}

TEST_F(MatterTemperature, NeverExceedsTheRadiationTemperature) {
  // Recombination-like free-electron fraction, stepped from z = 3000 to 1.
  T_matter_var_ = T0 * 3001;
  bool coupled_at_1000 = false, decoupled_at_100 = false;
  for (double ln1pz = std::log(3001.0) + D_ln_1_plus_z; ln1pz >= std::log(2.0); ln1pz += D_ln_1_plus_z) {
    const double zz = std::exp(ln1pz) - 1;
    El.x = 2e-4 + (1 - 2e-4) / (1 + std::exp(-(zz - 1100) / 80));
    const double T = T_matter(zz);
    const double T_r = T0 * (1 + zz);
    ASSERT_LE(T, T_r) << "z = " << zz;
    ASSERT_GT(T, 0.0) << "z = " << zz;
    if (std::fabs(zz - 1000) < 1) coupled_at_1000 = T / T_r > 0.999;
    if (std::fabs(zz - 100) < 0.1) decoupled_at_100 = T / T_r < 0.9;
    T_matter_var_ = T;
  }
  EXPECT_TRUE(coupled_at_1000);
  EXPECT_TRUE(decoupled_at_100);
}

}  // namespace
