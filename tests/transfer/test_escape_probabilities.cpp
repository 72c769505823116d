// Escape probabilities of the HeI lines and the absorption coefficients their
// arguments come from: interval bounds, branch switches, closed forms of the
// wing integrals, and the physical scalings of the kappas.
#include <gtest/gtest.h>

#include "support.h"

#include <cmath>

#include "atomic/rate_coefficients.h"
#include "transfer/escape_probabilities.h"

using namespace primrec;

namespace {

constexpr double tight = 1e-13;             // relative tolerance for "equal up to rounding"
const double half_pi = 2 * std::atan(1.0);  // atan of the far-wing limit

class EscapeProbabilities : public ::testing::Test {
 protected:
  Physics ph = testing_support::laboratory_physics();  // every V_* is exactly 1
  const double pi = ph.cs.pi;

  // What the escape probabilities take of a line of damping a and branching w.
  line_shape shape(double a, double w) const { return escape_line_shape(ph, a, w); }
  // Continuum absorption of ground-state hydrogen at nu.
  double continuum(double nu, double x) { return kappa_H(ph, nu, hydrogen_ion_crs_sctn(ph, 1, nu), x); }
  // Line-centre absorption of the singlet / triplet line at the radiation temperature of z.
  double singlet_line(double z, double x) const {
    return kappa_He_para(ph, HeI_line_doppler_width(ph, z, HeI_para_line_frequency(ph)), x);
  }
  double triplet_line(double z, double x) const {
    return kappa_He_orto(ph, HeI_line_doppler_width(ph, z, HeI_orto_line_frequency(ph)), x);
  }
  // Thermal speed of helium over c at temperature T.
  double thermal_width(double T) const {
    return std::sqrt(2 * ph.cs.kB * T / (ph.cs.He_to_H * ph.cs.mH)) / ph.cs.c;
  }

