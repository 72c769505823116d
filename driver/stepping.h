// Redshift stepping: a Run holds the whole state of one solve, and each outer
// pass integrates the kinetics from z_begin down to z_end in equal steps of
// ln(1+z), iterating each step to convergence.
#pragma once

#include <atomic>
#include <string>

#include "atomic/matter_temperature.h"
#include "atomic/physics.h"
#include "atomic/reaction_rates.h"
#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"
#include "primrec/primrec.hpp"
#include "transfer/feedback.h"

namespace primrec {

// An inner iteration that has not converged after this many sweeps gives up:
// the step goes on from the values reached, with a message.
constexpr int max_inner_iterations = 1000;

struct Run {
  Run(const Constants& cs, Observer& out, const Options& options) : ph(cs), out(out), options(options) {}
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  Physics ph;             // constants, atomic data and remembered values
  Plasma plasma;          // the five components and the electrons
  ReactionRates rates{};  // rate coefficients of the step at z and z_
  MatterTemperature tm{};
  KineticMatrix km{};
  Feedback fb;            // overheating table of pass 0, feedback levels of pass 1

  double z = 0.0;            // redshift of the current step
  double z_ = 0.0;           // redshift of the previous step
  double ln_1_plus_z = 0.0;  // ln(1+z) of the current step, advanced by repeated addition

  Observer& out;
  const Options& options;
  Work work;
  std::string error;  // the message of a breakdown
  double error_z = 0.0;
};

// Start state of a pass at z_start (always z_begin).
int Set_Initial_Conditions(Run& run, double z_start);

// The feedback correction of this step; 1 in the first pass or for one level.
int Init_Additional_Kinetic_Coefficients(Run& run, int iteration_number);

// One outer pass; iteration_number runs from 0. Status::ok, or
// Status::breakdown when a step ended with a result that is not a finite
// number (the pass stops before that step's output, with the message in
// run.error), or Status::cancelled.
Status Iteration_of_Process(Run& run, int iteration_number, int number_of_iterations);

// The outer passes of a run: one, or two with the feedback.
Status run_outer_passes(Run& run);

}  // namespace primrec
