// How accurate the history is at each step size: the largest relative
// deviation of T_m and x_e over a range of redshift from a run at a much
// smaller step, the shift of z_* (tau = 1), and the time of the history, with
// everything else as in examples/default/.
//
//   build/release/primrec-step-accuracy [--reference 2e-5] [--z 5:200] [--levels N] [--fast TOL] step...
//
// With --fast the runs (not the reference) are those of the fast mode at
// tolerance TOL, each step then only the spacing of the rows.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "primrec/primrec.hpp"

namespace {

struct Run {
  primrec::History history;
  double milliseconds;
  double z_star;
};

Run solve_at(primrec::Parameters p, double step, double fast_tolerance = 0) {
  p.step = step;
  primrec::Options options;
  options.threads = 2;  // as the program solves
  options.fast = fast_tolerance > 0;
  if (options.fast) options.tolerance = fast_tolerance;
  const auto start = std::chrono::steady_clock::now();
  primrec::Solution s = primrec::solve(p, options);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!s.ok()) {
    std::fprintf(stderr, "step %g: %s", step, s.error.c_str());
    std::exit(1);
  }
  const double z_star = primrec::last_scattering(p, s.history.z, s.history.el).z_star;
  return {std::move(s.history), ms, z_star};
}

// A column of the reference at z, linear in ln(1+z) between its rows (which
// run from high to low z).
double at(const primrec::History& h, const std::vector<double>& column, double z) {
  const auto it = std::lower_bound(h.z.begin(), h.z.end(), z, [](double a, double b) { return a > b; });
  if (it == h.z.begin() || it == h.z.end()) return *it == z ? column[static_cast<size_t>(it - h.z.begin())] : NAN;
  const size_t j = static_cast<size_t>(it - h.z.begin());
  const double l0 = std::log1p(h.z[j - 1]), l1 = std::log1p(h.z[j]), l = std::log1p(z);
  return column[j - 1] + (l - l0) * (column[j] - column[j - 1]) / (l1 - l0);
}

struct Deviation {
  double largest = 0, z_of_largest = 0;
};

Deviation deviation(const primrec::History& run, const std::vector<double>& column, const primrec::History& ref,
                    const std::vector<double>& ref_column, double z_low, double z_high) {
  Deviation d;
  for (size_t i = 0; i < run.z.size(); ++i) {
    if (run.z[i] < z_low || run.z[i] > z_high) continue;
    const double expected = at(ref, ref_column, run.z[i]);
    const double relative = std::fabs(column[i] / expected - 1);
    if (relative > d.largest) d = {relative, run.z[i]};
  }
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  primrec::Parameters p = primrec::default_parameters();
  double reference_step = 2e-5, z_low = 5, z_high = 200, fast_tolerance = 0;
  std::vector<double> steps;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--reference" && i + 1 < argc) {
      reference_step = std::atof(argv[++i]);
    } else if (arg == "--z" && i + 1 < argc) {
      std::sscanf(argv[++i], "%lf:%lf", &z_low, &z_high);
    } else if (arg == "--fast" && i + 1 < argc) {
      fast_tolerance = std::atof(argv[++i]);
    } else if (arg == "--levels" && i + 1 < argc) {
      p.feedback_levels = std::atoi(argv[++i]);
    } else {
      steps.push_back(std::atof(arg.c_str()));
    }
  }
  if (steps.empty()) steps = {4e-4, 1e-3, 2e-3, 4e-3, 8e-3, 1.6e-2};
  const Run ref = solve_at(p, reference_step);
  std::printf("deviation from step %g over %g <= z <= %g (levels %d)\n", reference_step, z_low, z_high,
              p.feedback_levels);
  if (fast_tolerance > 0) std::printf("fast mode, tolerance %g; the step is that of the rows\n", fast_tolerance);
  std::printf("%-10s %-22s %-22s %-12s %s\n", "step", "T_m (at z)", "x_e (at z)", "z_* shift", "time [ms]");
  for (double step : steps) {
    const Run run = solve_at(p, step, fast_tolerance);
    const Deviation T = deviation(run.history, run.history.T_m, ref.history, ref.history.T_m, z_low, z_high);
    const Deviation x = deviation(run.history, run.history.x_e, ref.history, ref.history.x_e, z_low, z_high);
    std::printf("%-10g %-9.2e (%-9.4g)    %-9.2e (%-9.4g)    %-+12.2e %.1f\n", step, T.largest, T.z_of_largest,
                x.largest, x.z_of_largest, run.z_star - ref.z_star, run.milliseconds);
  }
  return 0;
}
