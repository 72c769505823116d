// The fast mode's step choice: adaptive steps by their estimated local error,
// the rows interpolated onto the input's grid.
#include "driver/error_control.h"

#include <algorithm>
#include <cmath>

#include "driver/inner_solvers.h"

namespace primrec {

namespace {

constexpr int n = number_of_components;

// The first step of a pass in ln(1+z) as a share of the tolerance, and the
// bounds of every step. The start state is no balance: the first steps resolve
// its relaxation before any error estimate can see it (three steps on), so they
// start far shorter than the tolerance.
constexpr double first_step_per_tolerance = 1e-2;
constexpr double largest_step = 0.05;
constexpr double smallest_step = 1e-9;
// Above the smallest, so that a first step that fails can be taken again.
constexpr double shortest_first_step = 10 * smallest_step;
// Steps at the shortest that may stay over their bound, before the steps grow
// well past it, until the solve ends: without a bound it would crawl on.
constexpr int most_steps_over_bound = 100;
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

using Point = ErrorControl::Point;
using StepError = ErrorControl::StepError;

// What a step that failed to converge, or gave no finite estimate, counts as:
// too large, whatever its size.
constexpr StepError failed_step{most_growth * 2, 0};

// The polynomial through the k (1 to 3) points p, at ln: every quantity of
// the point it gives. ln T too: a row takes the matter temperature from it,
// exact where T follows the radiation (ln T = ln T0 + ln(1+z)) and where it
// cools adiabatically (2 ln(1+z) + a constant), so that a long step where
// nothing happens costs the rows no accuracy.
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
    r.ln_T += w[j] * p[j]->ln_T;
  }
  return r;
}

// The same polynomial for many ln(1+z) between the same points: the rows.
// Only what a row takes: the species, the electrons and ln T, each in Newton's
// form about the newest point, so that a row costs two products a quantity.
class Interpolant {
 public:
  // k points, 1 to 3.
  Interpolant(const Point* const* p, int k) : k_(std::clamp(k, 1, 3)), origin_(p[k_ - 1]->ln) {
    double y[3][quantities];
    for (int j = 0; j < k_; ++j) values(*p[j], y[j]);
    for (int q = 0; q < quantities; ++q) value_[q] = y[k_ - 1][q];
    if (k_ == 1) return;
    t1_ = p[k_ - 2]->ln - origin_;
    for (int q = 0; q < quantities; ++q) slope_[q] = (y[k_ - 2][q] - y[k_ - 1][q]) / t1_;
    if (k_ == 2) return;
    for (int q = 0; q < quantities; ++q)
      curvature_[q] = ((y[0][q] - y[1][q]) / (p[0]->ln - p[1]->ln) - slope_[q]) / (p[0]->ln - origin_);
  }
  Point at(double ln) const {
    const double t = ln - origin_;
    double y[quantities];
    for (int q = 0; q < quantities; ++q) {
      y[q] = value_[q];
      if (k_ == 2) y[q] += t * slope_[q];
      if (k_ == 3) y[q] += t * (slope_[q] + (t - t1_) * curvature_[q]);
    }
    Point r;
    for (int i = 0; i < n; ++i) r.x[i] = y[i];
    r.El = y[n];
    r.ln_T = y[n + 1];
    return r;
  }

 private:
  static constexpr int quantities = n + 2;
  static void values(const Point& p, double (&v)[quantities]) {
    for (int i = 0; i < n; ++i) v[i] = p.x[i];
    v[n] = p.El;
    v[n + 1] = p.ln_T;
  }
  const int k_;
  const double origin_;
  double t1_ = 0;
  double value_[quantities] = {}, slope_[quantities] = {}, curvature_[quantities] = {};
};

// The factor of the step that would have met the bound: the species' errors
// go as h^3, the carried ones per unit of ln(1+z) as h^2.
double change_for(const StepError& e) {
  if (e.scaled() <= 0) return most_growth;
  return e.species >= e.carried ? std::cbrt(1 / e.species) : std::sqrt(1 / e.carried);
}

// Recombination plus ionisation between two stages, per unit of ln(1+z): the
// rate at which their balance is restored.
double exchange_relaxation(const KineticMatrix& km, const comp_of_plasm& a, const comp_of_plasm& b) {
  return (km.matrix[a.index][b.index] + km.matrix[b.index][a.index]) * 2 * km.weight_now;
}

// Hydrogen's: the rate at which the electrons return to their balance.
double electron_relaxation(const Run& run) {
  return exchange_relaxation(run.km, run.plasma.HydII, run.plasma.HydI);
}

