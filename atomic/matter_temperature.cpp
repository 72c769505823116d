// Matter temperature from the energy equation
//   dT/d ln(1+z) = 2 T + Q (T - T_r),
// adiabatic cooling plus Compton heating towards the radiation temperature T_r,
// Q the Compton coupling rate of the free electrons over the expansion rate.
// One backward-Euler step from the previous step's temperature: stable however
// strong the coupling, exactly T_r in the strong-coupling limit and exactly
// adiabatic without free electrons, and never above T_r when starting below it.
#include "atomic/matter_temperature.h"

#include <cmath>

#include "driver/plasma.h"
#include "driver/run_sequence.h"
#include "input/constants.h"
#include "input/input_files.h"

double T_matter_var = 0.0;
double T_matter_var_ = 0.0;
double epsT0 = 0.0;
double epsT0_ = 0.0;

namespace {

double expansion_rate(double y) {
  return H0 * std::sqrt(omega_m * std::pow(y, 3) + omega_lambda + omega_k * std::pow(y, 2) +
                        (omega_nu_rel + omega_gamma) * std::pow(y, 4));
}

// Compton coupling rate of a fully ionised electron gas over the expansion rate.
double compton_coupling(double T_r, double expansion) {
  return (8 * sigma_t * 4 * a_St_B_stand * std::pow(T_r, 4)) / (3 * me * c * c * expansion);
}

// The nuclei counted at the start per electron of the fully ionised plasma: with
// x_e free electrons, x_e / (x_e + R) is the share of the heat the electrons take
// from the radiation that they keep.
double nuclei_per_electron(double y) {
  return (HydII.x_begin + HeIII.x_begin) * N0_nuclear * std::pow(y, 3) / (N0_e * std::pow(y, 3));
}

// What the temperature needs of z alone: fixed for a step.
struct Coupling {
  double T_r;  // radiation temperature [K]
  double K;    // Compton coupling of a fully ionised gas over the expansion rate
  double R;    // nuclei per electron
};
Coupling step;

}  // namespace

double T_matter(double z) {
  Init_step_matter_temperature(z);
  return T_matter_of_step();
}

void Init_step_matter_temperature(double z) {
  const double y = 1 + z;
  step.T_r = y * T0;
  step.K = compton_coupling(step.T_r, expansion_rate(y));
  step.R = nuclei_per_electron(y);
}

double T_matter_of_step() {
  const double Q = El.x / (El.x + step.R) * step.K;
  epsT0 = 1 / (Q + 1);
  return (T_matter_var_ - D_ln_1_plus_z * Q * step.T_r) / (1 - 2 * D_ln_1_plus_z - D_ln_1_plus_z * Q);
}
