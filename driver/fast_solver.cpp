// The fast mode's passes: adaptive steps of the trapezoidal rule, each inner
// iteration a direct solve of the five species, the rows interpolated onto the
// input's grid.
//
// Error control. The first iteration of a step starts from the quadratic
// through the last three accepted steps, extrapolated to the new redshift;
// that predictor errs by y''' h (h + h1) (h + h1 + h2) / 6, the trapezoidal
// step by y''' h^3 / 12 (h, h1, h2 the new and the two previous steps), so the
// difference of the converged step and its predictor, scaled by the ratio of
// the two, estimates the local error (for the temperature's backward
// differences, 2 h^3 / 9 in place of h^3 / 12).
//
// The species follow their quasi-equilibria, which forget the errors of the
// steps before: each step's error is held to a share of the tolerance,
// relative to the element's share of the nuclei. The matter temperature cools
// adiabatically once the Compton coupling is weak, and the electrons freeze
// out: their errors are carried from step to step and add up, so theirs are
// held to the tolerance per unit of ln(1+z) over the part of the pass where
// they do. A step whose error exceeds its bound is taken again, shorter; the
// next step grows or shrinks with the error.
#include "driver/fast_solver.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "driver/stepping.h"
#include "transfer/feedback.h"

namespace primrec {

namespace {

constexpr int n = number_of_components;

// The first step of a pass in ln(1+z), and the bounds of every step.
constexpr double first_step = 1e-4;
constexpr double largest_step = 0.05;
constexpr double smallest_step = 1e-9;
// A history resolved finer than this step is resolved: the errors carried
// from step to step are held per at least this much of ln(1+z).
constexpr double error_step_floor = 1e-4;
// How far one step may grow or shrink the next, and the safety factor.
constexpr double most_growth = 2.0, most_shrink = 0.2, step_safety = 0.9;
// The share of the tolerance a species may err by in one step.
constexpr double species_share_of_tolerance = 0.1;
// An error carried against a relaxation fades over this many of its lengths.
constexpr double relaxations_carried = 2;
// The share of a pass over which the carried errors add up.
constexpr double carrying_share_of_pass = 1.0;
// Inner iterations: converged when nothing changes by this share of the
// tolerance; a step that does not converge in this many is taken shorter.
constexpr double iteration_share_of_tolerance = 1e-3;
constexpr int most_iterations = 1000;

// The state at an accepted solver step.
struct Point {
  double ln = 0;  // ln(1+z)
  double z = 0;
  double x[n] = {};
  double El = 0;
  double T = 0;
};

// The polynomial through the k (1 to 3) points p, at ln: every quantity of
// the point it gives.
Point through(const Point* const* p, int k, double ln) {
  double w[3];
  for (int j = 0; j < k; ++j) {
    w[j] = 1;
    for (int m = 0; m < k; ++m)
      if (m != j) w[j] *= (ln - p[m]->ln) / (p[j]->ln - p[m]->ln);
  }
  Point r;
  r.ln = ln;
  for (int j = 0; j < k; ++j) {
    for (int i = 0; i < n; ++i) r.x[i] += w[j] * p[j]->x[i];
    r.El += w[j] * p[j]->El;
    r.T += w[j] * p[j]->T;
  }
  return r;
}

void gaussian_elimination(double (&A)[n][n], double (&b)[n], double (&x)[n]) {
  for (int k = 0; k < n; ++k) {
    int pivot = k;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(A[i][k]) > std::fabs(A[pivot][k])) pivot = i;
    if (pivot != k) {
      std::swap(A[pivot], A[k]);
      std::swap(b[pivot], b[k]);
    }
    for (int i = k + 1; i < n; ++i) {
      const double f = A[i][k] / A[k][k];
      if (f == 0) continue;
      for (int j = k; j < n; ++j) A[i][j] -= f * A[k][j];
      b[i] -= f * b[k];
    }
  }
  for (int i = n - 1; i >= 0; --i) {
    double s = b[i];
    for (int j = i + 1; j < n; ++j) s -= A[i][j] * x[j];
    x[i] = s / A[i][i];
  }
}

// The local errors of a step, each as a share of what it may be.
struct StepError {
  double species = 0;  // held per step
  double carried = 0;  // electrons and temperature, held per unit of ln(1+z)
  double scaled() const { return std::max(species, carried); }
};

class FastPass {
 public:
  FastPass(Run& run, int pass, double tolerance)
      : run_(run), cs_(run.ph.cs), pass_(pass), last_pass_(pass == cs_.Number_of_Iterations - 1),
        tolerance_(tolerance) {}

