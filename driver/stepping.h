// Redshift stepping: a Run holds the whole state of one solve, and each outer
// pass integrates the kinetics from z_begin down to z_end in equal steps of
// ln(1+z), iterating each step to convergence.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "atomic/matter_temperature.h"
#include "atomic/physics.h"
#include "atomic/reaction_rates.h"
#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"
#include "primrec/primrec.hpp"
#include "transfer/feedback.h"

namespace primrec {

class FirstPassRows;
class FirstPassSink;

// An inner iteration that has not converged after this many sweeps gives up:
// the step goes on from the values reached, with a message.
constexpr int max_inner_iterations = 1000;

// Where a pass stands between two steps: what it needs to go on.
struct PassState {
  PlasmaValues plasma;
  MatterTemperature tm;
  KineticMatrix km;
  ReactionRates rates;
  double ln_1_plus_z;  // of the next step
  int step_number;     // steps done
};

// Two passes on one thread: while the feedback correction is exactly 1 the
// feedback pass repeats the first pass bit for bit, so the first pass gives
// the rows of those steps itself and keeps the state before the first step
// where the two part; the feedback pass starts there.
struct SharedSteps {
  bool enabled = false;
  bool parted = false;   // the state before the parting step is kept
  PassState state{};
  std::vector<std::string> messages;  // the first pass's before it, which the feedback pass repeats
  std::vector<Row> rows;              // the rows of the steps before it, given when the feedback pass starts
};

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
  int pass = 0;       // the pass under way, or the one that broke down

  SharedSteps shared;
  // The feedback pass beside the first: the first pass's rows come from here
  // as it makes them (null: the table is complete when the pass starts).
  FirstPassRows* rows_from_first_pass = nullptr;
  // A first pass beside the feedback pass: it holds no table of its own and
  // tells the feedback pass when its rows are complete.
  bool keeps_overheating_table = true;
  FirstPassSink* first_pass_sink = nullptr;
  bool rows_complete_told = false;
  // Set when nothing more of this run's passes is wanted.
  const std::atomic<bool>* abandoned = nullptr;
};

// The parts of a step that the fast mode's steps share with these.
void Save_Inhibition_Coefficients(KineticMatrix& km);
// What depends on z, z_ and the previous step's values alone: once per step.
void Init_step(Run& run);
std::string message_at(const char* text, double z);
bool step_result_finite(const Run& run);
bool step_in_physical_range(const Run& run);
// The overheating row of a pass-0 step (z <= 2000, finite).
void overheating_row(Run& run);
Status broke_down(Run& run, const char* message);
// The feedback pass beside the first waits for the rows that settle its step
// at run.z; false once the first pass has failed.
bool rows_for_step(Run& run);
bool cancelled(const Run& run);

// Start state of a pass at z_start (always z_begin).
int Set_Initial_Conditions(Run& run, double z_start);

// The start of a pass: the start state, the overheating table started afresh
// (pass 0) or its levels readied (later passes), the matrices zeroed.
void start_pass(Run& run, int iteration_number);

// The feedback correction of this step; 1 in the first pass or for one level.
int Init_Additional_Kinetic_Coefficients(Run& run, int iteration_number);

// One outer pass; iteration_number runs from 0. Status::ok, or
// Status::breakdown when a step ended with a result that is not a finite
// number (the pass stops before that step's output, with the message in
// run.error), or Status::cancelled (also when the first pass beside it failed).
Status Iteration_of_Process(Run& run, int iteration_number, int number_of_iterations);

// The outer passes of a run, one after the other on this thread: one, or two
// with the feedback.
Status run_outer_passes(Run& run);

}  // namespace primrec
