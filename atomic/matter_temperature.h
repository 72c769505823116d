// Matter temperature: electrons and ions, held to the radiation by Compton
// scattering while the coupling is strong and cooling adiabatically, as (1+z)^2,
// once it is weak. One implicit step of the energy equation per call, second
// order from the second step of a pass on.
// Init_step_matter_temperature once per step, T_matter_of_step after every sweep.
#pragma once

#include "atomic/physics.h"

namespace primrec {

struct MatterTemperature {
  double T_matter_var;   // matter temperature of the current inner iteration [K]
  double T_matter_var_;  // at the end of the previous step [K]
  double T_matter_two_steps_back;  // at the end of the step before the previous one [K]
  bool two_steps_back_known;       // false in the first step of a pass: no step lies two back
  double epsT0;          // 1 / (1 + Q) of the latest call, Q the coupling over expansion rate
  double epsT0_;         // at the end of the previous step

  // What the temperature needs of z alone: fixed for a step.
  double T_r;  // radiation temperature [K]
  double K;    // Compton coupling of a fully ionised gas over the expansion rate
  double R;    // nuclei counted at the start per electron of the fully ionised plasma
};

// Matter temperature at redshift z [K], from T_matter_var_ over one step, for
// El_x free electrons; start_ions is HydII.x_begin + HeIII.x_begin. The two
// parts below.
double T_matter(MatterTemperature& t, const Physics& ph, double z, double El_x, double start_ions);

// The coupling at z, which depends on z alone: once per step.
void Init_step_matter_temperature(MatterTemperature& t, const Physics& ph, double z, double start_ions);
// The temperature from the step's coupling and the electrons of the moment.
double T_matter_of_step(MatterTemperature& t, const Physics& ph, double El_x);

}  // namespace primrec
