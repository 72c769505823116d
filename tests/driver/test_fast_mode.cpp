// The fast mode: the direct solve against the sweeps it replaces, the accuracy
// of its histories against the default mode at a fine step, and its option in
// every interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/abundance_update.h"
#include "driver/error_control.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "transfer/printed_numbers.h"
#include "primrec/primrec.h"
#include "primrec/primrec.hpp"
#include "support.h"

namespace {

using primrec::Parameters;
using primrec::Solution;

using testing_support::quick;

Solution fast(const Parameters& p, int threads = 2) {
  primrec::Options options;
  options.fast = true;
  options.threads = threads;
  return primrec::solve(p, options);
}

// The fast mode at a tolerance of its own, and the default mode at the input's step.
struct Pair {
  Solution reference, fast;
};

Pair solved(const Parameters& p, double tolerance) {
  primrec::Options options;
  options.fast = true;
  options.tolerance = tolerance;
  Pair both{primrec::solve(p), primrec::solve(p, options)};
  EXPECT_TRUE(both.reference.ok()) << both.reference.error;
  EXPECT_TRUE(both.fast.ok()) << both.fast.error;
  return both;
}

// For a matrix held fixed, the Gauss-Seidel sweeps of the default mode
// converge to the solution of the step's linear system, which the fast mode
// solves at once. Mid helium recombination, with hydrogen beginning its own.
TEST(FastMode, TheDirectSolveIsTheFixedPointOfTheSweeps) {
  primrec::Observer quiet;
  const primrec::Options options;
  const Parameters p = quick(3000, 2000, 1e-3, 1);
  primrec::Run run(primrec::derive_constants(p), primrec::derive_step_settings(p), quiet, options);
  ASSERT_EQ(primrec::Iteration_of_Process(run, 0, 1), primrec::Status::ok);
  primrec::Plasma& pl = run.plasma;
  for (primrec::comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) c->x_ = c->x;
  pl.El.x_ = pl.El.x;
  primrec::Save_Inhibition_Coefficients(run.km);
  run.tm.T_matter_var_ = run.tm.T_matter_var;
  run.z_ = run.z;
  run.z = std::exp(std::log1p(run.z) + run.steps.D_ln_1_plus_z) - 1;
  primrec::Init_step(run);
  primrec::Init_iteration(run);
  double start[primrec::number_of_components], swept[primrec::number_of_components];
  for (const primrec::comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) start[c->index] = c->x;
  for (int sweep = 0; sweep < 500; ++sweep) primrec::abundances(pl, run.km, run.steps.D_ln_1_plus_z, run.ph.cs.delta_el);
  for (primrec::comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) {
    swept[c->index] = c->x;
    c->x = start[c->index];
  }
  for (const primrec::comp_of_plasm* c : {&pl.HydI, &pl.HeI, &pl.HeII})  // the step moves them
    EXPECT_NE(swept[c->index], start[c->index]) << c->index;
  primrec::solve_abundances(pl, run.km, run.steps.D_ln_1_plus_z);
  for (const primrec::comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) {
    EXPECT_NEAR(c->x, swept[c->index], 1e-12 * (std::fabs(swept[c->index]) + 1e-30)) << c->index;
  }
}

// Hydrogen alone in a balance far faster than the step: recombination at rate
// r and ionisation at rate i (per unit of ln(1+z)) hold HydI at i / (r + i) of
// the nuclei, and a step of h k >> 1 (k = r + i) from off the balance lands on
// it with the backward differences, while the trapezoidal rule flips to the
// other side by almost as much.
TEST(FastMode, BackwardDifferencesDampAStiffBalanceTheTrapezoidalRuleFlips) {
  primrec::Plasma pl;
  primrec::KineticMatrix km{};
  const double r = 3e4, i = 1e4, D = -0.01;  // h k = 400
  km.weight_now = km.weight_previous = primrec::ww;  // H = 1: rates per unit of ln(1+z)
  km.matrix[pl.HydII.index][pl.HydI.index] = km.matrix_[pl.HydII.index][pl.HydI.index] = r;
  km.matrix[pl.HydI.index][pl.HydII.index] = km.matrix_[pl.HydI.index][pl.HydII.index] = i;
  const double balance = r / (r + i);  // HydI; the start below it by 0.1
  const auto start = [&] {
    for (primrec::comp_of_plasm* c = pl.first_comp; c != nullptr; c = c->next) c->x_ = c->x = 0;
    pl.HydI.x_ = balance - 0.1;
    pl.HydII.x_ = 1 - pl.HydI.x_;
  };
  start();
  primrec::solve_abundances(pl, km, D);
  EXPECT_GT(pl.HydI.x - balance, 0.09);  // flipped: (1 - h k / 2) / (1 + h k / 2) of -0.1
  EXPECT_NEAR(pl.HydI.x + pl.HydII.x, 1.0, 1e-12);
  start();
  double two_back[primrec::number_of_components] = {};
  two_back[pl.HydI.index] = balance - 0.1;
  two_back[pl.HydII.index] = 1 - two_back[pl.HydI.index];
  primrec::solve_abundances_bdf2(pl, km, D, D, two_back);
  EXPECT_NEAR(pl.HydI.x, balance, 0.1 * 3 / 400);  // off by ~ (3/2) / (h k) of the offset
  EXPECT_NEAR(pl.HydI.x + pl.HydII.x, 1.0, 1e-12);
}

// The first pass's overheating rows are ln of hydrogen's departure from its
// balance with the radiation: a small difference, which the fast mode's steps
// must not turn into their own errors where the balance is stiff (near the
// start of the table, z = 2000, as the default mode at a fine step has it).
TEST(FastMode, OverheatingRowsFollowTheDepartureFromBalance) {
  const Pair both = solved(quick(8000, 1500, 2e-5, 10), 1e-6);
  const Solution& s = both.fast;
  const std::vector<primrec::OverheatingRow>& ref = both.reference.history.overheating;
  int compared = 0;
  for (const primrec::OverheatingRow& row : s.history.overheating) {
    if (row.z < 1700) break;
    size_t j = 1;
    while (j < ref.size() && ref[j].z > row.z) ++j;
    if (j == ref.size()) continue;
    const double t = (row.z - ref[j - 1].z) / (ref[j].z - ref[j - 1].z);
    const double expected = ref[j - 1].ln_overheating + t * (ref[j].ln_overheating - ref[j - 1].ln_overheating);
    // Within a few per cent of the departure; the trapezoidal rule alone left
    // it off by factors of several.
    EXPECT_NEAR(row.ln_overheating, expected, 0.3) << "z = " << row.z;
    ++compared;
  }
  EXPECT_GT(compared, 10);
}

// Relative deviation of x_e and T_m from a history at a fine step, over
// 5 <= z <= 7500. The fast mode's rows lie on its input's grid, so at the same
// step its rows are the reference's redshifts.
struct Deviation {
  double x_e = 0, T_m = 0;
};

Deviation deviation(const primrec::History& h, const primrec::History& reference) {
  Deviation d;
  EXPECT_EQ(h.size(), reference.size());
  for (size_t i = 0; i < h.size() && i < reference.size(); ++i) {
    EXPECT_EQ(h.z[i], reference.z[i]);
    if (h.z[i] < 5 || h.z[i] > 7500) continue;
    d.x_e = std::max(d.x_e, std::fabs(h.x_e[i] / reference.x_e[i] - 1));
    d.T_m = std::max(d.T_m, std::fabs(h.T_m[i] / reference.T_m[i] - 1));
  }
  return d;
}

TEST(FastMode, HistoriesWithinTheToleranceOfAFineStep) {
  std::vector<std::pair<std::string, Parameters>> cases = {{"default, one level", quick(8000, 4, 1e-4, 1)}};
#ifndef PRIMREC_SLOW_BUILD
  Parameters varied = quick(9000, 2, 1e-4, 3);
  varied.e *= 1.03;
  varied.me *= 0.95;
  Parameters cosmology = quick(4000, 4, 1e-4, 2);
  cosmology.omega_b = 0.03;
  cosmology.H0 = 75;
  cosmology.T0 = 2.65;
  cases.push_back({"varied constants, three levels", varied});
  cases.push_back({"cosmology, two levels", cosmology});
#endif
  for (const auto& [what, p] : cases) {
    const Solution reference = primrec::solve(p);
    ASSERT_TRUE(reference.ok()) << what << ": " << reference.error;
    const Solution s = fast(p);
    ASSERT_TRUE(s.ok()) << what << ": " << s.error;
    const Deviation d = deviation(s.history, reference.history);
    EXPECT_LT(d.x_e, 1e-4) << what;
    EXPECT_LT(d.T_m, 1e-4) << what;
    EXPECT_LT(s.work.steps * 10, reference.work.steps) << what;  // far fewer steps than rows
  }
}

// The largest deviation of every column from a history at a fine step with the
// same rows, each as the error control measures it: a species against its
// element's nuclei added to its own abundance, the electrons and T_m relative.
double largest_column_deviation(const Solution& s, const Solution& reference, const Parameters& p) {
  const primrec::Constants cs = primrec::derive_constants(p);
  const primrec::History &h = s.history, &r = reference.history;
  EXPECT_EQ(h.size(), r.size());
  const std::vector<double> primrec::History::*species[] = {&primrec::History::HydI, &primrec::History::HydII,
                                                            &primrec::History::HeI, &primrec::History::HeII,
                                                            &primrec::History::HeIII};
  double largest = 0;
  for (size_t i = 0; i < h.size() && i < r.size(); ++i) {
    // The relaxation from the start state, which no balance is, takes the
    // reference itself (a fixed step) several hundred of its steps.
    if (std::log1p(h.z[i]) > std::log1p(p.z_begin) - 0.01) continue;
    for (int k = 0; k < 5; ++k) {
      const double expected = (r.*species[k])[i], share = k < 2 ? cs.X_N : cs.Y_N;
      largest = std::max(largest, std::fabs((h.*species[k])[i] - expected) / (std::fabs(expected) + share));
    }
    for (const auto column : {&primrec::History::el, &primrec::History::x_e, &primrec::History::T_m})
      largest = std::max(largest, std::fabs((h.*column)[i] / (r.*column)[i] - 1));
  }
  return largest;
}

// Errors that outlive their step are held over the part of the pass that
// carries them: helium's late recombination, where HeI and HeII follow their
// balance slowly, and the matter temperature where it leaves the radiation's
// (a hot universe, T0 = 8.5 K, decouples at z ~ 10), where the coupling its
// update holds fixed over a step changes fast while ln T is nearly straight.
TEST(FastMode, EveryColumnWithinTwiceTheTolerance) {
  struct Case {
    const char* what;
    Parameters p;
    double tolerance;
  };
  Parameters hot = quick(8000, 1, 5e-5, 1);
  hot.T0 = 8.5;
  const Case cases[] = {{"helium recombination", quick(3000, 1500, 2e-5, 1), 1e-6}, {"hot universe", hot, 1e-4}};
  for (const Case& c : cases) {
    Parameters p = c.p;
    p.convergence_norm = 1e-12;
    const Pair both = solved(p, c.tolerance);
    EXPECT_LT(largest_column_deviation(both.fast, both.reference, p), 2 * c.tolerance) << c.what;
  }
}

// A cold universe (T0 = 1.5 K) recombines early and fast: the first trial
// steps overshoot out of the physical range. They are taken again, shorter,
// instead of ending the solve; the history then agrees with the default mode's.
TEST(FastMode, AnUnusableTrialStepIsTakenAgainShorter) {
  Parameters p = quick(8000, 2000, 1e-4, 1);
  p.T0 = 1.5;
  const Solution reference = primrec::solve(p);
  ASSERT_TRUE(reference.ok()) << reference.error;
  const Solution s = fast(p);
  ASSERT_TRUE(s.ok()) << s.error;
  const Deviation d = deviation(s.history, reference.history);
  EXPECT_LT(d.x_e, 2e-4);
  EXPECT_LT(d.T_m, 2e-4);
}

// Where Compton scattering holds the matter to the radiation nothing happens
// and the steps grow long; the rows between them still follow T_r (1+z) to
// the tolerance, not to the error of a quadratic in T over a long step.
TEST(FastMode, RowsBetweenLongStepsKeepTheTemperatureToTheTolerance) {
  const Pair both = solved(quick(100000, 7000, 1e-3, 1), 1e-6);
  const Solution &s = both.fast, &reference = both.reference;
  ASSERT_EQ(s.history.size(), reference.history.size());
  double largest = 0;
  for (size_t i = 0; i < s.history.size(); ++i)
    largest = std::max(largest, std::fabs(s.history.T_m[i] / reference.history.T_m[i] - 1));
  EXPECT_LT(largest, 2e-6);
}

// The option in the C++ and C interfaces and the program, on one thread and
// two: the same bits everywhere.
TEST(FastMode, EveryInterfaceGivesTheSameFastHistory) {
  Parameters p = quick(8000, 200, 2e-3, 4);
  p.output_stride = 3;
  const Solution two = fast(p, 2), one = fast(p, 1);
  ASSERT_TRUE(two.ok()) << two.error;
  ASSERT_EQ(two.history.size(), one.history.size());
  EXPECT_EQ(std::memcmp(two.history.x_e.data(), one.history.x_e.data(), two.history.size() * sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(two.history.T_m.data(), one.history.T_m.data(), two.history.size() * sizeof(double)), 0);
  EXPECT_EQ(two.history.overheating.size(), one.history.overheating.size());
  // The rows keep the default mode's redshifts.
  EXPECT_EQ(two.history.z, primrec::solve(p).history.z);

  primrec_parameters c;
  primrec_default_parameters(&c);
  c.z_end = p.z_end;
  c.step = p.step;
  c.output_stride = p.output_stride;
  c.feedback_levels = p.feedback_levels;
  primrec_options options;
  primrec_default_options(&options);
  options.fast = 1;
  primrec_history* h = primrec_solve_with(&c, &options);
  ASSERT_EQ(primrec_status(h), PRIMREC_OK);
  ASSERT_EQ(primrec_rows(h), two.history.size());
  EXPECT_EQ(std::memcmp(primrec_column(h, PRIMREC_X_E), two.history.x_e.data(), two.history.size() * sizeof(double)),
            0);
  EXPECT_EQ(primrec_x_e_at(h, 1100), primrec::x_e_at(two.history, 1100));
  primrec_free(h);

  testing_support::ScratchDir dir;
  testing_support::Inputs in = testing_support::inputs_for("4", "8000", "200", "2e-3");
  in.stride = "3";
  testing_support::write_inputs(dir.path(), in);
  const auto result = testing_support::run_command(std::string("cd '") + dir.path() + "' && '" + PRIMREC_EXE +
                                                   "' --fast");
  ASSERT_EQ(result.exit_status, 0) << result.output;
  std::string el;
  char line[primrec::table_line_length];
  for (size_t i = 0; i < two.history.size(); ++i)
    el.append(line, primrec::format_table_line(line, two.history.z[i], two.history.el[i]));
  EXPECT_EQ(testing_support::read_file(dir.file("el.dat")), el);
}

// The edges of a fast run: rows inside its first step (helium starting singly
// ionised, so that the start's electrons are not 1), no row at all, a cancel,
// and tolerances it does not take.
TEST(FastMode, EdgesOfARun) {
  const Parameters fine_rows = quick(4000, 3900, 1e-5, 1);
  const Solution s = fast(fine_rows), reference = primrec::solve(fine_rows);
  ASSERT_TRUE(s.ok() && reference.ok());
  for (size_t i = 0; i < 20; ++i) EXPECT_NEAR(s.history.x_e[i], reference.history.x_e[i], 1e-4 * reference.history.x_e[i]);

  const Solution none = fast(quick(8000, 7995, 1e-3, 10));  // z_end above the first row: refused
  EXPECT_EQ(none.status, primrec::Status::input_error);
  EXPECT_EQ(none.work.steps, 0);

  std::atomic<bool> cancel{true};
  primrec::Options options;
  options.fast = true;
  options.cancel = &cancel;
  EXPECT_EQ(primrec::solve(quick(8000, 1, 1e-3, 10), options).status, primrec::Status::cancelled);

  for (double tolerance : {0.0, 1e-9, 0.02, std::nan("")}) {
    options.cancel = nullptr;
    options.tolerance = tolerance;
    const Solution refused = primrec::solve(primrec::default_parameters(), options);
    EXPECT_EQ(refused.status, primrec::Status::input_error) << tolerance;
    EXPECT_EQ(refused.error, "tolerance of the fast mode has to be between 1e-8 and 1e-2\n");
  }
  for (double tolerance : {1e-8, 1e-2}) {  // the ends of the range run
    options.tolerance = tolerance;
    EXPECT_TRUE(primrec::solve(quick(3000, 500, 1e-3, 1), options).ok()) << tolerance;
  }
}

// Between the rows, the quadratic through the nearest three; at a row, the row.
TEST(HistoryAt, RowsExactlyAndBetweenThemSmoothly) {
  const Solution s = primrec::solve(quick(3000, 500, 4e-3, 1));
  ASSERT_TRUE(s.ok());
  const primrec::History& h = s.history;
  for (size_t i = 0; i < h.size(); i += 37) {
    EXPECT_EQ(primrec::x_e_at(h, h.z[i]), h.x_e[i]);
    EXPECT_EQ(primrec::T_m_at(h, h.z[i]), h.T_m[i]);
  }
  for (size_t i = 0; i + 1 < h.size(); i += 41) {
    const double z = 0.5 * (h.z[i] + h.z[i + 1]);
    const double x = primrec::x_e_at(h, z);
    EXPECT_GE(x, std::min(h.x_e[i], h.x_e[i + 1]) * (1 - 1e-6));
    EXPECT_LE(x, std::max(h.x_e[i], h.x_e[i + 1]) * (1 + 1e-6));
  }
  EXPECT_TRUE(std::isnan(primrec::x_e_at(h, h.z.front() + 1)));
  EXPECT_TRUE(std::isnan(primrec::T_m_at(h, h.z.back() - 1)));
  EXPECT_TRUE(std::isnan(primrec::x_e_at(primrec::History{}, 1000)));
}

}  // namespace
