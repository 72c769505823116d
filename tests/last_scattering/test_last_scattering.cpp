// Optical depth and visibility of histories with a closed-form integral.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support.h"
#include "last_scattering/last_scattering.h"

namespace {

// Matter only (omega_m = 1, nothing else): H = H0 (1+z)^(3/2), so with x_e
// constant dtau/dz = A (1+z)^(1/2), A = x_e N0_H sigma_T c / H0, and
// tau(z) = (2/3) A ((1+z)^(3/2) - 1).
primrec::Constants matter_only() {
  primrec::Constants cs = testing_support::laboratory_constants();
  cs.H0 = 70 * primrec::km_per_Mpc_inverse;
  cs.omega_m = 1;
  cs.omega_lambda = cs.omega_k = cs.omega_gamma = cs.omega_nu_rel = 0;
  cs.N0_H = 2e-7;
  return cs;
}

// Rows as a run gives them: descending, equal steps of 1e-3 in ln(1+z), from
// z_high down to z_low.
std::vector<double> rows_between(double z_low, double z_high) {
  std::vector<double> z;
  for (double l = std::log1p(z_high); l >= std::log1p(z_low); l -= 1e-3) z.push_back(std::exp(l) - 1);
  return z;
}

// With u = 2 A (1+z)^(3/2), tau = u / 3 less a constant and g is proportional
// to u^(1/3) e^(-u/3), largest at u = 1. The u where g is half of that, ln u - u + 1 = -3 ln 2, on
// the side of u = 1 where `low` lies.
double half_maximum_u(double low) {
  const auto f = [](double u) { return std::log(u) - u + 1 + 3 * std::log(2.0); };
  double a = low, b = 1;  // f(a) < 0 < f(b) = 3 ln 2
  for (int i = 0; i < 200; ++i) {
    const double m = 0.5 * (a + b);
    (f(m) < 0 ? a : b) = m;
  }
  return 0.5 * (a + b);
}

TEST(OpticalDepth, ConstantIonisationInMatterOnlyHasItsClosedForm) {
  const primrec::Constants cs = matter_only();
  const double x_e = 0.3, A = x_e * cs.N0_H * cs.sigma_t * cs.c / cs.H0;
  const std::vector<double> z = rows_between(0.5, 3000);
  const primrec::LastScattering result = optical_depth(cs, z, std::vector<double>(z.size(), x_e));
  EXPECT_NEAR(result.continued_below, z.back(), 0.0) << "the history stops at z = 0.5";
  for (const primrec::VisibilityPoint& p : result.points) {
    const double exact = 2.0 / 3.0 * A * (std::pow(1 + p.z, 1.5) - 1);
    ASSERT_NEAR(p.tau / exact, 1.0, 1e-6) << "z = " << p.z;
    // An error d in tau is an error d relative in g.
    ASSERT_NEAR(p.g, A * std::sqrt(1 + p.z) * std::exp(-exact), 1e-6 * p.g * std::max(1.0, exact));
  }
  // tau = 1 where (1+z)^(3/2) = 1 + 3 / (2 A).
  EXPECT_NEAR(result.z_star, std::pow(1 + 1.5 / A, 2.0 / 3.0) - 1, 1e-3);
  // d ln g / dz = 1 / (2 (1+z)) - A (1+z)^(1/2) vanishes at (1+z)^(3/2) = 1 / (2 A).
  const double z_peak = std::pow(1 / (2 * A), 2.0 / 3.0) - 1;
  ASSERT_GT(z_peak, 10);
  EXPECT_NEAR(result.z_peak, z_peak, 1e-4 * z_peak);
  const auto z_of_u = [&](double u) { return std::pow(u / (2 * A), 2.0 / 3.0) - 1; };
  const double width = z_of_u(half_maximum_u(20)) - z_of_u(half_maximum_u(1e-6));
  EXPECT_NEAR(result.peak_full_width, width, 1e-6 * width);
}

// Tables that stop before tau reaches 1 or before the visibility turns give no
// number for what lies beyond them.
TEST(OpticalDepth, NoNumbersForWhatLiesBeyondTheTable) {
  const primrec::Constants cs = matter_only();
  const double x_e = 0.3, A = x_e * cs.N0_H * cs.sigma_t * cs.c / cs.H0;
  const double z_star = std::pow(1 + 1.5 / A, 2.0 / 3.0) - 1, z_peak = std::pow(1 / (2 * A), 2.0 / 3.0) - 1;
  ASSERT_LT(z_peak, z_star);  // g peaks at tau = 1/3
  const auto depth = [&](double z_low, double z_high) {
    const std::vector<double> z = rows_between(z_low, z_high);
    return optical_depth(cs, z, std::vector<double>(z.size(), x_e));
  };

  // Ending above last scattering: tau > 1 already at the last row and the
  // visibility still rising there.
  primrec::LastScattering result = depth(2 * z_star, 3000);
  EXPECT_GT(result.points.front().tau, 1);
  EXPECT_TRUE(std::isnan(result.z_star));
  EXPECT_TRUE(std::isnan(result.z_peak));
  EXPECT_TRUE(std::isnan(result.peak_full_width));

  // Between the peak and z_star: tau < 1 throughout; the peak is inside, but
  // above it the visibility does not fall to half its maximum before the table starts.
  result = depth(0, 0.5 * (z_peak + z_star));
  EXPECT_LT(result.points.back().tau, 1);
  EXPECT_TRUE(std::isnan(result.z_star));
  EXPECT_NEAR(result.z_peak, z_peak, 1e-4 * z_peak);
  EXPECT_TRUE(std::isnan(result.peak_full_width));

  // Below the peak: the visibility rises up to the first row.
  result = depth(0, 0.5 * z_peak);
  EXPECT_TRUE(std::isnan(result.z_star));
  EXPECT_TRUE(std::isnan(result.z_peak));
  EXPECT_TRUE(std::isnan(result.peak_full_width));
}

}  // namespace
