// Matter temperature: electrons and ions, held to the radiation by Compton
// scattering while the coupling is strong and cooling adiabatically, as (1+z)^2,
// once it is weak. One implicit step of the energy equation per call.
#pragma once

extern double T_matter_var;   // matter temperature of the current inner iteration [K]
extern double T_matter_var_;  // at the end of the previous step [K]
extern double epsT0;          // 1 / (1 + Q) of the latest call, Q the coupling over expansion rate
extern double epsT0_;         // at the end of the previous step

// Matter temperature at redshift z [K], from T_matter_var_ over one step: the
// two parts below.
double T_matter(double z);

// The coupling at z, which depends on z alone: once per step.
void Init_step_matter_temperature(double z);
// The temperature from the step's coupling and the electrons of the moment.
double T_matter_of_step();