  // Wing term with the upper limit at infinity: 2 sqrt(a / (r pi^1.5))
  // (pi/2 - atan(1.25 sqrt(-ln a sqrt(pi) / (r a)))).
  double wing_term(double a, double r) const {
    const double x = 1.25 * std::sqrt(-std::log(a) * std::sqrt(pi) / (r * a));
    return 2 * std::sqrt(a / (r * std::pow(pi, 1.5))) * (half_pi - std::atan(x));
  }
  // Wing term of an almost pure scatterer, u = 1 - w:
  // 2 u sqrt(a / (r u pi^1.5)) (pi/2 - atan(k (2 sqrt(pi) w / (r a))^(1/4) / sqrt(u))).
  double scattering_wing_term(double a, double r, double w, double k) const {
    const double u = 1 - w;
    const double y = k * std::pow(2 * std::sqrt(pi) * w / (r * a), 0.25) / std::sqrt(u);
    return 2 * u * std::sqrt(a / (r * u * std::pow(pi, 1.5))) * (half_pi - std::atan(y));
  }
};

// 1 / (1 + k r^p) with (k, p) from the interval of r; each bound belongs to
// the interval below it.
TEST_F(EscapeProbabilities, DopplerCoreIntervals) {
  EXPECT_EQ(P_D(0), 1.0);
  struct Case {
    double r, k, p;
  } cases[] = {{500, 0.66, 0.9},       {500.001, 0.515, 0.94}, {50000, 0.515, 0.94},
               {50000.5, 0.416, 0.96}, {500000, 0.416, 0.96},  {500001, 0.36, 0.97},
               {1e9, 0.36, 0.97}};
  for (const Case& t : cases) {
    EXPECT_DOUBLE_EQ(P_D(t.r), 1 / (1 + t.k * std::pow(t.r, t.p))) << "r = " << t.r;
  }
}

TEST_F(EscapeProbabilities, NoDampingNoWings) {
  for (double r : {1e-3, 1.0, 1.1, 1e6}) {
    EXPECT_EQ(P_W(ph, shape(0, 0.5), r), 0.0);
    EXPECT_EQ(P_W1(ph, shape(0, 0.5), r), 0.0);
    EXPECT_EQ(P_W1(ph, shape(0, 0.995), r), 0.0);
  }
}

TEST_F(EscapeProbabilities, WingTermClosedForm) {
  for (double a : {1e-4, 1e-3, 0.1}) {
    for (double r : {10.0, 1e3}) {
      EXPECT_NEAR(P_W(ph, shape(a, 0), r), wing_term(a, r), 1e-12 * wing_term(a, r)) << a << " " << r;
    }
  }
}

// k = 1 below r = 1.1 and 0.5 sqrt(ln r) from there on: the term jumps up.
TEST_F(EscapeProbabilities, ScatteringWingSwitchesAtR11) {
  const double a = 1e-3, w = 0.995;
  const double below = scattering_wing_term(a, 1.0999, w, 1.0);
  const double at = scattering_wing_term(a, 1.1, w, 0.5 * std::sqrt(std::log(1.1)));
  EXPECT_NEAR(P_W1(ph, shape(a, w), 1.0999), below, 1e-12 * below);
  EXPECT_NEAR(P_W1(ph, shape(a, w), 1.1), at, 1e-12 * at);
  EXPECT_GT(P_W1(ph, shape(a, w), 1.1), 3 * P_W1(ph, shape(a, w), 1.0999));
  const double far = scattering_wing_term(a, 1e4, w, 0.5 * std::sqrt(std::log(1e4)));
  EXPECT_NEAR(P_W1(ph, shape(a, w), 1e4), far, 1e-12 * far);
}

TEST_F(EscapeProbabilities, CoreWingOverlapNeedsDampedRatioOfOne) {
  const double w = 0.995;
  EXPECT_EQ(P_Ch_G(shape(1e-3, w), 999.9), 0.0);  // a r = 0.9999
  EXPECT_EQ(P_Ch_G(shape(0.5, w), 1.9999), 0.0);
  // At a r = 1: M G (1 + E) with M = (8 w a)^(1/4) pi^(-5/8) r^(-3/4),
  // G = (t + 1.28)^(-1/2), E = e^(-0.45) (t + 1.5)^(-1.07).
  const double a = 0.5, r = 2;
  const double S = std::sqrt(2 * std::sqrt(pi) / (w * a * r));
  const double t = 0.5 * (1 - w) / (w * S) - 0.25;
  const double M = std::pow(8 * w * a, 0.25) * std::pow(pi, -0.625) * std::pow(r, -0.75);
  const double G = 1 / std::sqrt(t + 1.28);
  const double E = std::exp(-0.45) * std::pow(t + 1.5, -1.07);
  EXPECT_GT(P_Ch_G(shape(a, w), r), 0.0);
  EXPECT_NEAR(P_Ch_G(shape(a, w), r), M * G + E * M * G, tight * M * G);
}

TEST_F(EscapeProbabilities, ChandrasekharFactors) {
  EXPECT_DOUBLE_EQ(Gamma_ratio_appr(2.72), 0.5);
  EXPECT_DOUBLE_EQ(hgf_approx(-0.5), 1 + std::exp(-0.45));
}

// |1 - w| > 0.01 takes P_D + P_W; closer to 1, P_D + P_Ch_G + P_W1.
TEST_F(EscapeProbabilities, TotalEscapeBranches) {
  const double r = 2000, a = 1e-3;
  for (double w : {0.0, 0.5, 0.985, 0.9895}) {
    EXPECT_DOUBLE_EQ(P_H(ph, shape(a, w), r), P_D(r) + P_W(ph, shape(a, w), r)) << "w = " << w;
  }
  for (double w : {0.9905, 0.995, 0.9999}) {
    EXPECT_DOUBLE_EQ(P_H(ph, shape(a, w), r), P_D(r) + P_Ch_G(shape(a, w), r) + P_W1(ph, shape(a, w), r))
        << "w = " << w;
  }
}

// x sigma_1(nu) 8 pi nu^2 / c^2: zero below the Lyman limit.
TEST_F(EscapeProbabilities, HydrogenContinuum) {
  const double freq1 = ph.cs.freq1, c = ph.cs.c;
  EXPECT_EQ(continuum(freq1 * (1 - 1e-9), 0.5), 0.0);
  const double nu = 1.5 * freq1;
  const double mode_density = 8 * pi * nu * nu / (c * c);
  EXPECT_NEAR(continuum(nu, 1), hydrogen_ion_crs_sctn(ph, 1, nu) * mode_density, tight * continuum(nu, 1));
  EXPECT_GT(continuum(nu, 0), 0.0);
}

// Thermal speed of helium over c: sqrt(2 kB T / (3.9715 mH)) / c = 2.15002e-5 at
// 1e4 K; the width follows sqrt(T) = sqrt(T0 (1 + z)).
TEST_F(EscapeProbabilities, DopplerWidth) {
  const double nu = HeI_para_line_frequency(ph), z = 1e4 / ph.cs.T0 - 1;
  EXPECT_NEAR(HeI_line_doppler_width(ph, z, nu) / nu, 2.1500164751682810e-05, 1e-12 * 2.15e-5);
  EXPECT_NEAR(HeI_line_doppler_width(ph, 4 * (z + 1) - 1, nu), 2 * HeI_line_doppler_width(ph, z, nu),
              tight * 4.3e-5 * nu);
}

// Line-centre absorption 3 A / (sqrt(pi) Doppler width) per atom (9 for the
// triplet term): positive even without helium, falling as sqrt(1 + z).
TEST_F(EscapeProbabilities, HeliumLineCentreAbsorption) {
  EXPECT_GT(singlet_line(1000, 0), 0.0);
  EXPECT_GT(triplet_line(1000, 0), 0.0);
  const double z = 1500, x = 0.08;
  const double T = ph.cs.T0 * (1 + z);
  const double nu_p = ph.cs.c / ph.at.lambd_aHeI, nu_o = ph.cs.c / ph.at.lambd_a_ortoHeI;
  const double profile_p = 1 / (std::sqrt(pi) * nu_p * thermal_width(T));
  const double profile_o = 1 / (std::sqrt(pi) * nu_o * thermal_width(T));
  EXPECT_NEAR(singlet_line(z, x), 3 * ph.at.A_2p1s_paraHeI * x * profile_p, tight * singlet_line(z, x));
  EXPECT_NEAR(triplet_line(z, x), 9 * ph.at.A_2p1s_ortoHeI * x * profile_o, tight * triplet_line(z, x));
  EXPECT_NEAR(singlet_line(3, x) / singlet_line(0, x), 0.5, 0.5 * tight);
  EXPECT_NEAR(HeI_para_line_frequency(ph), nu_p, tight * nu_p);
  EXPECT_NEAR(HeI_orto_line_frequency(ph), nu_o, tight * nu_o);
}

// Outside 0 < a < 1, r > 0, w < 1 the arithmetic gives nan and nothing traps.
TEST_F(EscapeProbabilities, OutsideDomainReturnsNan) {
  EXPECT_TRUE(std::isnan(P_D(-1)));
  EXPECT_TRUE(std::isnan(P_W(ph, shape(1.5, 0), 10)));  // ln a > 0: root of a negative number
  EXPECT_TRUE(std::isnan(P_W(ph, shape(0.5, 0), 0)));   // r = 0: inf times 0
  EXPECT_TRUE(std::isnan(P_W1(ph, shape(1e-3, 1), 10)));
  EXPECT_TRUE(std::isnan(P_H(ph, shape(1e-3, 0.995), 0)));
  EXPECT_TRUE(std::isnan(P_H(ph, shape(1e-3, 0.5), 0)));
}

}  // namespace
