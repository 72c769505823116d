// Redshift stepping: one outer pass integrates the kinetics from z_begin down to
// z_end in equal steps of ln(1+z), iterating each step to convergence.
#pragma once

extern double z;             // redshift of the current step
extern double z_;            // redshift of the previous step
extern double ln_1_plus_z;   // ln(1+z) of the current step, advanced by repeated addition

// An inner iteration that has not converged after this many sweeps gives up:
// the step goes on from the values reached, with a message.
constexpr int max_inner_iterations = 1000;

// Start state of a pass at z_start (always z_begin).
int Set_Initial_Conditions(double z_start);

// One outer pass; iteration_number runs from 0. Returns 0, or 1 when a step
// ended with a result that is not a finite number: the pass then stops before
// that step's output, after "non-finite result at z = <z>".
int Iteration_of_Process(int iteration_number, int number_of_iterations);

// In a build with PRIMREC_BENCH_COUNTERS: writes the number of steps and of inner
// iterations of the run on standard error, for the benchmark. Otherwise nothing.
void report_work_counters();

// Whether "Hyd_Rad_Overheat.dat" took a write error.
bool overheat_table_write_failed();
