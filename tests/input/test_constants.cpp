// Constants derived from the input, and the background functions.
#include <gtest/gtest.h>

#include "support.h"

#include <cmath>

#include "driver/run_sequence.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

void set_reference_constants() { testing_support::use_laboratory_constants(); }

// H0 in km/s/Mpc, converted like the reader does after its checks.
void set_cosmology(double hubble, double matter, double lambda, int neutrinos, double baryons,
                   double hydrogen_fraction, double temperature) {
  H0 = hubble;
  omega_m = matter;
  omega_lambda = lambda;
  nu_number = neutrinos;
  omega_b = baryons;
  X_M = hydrogen_fraction;
  T0 = temperature;
  derive_cosmological_background();
}

class Constants : public ::testing::Test {
 protected:
  void SetUp() override {
    set_reference_constants();
    init_general_assist_const();
  }
};

TEST_F(Constants, ReferenceConstantsGiveUnitVariationFactors) {
  EXPECT_EQ(V_energy, 1.0);
  EXPECT_EQ(V_one_photon, 1.0);
  EXPECT_EQ(V_two_photon, 1.0);
  EXPECT_EQ(V_recombination, 1.0);
}

TEST_F(Constants, VariationFactorsFollowTheirPowersOfTheConstants) {
  // A 1 % larger charge: energies ~ e^4, one-photon ~ e^10, two-photon ~ e^16,
  // recombination ~ e^6.
  e = 1.01 * 4.80320427e-10;
  init_general_assist_const();
  EXPECT_NEAR(V_energy, std::pow(1.01, 4), 1e-14);
  EXPECT_NEAR(V_one_photon, std::pow(1.01, 10), 1e-14);
  EXPECT_NEAR(V_two_photon, std::pow(1.01, 16), 1e-14);
  EXPECT_NEAR(V_recombination, std::pow(1.01, 6), 1e-14);
  // Recombination ~ T^-1/2 at fixed kB T, so ~ kB^-1/2; nothing else sees kB.
  set_reference_constants();
  kB = 4 * 1.3806504e-16;
  init_general_assist_const();
  EXPECT_DOUBLE_EQ(V_recombination, 0.5);
  EXPECT_EQ(V_energy, 1.0);
}

TEST_F(Constants, HydrogenIonisationAndThomsonScattering) {
  const double erg_per_eV = 1.6021765e-12;
  EXPECT_NEAR(I / erg_per_eV, 13.598, 0.001);  // Rydberg with the reduced mass
  EXPECT_NEAR(freq1, 3.288e15, 0.001e15);      // I / (2 pi hbar)
  EXPECT_NEAR(freq1 * 2 * pi * h / I, 1.0, 1e-15);
  EXPECT_NEAR(me_reduced / me, 1 / (1 + me / mp), 1e-15);
  EXPECT_NEAR(sigma_t, 6.6524e-25, 0.0001e-25);
  EXPECT_NEAR(a_St_B, 5.6704e-5, 0.0001e-5);  // sigma_SB = pi^2 k^4 / (60 hbar^3 c^2)
  EXPECT_EQ(mH, mp + me);
}

TEST_F(Constants, LaboratoryStefanBoltzmannAgreesWithTheDerivedOne) {
  // The same formula with the reference constants and pi^2 stored.
  EXPECT_NEAR(a_St_B_stand / a_St_B, 1.0, 4e-16);
}