// A species forgets an error at the slowest of the exchanges it takes part in.
double species_relaxation(const Run& run, const comp_of_plasm& c) {
  const Plasma& pl = run.plasma;
  const KineticMatrix& km = run.km;
  if (&c == &pl.HydI || &c == &pl.HydII) return electron_relaxation(run);
  const double helium_III = exchange_relaxation(km, pl.HeIII, pl.HeII);
  const double helium_II = exchange_relaxation(km, pl.HeII, pl.HeI);
  if (&c == &pl.HeIII) return helium_III;
  if (&c == &pl.HeI) return helium_II;
  return std::min(helium_III, helium_II);
}

// The fastest of the exchanges, as the matrix last stood.
double fastest_relaxation(const Run& run) {
  const Plasma& pl = run.plasma;
  return std::max({exchange_relaxation(run.km, pl.HydII, pl.HydI), exchange_relaxation(run.km, pl.HeIII, pl.HeII),
                   exchange_relaxation(run.km, pl.HeII, pl.HeI)});
}

// The Compton coupling over the expansion rate: the rate at which the
// matter temperature returns to the radiation's.
double temperature_relaxation(const Run& run) { return 1 / run.tm.epsT0 - 1; }

// The matter temperature's update holds the rate 1 + Q at its mean and the
// balance b = Q / (1 + Q) linear over the step: it errs by the curvature of
// either and by the rate's slope meeting the balance's drift,
// a^3 / 12 (|Q''| |theta - b| + (1 + Q) |b''| + |Q'| |b'|) of theta (bounded
// term by term), the derivatives from the coupling at the step's end and at
// the two points before it (never the start of the pass, which has none).
// Where the matter leaves the radiation the coupling changes fast while ln T
// is still nearly straight, so the predictor of ln T alone would not see it.
double temperature_update_error(const Point& before, const Point& start, const MatterTemperature& t, double a) {
  const double h1 = std::fabs(start.ln - before.ln);
  const auto curvature = [a, h1](double f0, double f1, double f2) {
    return std::fabs(2 * ((f2 - f1) / a - (f1 - f0) / h1) / (a + h1));
  };
  const auto balance = [](double Q) { return Q / (1 + Q); };
  const double theta_start = t.T_matter_var_ / t.T_r_, theta_end = t.T_matter_var / t.T_r;
  const double slope = std::fabs(t.Q - start.Q) / a, drift = std::fabs(balance(t.Q) - balance(start.Q)) / a;
  const double error = a * a * a / 12 *
                       (curvature(before.Q, start.Q, t.Q) * std::fabs(theta_start - balance(start.Q)) +
                        (1 + t.Q) * curvature(balance(before.Q), balance(start.Q), balance(t.Q)) + slope * drift);
  return error / theta_end;
}

}  // namespace

double StepError::scaled() const { return std::max(species, carried); }

ErrorControl::ErrorControl(const Constants& cs, const StepSettings& steps, int pass, int passes, double tolerance)
    : cs_(cs),
      settings_(steps), pass_(pass), last_pass_(pass == passes - 1), tolerance_(tolerance),
      held_as_feedback_pass_(pass == 0 && passes == 2) {}

void ErrorControl::last_points(int k, const Point* (&p)[3]) const {
  for (int j = 0; j < k; ++j) p[j] = &s_.points[s_.known - k + j];
}

void ErrorControl::store(const Run& run, Point& p) const {
  const Plasma& pl = run.plasma;
  for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) p.x[c->index] = c->x;
  p.El = pl.El.x;
  p.T = run.tm.T_matter_var;
  p.ln_T = std::log(p.T);
  p.Q = run.tm.Q;
}

// The rows are the default mode's redshifts, by the same repeated addition;
// z_end above the first of them leaves the pass without a step, as in the
// default mode. The feedback pass after steps it shares with the first goes
// on from where they part (or is complete if they never do).
bool ErrorControl::start(Run& run) {
  const double ln_end = std::log(settings_.z_end + 1);
  s_.ln_row = std::log(settings_.z_begin + 1) + settings_.D_ln_1_plus_z;
  ln_last_ = s_.ln_row;
  if (!(s_.ln_row >= ln_end)) return false;
  for (double ln = s_.ln_row; ln >= ln_end; ln = ln + settings_.D_ln_1_plus_z) ln_last_ = ln;
  span_ = std::log(settings_.z_begin + 1) - ln_last_;
  s_.row_number = 0;
  s_.rows_done = false;
  if (pass_ != 0 && run.link.shared.enabled) {
    if (!resume_after_shared_steps(run)) return false;
    s_ = run.link.shared.state.adaptive;
    return true;
  }
  s_.points[0] = Point{};
  s_.points[0].ln = std::log(settings_.z_begin + 1);
  s_.points[0].z = settings_.z_begin;
  // The electrons of the start abundances (the start state's 1 is a
  // placeholder the first sweep replaces), for rows within the first step.
  run.plasma.El.abundance(run.plasma.first_comp, cs_.delta_el);
  store(run, s_.points[0]);
  s_.known = 1;
  s_.steps = 0;
  s_.h_before = 0;
  s_.next_h = -std::max(first_step_per_tolerance * tolerance_, shortest_first_step);
  return true;
}

