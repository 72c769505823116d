// The sweep and the direct solve of a step's inner iteration.
#include "driver/inner_solvers.h"

#include <algorithm>
#include <cmath>

#include "driver/abundance_update.h"

namespace primrec {

namespace {

// A direct solve has converged when what is left of the iteration's error is
// this share of the tolerance; it gives up after this many.
constexpr double iteration_share_of_tolerance = 1e-3;
constexpr int most_direct_iterations = 1000;
// Each iteration shrinks the error by a contraction rho (the abundances and
// the temperature feed back on the rates only weakly), which two successive
// changes measure: after a change d about d rho / (1 - rho) is left. The
// first iteration, with no rho measured, must change nothing by more than
// the share itself.
double error_left(double change, double contraction) {
  return contraction < 1 ? change * contraction / (1 - contraction) : change;
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

}  // namespace

double share_of(const Run& run, const comp_of_plasm& c) {
  const Plasma& pl = run.plasma;
  return &c == &pl.HydI || &c == &pl.HydII ? run.ph.cs.X_N : run.ph.cs.Y_N;
}

// Every step arms the convergence test, so at least one sweep runs.
bool Sweep::converge(Run& run, const Step& step) {
  set_xi(run);
  int iterations = 0;
  bool converged = true;
  while (norm(run) > run.steps.norm_var) {
    if (iterations == max_inner_iterations) {
      converged = false;
      break;
    }
    if (iterations == 0) Init_step(run);
    Init_iteration(run);
    save_iter(run);
    abundances(run.plasma, run.km, step.D, run.ph.cs.delta_el);
    T_matter_after_update(run, step);
    ++iterations;
  }
  run.work.inner_iterations += iterations;
  return converged;
}

// The iteration starts from the values the step policy predicted.
bool DirectSolve::converge(Run& run, const Step& step) {
  Plasma& pl = run.plasma;
  Init_step(run);
  const double enough = iteration_share_of_tolerance * tolerance_;
  double change_before = 0;
  for (int iteration = 0; iteration < most_direct_iterations; ++iteration) {
    Init_iteration(run);
    double before[number_of_components];
    for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) before[c->index] = c->x;
    const double T_before = run.tm.T_matter_var;
    if (step.x_two_back != nullptr) {
      solve_abundances_bdf2(pl, run.km, step.D, step.D_before, step.x_two_back);
    } else {
      solve_abundances(pl, run.km, step.D);
    }
    pl.El.abundance(pl.first_comp, run.ph.cs.delta_el);
    T_matter_exponential_after_update(run, step);
    ++run.work.inner_iterations;
    double change = std::fabs(run.tm.T_matter_var - T_before) / run.tm.T_matter_var;
    for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next)
      change = std::max(change, std::fabs(c->x - before[c->index]) / (std::fabs(c->x) + share_of(run, *c)));
    if (!std::isfinite(change)) return false;
    if (iteration == 0 ? change <= enough : error_left(change, change / change_before) <= enough) return true;
    change_before = change;
  }
  return false;
}

}  // namespace primrec