TEST_F(Constants, BackgroundOfAFlatUniverse) {
  set_cosmology(67.36, 0.3153, 0.6847, 3, 0.0493, 0.7547, 2.7255);
  EXPECT_EQ(H0, 67.36 * 3.2407765e-20);
  // Photons: omega_gamma h^2 = 2.47e-5 for T0 = 2.7255 K.
  const double little_h = 0.6736;
  EXPECT_NEAR(omega_gamma * little_h * little_h, 2.473e-5, 0.002e-5);
  // Three neutrino species: 3 * 7/8 * (4/11)^(4/3) = 0.6813 photons' worth.
  EXPECT_NEAR(omega_nu_rel / omega_gamma, 3 * 0.875 * std::pow(4.0 / 11.0, 4.0 / 3.0), 1e-15);
  // omega_m + omega_lambda = 1: curvature cancels the radiation, and H(0) = H0.
  EXPECT_NEAR(omega_k, -(omega_gamma + omega_nu_rel), 1e-16);
  EXPECT_NEAR(H(0) / H0, 1.0, 1e-15);
  // Critical density 3 H0^2 / (8 pi G) = 1.878e-29 h^2 g/cm^3.
  EXPECT_NEAR(ro_crit / (little_h * little_h), 1.8784e-29, 0.0002e-29);
  EXPECT_NEAR(N0_b, 0.0493 * ro_crit / mH, 1e-22);
  // Helium-to-hydrogen number ratio Y/(3.9715 X); one electron per H, two per He.
  EXPECT_NEAR(Y_N / X_N, (1 - 0.7547) / 3.9715 / 0.7547, 1e-15);
  EXPECT_NEAR(X_N + Y_N, 1.0, 1e-15);
  EXPECT_NEAR(N0_e / N0_nuclear, X_N + 2 * Y_N, 1e-15);
  EXPECT_NEAR(delta_el * (X_N + 2 * Y_N), 1.0, 1e-15);
  EXPECT_NEAR(N0_H / N0_nuclear, X_N, 1e-15);
  EXPECT_EQ(eV_erg, 1.6021765e-12);
  EXPECT_EQ(He_to_H, 3.9715);
}

TEST_F(Constants, ExpansionRateScalesWithItsComponents) {
  set_cosmology(70, 0.3, 0.7, 3, 0.05, 0.75, 2.725);
  // Deep in the matter era H ~ (1+z)^(3/2) once radiation is taken out.
  const double zz = 999;
  const double matter_only =
      H0 * std::sqrt(omega_m * 1e9 + omega_lambda + omega_k * 1e6 + (omega_nu_rel + omega_gamma) * 1e12);
  EXPECT_NEAR(H(zz) / matter_only, 1.0, 1e-14);
  EXPECT_GT(H(zz), H0 * std::sqrt(omega_m * 1e9));
}

TEST_F(Constants, PureHydrogenHasOneKindOfNucleus) {
  set_cosmology(70, 0.3, 0.7, 3, 0.05, 1.0, 2.725);
  EXPECT_EQ(Y_N, 0.0);
  EXPECT_EQ(X_N, 1.0);
  EXPECT_EQ(delta_el, 1.0);
  EXPECT_EQ(N0_nuclear, N0_b);
  EXPECT_EQ(N0_H, N0_b);
  EXPECT_EQ(N0_e, N0_b);
}

TEST_F(Constants, BackgroundFunctionsOfRedshift) {
  set_cosmology(70, 0.3, 0.7, 3, 0.05, 0.75, 2.725);
  EXPECT_EQ(T_br(0), T0);
  EXPECT_NEAR(T_br(1089) / (1090 * T0), 1.0, 1e-15);
  EXPECT_EQ(redshift(0), 0.0);
  EXPECT_NEAR(redshift(std::log(1101.0)), 1100.0, 1e-9);
  EXPECT_EQ(N_nuclear(0), N0_nuclear);
  EXPECT_EQ(N_e_tot(0), N0_e);
  EXPECT_EQ(N_H(0), N0_H);
  EXPECT_EQ(N_b(0), N0_b);
  EXPECT_NEAR(N_e_tot(9) / N0_e, 1000.0, 1e-12);
  EXPECT_NEAR(N_nuclear(9) / N0_nuclear, 1000.0, 1e-12);
}

TEST_F(Constants, ManyNeutrinoSpeciesDoNotOverflow) {
  set_cosmology(70, 0.3, 0.7, 2147483647, 0.05, 0.75, 2.725);
  EXPECT_GT(omega_nu_rel, 0.0);
  EXPECT_NEAR(omega_nu_rel / omega_gamma, 2147483647.0 * 0.875 * std::pow(4.0 / 11.0, 4.0 / 3.0),
              1e-6);
}

}  // namespace
