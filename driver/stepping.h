// Redshift stepping: one outer pass integrates the kinetics from z_begin down to
// z_end in equal steps of ln(1+z), iterating each step to convergence.
#pragma once

extern double z;             // redshift of the current step
extern double z_;            // redshift of the previous step
extern double ln_1_plus_z;   // ln(1+z) of the current step, advanced by repeated addition

// Start state of a pass at z_start (always z_begin).
int Set_Initial_Conditions(double z_start);

// One outer pass; iteration_number runs from 0. Returns 0.
int Iteration_of_Process(int iteration_number, int number_of_iterations);
