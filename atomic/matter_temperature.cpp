// Matter temperature from the energy equation
//   dT/d ln(1+z) = 2 T + Q (T - T_r),
// adiabatic cooling plus Compton heating towards the radiation temperature T_r,
// Q the Compton coupling rate of the free electrons over the expansion rate.
// The second-order backward differentiation formula (BDF2) over the
// temperatures of the two previous steps: stable however strong the coupling,
// like a backward-Euler step, and second-order accurate, so that the error of
// T_m (and through the recombination rate, of x_e) at low redshift falls by
// four when the step halves. The first step of a pass has one previous
// temperature only and takes one backward-Euler step. Both are exactly T_r in
// the strong-coupling limit and exactly adiabatic without free electrons.
#include "atomic/matter_temperature.h"

#include <cmath>

namespace primrec {

namespace {

// The expansion rate with its terms summed in the order of the temperature's
// own derivation; the background's H(z) sums them in another order and
// differs from this in the last bit.
double expansion_rate(const Constants& cs, double y) {
  return cs.H0 * std::sqrt(cs.omega_m * std::pow(y, 3) + cs.omega_lambda + cs.omega_k * std::pow(y, 2) +
                           (cs.omega_nu_rel + cs.omega_gamma) * std::pow(y, 4));
}

// Compton coupling rate of a fully ionised electron gas over the expansion rate.
double compton_coupling(const Constants& cs, double T_r, double expansion) {
  return (8 * cs.sigma_t * 4 * cs.a_St_B_stand * std::pow(T_r, 4)) / (3 * cs.me * cs.c * cs.c * expansion);
}

// The nuclei counted at the start per electron of the fully ionised plasma: with
// x_e free electrons, x_e / (x_e + R) is the share of the heat the electrons take
// from the radiation that they keep.
double nuclei_per_electron(const Constants& cs, double y, double start_ions) {
  return start_ions * cs.N0_nuclear * std::pow(y, 3) / (cs.N0_e * std::pow(y, 3));
}

// T from (T - T_prev) / D = 2 T + Q (T - T_r).
double backward_euler(const MatterTemperature& t, double D, double Q) {
  return (t.T_matter_var_ - D * Q * t.T_r) / (1 - 2 * D - D * Q);
}

// T from (3 T - 4 T_prev + T_prev_prev) / (2 D) = 2 T + Q (T - T_r): equal steps.
double bdf2(const MatterTemperature& t, double D, double Q) {
  const double Ds = 2.0 * D / 3.0;
  const double Ts = (4.0 * t.T_matter_var_ - t.T_matter_two_steps_back) / 3.0;
  return (Ts - Ds * Q * t.T_r) / (1.0 - 2.0 * Ds - Ds * Q);
}

// The same over a step D after a step D_before of another length: with
// w = D / D_before, T - a T_prev + b T_prev_prev = c (2 T + Q (T - T_r)).
// For w = 1 it is the formula above, grouped otherwise (so it differs from it
// in the last bit): equal steps keep the form above.
double bdf2_unequal_steps(const MatterTemperature& t, double D, double D_before, double Q) {
  const double w = D / D_before;
  const double a = (1 + w) * (1 + w) / (1 + 2 * w), b = w * w / (1 + 2 * w), c = D * (1 + w) / (1 + 2 * w);
  return (a * t.T_matter_var_ - b * t.T_matter_two_steps_back - c * Q * t.T_r) / (1 - 2 * c - c * Q);
}

// The coupling over the expansion rate with El_x free electrons.
double coupling(MatterTemperature& t, double El_x) {
  const double Q = El_x / (El_x + t.R) * t.K;
  t.Q = Q;
  t.epsT0 = 1 / (Q + 1);
  return Q;
}

// Equilibrium of theta = T / T_r under a coupling Q: theta' = (1 + Q) theta - Q
// (the prime d/d ln(1+z)) makes theta relax to Q / (1 + Q) at the rate 1 + Q.
double theta_equilibrium(double Q) { return Q / (1 + Q); }

}  // namespace

// With theta = T / T_r, theta' = (1 + Q) (theta - theta_eq). Over the step the
// rate is held at its mean and theta_eq taken linear in ln(1+z) between its
// values at the ends; the update is then exact: the part off equilibrium
// decays as exp(rate D), and the equilibrium's drift leaves theta behind it by
// drift (exp(rate D) - 1) / rate. Without coupling it is exact adiabatic
// cooling, with a strong one exactly the lag T_r Q' / (1 + Q)^2 the matter
// keeps behind the radiation; no step length is unstable.
double T_matter_exponential_step(MatterTemperature& t, double El_x, double D, bool first_step) {
  const double Q = coupling(t, El_x);
  const double Q_start = first_step ? Q : t.Q_;
  const double rate = 1 + (Q_start + Q) / 2;
  const double eq_start = theta_equilibrium(Q_start), eq_end = theta_equilibrium(Q);
  const double theta_start = t.T_matter_var_ / t.T_r_;
  const double decay = std::exp(rate * D), lag = std::expm1(rate * D) / rate;
  const double theta = eq_end + decay * (theta_start - eq_start) - (eq_end - eq_start) / D * lag;
  return t.T_r * theta;
}

// (1 + z) T0 here, not the background's T_br(z) = z T0 + T0 (they differ in the
// last bit): each keeps its own.
void Init_step_matter_temperature(MatterTemperature& t, const Physics& ph, double z, double start_ions) {
  const double y = 1 + z;
  t.T_r = y * ph.cs.T0;
  t.K = compton_coupling(ph.cs, t.T_r, expansion_rate(ph.cs, y));
  t.R = nuclei_per_electron(ph.cs, y, start_ions);
}

double T_matter_of_step(MatterTemperature& t, double El_x, double D, double D_before) {
  const double Q = coupling(t, El_x);
  if (!t.two_steps_back_known) return backward_euler(t, D, Q);
  return D == D_before ? bdf2(t, D, Q) : bdf2_unequal_steps(t, D, D_before, Q);
}

}  // namespace primrec
