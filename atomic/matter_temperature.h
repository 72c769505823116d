// Matter temperature: electrons and ions, held to the radiation by Compton
// scattering while the coupling is strong and cooling adiabatically, as (1+z)^2,
// once it is weak. One implicit step of the energy equation per call, second
// order from the second step of a pass on.
// Init_step_matter_temperature once per step, T_matter_of_step after every
// update of the electrons; the step in ln(1+z) is the caller's.
#pragma once

#include "atomic/physics.h"

namespace primrec {

struct MatterTemperature {
  double T_matter_var;   // matter temperature of the current inner iteration [K]
  double T_matter_var_;  // at the end of the previous step [K]
  double T_matter_two_steps_back;  // at the end of the step before the previous one [K]
  bool two_steps_back_known;       // false in the first step of a pass: no step lies two back
  double epsT0;          // 1 / (1 + Q) of the latest call, Q the coupling over expansion rate
  double Q;              // the coupling over the expansion rate of the latest call
  // At the end of the previous step, for the fast mode's update.
  double Q_;
  double T_r_;  // radiation temperature [K]

  // What the temperature needs of z alone: fixed for a step.
  double T_r;  // radiation temperature [K]
  double K;    // Compton coupling of a fully ionised gas over the expansion rate
  double R;    // nuclei counted at the start per electron of the fully ionised plasma
};

// The coupling at z, which depends on z alone: once per step. start_ions is
// HydII.x_begin + HeIII.x_begin.
void Init_step_matter_temperature(MatterTemperature& t, const Physics& ph, double z, double start_ions);

// The temperature at the end of a step of D in ln(1+z) (negative), from the
// step's coupling and El_x free electrons; D_before is the step before it
// (equal to D on a fixed grid).
double T_matter_of_step(MatterTemperature& t, double El_x, double D, double D_before);

// The fast mode's update over a step of any length: exact where the coupling
// is fixed over the step, whether it is strong (T follows T_r) or absent
// (adiabatic cooling), second order where it changes; first_step: no step
// before, so no coupling of the step's start is known.
double T_matter_exponential_step(MatterTemperature& t, double El_x, double D, bool first_step);

}  // namespace primrec
