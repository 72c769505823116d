// The input's grid of steps, and the steps the two passes of a feedback run
// share on one thread.
#include "driver/input_grid.h"

#include <cmath>

namespace primrec {

namespace {

PassState state_of(const Run& run, int step_number) {
  return {values_of(run.plasma), run.tm, run.km, run.rates, run.ln_1_plus_z, step_number};
}

void resume(Run& run, const PassState& state) {
  restore(run.plasma, state.plasma);
  run.tm = state.tm;
  run.km = state.km;
  run.rates = state.rates;
  run.ln_1_plus_z = state.ln_1_plus_z;
}

// In the first of two passes on one thread: whether the step about to be
// computed is also the feedback pass's. At the first that is not, the state
// before it is kept for the feedback pass.
bool step_shared_with_feedback_pass(Run& run, int step_number) {
  SharedSteps& shared = run.link.shared;
  if (run.pass != 0 || !shared.enabled || shared.parted) return false;
  if (feedback_correction_is_one_above_table(run.fb, run.ph, run.z, run.options.cancel)) return true;
  shared.state = state_of(run, step_number);
  shared.parted = true;
  return false;
}

}  // namespace

InputGrid::InputGrid(const StepSettings& steps, int pass, int passes)
    : steps_(steps), pass_(pass), last_pass_(pass == passes - 1) {}

// The feedback pass after shared steps gives their rows and messages, then
// goes on from where the passes part (or is complete if they never do).
bool InputGrid::start(Run& run) {
  ln_ = std::log(steps_.z_begin + 1) + steps_.D_ln_1_plus_z;
  advance_ = false;
  step_number_ = 0;
  SharedSteps& shared = run.link.shared;
  if (pass_ == 0 || !shared.enabled) return true;
  for (const std::string& text : shared.messages) run.out.message(text);
  for (const Row& row : shared.rows) run.out.row(row);
  shared.rows = {};
  if (!shared.parted) return false;
  resume(run, shared.state);
  ln_ = shared.state.ln_1_plus_z;
  step_number_ = shared.state.step_number;
  return true;
}

// z_ is the redshift one grid step above z, as ln(1+z) - D gives it.
bool InputGrid::next(Run&, Step& step) {
  if (advance_) ln_ = ln_ + steps_.D_ln_1_plus_z;
  advance_ = true;
  if (!(ln_ >= std::log(steps_.z_end + 1))) return false;
  const double D = steps_.D_ln_1_plus_z;
  step = {ln_, std::exp(ln_) - 1, std::exp(ln_ - D) - 1, D, D};
  return true;
}

void InputGrid::begin(Run& run, const Step&) {
  gives_rows_ = last_pass_ || step_shared_with_feedback_pass(run, step_number_);
}

// The rows of the steps the first pass shares with the feedback pass are held
// back until the first pass has completed: before that they are not the
// history's.
void InputGrid::give_rows(Run& run, const Step&) {
  const int step_number = step_number_++;
  if (!gives_rows_ || step_number % steps_.number_of_info_points != 0) return;
  const Plasma& p = run.plasma;
  const Row row{run.z, p.HydI.x, p.HydII.x, p.HeI.x, p.HeII.x, p.HeIII.x,
                printed_electron_fraction(run.ph.cs, run.z, p.El.x), electrons_per_hydrogen(run.ph.cs, p.El.x),
                run.tm.T_matter_var};
  if (last_pass_) {
    run.out.row(row);
  } else {
    run.link.shared.rows.push_back(row);
  }
}

}  // namespace primrec
