// The input's grid of steps, and the steps the two passes of a feedback run
// share on one thread.
#include "driver/input_grid.h"

#include <cmath>

namespace primrec {

InputGrid::InputGrid(const StepSettings& steps, int pass, int passes)
    : steps_(steps), pass_(pass), last_pass_(pass == passes - 1) {}

// The feedback pass after shared steps gives their rows and messages, then
// goes on from where the passes part (or is complete if they never do).
bool InputGrid::start(Run& run) {
  ln_ = std::log(steps_.z_begin + 1) + steps_.D_ln_1_plus_z;
  advance_ = false;
  step_number_ = 0;
  const SharedSteps& shared = run.link.shared;
  if (pass_ == 0 || !shared.enabled) return true;
  if (!resume_after_shared_steps(run)) return false;
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
  const Sharing sharing = step_sharing(run);
  if (sharing == Sharing::parting) run.link.shared.state.step_number = step_number_;
  gives_rows_ = last_pass_ || sharing == Sharing::shared;
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
