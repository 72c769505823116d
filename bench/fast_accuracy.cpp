// How the fast mode does on the inputs users scan: for the default inputs and
// for sets drawn from the physical range (varied constants included), whether
// it completes wherever the default mode does, the largest relative deviation
// of x_e and T_m over 5 <= z <= 7500 from the default mode at a fine step, and
// the time of each.
//
//   build/release/primrec-fast-accuracy [--sets N] [--reference 1e-4] [--tolerance 1e-4]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "primrec/primrec.hpp"

namespace {

struct Timed {
  primrec::Solution solution;
  double milliseconds;
};

Timed timed_solve(const primrec::Parameters& p, const primrec::Options& options) {
  const auto start = std::chrono::steady_clock::now();
  primrec::Solution s = primrec::solve(p, options);
  return {std::move(s), std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count()};
}

// The physical range of the property test.
primrec::Parameters drawn(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(0, 1);
  const auto between = [&](double a, double b) { return a + (b - a) * unit(rng); };
  const auto log_between = [&](double a, double b) { return std::exp(between(std::log(a), std::log(b))); };
  primrec::Parameters p = primrec::default_parameters();
  const bool early = unit(rng) < 0.5;
  p.z_begin = early ? between(7000, 10000) : between(3000, 5000);
  p.z_end = log_between(0.5, 200);
  p.step = log_between(3e-4, 5e-3);
  p.convergence_norm = log_between(1e-10, 1e-6);
  p.output_stride = 1 + static_cast<int>(unit(rng) * 10);
  p.feedback_levels = 1 + static_cast<int>(unit(rng) * 30);
  if (early) {  // varied constants shift helium recombination: start it doubly ionised
    p.e *= between(0.95, 1.05);
    p.me *= between(0.9, 1.1);
  }
  p.F_H = between(1.0, 1.3);
  p.A_perturbation_H = between(-0.2, 0.2);
  p.H0 = between(50, 90);
  p.omega_m = between(0.2, 0.5);
  p.omega_lambda = between(0.5, 0.8);
  p.omega_b = between(0.02, 0.08);
  p.X_M = between(0.70, 0.80);
  p.T0 = between(2.6, 2.8);
  return p;
}

struct Deviation {
  double x_e = 0, T_m = 0;
};

// Over the fast history's rows, against the reference between its rows.
Deviation deviation(const primrec::History& h, const primrec::History& reference) {
  Deviation d;
  for (size_t i = 0; i < h.size(); ++i) {
    if (h.z[i] < 5 || h.z[i] > 7500) continue;
    const double x = primrec::x_e_at(reference, h.z[i]), T = primrec::T_m_at(reference, h.z[i]);
    if (std::isnan(x)) continue;
    d.x_e = std::max(d.x_e, std::fabs(h.x_e[i] / x - 1));
    d.T_m = std::max(d.T_m, std::fabs(h.T_m[i] / T - 1));
  }
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  int sets = 12;
  double reference_step = 1e-4;
  primrec::Options default_mode, fast;
  default_mode.threads = fast.threads = 2;  // as the program solves
  fast.fast = true;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--sets") sets = std::atoi(argv[i + 1]);
    if (arg == "--reference") reference_step = std::atof(argv[i + 1]);
    if (arg == "--tolerance") fast.tolerance = std::atof(argv[i + 1]);
  }
  std::printf("fast mode at tolerance %g against the default mode at step %g, 5 <= z <= 7500\n", fast.tolerance,
              reference_step);
  std::printf("%-8s %-10s %-10s %-10s %-12s %s\n", "set", "x_e", "T_m", "steps", "fast [ms]", "default [ms]");
  std::mt19937_64 rng(20261208);
  Deviation worst;
  int failures = 0;
  for (int k = 0; k <= sets; ++k) {
    primrec::Parameters p = k == 0 ? primrec::default_parameters() : drawn(rng);
    const Timed f = timed_solve(p, fast);
    const Timed plain = timed_solve(p, default_mode);
    p.step = reference_step;
    p.output_stride = 1;
    const primrec::Solution reference = primrec::solve(p);
    const std::string name = k == 0 ? "default" : std::to_string(k);
    if (f.solution.ok() != plain.solution.ok() || !reference.ok()) {
      std::printf("%-8s fast %s, default %s\n", name.c_str(), f.solution.ok() ? "completes" : "fails",
                  plain.solution.ok() ? "completes" : "fails");
      failures += f.solution.ok() != plain.solution.ok();
      continue;
    }
    if (!f.solution.ok()) continue;
    const Deviation d = deviation(f.solution.history, reference.history);
    worst.x_e = std::max(worst.x_e, d.x_e);
    worst.T_m = std::max(worst.T_m, d.T_m);
    std::printf("%-8s %-10.2e %-10.2e %-10lld %-12.1f %.1f\n", name.c_str(), d.x_e, d.T_m, f.solution.work.steps,
                f.milliseconds, plain.milliseconds);
  }
  std::printf("largest: x_e %.2e, T_m %.2e; %d sets where only one mode completes\n", worst.x_e, worst.T_m, failures);
  return failures == 0 ? 0 : 1;
}
