// Line transition rates: the HeI 2p widths in the cold limit and at hand-computed
// temperatures, the Sobolev escape rates in their optically thick and thin
// limits, and the wiring of the continuum-absorption rates.
#include <gtest/gtest.h>

#include "support.h"

#include <cmath>

#include "atomic/rate_coefficients.h"
#include "transfer/escape_probabilities.h"
#include "transfer/line_rates.h"
#include "transfer/lyman_alpha_escape.h"

using namespace primrec;

namespace {

constexpr double tight = 1e-13;  // relative tolerance for "equal up to rounding"

// Flat matter + Lambda background: H(z) = H0 sqrt(0.3 (1+z)^3 + 0.7), with
// every V_* exactly 1.
Constants flat_background() {
  Constants cs = testing_support::laboratory_constants();
  cs.H0 = 70 * km_per_Mpc_inverse;
  cs.omega_m = 0.3;
  cs.omega_lambda = 0.7;
  cs.omega_k = cs.omega_gamma = cs.omega_nu_rel = 0;
  cs.N0_nuclear = 2.2e-7;
  return cs;
}

class LineRates : public ::testing::Test {
 protected:
  Physics ph{flat_background()};
  const AtomicData& at = ph.at;

  // Redshift at which the radiation has temperature T.
  double z_at(double T) const { return T / ph.cs.T0 - 1; }
  // The four HeI rates at z, as the kinetic matrix takes them.
  double singlet_escape(double z, double x_He) { return A_r_para_heliumI(ph, HeI_para_line_conditions(ph, z), x_He); }
  double triplet_escape(double z, double x_He, double x_H) {
    return A_r_ortho_heliumI(ph, HeI_orto_line_conditions(ph, z), x_He, x_H);
  }
  double singlet_continuum(double z, double x_He, double x_H) {
    return A_H_para_heliumI(ph, HeI_para_line_conditions(ph, z), x_He, x_H);
  }
  double triplet_continuum(double z, double x_He, double x_H) {
    return A_H_ortho_heliumI(ph, HeI_orto_line_conditions(ph, z), x_He, x_H);
  }
  // Line-centre over continuum absorption of a HeI line of frequency nu at z,
  // the continuum taken at nu_continuum.
  double absorption_ratio(bool singlet, double z, double nu, double nu_continuum, double x_He, double x_H) {
    const double width = HeI_line_doppler_width(ph, z, nu);
    const double line = singlet ? kappa_He_para(ph, width, x_He) : kappa_He_orto(ph, width, x_He);
    return line / kappa_H(ph, nu_continuum, hydrogen_ion_crs_sctn(ph, 1, nu_continuum), x_H);
  }
  // Sobolev rate 8 pi H / (g lambda^3 n) with n the density of the absorbers.
  double sobolev(double g, double lambda, double z, double x) const {
    const double n = ph.cs.N0_nuclear * std::pow(1 + z, 3) * x;
    return 8 * ph.cs.pi * H(ph.cs, z) / (g * std::pow(lambda, 3) * n);
  }
};

// With no photons every Boltzmann factor is 0: only spontaneous decays remain.
TEST_F(LineRates, WidthsInTheColdLimit) {
  EXPECT_DOUBLE_EQ(Gamma_HeI_para_2p(ph, 0), at.A_HeI_para_2p_1_1s_0 + at.A_HeI_para_2p_1_2s_0);
  EXPECT_NEAR(Gamma_HeI_para_2p(ph, 0), 1.800976e9, 1.0);
  EXPECT_DOUBLE_EQ(Gamma_HeI_orto_2p(ph, 0), at.A_HeI_ortho_2p_1_2s_1);
}

// Hand sums (40 digits) of the decays with stimulated emission and the
// excitations (g_u / g_2p) A exp(-dE / kT) at T = 3000 K and 1e4 K.
TEST_F(LineRates, WidthsAtHandComputedTemperatures) {
  EXPECT_NEAR(Gamma_HeI_para_2p(ph, z_at(3000)), 1801260133.4404200, 1e-10 * 1.8e9);
  EXPECT_NEAR(Gamma_HeI_para_2p(ph, z_at(1e4)), 1817682216.7171637, 1e-10 * 1.8e9);
  EXPECT_NEAR(Gamma_HeI_orto_2p(ph, z_at(3000)), 10386175.599624476, 1e-10 * 1e7);
  EXPECT_NEAR(Gamma_HeI_orto_2p(ph, z_at(1e4)), 24301016.697551333, 1e-10 * 2.4e7);
}

// Fraction of 2^1P_1 decays that go to the ground state: almost all when cold,
// about 1 % lost to 2^1S and higher levels at 1e4 K. The triplet line is an
// intercombination line, w of order 1e-5.
TEST_F(LineRates, BranchingRatios) {
  EXPECT_NEAR(at.A_HeI_para_2p_1_1s_0 / Gamma_HeI_para_2p(ph, z_at(3000)), 0.9988, 1e-4);
  EXPECT_NEAR(at.A_HeI_para_2p_1_1s_0 / Gamma_HeI_para_2p(ph, z_at(1e4)), 0.990, 5e-4);
  const double w_o = at.A_HeI_ortho_2p_1_para_1s_0 / Gamma_HeI_orto_2p(ph, z_at(3000));
  EXPECT_GT(w_o, 1e-5);
  EXPECT_LT(w_o, 2e-5);
}

// R (1 - e^(-A/R)) tends to R when the line is thick, to A when thin, and is 0
// with no helium at all (R then carries 10^128 and e^(-A/R) is 1).
TEST_F(LineRates, SingletSobolevLimits) {
  const double z = 2000;
  const double R = sobolev(3, at.lambd_aHeI, z, 0.08);
  ASSERT_GT(at.A_2p1s_paraHeI / R, 1e6);
  EXPECT_NEAR(singlet_escape(z, 0.08), R, 1e-12 * R);
  EXPECT_NEAR(singlet_escape(z, 1e-14), at.A_2p1s_paraHeI, 1e-5 * at.A_2p1s_paraHeI);
  EXPECT_EQ(singlet_escape(z, 0), 0.0);
  EXPECT_EQ(triplet_escape(z, 0, 0.5), 0.0);
}

// Statistical factor 9 for the triplet term; without hydrogen the continuum
// factor (kappa_line / (kappa_line + kappa_continuum))^2 is 1, with it below 1.
TEST_F(LineRates, TripletSobolevAndContinuum) {
  const double z = 2000, x_He = 0.08;
  const double R_o = sobolev(9, at.lambd_a_ortoHeI, z, x_He);
  const double escape = R_o * (1 - std::exp(-at.A_2p1s_ortoHeI / R_o));
  EXPECT_NEAR(triplet_escape(z, x_He, 0), escape, 1e-12 * escape);
  const double with_hydrogen = triplet_escape(z, x_He, 0.9);
  EXPECT_GT(with_hydrogen, 0.0);
  EXPECT_LT(with_hydrogen, escape);
  const double r_o =
      absorption_ratio(false, z, HeI_orto_line_frequency(ph), ph.cs.c / at.lambd_a_ortoHeI, x_He, 0.9);
  EXPECT_NEAR(with_hydrogen, escape * std::pow(r_o / (1 + r_o), 2), 1e-12 * escape);
}

// P_H with r = kappa_line / kappa_continuum, a = Gamma / (4 pi Doppler width),
// w = A_ground / Gamma, times the line's rate. At 5000 K the singlet line is
// almost pure scattering (w ~ 0.997), the triplet not.
TEST_F(LineRates, ContinuumRatesAreEscapeProbabilityTimesRate) {
  const double z = z_at(5000), x_He = 0.05, x_H = 0.3, pi = ph.cs.pi;
  // Thermal speed of helium over c.
  const double beta = std::sqrt(2 * ph.cs.kB * 5000 / (ph.cs.He_to_H * ph.cs.mH)) / ph.cs.c;

  const double nu_p = ph.cs.c / at.lambd_aHeI, G_p = Gamma_HeI_para_2p(ph, z);
  const double r_p = absorption_ratio(true, z, HeI_para_line_frequency(ph), nu_p, x_He, x_H);
  const double w_p = at.A_HeI_para_2p_1_1s_0 / G_p;
  ASSERT_LT(std::fabs(1 - w_p), 0.01);
  const double expected_p =
      P_H(ph, escape_line_shape(ph, G_p / (4 * pi * nu_p * beta), w_p), r_p) * at.A_2p1s_paraHeI;
  EXPECT_NEAR(singlet_continuum(z, x_He, x_H), expected_p, 1e-9 * expected_p);

  const double nu_o = ph.cs.c / at.lambd_a_ortoHeI, G_o = Gamma_HeI_orto_2p(ph, z);
  const double r_o = absorption_ratio(false, z, HeI_orto_line_frequency(ph), nu_o, x_He, x_H);
  const double w_o = at.A_HeI_ortho_2p_1_para_1s_0 / G_o;
  const double expected_o =
      P_H(ph, escape_line_shape(ph, G_o / (4 * pi * nu_o * beta), w_o), r_o) * at.A_2p1s_ortoHeI;
  EXPECT_NEAR(triplet_continuum(z, x_He, x_H), expected_o, 1e-9 * expected_o);
}

// Lyman-alpha: g = 3, and HeII's line is 4 times shorter, so its Sobolev rate
// is 64 times larger at the same abundance.
TEST_F(LineRates, LymanAlphaSobolevRates) {
  const double z = 1200, x = 0.3;
  const double R = sobolev(3, at.lambd_aHydI, z, x);
  const double hydrogen = Lyman_alpha_Sobolev_rate(ph, z, at.lambd_aHydI, x);
  EXPECT_NEAR(hydrogen, R, tight * R);
  EXPECT_NEAR(Lyman_alpha_Sobolev_rate(ph, z, at.lambd_aHeII, x) / hydrogen, 64.0, 64 * tight);
  const double empty = Lyman_alpha_Sobolev_rate(ph, z, at.lambd_aHydI, 0);
  EXPECT_TRUE(std::isfinite(empty));
  EXPECT_NEAR(empty, R * x / abundance_floor, 1e-12 * empty);
}

// z = -1 leaves no radiation temperature and no volume: non-finite, no trap.
TEST_F(LineRates, OutsideDomainReturnsNonFinite) {
  EXPECT_TRUE(std::isnan(singlet_escape(-1, 0.08)));
  EXPECT_TRUE(std::isinf(Lyman_alpha_Sobolev_rate(ph, -1, at.lambd_aHydI, 0.5)));
  EXPECT_FALSE(std::isfinite(singlet_continuum(-1, 0.08, 0.5)));
}

}  // namespace
