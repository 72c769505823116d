// Redshift stepping: the one loop of every pass, in every mode.
//
// A pass: start state at z_begin -> overheating rows readied (later passes) ->
// matrices zeroed -> steps down to z_end. A step: set z and z_, set the
// feedback correction, then iterate rates -> matrix -> abundance update ->
// electrons -> temperature until the abundances stop changing (taking the step
// again, shorter, where the fast mode's error control asks for it); check the
// result, give the rows, save the step, and in pass 0 add the overheating row.
#include "driver/stepping.h"

#include <cmath>

#include "driver/error_control.h"
#include "driver/inner_solvers.h"
#include "driver/input_grid.h"
#include "driver/passes.h"
#include "transfer/printed_numbers.h"

namespace primrec {

namespace {

// From this redshift on helium starts doubly ionised, below it singly.
constexpr double z_helium_doubly_ionised = 6090;

// The nuclei the matter temperature counts: those ionised at the start.
double start_ions(const Plasma& p) { return p.HydII.x_begin + p.HeIII.x_begin; }

void set_redshifts(Run& run, const Step& step) {
  run.ln_1_plus_z = step.ln;
  run.z = step.z;
  run.z_ = step.z_;
}

void save_step(Run& run) {
  for (comp_of_plasm* c = run.plasma.first_comp; c != nullptr; c = c->next) c->x_ = c->x;
  run.plasma.El.x_ = run.plasma.El.x;
  run.tm.T_matter_two_steps_back = run.tm.T_matter_var_;
  run.tm.two_steps_back_known = true;
  run.tm.T_matter_var_ = run.tm.T_matter_var;
  run.tm.Q_ = run.tm.Q;
  run.tm.T_r_ = run.tm.T_r;
}

// A step whose physics broke down (an abundance, the electrons or the
// temperature not a finite number) must not be given as if it had not; nor
// may an electron column that the perturbation factor (its amplitude is not
// checked) makes infinite.
bool step_result_finite(const Run& run) {
  for (const comp_of_plasm* c = run.plasma.first_comp; c != nullptr; c = c->next)
    if (!std::isfinite(c->x)) return false;
  const double El_x = run.plasma.El.x;
  return std::isfinite(El_x) && std::isfinite(run.tm.T_matter_var) &&
         std::isfinite(printed_electron_fraction(run.ph.cs, run.z, El_x));
}

// Every reaction moves abundance from one species of an element to another, so
// the nuclei of each element keep their share and no species goes negative, up
// to the convergence threshold and the rounding of the implicit update (about
// 1e-7 of the share at the largest physical steps). A step that leaves them by
// this much of the element's share is a wrong result, not a rounding: too large
// a step or threshold, or inputs outside the physics.
constexpr double physical_range_tolerance = 0.01;

bool element_in_range(double sum, double share) {
  return std::fabs(sum - share) <= physical_range_tolerance * share;
}

bool species_in_range(double x, double share) { return x >= -physical_range_tolerance * share; }

// Compton scattering can only bring the matter towards the radiation
// temperature and the expansion only cools it: matter hotter than the
// radiation is a step too large for the update. (A check, not physics: any
// form of T_r serves.)
bool matter_not_hotter_than_radiation(const Run& run) {
  const double T_r = run.ph.cs.T0 * (1 + run.z);
  return run.tm.T_matter_var <= (1 + physical_range_tolerance) * T_r;
}

bool step_in_physical_range(const Run& run) {
  const Constants& cs = run.ph.cs;
  const Plasma& p = run.plasma;
  if (!element_in_range(p.HydI.x + p.HydII.x, cs.X_N)) return false;
  if (!species_in_range(p.HydI.x, cs.X_N) || !species_in_range(p.HydII.x, cs.X_N)) return false;
  if (cs.Y_N > 0 && !element_in_range(p.HeI.x + p.HeII.x + p.HeIII.x, cs.Y_N)) return false;
  for (const comp_of_plasm* helium : {&p.HeI, &p.HeII, &p.HeIII})
    if (!species_in_range(helium->x, cs.Y_N)) return false;
  return printed_electron_fraction(cs, run.z, p.El.x) >= 0 && matter_not_hotter_than_radiation(run);
}

Status broke_down(Run& run, const char* message) {
  run.error = message_at(message, run.z);
  run.error_z = run.z;
  return Status::breakdown;
}

// The feedback pass beside need not wait for the end of the first pass to
// know that nothing comes after the last row.
void tell_rows_complete(Run& run) {
  PassLink& link = run.link;
  if (link.first_pass_sink == nullptr || link.rows_complete_told || !(run.z <= z_overheating_table_start)) return;
  if (!overheating_rows_ended(run.ph, run.z)) return;
  link.rows_complete_told = true;
  link.first_pass_sink->rows_complete();
}

void overheating_row(Run& run) {
  const Plasma& p = run.plasma;
  const HydrogenState state{p.HydI.x, p.HydII.x, p.El.x, run.rates.recomb_HydII_var, run.rates.ion_HydI_var};
  couple_double row;
  if (!Out_of_Hydrogen_radiation_overheating_ln(run.ph, run.z, state, row)) {
    tell_rows_complete(run);
    return;
  }
  if (run.link.keeps_overheating_table) run.fb.ln_HydRO.add_row(row.x, row.y);
  run.out.overheating_row({row.x, row.y});
}

// The feedback pass beside the first has the rows that settle its step.
bool rows_for_step(Run& run) {
  return run.link.rows_from_first_pass == nullptr || run.link.rows_from_first_pass->rows_for_step(run.fb.ln_HydRO, run.z);
}

// How far down the range of ln(1+z) a pass is.
struct PassRange {
  double top, span;
  explicit PassRange(const StepSettings& cs)
      : top(std::log(cs.z_begin + 1)), span(std::log(cs.z_begin + 1) - std::log(cs.z_end + 1)) {}
  double fraction(double ln_1_plus_z) const { return span > 0 ? (top - ln_1_plus_z) / span : 1.0; }
};

void report_progress(Run& run, const PassRange& range, int iteration_number, int number_of_iterations) {
  run.out.progress({iteration_number, number_of_iterations, run.z,
                    (iteration_number + range.fraction(run.ln_1_plus_z)) / number_of_iterations});
}

// The start of a pass: the start state, the overheating table started afresh
// (pass 0) or its levels readied (later passes), the matrices zeroed.
void start_pass(Run& run, int iteration_number) {
  const StepSettings& cs = run.steps;
  run.pass = iteration_number;
  run.z = cs.z_begin;
  Set_Initial_Conditions(run, cs.z_begin);
  if (iteration_number == 0) {
    run.fb.ln_HydRO.clear();
    run.link.rows_complete_told = false;
  } else {
    Init_HydRO(run.fb, run.ph);
  }
  run.fb.rows_far_apart = run.options.fast;
  Init_matrix(run.km);
}

// A step, computed until the policy takes it, then checked, given and saved.
Status take_step(Run& run, StepPolicy& policy, InnerSolver& solver, Step& step) {
  bool converged, finite, in_range;
  do {
    if (cancelled(run)) return Status::cancelled;
    set_redshifts(run, step);
    if (!rows_for_step(run)) return Status::cancelled;
    policy.begin(run, step);
    Init_Additional_Kinetic_Coefficients(run, run.pass);
    if (cancelled(run)) return Status::cancelled;  // the correction may have given up half-way
    converged = solver.converge(run, step);
    finite = step_result_finite(run);
    in_range = finite && step_in_physical_range(run);
  } while (policy.retry(run, step, converged && in_range));
  ++run.work.steps;
  if (const char* message = finite && in_range ? policy.gave_up(converged) : nullptr)
    return broke_down(run, message);
  if (!converged) note(run, message_at("inner iteration did not converge at z = ", run.z));
  if (!finite) return broke_down(run, "non-finite result at z = ");
  if (!in_range) return broke_down(run, "result out of physical range at z = ");
  policy.give_rows(run, step);
  save_step(run);
  Save_Inhibition_Coefficients(run.km);
  if (run.pass == 0) overheating_row(run);
  return Status::ok;
}

Status pass_loop(Run& run, StepPolicy& policy, InnerSolver& solver, int iteration_number,
                 int number_of_iterations) {
  start_pass(run, iteration_number);
  if (policy.start(run)) {
    const PassRange range(run.steps);
    Step step;
    while (policy.next(run, step)) {
      const Status status = take_step(run, policy, solver, step);
      if (status != Status::ok) return status;
      report_progress(run, range, iteration_number, number_of_iterations);
      if (policy.done(run)) break;
    }
  }
  run.out.pass_finished(iteration_number);
  return Status::ok;
}

}  // namespace

// What depends on z and z_ alone (or on the values the previous step ended
// with) is the same in every inner iteration: computed once per step, the
// rates, the matrix and the temperature of the step split in two, with the
// same values.
void Init_step(Run& run) {
  Init_step_reaction_rates(run.rates, run.ph, run.z, run.z_, run.tm.T_matter_var_);
  Init_step_matrix(run.km, run.ph, run.plasma, run.rates, run.z, run.z_);
  Init_step_weights(run.km, run.ph, run.z, run.z_);
  Init_step_matter_temperature(run.tm, run.ph, run.z, start_ions(run.plasma));
}

void Init_iteration(Run& run) {
  Init_iteration_reaction_rates(run.rates, run.ph, run.tm.T_matter_var);
  compute_current_matrix(run.km, run.ph, run.plasma, run.rates);
}

void T_matter_after_update(Run& run, const Step& step) {
  run.tm.T_matter_var = T_matter_of_step(run.tm, run.plasma.El.x, step.D, step.D_before);
}

void T_matter_exponential_after_update(Run& run, const Step& step) {
  run.tm.T_matter_var = T_matter_exponential_step(run.tm, run.plasma.El.x, step.D, !run.tm.two_steps_back_known);
}

std::string message_at(const char* text, double z) {
  char number[32];
  *format_g8(number, z) = '\0';
  return std::string(text) + number + "\n";
}

// A message of the first pass before the parting step is also one of the
// feedback pass, which does not compute that step again.
void note(Run& run, const std::string& text) {
  run.out.message(text);
  SharedSteps& shared = run.link.shared;
  if (run.pass == 0 && shared.enabled && !shared.parted) shared.messages.push_back(text);
}

bool cancelled(const Run& run) {
  if (run.link.abandoned != nullptr && run.link.abandoned->load(std::memory_order_relaxed)) return true;
  return run.options.cancel != nullptr && run.options.cancel->load(std::memory_order_relaxed);
}

// Every pass starts from the same state, the one a run begins with for the
// electrons and the inhibition coefficients: carried over from z_end, they would
// give the first step a recombination term without its ionisation partner.
void Set_Initial_Conditions(Run& run, double z_start) {
  const Constants& cs = run.ph.cs;
  Plasma& p = run.plasma;
  const bool helium_singly_ionised = z_start < z_helium_doubly_ionised;
  p.HeIII.Init_plasm_comp(helium_singly_ionised ? 0.0 : cs.Y_N);
  p.HeII.Init_plasm_comp(helium_singly_ionised ? cs.Y_N : 0.0);
  p.HydII.Init_plasm_comp(cs.X_N);
  p.HeI.Init_plasm_comp(0.0);
  p.HydI.Init_plasm_comp(0.0);
  run.tm.epsT0 = 0.0;
  run.tm.T_matter_var = run.tm.T_matter_var_ = run.tm.T_matter_two_steps_back = cs.T0 * (1 + z_start);
  run.tm.two_steps_back_known = false;
  run.tm.Q = run.tm.Q_ = 0.0;
  run.tm.T_r_ = cs.T0 * (1 + z_start);
  p.El.x = 1.0;
  p.El.x_ = 0.0;
  KineticMatrix& km = run.km;
  km.CHeIII = km.CHeII = km.CHeII_orto = km.CHydII = 1.0;
  km.CHeIII_ = km.CHeII_ = km.CHeII_orto_ = km.CHydII_ = 1.0;
}

// Once per step: the correction holds for every inner iteration of the step.
void Init_Additional_Kinetic_Coefficients(Run& run, int iteration_number) {
  run.rates.Hydrogen_FeedBack_Correction_var =
      Hydrogen_FeedBack_Correction(run.fb, run.ph, run.z, iteration_number, run.options.cancel);
}

Sharing step_sharing(Run& run) {
  SharedSteps& shared = run.link.shared;
  if (run.pass != 0 || !shared.enabled || shared.parted) return Sharing::none;
  if (feedback_correction_is_one_above_table(run.fb, run.ph, run.z, run.options.cancel)) return Sharing::shared;
  shared.state.plasma = values_of(run.plasma);
  shared.state.tm = run.tm;
  shared.state.km = run.km;
  shared.state.rates = run.rates;
  shared.state.ln_1_plus_z = run.ln_1_plus_z;
  shared.parted = true;
  return Sharing::parting;
}

bool resume_after_shared_steps(Run& run) {
  SharedSteps& shared = run.link.shared;
  for (const std::string& text : shared.messages) run.out.message(text);
  for (const Row& row : shared.rows) run.out.row(row);
  shared.rows = {};
  if (!shared.parted) return false;
  restore(run.plasma, shared.state.plasma);
  run.tm = shared.state.tm;
  run.km = shared.state.km;
  run.rates = shared.state.rates;
  run.ln_1_plus_z = shared.state.ln_1_plus_z;
  return true;
}

Status Iteration_of_Process(Run& run, int iteration_number, int number_of_iterations) {
  if (run.options.fast) {
    ErrorControl policy(run.ph.cs, run.steps, iteration_number, number_of_iterations, run.options.tolerance);
    DirectSolve solver(policy.tolerance());
    return pass_loop(run, policy, solver, iteration_number, number_of_iterations);
  }
  InputGrid policy(run.steps, iteration_number, number_of_iterations);
  Sweep solver;
  return pass_loop(run, policy, solver, iteration_number, number_of_iterations);
}

Status run_outer_passes(Run& run) {
  const int passes = run.steps.Number_of_Iterations;
  run.link.shared = SharedSteps{};
  run.link.shared.enabled = passes == 2;
  for (int iteration_number = 0; iteration_number <= passes - 1; ++iteration_number) {
    const Status status = Iteration_of_Process(run, iteration_number, passes);
    if (status != Status::ok) return status;
  }
  return Status::ok;
}

}  // namespace primrec