// The last step lands on the last row.
bool ErrorControl::next(Run& run, Step& step) {
  if (!(now().ln > ln_last_)) return false;
  const double h = std::max(s_.next_h, ln_last_ - now().ln);
  const double ln = now().ln + h;
  step = {ln, std::exp(ln) - 1, now().z, h, s_.h_before};
  choose_update(run, step);
  if (run.link.shared.enabled && !run.link.shared.parted) at_step_start_ = s_;
  return true;
}

// Where the step is long against the fastest balance, the trapezoidal rule
// would flip the sign of what the step leaves off it ((1 - h k / 2) / (1 + h k
// / 2) < 0 for h k > 2): the backward differences take such steps, once two
// steps after the start give them their points.
void ErrorControl::choose_update(const Run& run, Step& step) const {
  if (s_.steps < 2 || std::fabs(step.D) * fastest_relaxation(run) <= 2) return;
  step.x_two_back = s_.points[s_.known - 2].x;
}

// The first iteration starts from the points of the pass after its start
// (which is no point of a smooth history: its first step begins without the
// electrons of a step before), extrapolated.
void ErrorControl::begin(Run& run, const Step& step) {
  relax_first_pass(run);
  const Sharing sharing = step_sharing(run);
  if (sharing == Sharing::parting) run.link.shared.state.adaptive = at_step_start_;
  gives_rows_ = last_pass_ || sharing == Sharing::shared;
  Plasma& pl = run.plasma;
  const Point* p[3];
  const int k = std::max(1, std::min(s_.known, s_.steps));
  last_points(k, p);
  const Point guessed = through(p, k, step.ln);
  for (comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) c->x = std::max(0.0, guessed.x[c->index]);
  pl.El.abundance(pl.first_comp, cs_.delta_el);
  run.tm.T_matter_var = guessed.T;
}

// The same test as for sharing the steps, made whether they are shared or
// not, so that every scheduling of the passes holds them alike.
void ErrorControl::relax_first_pass(Run& run) {
  if (!held_as_feedback_pass_ || feedback_correction_is_one_above_table(run.fb, run.ph, run.z, run.options.cancel))
    return;
  held_as_feedback_pass_ = false;
  tolerance_ = std::min(first_pass_tolerance_factor * tolerance_, coarsest_fast_tolerance);
}

// A step whose error exceeds its bound, or whose result is not usable, is
// taken again, shorter, down to the smallest step. The count of steps taken
// at the smallest over their bound starts afresh only once the steps have
// grown well past it, so that no alternation can crawl on without end.
bool ErrorControl::retry(Run& run, Step& step, bool usable) {
  error_ = usable ? error_of(run, step) : failed_step;
  if (error_.scaled() <= 1) {
    if (std::fabs(step.D) > 10 * smallest_step) steps_over_bound_ = 0;
    return false;
  }
  if (std::fabs(step.D) <= smallest_step) {
    ++steps_over_bound_;
    return false;
  }
  const double h = std::min(-smallest_step, step.D * std::max(most_shrink, step_safety * change_for(error_)));
  const double ln = now().ln + h;
  step = {ln, std::exp(ln) - 1, now().z, h, s_.h_before};
  choose_update(run, step);
  return true;
}

// Only a step at the shortest can end here: one that did not converge, or
// one too many at the shortest still over their bound.
const char* ErrorControl::gave_up(bool converged) const {
  if (!converged) return "inner iteration did not converge at z = ";
  if (steps_over_bound_ > most_steps_over_bound) return "no step meets the tolerance at z = ";
  return nullptr;
}