  Status run_pass() {
    start();
    if (!any_row_) {  // z_end above the first row: no step, as in the default mode
      run_.out.pass_finished(pass_);
      return Status::ok;
    }
    double h = -first_step;
    while (now().ln > ln_last_) {
      if (cancelled(run_)) return Status::cancelled;
      h = std::max(h, ln_last_ - now().ln);  // land on the last row
      const Status status = step(h);
      if (status != Status::ok) return status;
      h = next_h_;
      if (first_of_two_done()) break;
    }
    run_.out.pass_finished(pass_);
    return Status::ok;
  }

 private:
  // The first of two passes is there for its overheating rows alone: once the
  // blackbody has no photon left at Lyman alpha no row follows, and it ends.
  bool first_of_two_done() const {
    return pass_ == 0 && !last_pass_ && run_.z <= z_overheating_table_start &&
           overheating_rows_ended(run_.ph, run_.z);
  }

  const Point& now() const { return points_[known_ - 1]; }
  // The last k accepted points, oldest first.
  void last_points(int k, const Point* (&p)[3]) const {
    for (int j = 0; j < k; ++j) p[j] = &points_[known_ - k + j];
  }

  void start() {
    start_pass(run_, pass_);
    // The rows: the default mode's redshifts, by the same repeated addition.
    const double ln_end = std::log(cs_.z_end + 1);
    ln_row_ = std::log(cs_.z_begin + 1) + cs_.D_ln_1_plus_z;
    ln_last_ = ln_row_;
    any_row_ = ln_row_ >= ln_end;
    for (double ln = ln_row_; ln >= ln_end; ln = ln + cs_.D_ln_1_plus_z) ln_last_ = ln;
    span_ = std::log(cs_.z_begin + 1) - ln_last_;
    row_number_ = 0;
    points_[0] = Point{};
    points_[0].ln = std::log(cs_.z_begin + 1);
    points_[0].z = cs_.z_begin;
    // The electrons of the start abundances (the start state's 1 is a
    // placeholder the first sweep replaces), for rows within the first step.
    run_.plasma.El.abundance(run_.plasma.first_comp, cs_.delta_el);
    store(points_[0]);
    known_ = 1;
    steps_ = 0;
    h_before_ = 0;
  }

  // The run's state of the moment as a point.
  void store(Point& p) const {
    const Plasma& pl = run_.plasma;
    for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) p.x[c->index] = c->x;
    p.El = pl.El.x;
    p.T = run_.tm.T_matter_var;
  }

  // A step of h, taken again shorter until its error passes.
  Status step(double h) {
    for (;;) {
      const double ln = now().ln + h;
      run_.z = std::exp(ln) - 1;
      if (cancelled(run_) || !rows_for_step(run_)) return Status::cancelled;
      const bool converged = solve_step(ln, h);
      if (cancelled(run_)) return Status::cancelled;  // the correction may have given up half-way
      const StepError error = converged ? error_of(ln, h) : StepError{most_growth * 2, 0};
      if (error.scaled() <= 1 || std::fabs(h) <= smallest_step) {
        if (!converged) run_.out.message(message_at("inner iteration did not converge at z = ", run_.z));
        return accept(ln, h, error);
      }
      h *= std::max(most_shrink, step_safety * change_for(error));
    }
  }

  // The factor of the step that would have met the bound: the species' errors
  // go as h^3, the carried ones per unit of ln(1+z) as h^2.
  static double change_for(const StepError& e) {
    if (e.scaled() <= 0) return most_growth;
    return e.species >= e.carried ? std::cbrt(1 / e.species) : std::sqrt(1 / e.carried);
  }

