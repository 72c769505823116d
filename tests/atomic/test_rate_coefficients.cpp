// Recombination and photoionisation coefficients, Gaunt factor, cross-section,
// occupation number and fudge bump: fits at their pivots, detailed balance,
// threshold behaviour and classical limits.
#include <gtest/gtest.h>

#include <cmath>

#include "atomic/rate_coefficients.h"
#include "support.h"

namespace {

constexpr double tight = 1e-13;  // relative tolerance for "equal up to rounding"

using namespace primrec;

// Laboratory constants: every V_* is exactly 1.
class RateCoefficients : public ::testing::Test {
 protected:
  Physics ph = testing_support::laboratory_physics();
  // Detailed-balance factor g_e(T) exp(-I2 / kB T) of an n = 2 level.
  double saha(double T, double I2) { return g_e(ph, T) * std::exp(-I2 / (ph.cs.kB * T)); }
};

// At the pivot t = 1 both powers of the fit are 1.
TEST_F(RateCoefficients, HydrogenFitAtItsPivot) {
  EXPECT_DOUBLE_EQ(recomb_HydII(ph, 1e4), 4.309e-13 / 1.6703);
  // Away from it, 4.309e-13 t^-0.6166 / (1 + 0.6703 t^0.53) by hand at 30 digits.
  EXPECT_NEAR(recomb_HydII(ph, 1e3), 1.4879388913833157e-12, 1e-12 * 1.49e-12);
  EXPECT_NEAR(recomb_HydII(ph, 3e4), 9.949046128462346e-14, 1e-12 * 9.95e-14);
  Constants doubled = ph.cs;
  doubled.V_recombination = 2;
  Physics scaled(doubled);
  EXPECT_DOUBLE_EQ(recomb_HydII(scaled, 1e4), 2 * 4.309e-13 / 1.6703);
}

// Hydrogen-like scaling with Z = 2: alpha_Z(T) = Z alpha_1(T / Z^2).
TEST_F(RateCoefficients, HeIIIIsHydrogenAtAQuarterTemperatureDoubled) {
  for (double T : {30.0, 3000.0, 1e4, 6e4, 1e6}) {
    EXPECT_DOUBLE_EQ(recomb_HeIII(ph, 4 * T), 2 * recomb_HydII(ph, T)) << "T = " << T;
  }
}

// The HeII -> HeI fits, 10^a 1e6 / (s (1+s)^p0 (1+s1)^p1) with s = sqrt(T/3),
// s1 = sqrt(T/10^5.114), evaluated by hand at 40 digits.
TEST_F(RateCoefficients, HeliumFitsAtHandComputedPoints) {
  EXPECT_NEAR(recomb_HeII(ph, 3), 1.4636642960538048e-11, 1e-12 * 1.46e-11);
  EXPECT_NEAR(recomb_HeII(ph, 1e4), 6.330872246851154e-14, 1e-12 * 6.33e-14);
  EXPECT_NEAR(recomb_orto_HeII(ph, 3), 4.153258103771533e-11, 1e-12 * 4.15e-11);
  EXPECT_NEAR(recomb_orto_HeII(ph, 1e4), 2.1018088608964328e-13, 1e-12 * 2.10e-13);
}

// Quantum concentration (2 pi me kB T / h^2)^(3/2) = 2.41469e15 T^(3/2) cm^-3.
TEST_F(RateCoefficients, QuantumConcentration) {
  EXPECT_NEAR(g_e(ph, 1e4), 2.4146873981796711e21, 1e-12 * 2.41e21);
  EXPECT_NEAR(g_e(ph, 4e4) / g_e(ph, 1e4), 8.0, 8.0 * tight);
}

// F_H scales recombination and photoionisation alike; a non-positive F_H counts
// as 1, NaN passes.
TEST_F(RateCoefficients, HydrogenFudge) {
  const double T = 5000, ratio = saha(T, ph.at.I2s_HydI);
  const double alpha = recomb_HydII(ph, T);
  const auto with_F_H = [](double F_H) {
    return testing_support::laboratory_physics_with([F_H](Constants& cs) { cs.F_H = F_H; });
  };
  Physics twice = with_F_H(2);
  EXPECT_EQ(recomb_HydII_fudged(twice, T), 2 * alpha);
  EXPECT_NEAR(ion_HydI_fudged(twice, T) / recomb_HydII_fudged(twice, T), ratio, tight * ratio);
  for (double bad : {0.0, -2.0}) {
    Physics guarded = with_F_H(bad);
    EXPECT_EQ(recomb_HydII_fudged(guarded, T), alpha);
    EXPECT_NEAR(ion_HydI_fudged(guarded, T) / alpha, ratio, tight * ratio);
    EXPECT_EQ(F_H_guard(bad), 1.0);
  }
  EXPECT_TRUE(std::isnan(F_H_guard(NAN)));
}

// Photoionisation out of n = 2 by detailed balance: rate / alpha = w g_e
// exp(-I2/kT) with weight w = 1 (HeII), 4 (HeI 2^1S), 4/3 (HeI 2^3S).
TEST_F(RateCoefficients, DetailedBalanceOfPhotoionisation) {
  for (double T : {2000.0, 8000.0, 3e4}) {
    EXPECT_NEAR(ion_HeII(ph, T) / recomb_HeIII(ph, T), saha(T, ph.at.I2s_HeII), 1e-12 * saha(T, ph.at.I2s_HeII));
    EXPECT_NEAR(ion_HeI(ph, T) / recomb_HeII(ph, T), 4 * saha(T, ph.at.I2s_HeI), 1e-12 * 4 * saha(T, ph.at.I2s_HeI));
    EXPECT_NEAR(ion_orto_HeI(ph, T) / recomb_orto_HeII(ph, T), 4.0 / 3 * saha(T, ph.at.I2s_orto_HeI),
                1e-12 * 4.0 / 3 * saha(T, ph.at.I2s_orto_HeI));
    // The two HeI series against each other: weight ratio 3, energy offset of 2s levels.
    const double singlet = ion_HeI(ph, T) / recomb_HeII(ph, T);
    const double triplet = 3 * ion_orto_HeI(ph, T) / recomb_orto_HeII(ph, T) *
                           std::exp((ph.at.I2s_orto_HeI - ph.at.I2s_HeI) / (ph.cs.kB * T));
    EXPECT_NEAR(singlet, triplet, 1e-12 * singlet) << "T = " << T;
  }
}

// u = threshold / nu: G0 + G1 + G2 at threshold, G0 far above it.
TEST_F(RateCoefficients, GauntFactorColumns) {
  EXPECT_DOUBLE_EQ(gaunt_ion(ph, 1, ph.cs.freq1), 1.133 - 0.4059 + 0.07014);
  EXPECT_NEAR(gaunt_ion(ph, 1, 1e8 * ph.cs.freq1), 1.133, 1e-8);
  EXPECT_NEAR(gaunt_ion(ph, 1, 2 * ph.cs.freq1), 1.133 - 0.4059 * 0.5 + 0.07014 * 0.25, 1e-15);
  EXPECT_DOUBLE_EQ(gaunt_ion(ph, 2, ph.cs.freq1 / 4), 1.0785 - 0.2319 + 0.02947);
  EXPECT_EQ(gaunt_ion(ph, 2.5, ph.cs.freq1), 0.0);
  EXPECT_EQ(gaunt_ion(ph, 1.5, ph.cs.freq1), 0.0);
  // n = 3, r = 1/3: G0 = 1.0567, G1 = -0.500478/3, G2 = 0.1583667/9; sum 0.90747037.
  EXPECT_NEAR(gaunt_ion(ph, 3, ph.cs.freq1 / 9), 0.90747037037037037, 1e-14);
  EXPECT_NEAR(gaunt_ion(ph, 3, 1e8 * ph.cs.freq1), 1.0567, 1e-8);
}

// Kramers cross-section 7.920e-18 cm^2 at the Lyman limit times the Gaunt factor
// 0.79724 gives 6.314e-18 cm^2 (the hydrogen threshold value 6.3e-18).
TEST_F(RateCoefficients, CrossSectionAtThreshold) {
  EXPECT_EQ(hydrogen_ion_crs_sctn(ph, 1, ph.cs.freq1 * (1 - 1e-12)), 0.0);
  EXPECT_NEAR(hydrogen_ion_crs_sctn(ph, 1, ph.cs.freq1), 6.314137190728115e-18, 1e-12 * 6.31e-18);
  // Level n = 2 starts at freq1 / 4; Kramers threshold cross-sections grow as n.
  EXPECT_EQ(hydrogen_ion_crs_sctn(ph, 2, ph.cs.freq1 / 4 * (1 - 1e-12)), 0.0);
  const double kramers_1 = hydrogen_ion_crs_sctn(ph, 1, ph.cs.freq1) / gaunt_ion(ph, 1, ph.cs.freq1);
  const double kramers_2 = hydrogen_ion_crs_sctn(ph, 2, ph.cs.freq1 / 4) / gaunt_ion(ph, 2, ph.cs.freq1 / 4);
  EXPECT_NEAR(kramers_2, 2 * kramers_1, tight * kramers_2);
  // Kramers part falls as nu^-3.
  EXPECT_NEAR(hydrogen_ion_crs_sctn(ph, 1, 2 * ph.cs.freq1) / gaunt_ion(ph, 1, 2 * ph.cs.freq1), kramers_1 / 8,
              tight * kramers_1);
}

TEST_F(RateCoefficients, PlanckOccupationLimits) {
  const double T = 3000;
  const double nu_kT = ph.cs.kB * T / (2 * ph.cs.pi * ph.cs.h);  // h nu = kB T
  EXPECT_NEAR(planckian_photon_per_mode(ph, std::log(2.0) * nu_kT, T), 1.0, 1e-12);
  // Rayleigh-Jeans: kT/h nu - 1/2 + ...
  EXPECT_NEAR(planckian_photon_per_mode(ph, 1e-6 * nu_kT, T), 1e6 - 0.5, 1e-9 * 1e6);
  // Wien: e^(-h nu / kT)
  EXPECT_NEAR(planckian_photon_per_mode(ph, 30 * nu_kT, T), std::exp(-30.0), 1e-12 * std::exp(-30.0));
}

// Outside the domain the arithmetic gives inf or nan and nothing traps.
TEST_F(RateCoefficients, OutsideDomainReturnsNonFinite) {
  EXPECT_TRUE(std::isinf(recomb_HydII(ph, 0)));
  EXPECT_TRUE(std::isnan(recomb_HeII(ph, -1)));
  EXPECT_TRUE(std::isnan(ion_HydI_fudged(ph, 0)));  // inf alpha times zero g_e
  EXPECT_TRUE(std::isnan(gaunt_ion(ph, 1, 0)));
  EXPECT_TRUE(std::isinf(planckian_photon_per_mode(ph, 0, 3000)));
}

}  // namespace