// The local errors of the step just iterated; none while three points after
// the start give no predictor.
StepError ErrorControl::error_of(const Run& run, const Step& step) const {
  if (s_.steps < 3) return {};
  const Point* p[3];
  last_points(3, p);
  const double h = step.D;
  const double h1 = std::fabs(p[2]->ln - p[1]->ln), h2 = std::fabs(p[1]->ln - p[0]->ln), a = std::fabs(h);
  const double predictor = a * (a + h1) * (a + h1 + h2) / 6;
  const double w = h / s_.h_before;
  const double method = step.x_two_back != nullptr ? (1 + w) * (1 + w) / (6 * w * (1 + 2 * w)) * a * a * a
                                                   : a * a * a / 12;
  const double of_method = method / (method + predictor);
  const Plasma& pl = run.plasma;
  const Point predicted = through(p, 3, step.ln);
  double species = 0, carried = 0;
  for (const comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) {
    const double off = c->x - predicted.x[c->index];
    const double local = std::fabs(off) / (std::fabs(c->x) + share_of(run, *c)) * of_method;
    species = std::max(species, local);
    carried = std::max(carried, local * carrying_length(species_relaxation(run, *c)));
  }
  const double El = pl.El.x, T = run.tm.T_matter_var;
  const double electrons = std::fabs(El - predicted.El) / El * of_method;
  const double temperature = std::max(std::fabs(std::log(T) - predicted.ln_T) * of_method,
                                      temperature_update_error(*p[1], *p[2], run.tm, a));
  const double per_unit = 1 / (std::max(a, error_step_floor) * tolerance_);
  const double temperature_carried = carrying_length(temperature_relaxation(run));
  carried = std::max({carried, electrons * carrying_length(electron_relaxation(run)),
                      temperature * temperature_carried});
  StepError e{species / (species_share_of_tolerance * tolerance_), carried * per_unit};
  if (!std::isfinite(e.species) || !std::isfinite(e.carried)) e = failed_step;
  return e;
}

// How far in ln(1+z) an error is carried before a relaxation at the given
// rate (per unit of ln(1+z)) forgets it; at most over the pass's share.
double ErrorControl::carrying_length(double relaxation) const {
  const double longest = carrying_share_of_pass * span_;
  return relaxation * longest > relaxations_carried ? relaxations_carried / relaxation : longest;
}

// The step is accepted: it becomes a point, and its rows are given. The next
// step grows or shrinks with the error.
void ErrorControl::give_rows(Run& run, const Step& step) {
  ++s_.steps;
  Point next;
  next.ln = step.ln;
  next.z = run.z;
  store(run, next);
  if (s_.known == 3) {
    s_.points[0] = s_.points[1];
    s_.points[1] = s_.points[2];
    --s_.known;
  }
  s_.points[s_.known++] = next;
  if (gives_rows_) give_rows_between_points(run, step);
  s_.h_before = step.D;
  // A step at the shortest still over its bound is one whose estimate the
  // points before it mislead (the relaxation from the start state, say): the
  // next step leaves them behind.
  const double change = error_.scaled() > 1 ? most_growth : step_safety * change_for(error_);
  s_.next_h = step.D * std::min(most_growth, std::max(most_shrink, change));
  s_.next_h = std::min(-smallest_step, std::max(-largest_step, s_.next_h));
}

// The rows of the input's grid down to the step come from the quadratic
// through the last three points after the start (the line from the start on
// the first step: the start is no point of the smooth history). Those of the
// steps the first pass shares with the feedback pass are held back until the
// first pass has completed: before that they are not the history's.
void ErrorControl::give_rows_between_points(Run& run, const Step& step) {
  const int k = s_.steps == 1 ? 2 : std::min(s_.known, s_.steps);
  const Point* p[3] = {};
  last_points(k, p);
  const Interpolant between(p, k);
  const Plasma& pl = run.plasma;
  while (s_.ln_row >= step.ln && !s_.rows_done) {
    if (s_.row_number % settings_.number_of_info_points == 0) {
      const double z = std::exp(s_.ln_row) - 1;
      const Point r = between.at(s_.ln_row);
      const double* x = r.x;
      const Row row{z, x[pl.HydI.index], x[pl.HydII.index], x[pl.HeI.index], x[pl.HeII.index], x[pl.HeIII.index],
                    printed_electron_fraction(cs_, z, r.El), electrons_per_hydrogen(cs_, r.El), std::exp(r.ln_T)};
      if (last_pass_) {
        run.out.row(row);
      } else {
        run.link.shared.rows.push_back(row);
      }
    }
    ++s_.row_number;
    if (s_.ln_row == ln_last_) {
      s_.rows_done = true;
    } else {
      s_.ln_row = s_.ln_row + settings_.D_ln_1_plus_z;
    }
  }
}

// The first of two passes is there for its overheating rows alone: once the
// blackbody has no photon left at Lyman alpha no row follows, and it ends.
bool ErrorControl::done(const Run& run) const {
  const SharedSteps& shared = run.link.shared;
  if (shared.enabled && !shared.parted) return false;  // its rows are the feedback pass's too
  return pass_ == 0 && !last_pass_ && run.z <= z_overheating_table_start && overheating_rows_ended(run.ph, run.z);
}

}  // namespace primrec