  // Iterates the step to ln (at run_.z) from the last point; false if it did
  // not converge.
  bool solve_step(double ln, double h) {
    Plasma& pl = run_.plasma;
    const Point& p = now();
    run_.z_ = p.z;
    for (comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) c->x_ = p.x[c->index];
    // The first step of a pass keeps the start's electrons of the step before
    // (none), as the default mode's first step does.
    if (steps_ > 0) pl.El.x_ = p.El;
    run_.tm.T_matter_var_ = p.T;
    run_.rates.Hydrogen_FeedBack_Correction_var =
        Hydrogen_FeedBack_Correction(run_.fb, run_.ph, run_.z, pass_, run_.options.cancel);
    Init_step(run_);
    guess(ln);
    const double enough = iteration_share_of_tolerance * tolerance_;
    for (int iteration = 0; iteration < most_iterations; ++iteration) {
      Init_iteration_reaction_rates(run_.rates, run_.ph, run_.tm.T_matter_var);
      compute_current_matrix(run_.km, run_.ph, pl, run_.rates);
      double before[n];
      for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) before[c->index] = c->x;
      const double T_before = run_.tm.T_matter_var;
      solve_abundances(pl, run_.km, h);
      pl.El.abundance(pl.first_comp, cs_.delta_el);
      run_.tm.T_matter_var = temperature(h, pl.El.x);
      ++run_.work.inner_iterations;
      double change = std::fabs(run_.tm.T_matter_var - T_before) / run_.tm.T_matter_var;
      for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next)
        change = std::max(change, std::fabs(c->x - before[c->index]) / (std::fabs(c->x) + share_of(*c)));
      if (!std::isfinite(change)) return false;
      if (change <= enough) return true;
    }
    return false;
  }

  // The nuclei of the component's element, per nucleus.
  double share_of(const comp_of_plasm& c) const {
    const Plasma& pl = run_.plasma;
    return &c == &pl.HydI || &c == &pl.HydII ? cs_.X_N : cs_.Y_N;
  }

  // The first iteration starts from the points of the pass after its start
  // (which is no point of a smooth history: its first step begins without the
  // electrons of a step before), extrapolated.
  void guess(double ln) {
    Plasma& pl = run_.plasma;
    const Point* p[3];
    const int k = std::max(1, std::min(known_, steps_));
    last_points(k, p);
    const Point guessed = through(p, k, ln);
    for (comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) c->x = std::max(0.0, guessed.x[c->index]);
    pl.El.abundance(pl.first_comp, cs_.delta_el);
    run_.tm.T_matter_var = guessed.T;
  }

  // Second-order backward differences over the last two steps, of unequal
  // length; backward Euler on the first step of a pass.
  double temperature(double h, double El_x) {
    MatterTemperature& t = run_.tm;
    const double Q = El_x / (El_x + t.R) * t.K;
    t.epsT0 = 1 / (Q + 1);
    if (known_ < 2) return (t.T_matter_var_ - h * Q * t.T_r) / (1 - 2 * h - h * Q);
    const double w = h / h_before_;
    const double a = (1 + w) * (1 + w) / (1 + 2 * w), b = w * w / (1 + 2 * w), c = h * (1 + w) / (1 + 2 * w);
    const double T_two_back = points_[known_ - 2].T;
    return (a * t.T_matter_var_ - b * T_two_back - c * Q * t.T_r) / (1 - 2 * c - c * Q);
  }

  // The local errors of the step just iterated; none while three points after
  // the start give no predictor.
  StepError error_of(double ln, double h) const {
    if (steps_ < 3) return {};
    const Point* p[3];
    last_points(3, p);
    const double h1 = std::fabs(p[2]->ln - p[1]->ln), h2 = std::fabs(p[1]->ln - p[0]->ln), a = std::fabs(h);
    const double predictor = a * (a + h1) * (a + h1 + h2) / 6;
    // Backward differences over steps h and h_before err by
    // (1 + w)^2 / (6 w (1 + 2 w)) h^3 y''' with w = h / h_before: 2/9 when equal.
    const double w = h / h_before_;
    const double trapezoidal = a * a * a / 12, backward = (1 + w) * (1 + w) / (6 * w * (1 + 2 * w)) * a * a * a;
    const double of_trapezoidal = trapezoidal / (trapezoidal + predictor);
    const double of_backward = backward / (backward + predictor);
    const Plasma& pl = run_.plasma;
    const Point predicted = through(p, 3, ln);
    double species = 0;
    for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) {
      const double off = c->x - predicted.x[c->index];
      species = std::max(species, std::fabs(off) / (std::fabs(c->x) + share_of(*c)) * of_trapezoidal);
    }
    const double El = pl.El.x, T = run_.tm.T_matter_var;
    const double electrons = std::fabs(El - predicted.El) / El * of_trapezoidal;
    const double temperature = std::fabs(T - predicted.T) / T * of_backward;
    const double per_unit = 1 / (std::max(a, error_step_floor) * tolerance_);
    const double carried = std::max(electrons * carrying_length(electron_relaxation()),
                                    temperature * carrying_length(temperature_relaxation()));
    StepError e{species / (species_share_of_tolerance * tolerance_), carried * per_unit};
    if (!std::isfinite(e.species) || !std::isfinite(e.carried)) e = {most_growth * 2, 0};
    return e;
  }

  // How far in ln(1+z) an error is carried before a relaxation at the given
  // rate (per unit of ln(1+z)) forgets it; at most over the pass's share.
  double carrying_length(double relaxation) const {
    const double longest = carrying_share_of_pass * span_;
    return relaxation * longest > relaxations_carried ? relaxations_carried / relaxation : longest;
  }

  // Recombination and ionisation of hydrogen, per unit of ln(1+z): the rate at
  // which the electrons return to their balance.
  double electron_relaxation() const {
    const KineticMatrix& km = run_.km;
    const Plasma& pl = run_.plasma;
    return (km.matrix[pl.HydII.index][pl.HydI.index] + km.matrix[pl.HydI.index][pl.HydII.index]) * 2 *
           km.weight_now;
  }

  // The Compton coupling over the expansion rate: the rate at which the
  // matter temperature returns to the radiation's.
  double temperature_relaxation() const { return 1 / run_.tm.epsT0 - 1; }

  Status accept(double ln, double h, const StepError& error) {
    ++run_.work.steps;
    ++steps_;
    if (!step_result_finite(run_)) return broke_down(run_, "non-finite result at z = ");
    if (!step_in_physical_range(run_)) return broke_down(run_, "result out of physical range at z = ");
    Point next;
    next.ln = ln;
    next.z = run_.z;
    store(next);
    if (known_ == 3) {
      points_[0] = points_[1];
      points_[1] = points_[2];
      --known_;
    }
    points_[known_++] = next;
    if (last_pass_) give_rows(ln);
    Save_Inhibition_Coefficients(run_.km);
    if (pass_ == 0) overheating_row(run_);
    run_.out.progress({pass_, cs_.Number_of_Iterations, run_.z, progress_of(ln)});
    h_before_ = h;
    next_h_ = h * std::min(most_growth, std::max(most_shrink, step_safety * change_for(error)));
    next_h_ = std::min(-smallest_step, std::max(-largest_step, next_h_));
    return Status::ok;
  }

  double progress_of(double ln) const {
    const double top = std::log(cs_.z_begin + 1);
    const double f = span_ > 0 ? (top - ln) / span_ : 1.0;
    return (pass_ + f) / cs_.Number_of_Iterations;
  }

  // The rows of the input's grid down to ln, from the quadratic through the
  // last three points after the start (the line from the start on the first
  // step: the start is no point of the smooth history).
  void give_rows(double ln) {
    const int k = steps_ == 1 ? 2 : std::min(known_, steps_);
    const Point* p[3];
    last_points(k, p);
    const Plasma& pl = run_.plasma;
    while (ln_row_ >= ln && !rows_done_) {
      if (row_number_ % cs_.number_of_info_points == 0) {
        const double z = std::exp(ln_row_) - 1;
        const Point r = through(p, k, ln_row_);
        const double* x = r.x;
        run_.out.row({z, x[pl.HydI.index], x[pl.HydII.index], x[pl.HeI.index], x[pl.HeII.index], x[pl.HeIII.index],
                      printed_electron_fraction(cs_, z, r.El), electrons_per_hydrogen(cs_, r.El), r.T});
      }
      ++row_number_;
      if (ln_row_ == ln_last_) {
        rows_done_ = true;
      } else {
        ln_row_ = ln_row_ + cs_.D_ln_1_plus_z;
      }
    }
  }

  Run& run_;
  const Constants& cs_;
  const int pass_;
  const bool last_pass_;
  const double tolerance_;
  Point points_[3];  // the last accepted points, oldest first
  int known_ = 0;
  int steps_ = 0;  // accepted in the pass
  double h_before_ = 0;
  double next_h_ = -first_step;
  double ln_row_ = 0, ln_last_ = 0;
  bool any_row_ = true;
  double span_ = 1;  // of the pass in ln(1+z)
  long long row_number_ = 0;
  bool rows_done_ = false;
};

}  // namespace

void solve_abundances(Plasma& plasma, const KineticMatrix& km, double D) {
  const double a = -1 / D;
  double A[n][n] = {}, b[n], x[n];
  for (const comp_of_plasm* t = plasma.first_comp; t != nullptr; t = t->next) {
    const int i = t->index;
    double loss = 0, previous = 0;
    for (const comp_of_plasm* o = plasma.first_comp; o != nullptr; o = o->next) {
      const int j = o->index;
      loss += km.weight_now * km.matrix[i][j];
      previous += (km.matrix_[j][i] * o->x_ - km.matrix_[i][j] * t->x_) * km.weight_previous;
      A[i][j] -= km.weight_now * km.matrix[j][i];
    }
    A[i][i] += a + loss;
    b[i] = a * t->x_ + previous;
  }
  gaussian_elimination(A, b, x);
  for (comp_of_plasm* t = plasma.first_comp; t != nullptr; t = t->next) t->x = x[t->index];
}

Status fast_pass(Run& run, int pass, double tolerance) {
  FastPass fast(run, pass, tolerance);
  return fast.run_pass();
}

}  // namespace primrec
