// The library's entry: a solve checks its parameters, derives the constants,
// builds a Run and runs its passes, streaming the rows to an observer or
// collecting them into a History.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "driver/error_control.h"
#include "driver/passes.h"
#include "driver/precise_correction.h"
#include "input/constants.h"
#include "input/rounding.h"
#include "last_scattering/last_scattering.h"

namespace primrec {

namespace {

// Collects a solve in memory.
class HistoryCollector : public Observer {
 public:
  explicit HistoryCollector(History& history) : h_(history) {}
  void row(const Row& r) override {
    h_.z.push_back(r.z);
    h_.HydI.push_back(r.HydI);
    h_.HydII.push_back(r.HydII);
    h_.HeI.push_back(r.HeI);
    h_.HeII.push_back(r.HeII);
    h_.HeIII.push_back(r.HeIII);
    h_.el.push_back(r.el);
    h_.x_e.push_back(r.x_e);
    h_.T_m.push_back(r.T_m);
  }
  void overheating_row(const OverheatingRow& r) override { h_.overheating.push_back(r); }
  void message(const std::string& text) override { h_.messages += text; }

 private:
  History& h_;
};

// Room for the rows the input's grid will give, so that the columns grow
// without copying; none for inputs the solve will refuse, and no more than a
// bound ahead of what the solve gives.
void reserve_rows(History& h, const Parameters& p) {
  constexpr double most_reserved = 1e7;
  if (p.output_stride < 1) return;
  const double rows = (std::log1p(p.z_begin) - std::log1p(p.z_end)) / std::fabs(p.step) / p.output_stride + 2;
  if (!(rows > 0 && rows <= most_reserved)) return;
  for (std::vector<double>* column : {&h.z, &h.HydI, &h.HydII, &h.HeI, &h.HeII, &h.HeIII, &h.el, &h.x_e, &h.T_m})
    column->reserve(static_cast<size_t>(rows));
}

// A breakdown of the first of two passes voids the rows the feedback pass gave
// meanwhile (beside it, or after the steps the two share).
bool voids_rows(const Outcome& outcome, const Parameters& parameters) {
  return outcome.status == Status::breakdown && outcome.pass == 0 &&
         parameters.feedback_levels > 1;
}

Solution solve_observed(const Parameters& parameters, Observer& observer, const Options& options,
                        bool* rows_void) {
  const round_to_nearest rounding;
  Solution solution;
  solution.error = check_parameters(parameters);
  if (solution.error.empty() && options.threads < 1) solution.error = "threads has to be 1 or more\n";
  if (solution.error.empty() && options.fast && !(options.tolerance >= finest_fast_tolerance &&
                                                  options.tolerance <= coarsest_fast_tolerance))
    solution.error = "tolerance of the fast mode has to be between 1e-8 and 1e-2\n";
  if (solution.error.empty() && options.precise) solution.error = precise_refusal(parameters);
  if (!solution.error.empty()) {
    solution.status = Status::input_error;
    return solution;
  }
  std::optional<PreciselyCorrected> corrected;
  if (options.precise) corrected.emplace(parameters, observer);
  Observer& out = corrected ? static_cast<Observer&>(*corrected) : observer;
  const Outcome outcome = run_passes(derive_constants(parameters), derive_step_settings(parameters), out, options);
  solution.status = outcome.status;
  solution.work = outcome.work;
  if (solution.status == Status::breakdown) {
    solution.error = outcome.error;
    solution.error_z = outcome.error_z;
    *rows_void = voids_rows(outcome, parameters);
  }
  return solution;
}

void clear_rows(History& h) {
  for (std::vector<double>* column : {&h.z, &h.HydI, &h.HydII, &h.HeI, &h.HeII, &h.HeIII, &h.el, &h.x_e, &h.T_m})
    column->clear();
}

}  // namespace

Solution solve(const Parameters& parameters, Observer& observer, const Options& options) {
  bool rows_void = false;
  return solve_observed(parameters, observer, options, &rows_void);
}

Solution solve(const Parameters& parameters, const Options& options) {
  History history;
  reserve_rows(history, parameters);
  HistoryCollector collector(history);
  bool rows_void = false;
  Solution solution = solve_observed(parameters, collector, options, &rows_void);
  if (rows_void) clear_rows(history);
  solution.history = std::move(history);
  return solution;
}

namespace {

// The quadratic in ln(1+z) through the three rows nearest z.
double at(const History& h, const std::vector<double>& column, double z) {
  const size_t n = h.z.size();
  if (n < 3 || !(z <= h.z.front() && z >= h.z.back())) return std::numeric_limits<double>::quiet_NaN();
  // The first row at or below z (the rows fall).
  size_t j = static_cast<size_t>(
      std::lower_bound(h.z.begin(), h.z.end(), z, [](double row, double x) { return row > x; }) - h.z.begin());
  size_t first = j == 0 ? 0 : j - 1;
  if (first + 3 > n) first = n - 3;
  const double u = std::log1p(z);
  double sum = 0;
  for (size_t a = first; a < first + 3; ++a) {
    double w = 1;
    for (size_t b = first; b < first + 3; ++b)
      if (b != a) w *= (u - std::log1p(h.z[b])) / (std::log1p(h.z[a]) - std::log1p(h.z[b]));
    sum += w * column[a];
  }
  return sum;
}

}  // namespace

double x_e_at(const History& history, double z) { return at(history, history.x_e, z); }
double T_m_at(const History& history, double z) { return at(history, history.T_m, z); }

LastScattering last_scattering(const Parameters& parameters, const std::vector<double>& z,
                               const std::vector<double>& el) {
  const round_to_nearest rounding;
  return optical_depth(derive_constants(parameters), z, el);
}

}  // namespace primrec
