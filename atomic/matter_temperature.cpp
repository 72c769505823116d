// Matter temperature from the energy equation
//   dT/d ln(1+z) = 2 T + Q (T - T_r),
// adiabatic cooling plus Compton heating towards the radiation temperature T_r,
// Q the Compton coupling rate of the free electrons over the expansion rate.
// One backward-Euler step from the previous step's temperature: stable however
// strong the coupling, exactly T_r in the strong-coupling limit and exactly
// adiabatic without free electrons, and never above T_r when starting below it.
#include "atomic/matter_temperature.h"

#include <cmath>

namespace primrec {

namespace {

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

}  // namespace

double T_matter(MatterTemperature& t, const Physics& ph, double z, double El_x, double start_ions) {
  Init_step_matter_temperature(t, ph, z, start_ions);
  return T_matter_of_step(t, ph, El_x);
}

void Init_step_matter_temperature(MatterTemperature& t, const Physics& ph, double z, double start_ions) {
  const double y = 1 + z;
  t.T_r = y * ph.cs.T0;
  t.K = compton_coupling(ph.cs, t.T_r, expansion_rate(ph.cs, y));
  t.R = nuclei_per_electron(ph.cs, y, start_ions);
}

double T_matter_of_step(MatterTemperature& t, const Physics& ph, double El_x) {
  const double D = ph.cs.D_ln_1_plus_z;
  const double Q = El_x / (El_x + t.R) * t.K;
  t.epsT0 = 1 / (Q + 1);
  return (t.T_matter_var_ - D * Q * t.T_r) / (1 - 2 * D - D * Q);
}

}  // namespace primrec
