// Redshift stepping and the convergence loop of each step.
//
// A pass: start state at z_begin -> overheating rows readied (later passes) ->
// matrices zeroed -> steps down to z_end. A step: set z and z_, arm the
// convergence test, set the feedback correction, then iterate
// rates -> matrix -> sweep -> electrons -> temperature until the abundances stop
// changing; give the row (last pass), save the step, and in pass 0 add the
// overheating row.
#include "driver/stepping.h"

#include <cmath>

#include "driver/passes.h"
#include "transfer/printed_numbers.h"

namespace primrec {

namespace {

// From this redshift on helium starts doubly ionised, below it singly.
constexpr double z_helium_doubly_ionised = 6090;

void Set_redshifts(Run& run, double ln1pz) {
  run.z = std::exp(ln1pz) - 1;
  run.z_ = std::exp(ln1pz - run.ph.cs.D_ln_1_plus_z) - 1;
}

void set_xi(Run& run) {
  for (comp_of_plasm* c = run.plasma.first_comp; c != nullptr; c = c->next) c->xi = xi_armed;
}

// Summed relative change of the abundances since the previous inner iteration;
// a component at exactly 0 has no relative change and is left out.
double norm(const Run& run) {
  double sum = 0.0;
  for (const comp_of_plasm* c = run.plasma.first_comp; c != nullptr; c = c->next)
    if (c->x != 0.0) sum += std::fabs((c->x - c->xi) / c->x);
  return sum;
}

void save_iter(Run& run) {
  for (comp_of_plasm* c = run.plasma.first_comp; c != nullptr; c = c->next) c->xi = c->x;
}

void save_step(Run& run, int& step_number) {
  for (comp_of_plasm* c = run.plasma.first_comp; c != nullptr; c = c->next) c->x_ = c->x;
  ++step_number;
  run.plasma.El.x_ = run.plasma.El.x;
  run.tm.epsT0_ = run.tm.epsT0;
  run.tm.T_matter_two_steps_back = run.tm.T_matter_var_;
  run.tm.two_steps_back_known = true;
  run.tm.T_matter_var_ = run.tm.T_matter_var;
}

}  // namespace

// The parts of a step that the fast mode's steps share.

void Save_Inhibition_Coefficients(KineticMatrix& km) {
  km.CHeIII_ = km.CHeIII;
  km.CHeII_ = km.CHeII;
  km.CHeII_orto_ = km.CHeII_orto;
  km.CHydII_ = km.CHydII;
}

// The nuclei the matter temperature counts: those ionised at the start.
double start_ions(const Plasma& p) { return p.HydII.x_begin + p.HeIII.x_begin; }

// What depends on z and z_ alone (or on the values the previous step ended
// with) is the same in every inner iteration: the first iteration of a step
// computes it, the others reuse it. These are the rates, the matrix and the
// temperature of the step split in two, with the same values.
void Init_step(Run& run) {
  Init_step_reaction_rates(run.rates, run.ph, run.z, run.z_, run.tm.T_matter_var_);
  Init_step_matrix(run.km, run.ph, run.plasma, run.rates, run.z, run.z_);
  Init_step_weights(run.km, run.ph, run.z, run.z_);
  Init_step_matter_temperature(run.tm, run.ph, run.z, start_ions(run.plasma));
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
  if (run.pass == 0 && run.shared.enabled && !run.shared.parted) run.shared.messages.push_back(text);
}

// Rates, matrices, one sweep and the temperature, until the sweep no longer
// changes the abundances by more than norm_var.
void converge_step(Run& run) {
  int iterations = 0;
  while (norm(run) > run.ph.cs.norm_var) {
    if (iterations == max_inner_iterations) {
      note(run, message_at("inner iteration did not converge at z = ", run.z));
      break;
    }
    if (iterations == 0) Init_step(run);
    Init_iteration_reaction_rates(run.rates, run.ph, run.tm.T_matter_var);  // with Init_step: Init_reaction_rates
    compute_current_matrix(run.km, run.ph, run.plasma, run.rates);          // with Init_step: compute_matrix
    save_iter(run);
    abundances(run.plasma, run.km, run.ph.cs);
    run.tm.T_matter_var = T_matter_of_step(run.tm, run.ph, run.plasma.El.x);  // with Init_step: T_matter(z)
    ++iterations;
  }
  run.work.inner_iterations += iterations;
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
// radiation is a step too large for the update.
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

// One row of the history when step_number is a multiple of the output stride.
// The rows of the steps the first pass shares with the feedback pass are held
// back until the first pass has completed: before that they are not the
// history's.
void streams_out_data(Run& run, int step_number, bool held) {
  const Constants& cs = run.ph.cs;
  if (step_number % cs.number_of_info_points != 0) return;
  const Plasma& p = run.plasma;
  const Row row{run.z, p.HydI.x, p.HydII.x, p.HeI.x, p.HeII.x, p.HeIII.x,
                printed_electron_fraction(cs, run.z, p.El.x), electrons_per_hydrogen(cs, p.El.x),
                run.tm.T_matter_var};
  if (held) {
    run.shared.rows.push_back(row);
  } else {
    run.out.row(row);
  }
}

// The feedback pass beside need not wait for the end of the first pass to
// know that nothing comes after the last row.
void tell_rows_complete(Run& run) {
  if (run.first_pass_sink == nullptr || run.rows_complete_told || !(run.z <= z_overheating_table_start)) return;
  if (!overheating_rows_ended(run.ph, run.z)) return;
  run.rows_complete_told = true;
  run.first_pass_sink->rows_complete();
}

void overheating_row(Run& run) {
  const Plasma& p = run.plasma;
  const HydrogenState state{p.HydI.x, p.HydII.x, p.El.x, run.rates.recomb_HydII_var, run.rates.ion_HydI_var};
  couple_double row;
  if (!Out_of_Hydrogen_radiation_overheating_ln(run.ph, run.z, state, row)) {
    tell_rows_complete(run);
    return;
  }
  if (run.keeps_overheating_table) run.fb.ln_HydRO.add_row(row.x, row.y);
  run.out.overheating_row({row.x, row.y});
}

Status broke_down(Run& run, const char* message) {
  run.error = message_at(message, run.z);
  run.error_z = run.z;
  return Status::breakdown;
}

bool cancelled(const Run& run) {
  if (run.abandoned != nullptr && run.abandoned->load(std::memory_order_relaxed)) return true;
  return run.options.cancel != nullptr && run.options.cancel->load(std::memory_order_relaxed);
}

// The feedback pass beside the first has the rows that settle its step.
bool rows_for_step(Run& run) {
  return run.rows_from_first_pass == nullptr || run.rows_from_first_pass->rows_for_step(run.fb.ln_HydRO, run.z);
}

PassState state_of(const Run& run, int step_number) {
  return {values_of(run.plasma), run.tm, run.km, run.rates, run.ln_1_plus_z, step_number};
}

void resume(Run& run, const PassState& state, int& step_number) {
  restore(run.plasma, state.plasma);
  run.tm = state.tm;
  run.km = state.km;
  run.rates = state.rates;
  run.ln_1_plus_z = state.ln_1_plus_z;
  step_number = state.step_number;
}

// In the first of two passes on one thread: whether the step about to be
// computed is also the feedback pass's. At the first that is not, the state
// before it is kept for the feedback pass.
bool step_shared_with_feedback_pass(Run& run, int step_number) {
  SharedSteps& shared = run.shared;
  if (run.pass != 0 || !shared.enabled || shared.parted) return false;
  if (feedback_correction_is_one_above_table(run.fb, run.ph, run.z, run.options.cancel)) return true;
  shared.state = state_of(run, step_number);
  shared.parted = true;
  return false;
}

namespace {

// How far down the range of ln(1+z) a pass is.
struct PassRange {
  double top, span;
  explicit PassRange(const Constants& cs)
      : top(std::log(cs.z_begin + 1)), span(std::log(cs.z_begin + 1) - std::log(cs.z_end + 1)) {}
  double fraction(double ln_1_plus_z) const { return span > 0 ? (top - ln_1_plus_z) / span : 1.0; }
};

void report_progress(Run& run, const PassRange& range, int iteration_number, int number_of_iterations) {
  run.out.progress({iteration_number, number_of_iterations, run.z,
                    (iteration_number + range.fraction(run.ln_1_plus_z)) / number_of_iterations});
}

}  // namespace

// Every pass starts from the same state, the one a run begins with for the
// electrons and the inhibition coefficients: carried over from z_end, they would
// give the first step a recombination term without its ionisation partner.
int Set_Initial_Conditions(Run& run, double z_start) {
  const Constants& cs = run.ph.cs;
  Plasma& p = run.plasma;
  const bool helium_singly_ionised = z_start < z_helium_doubly_ionised;
  const double N = cs.N0_nuclear * std::pow(1 + run.z, 3);
  p.HeIII.Init_plasm_comp(helium_singly_ionised ? 0.0 : cs.Y_N, N);
  p.HeII.Init_plasm_comp(helium_singly_ionised ? cs.Y_N : 0.0, N);
  p.HydII.Init_plasm_comp(cs.X_N, N);
  p.HeI.Init_plasm_comp(0.0, N);
  p.HydI.Init_plasm_comp(0.0, N);
  run.tm.epsT0 = run.tm.epsT0_ = 0.0;
  run.tm.T_matter_var = run.tm.T_matter_var_ = run.tm.T_matter_two_steps_back = cs.T0 * (1 + z_start);
  run.tm.two_steps_back_known = false;
  p.El.x = 1.0;
  p.El.x_ = 0.0;
  KineticMatrix& km = run.km;
  km.CHeIII = km.CHeII = km.CHeII_orto = km.CHydII = 1.0;
  km.CHeIII_ = km.CHeII_ = km.CHeII_orto_ = km.CHydII_ = 1.0;
  return 0;
}

// Once per step: the correction holds for every inner iteration of the step.
int Init_Additional_Kinetic_Coefficients(Run& run, int iteration_number) {
  run.rates.Hydrogen_FeedBack_Correction_var =
      Hydrogen_FeedBack_Correction(run.fb, run.ph, run.z, iteration_number, run.options.cancel);
  return 0;
}

void start_pass(Run& run, int iteration_number) {
  const Constants& cs = run.ph.cs;
  run.pass = iteration_number;
  run.z = cs.z_begin;
  Set_Initial_Conditions(run, cs.z_begin);
  // Pass 0 starts the overheating table afresh; a later pass reads it.
  if (iteration_number == 0) {
    run.fb.ln_HydRO.clear();
    run.rows_complete_told = false;
  } else {
    Init_HydRO(run.fb, run.ph);
  }
  Init_matrix(run.km);
}

Status Iteration_of_Process(Run& run, int iteration_number, int number_of_iterations) {
  const Constants& cs = run.ph.cs;
  start_pass(run, iteration_number);
  const PassRange range(cs);
  const bool last_pass = iteration_number == number_of_iterations - 1;

  int step_number = 0;
  run.ln_1_plus_z = std::log(cs.z_begin + 1) + cs.D_ln_1_plus_z;
  if (iteration_number > 0 && run.shared.enabled) {
    for (const std::string& text : run.shared.messages) run.out.message(text);
    for (const Row& row : run.shared.rows) run.out.row(row);
    run.shared.rows = {};
    if (!run.shared.parted) {  // the first pass was this pass, down to z_end
      run.out.pass_finished(iteration_number);
      return Status::ok;
    }
    resume(run, run.shared.state, step_number);
  }
  for (; run.ln_1_plus_z >= std::log(cs.z_end + 1); run.ln_1_plus_z = run.ln_1_plus_z + cs.D_ln_1_plus_z) {
    if (cancelled(run)) return Status::cancelled;
    Set_redshifts(run, run.ln_1_plus_z);
    if (!rows_for_step(run)) return Status::cancelled;
    const bool gives_rows = last_pass || step_shared_with_feedback_pass(run, step_number);
    set_xi(run);
    Init_Additional_Kinetic_Coefficients(run, iteration_number);
    if (cancelled(run)) return Status::cancelled;  // the correction may have given up half-way
    converge_step(run);
    ++run.work.steps;
    if (!step_result_finite(run)) return broke_down(run, "non-finite result at z = ");
    if (!step_in_physical_range(run)) return broke_down(run, "result out of physical range at z = ");
    if (gives_rows) streams_out_data(run, step_number, !last_pass);
    save_step(run, step_number);
    Save_Inhibition_Coefficients(run.km);
    if (iteration_number == 0) overheating_row(run);
    report_progress(run, range, iteration_number, number_of_iterations);
  }
  run.out.pass_finished(iteration_number);
  return Status::ok;
}

Status run_outer_passes(Run& run) {
  const int passes = run.ph.cs.Number_of_Iterations;
  run.shared = SharedSteps{};
  run.shared.enabled = passes == 2;
  for (int iteration_number = 0; iteration_number <= passes - 1; ++iteration_number) {
    const Status status = Iteration_of_Process(run, iteration_number, passes);
    if (status != Status::ok) return status;
  }
  return Status::ok;
}

}  // namespace primrec
