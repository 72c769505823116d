// Redshift stepping: a Run holds the whole state of one solve, and each pass
// integrates the kinetics from z_begin down to z_end, one step after another,
// iterating each step to convergence. One loop serves both modes: a step
// policy chooses the steps and gives the rows (driver/input_grid.h: the
// input's grid; driver/error_control.h: steps by their estimated error), an
// inner solver iterates a step (driver/inner_solvers.h: the sweep, or the
// direct solve of the five species).
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

// An accepted step of the fast mode, as its step choice and rows need it.
struct AdaptivePoint {
  double ln = 0;  // ln(1+z)
  double z = 0;
  double x[number_of_components] = {};
  double El = 0;
  double T = 0;
  double ln_T = 0;  // for the rows between the points
  double Q = 0;     // the Compton coupling over the expansion rate
};

// Where the fast mode's step choice stands between two steps
// (driver/error_control.h).
struct AdaptiveState {
  AdaptivePoint points[3];  // the last accepted points, oldest first
  int known = 0;
  int steps = 0;  // accepted in the pass
  double h_before = 0;
  double next_h = 0;
  double ln_row = 0;  // of the next row
  long long row_number = 0;
  bool rows_done = false;
};

// Where a pass stands between two steps: what it needs to go on.
struct PassState {
  PlasmaValues plasma;
  MatterTemperature tm;
  KineticMatrix km;
  ReactionRates rates;
  double ln_1_plus_z;  // of the next step
  int step_number;     // steps done, on the input's grid
  AdaptiveState adaptive;  // the fast mode's
};

// Two passes on one thread: while the feedback correction is exactly 1 the
// feedback pass repeats the first pass bit for bit (in either mode: the fast
// mode's steps follow the same state), so the first pass gives the rows of
// those steps itself and keeps the state before the first step where the two
// part; the feedback pass starts there.
struct SharedSteps {
  bool enabled = false;
  bool parted = false;   // the state before the parting step is kept
  PassState state{};
  std::vector<std::string> messages;  // the first pass's before it, which the feedback pass repeats
  std::vector<Row> rows;              // the rows of the steps before it, given when the feedback pass starts
};

// How the passes of a feedback run meet: on one thread through the shared
// steps, side by side through the rows of the first pass as it makes them.
struct PassLink {
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

struct Run {
  Run(const Constants& cs, const StepSettings& steps, Observer& out, const Options& options)
      : ph(cs), steps(steps), out(out), options(options) {}
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // The physics of the step.
  Physics ph;             // constants, atomic data and remembered values
  Plasma plasma;          // the five components and the electrons
  ReactionRates rates{};  // rate coefficients of the step at z and z_
  MatterTemperature tm{};
  KineticMatrix km{};
  Feedback fb;            // overheating table of pass 0, feedback levels of pass 1

  const StepSettings steps;  // the input's range, grid and threshold; the passes
  double z = 0.0;            // redshift of the current step
  double z_ = 0.0;           // redshift of the previous step
  double ln_1_plus_z = 0.0;  // ln(1+z) of the current step

  // What the caller gave and gets.
  Observer& out;
  const Options& options;
  Work work;
  std::string error;  // the message of a breakdown
  double error_z = 0.0;
  int pass = 0;       // the pass under way, or the one that broke down

  PassLink link;
};

// One step of a pass, from the end of the step before.
struct Step {
  double ln;        // ln(1+z) of the step
  double z, z_;     // its redshift and the previous step's
  double D;         // its length in ln(1+z); negative, the pass goes to lower z
  double D_before;  // the length of the step before (D on a fixed grid)
  // The abundances the step before began with, for the backward differences
  // of the fast mode; null: the trapezoidal rule.
  const double* x_two_back = nullptr;
};

// How a pass chooses its steps and gives its rows.
class StepPolicy {
 public:
  virtual ~StepPolicy() = default;
  // After the start state: false when the pass has no step to take.
  virtual bool start(Run& run) = 0;
  // The next step to take; false when the pass is done.
  virtual bool next(Run& run, Step& step) = 0;
  // The step's redshifts are set: the values its inner iteration starts from.
  virtual void begin(Run& run, const Step& step) = 0;
  // After the inner iteration: true when the step is to be taken again, as
  // `step` now says. `usable`: the iteration converged to a finite result in
  // the physical range.
  virtual bool retry(Run& run, Step& step, bool usable) = 0;
  // After the step's last try: the message of a breakdown, or null. Where
  // steps shrink until they serve, one that still does not at the shortest
  // would be followed by as short ones, without end: the pass ends there.
  virtual const char* gave_up(bool converged) const = 0;
  // A step that passed its checks: its rows.
  virtual void give_rows(Run& run, const Step& step) = 0;
  // After the step: true when the pass has nothing more to give.
  virtual bool done(const Run& run) const = 0;
};

// How the abundances and the temperature of a step are iterated to convergence.
class InnerSolver {
 public:
  virtual ~InnerSolver() = default;
  // False when the iteration gave up before converging.
  virtual bool converge(Run& run, const Step& step) = 0;
};

// What depends on z, z_ and the previous step's values alone: once per step,
// before its first inner iteration.
void Init_step(Run& run);
// The part of an inner iteration before the abundance update: the rates and
// the matrix of the abundances and temperature of the moment.
void Init_iteration(Run& run);
// The part after it: the matter temperature at the end of the step.
void T_matter_after_update(Run& run, const Step& step);
// The same by the fast mode's update, for steps of any length.
void T_matter_exponential_after_update(Run& run, const Step& step);

std::string message_at(const char* text, double z);
// A message of the solve; in the first pass also the feedback pass's while they share steps.
void note(Run& run, const std::string& text);

// Start state of a pass at z_start (always z_begin).
void Set_Initial_Conditions(Run& run, double z_start);

// The feedback correction of this step; 1 in the first pass or for one level.
void Init_Additional_Kinetic_Coefficients(Run& run, int iteration_number);

bool cancelled(const Run& run);

// In the first of two passes on one thread, whether the step about to be
// computed (its redshifts set) is the feedback pass's too. At the first that
// is not (parting), the run's state is kept in link.shared.state, to which the
// step policy adds its own.
enum class Sharing { none, shared, parting };
Sharing step_sharing(Run& run);
// The feedback pass after the shared steps: their messages and rows given,
// the state where the passes part restored; false when they never part.
bool resume_after_shared_steps(Run& run);

// One outer pass; iteration_number runs from 0. Status::ok, or
// Status::breakdown when a step ended with a result that is not a finite
// number or out of its physical range (the pass stops before that step's
// output, with the message in run.error), or Status::cancelled (also when the
// first pass beside it failed).
Status Iteration_of_Process(Run& run, int iteration_number, int number_of_iterations);

// The outer passes of a run, one after the other on this thread: one, or two
// with the feedback.
Status run_outer_passes(Run& run);

}  // namespace primrec
