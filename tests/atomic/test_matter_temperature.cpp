// The matter temperature: Compton coupling against adiabatic cooling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "atomic/matter_temperature.h"
#include "primrec/primrec.hpp"
#include "support.h"

namespace {

// A Planck-like universe stepped by 1e-3 in ln(1+z), started fully ionised.
class MatterTemperature : public ::testing::Test {
 protected:
  const primrec::Physics ph = testing_support::laboratory_physics();
  const double D = -1e-3;
  const double start_ions = ph.cs.X_N + ph.cs.Y_N;
  primrec::MatterTemperature t{};

  double T_matter(double z, double El_x, double step_before = 0) {
    primrec::Init_step_matter_temperature(t, ph, z, start_ions);
    return primrec::T_matter_of_step(t, El_x, D, step_before == 0 ? D : step_before);
  }
};

TEST_F(MatterTemperature, StronglyCoupledMatterFollowsTheRadiation) {
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

// From the second step of a pass on, the update is second order: adiabatic
// cooling from two exact earlier temperatures is exact to O(D^3).
TEST_F(MatterTemperature, SecondStepOnIsSecondOrder) {
  t.T_matter_var_ = 300.0;
  t.T_matter_two_steps_back = 300.0 * std::exp(-2 * D);  // T ~ (1+z)^2 one step earlier
  t.two_steps_back_known = true;
  const double exact = 300.0 * std::exp(2 * D);
  EXPECT_LT(std::fabs(T_matter(100.0, 0.0) / exact - 1), 2 * std::fabs(D * D * D));
  t.two_steps_back_known = false;  // the first step of a pass: first order
  EXPECT_GT(std::fabs(T_matter(100.0, 0.0) / exact - 1), std::fabs(D * D));
}

// After a step of another length the backward differences weigh the two
// earlier temperatures otherwise, and stay second order; a step as long as
// the one before gives the equal-step formula to rounding.
TEST_F(MatterTemperature, UnequalStepsStaySecondOrder) {
  for (const double ratio : {0.5, 2.0, 3.0}) {
    const double D_before = D / ratio;
    t.T_matter_var_ = 300.0;
    t.T_matter_two_steps_back = 300.0 * std::exp(-2 * D_before);
    t.two_steps_back_known = true;
    const double exact = 300.0 * std::exp(2 * D);
    EXPECT_LT(std::fabs(T_matter(100.0, 0.0, D_before) / exact - 1), 5 * std::fabs(D * D * D)) << ratio;
  }
  t.T_matter_two_steps_back = 300.0 * std::exp(-2 * D);
  const double equal = T_matter(100.0, 0.0);
  EXPECT_NEAR(T_matter(100.0, 0.0, D * (1 + 1e-15)) / equal, 1.0, 1e-13);
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

// The fast mode's update over steps of any length. Q is held by giving the
// coupling K directly, the electrons fully ionised against no counted nuclei.
class ExponentialStep : public ::testing::Test {
 protected:
  primrec::MatterTemperature t{};

  // A step of D from T_start at radiation temperature T_r_start under a
  // coupling Q_start at the start and Q at the end.
  double step(double T_start, double T_r_start, double D, double Q_start, double Q) {
    t.T_matter_var_ = T_start;
    t.T_r_ = T_r_start;
    t.Q_ = Q_start;
    t.T_r = T_r_start * std::exp(D);
    t.K = Q;
    t.R = 0;
    return primrec::T_matter_exponential_step(t, 1.0, D, false);
  }
};

// dT/d ln(1+z) = 2 T without coupling: T ~ (1+z)^2 over any step.
TEST_F(ExponentialStep, WithoutCouplingItIsExactAdiabaticCooling) {
  for (const double D : {-1e-3, -0.05, -1.0}) {
    EXPECT_NEAR(step(300.0, 1000.0, D, 0, 0) / (300.0 * std::exp(2 * D)), 1.0, 1e-14) << D;
  }
}

// With Q fixed the equation is linear with T_r ~ (1+z): T = T_r Q / (1 + Q)
// plus what is off it decaying as exp((2 + Q) D), whatever the step.
TEST_F(ExponentialStep, UnderAFixedCouplingItIsTheExactSolution) {
  for (const double Q : {0.3, 1.0, 30.0, 1e5}) {
    for (const double D : {-1e-3, -0.05, -0.5}) {
      const double T_r_start = 3000, T_start = 2500;
      const double balance = Q / (1 + Q);
      const double exact =
          balance * T_r_start * std::exp(D) + (T_start - balance * T_r_start) * std::exp((2 + Q) * D);
      EXPECT_NEAR(step(T_start, T_r_start, D, Q, Q) / exact, 1.0, 1e-13) << Q << " " << D;
    }
  }
  EXPECT_EQ(t.epsT0, 1 / (1e5 + 1));
}

// A coupling that changes over the step: the error falls as the cube of the
// step (second order), against the equation integrated in many small steps.
TEST_F(ExponentialStep, UnderAChangingCouplingItIsSecondOrder) {
  // Q = 2 exp(3 (u - u0)), u = ln(1+z): the coupling of a recombining plasma.
  const auto Q_at = [](double u) { return 2 * std::exp(3 * u); };
  const auto exact = [&](double D) {
    double T = 2000, u = 0;  // T_r = 3000 exp(u)
    const int n = 200000;
    const double h = D / n;
    const auto f = [&](double uu, double TT) { return (2 + Q_at(uu)) * TT - Q_at(uu) * 3000 * std::exp(uu); };
    for (int i = 0; i < n; ++i, u += h) {  // classical Runge-Kutta
      const double k1 = f(u, T), k2 = f(u + h / 2, T + h / 2 * k1), k3 = f(u + h / 2, T + h / 2 * k2),
                   k4 = f(u + h, T + h * k3);
      T += h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
    }
    return T;
  };
  double error[2];
  const double D[2] = {-0.04, -0.02};
  for (int k = 0; k < 2; ++k) error[k] = std::fabs(step(2000, 3000, D[k], Q_at(0), Q_at(D[k])) / exact(D[k]) - 1);
  EXPECT_NEAR(error[0] / error[1], 8.0, 1.0);
}

// Whole histories. The relative deviation of a column from a reference history
// at a much smaller step, largest over z_low <= z <= z_high (the reference
// interpolated linearly in ln(1+z)).
double largest_deviation(const primrec::History& h, const std::vector<double>& column,
                         const primrec::History& ref, const std::vector<double>& ref_column, double z_low,
                         double z_high) {
  double largest = 0;
  for (size_t i = 0; i < h.z.size(); ++i) {
    if (h.z[i] < z_low || h.z[i] > z_high) continue;
    const auto j = static_cast<size_t>(
        std::lower_bound(ref.z.begin(), ref.z.end(), h.z[i], [](double a, double b) { return a > b; }) -
        ref.z.begin());
    if (j == 0 || j == ref.z.size()) continue;
    const double l = std::log1p(h.z[i]), l0 = std::log1p(ref.z[j - 1]), l1 = std::log1p(ref.z[j]);
    const double expected = ref_column[j - 1] + (l - l0) * (ref_column[j] - ref_column[j - 1]) / (l1 - l0);
    largest = std::max(largest, std::fabs(column[i] / expected - 1));
  }
  return largest;
}

primrec::History history(double z_begin, double z_end, double step) {
  primrec::Parameters p = primrec::default_parameters();
  p.z_begin = z_begin;
  p.z_end = z_end;
  p.step = step;
  p.feedback_levels = 1;
  primrec::Solution s = primrec::solve(p);
  EXPECT_TRUE(s.ok()) << s.error;
  return s.history;
}

// The error of T_m and, through the recombination rate, of x_e at low redshift
// falls by four when the step halves.
TEST(MatterTemperatureHistory, ConvergesToSecondOrderWithTheStep) {
  const double reference_step = 1e-4;  // 1/100 of the error at 1e-3: still a clean ratio
  const primrec::History ref = history(3000, 4.9, reference_step);
  double T_m[3], x_e[3];
  const double steps[3] = {4e-3, 2e-3, 1e-3};
  for (int k = 0; k < 3; ++k) {
    const primrec::History h = history(3000, 4.9, steps[k]);
    T_m[k] = largest_deviation(h, h.T_m, ref, ref.T_m, 5, 200);
    x_e[k] = largest_deviation(h, h.x_e, ref, ref.x_e, 5, 200);
  }
  for (int k = 0; k < 2; ++k) {
    EXPECT_NEAR(T_m[k] / T_m[k + 1], 4.0, 0.4) << "T_m, step " << steps[k];
    EXPECT_NEAR(x_e[k] / x_e[k + 1], 4.0, 0.4) << "x_e, step " << steps[k];
  }
  EXPECT_LT(T_m[2], 2e-5);
}

// Where Compton scattering holds the matter to the radiation, a large step
// neither oscillates nor lets the matter drift from the radiation temperature.
TEST(MatterTemperatureHistory, StrongCouplingAtALargeStepFollowsTheRadiation) {
  const primrec::History h = history(8000, 2000, 1e-2);
  ASSERT_GT(h.size(), 100u);
  const double T0 = primrec::default_parameters().T0;
  for (size_t i = 0; i < h.size(); ++i) {
    const double lag = h.T_m[i] / (T0 * (1 + h.z[i])) - 1;
    ASSERT_LT(lag, 0.0) << "z = " << h.z[i];  // the expanding matter lags behind, never ahead
    ASSERT_GT(lag, -1e-6) << "z = " << h.z[i];
  }
}

}  // namespace
