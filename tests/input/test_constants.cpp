// Constants derived from the parameters, and the background functions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "input/constants.h"
#include "support.h"

namespace {

using primrec::Constants;
using primrec::Parameters;

// A universe with H0 in km/s/Mpc, as the files give it; laboratory constants.
Constants cosmology(double hubble, double matter, double lambda, int neutrinos, double baryons,
                    double hydrogen_fraction, double temperature) {
  Parameters p = primrec::default_parameters();
  p.H0 = hubble;
  p.omega_m = matter;
  p.omega_lambda = lambda;
  p.N_eff = neutrinos;
  p.omega_b = baryons;
  p.X_M = hydrogen_fraction;
  p.T0 = temperature;
  return primrec::derive_constants(p);
}

TEST(Constants, InputValuesInTheFormTheRunUses) {
  Parameters p = primrec::default_parameters();
  p.step = 2e-3;
  const Constants cs = primrec::derive_constants(p);
  EXPECT_EQ(primrec::derive_step_settings(p).D_ln_1_plus_z, -2e-3) << "the run goes to lower z";
  EXPECT_EQ(cs.H0, 67.36 * 3.2407765e-20);
  uint64_t bits;
  std::memcpy(&bits, &cs.pi, sizeof bits);
  EXPECT_EQ(bits, 0x400921FB54442EEAull) << "pi as written, 3.14159265359";
  // The feedback of the higher Lyman lines needs a second pass over the first one's table.
  for (int levels : {1, 2, 10}) {
    p.feedback_levels = levels;
    EXPECT_EQ(primrec::derive_step_settings(p).Number_of_Iterations, levels > 1 ? 2 : 1) << levels;
  }
}

TEST(Constants, VariationFactorsFollowTheirPowersOfTheConstants) {
  const Constants lab = testing_support::laboratory_constants();
  EXPECT_EQ(lab.V_energy, 1.0);
  EXPECT_EQ(lab.V_one_photon, 1.0);
  EXPECT_EQ(lab.V_two_photon, 1.0);
  EXPECT_EQ(lab.V_recombination, 1.0);
  // A 1 % larger charge: energies ~ e^4, one-photon ~ e^10, two-photon ~ e^16,
  // recombination ~ e^6.
  Parameters p = primrec::default_parameters();
  p.e = 1.01 * primrec::e_reference;
  const Constants charged = primrec::derive_constants(p);
  EXPECT_NEAR(charged.V_energy, std::pow(1.01, 4), 1e-14);
  EXPECT_NEAR(charged.V_one_photon, std::pow(1.01, 10), 1e-14);
  EXPECT_NEAR(charged.V_two_photon, std::pow(1.01, 16), 1e-14);
  EXPECT_NEAR(charged.V_recombination, std::pow(1.01, 6), 1e-14);
  // Recombination ~ T^-1/2 at fixed kB T, so ~ kB^-1/2; nothing else sees kB.
  p = primrec::default_parameters();
  p.kB = 4 * primrec::kB_reference;
  const Constants hot = primrec::derive_constants(p);
  EXPECT_DOUBLE_EQ(hot.V_recombination, 0.5);
  EXPECT_EQ(hot.V_energy, 1.0);
}

TEST(Constants, HydrogenIonisationAndThomsonScattering) {
  const Constants cs = testing_support::laboratory_constants();
  const double erg_per_eV = 1.6021765e-12;
  EXPECT_NEAR(cs.I / erg_per_eV, 13.598, 0.001);  // Rydberg with the reduced mass
  EXPECT_NEAR(cs.freq1, 3.288e15, 0.001e15);      // I / (2 pi hbar)
  EXPECT_NEAR(cs.freq1 * 2 * cs.pi * cs.h / cs.I, 1.0, 1e-15);
  EXPECT_NEAR(cs.me_reduced / cs.me, 1 / (1 + cs.me / cs.mp), 1e-15);
  EXPECT_NEAR(cs.sigma_t, 6.6524e-25, 0.0001e-25);
  EXPECT_NEAR(cs.a_St_B, 5.6704e-5, 0.0001e-5);  // sigma_SB = pi^2 k^4 / (60 hbar^3 c^2)
  EXPECT_EQ(cs.mH, cs.mp + cs.me);
  // The same formula with the reference constants and pi^2 stored.
  EXPECT_NEAR(cs.a_St_B_stand / cs.a_St_B, 1.0, 4e-16);
}

TEST(Constants, BackgroundOfAFlatUniverse) {
  const Constants cs = cosmology(67.36, 0.3153, 0.6847, 3, 0.0493, 0.7547, 2.7255);
  // Photons: omega_gamma h^2 = 2.47e-5 for T0 = 2.7255 K.
  const double little_h = 0.6736;
  EXPECT_NEAR(cs.omega_gamma * little_h * little_h, 2.473e-5, 0.002e-5);
  // Three neutrino species: 3 * 7/8 * (4/11)^(4/3) = 0.6813 photons' worth.
  EXPECT_NEAR(cs.omega_nu_rel / cs.omega_gamma, 3 * 0.875 * std::pow(4.0 / 11.0, 4.0 / 3.0), 1e-15);
  // omega_m + omega_lambda = 1: curvature cancels the radiation, and H(0) = H0.
  EXPECT_NEAR(cs.omega_k, -(cs.omega_gamma + cs.omega_nu_rel), 1e-16);
  EXPECT_NEAR(primrec::H(cs, 0) / cs.H0, 1.0, 1e-15);
  // Critical density 3 H0^2 / (8 pi G) = 1.878e-29 h^2 g/cm^3.
  EXPECT_NEAR(cs.ro_crit / (little_h * little_h), 1.8784e-29, 0.0002e-29);
  EXPECT_NEAR(cs.N0_b, 0.0493 * cs.ro_crit / cs.mH, 1e-22);
  // Helium-to-hydrogen number ratio Y/(3.9715 X); one electron per H, two per He.
  EXPECT_NEAR(cs.Y_N / cs.X_N, (1 - 0.7547) / 3.9715 / 0.7547, 1e-15);
  EXPECT_NEAR(cs.X_N + cs.Y_N, 1.0, 1e-15);
  EXPECT_NEAR(cs.N0_e / cs.N0_nuclear, cs.X_N + 2 * cs.Y_N, 1e-15);
  EXPECT_NEAR(cs.delta_el * (cs.X_N + 2 * cs.Y_N), 1.0, 1e-15);
  EXPECT_NEAR(cs.N0_H / cs.N0_nuclear, cs.X_N, 1e-15);
  EXPECT_EQ(cs.eV_erg, 1.6021765e-12);
  EXPECT_EQ(cs.He_to_H, 3.9715);
}

TEST(Constants, ExpansionRateScalesWithItsComponents) {
  const Constants cs = cosmology(70, 0.3, 0.7, 3, 0.05, 0.75, 2.725);
  // Deep in the matter era H ~ (1+z)^(3/2) once radiation is taken out.
  const double zz = 999;
  const double matter_only = cs.H0 * std::sqrt(cs.omega_m * 1e9 + cs.omega_lambda + cs.omega_k * 1e6 +
                                               (cs.omega_nu_rel + cs.omega_gamma) * 1e12);
  EXPECT_NEAR(primrec::H(cs, zz) / matter_only, 1.0, 1e-14);
  EXPECT_GT(primrec::H(cs, zz), cs.H0 * std::sqrt(cs.omega_m * 1e9));
}

TEST(Constants, PureHydrogenHasOneKindOfNucleus) {
  const Constants cs = cosmology(70, 0.3, 0.7, 3, 0.05, 1.0, 2.725);
  EXPECT_EQ(cs.Y_N, 0.0);
  EXPECT_EQ(cs.X_N, 1.0);
  EXPECT_EQ(cs.delta_el, 1.0);
  EXPECT_EQ(cs.N0_nuclear, cs.N0_b);
  EXPECT_EQ(cs.N0_H, cs.N0_b);
  EXPECT_EQ(cs.N0_e, cs.N0_b);
}

TEST(Constants, BackgroundFunctionsOfRedshift) {
  const Constants cs = cosmology(70, 0.3, 0.7, 3, 0.05, 0.75, 2.725);
  EXPECT_EQ(primrec::T_br(cs, 0), cs.T0);
  EXPECT_NEAR(primrec::T_br(cs, 1089) / (1090 * cs.T0), 1.0, 1e-15);
  EXPECT_EQ(primrec::N_e_tot(cs, 0), cs.N0_e);
  EXPECT_NEAR(primrec::N_e_tot(cs, 9) / cs.N0_e, 1000.0, 1e-12);
}

TEST(Constants, ManyNeutrinoSpeciesDoNotOverflow) {
  const Constants cs = cosmology(70, 0.3, 0.7, INT_MAX, 0.05, 0.75, 2.725);
  EXPECT_GT(cs.omega_nu_rel, 0.0);
  EXPECT_NEAR(cs.omega_nu_rel / cs.omega_gamma, 2147483647.0 * 0.875 * std::pow(4.0 / 11.0, 4.0 / 3.0), 1e-6);
}

}  // namespace
