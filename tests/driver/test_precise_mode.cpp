// The precise mode: where it refuses to go and why, what it corrects and what
// it leaves, and the option in every interface.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/precise_correction.h"
#include "transfer/printed_numbers.h"
#include "primrec/primrec.h"
#include "primrec/primrec.hpp"
#include "support.h"

namespace {

using primrec::Parameters;

// The default cosmology with the range and step of a quick run: the precise
// mode's refusals do not look at the step or the end.
Parameters quick_precise() {
  Parameters p = primrec::default_parameters();
  p.z_end = 200;
  p.step = 4e-3;
  return p;
}

primrec::Options precise(bool fast = false) {
  primrec::Options o;
  o.precise = true;
  o.fast = fast;
  return o;
}

// Each bound of the box and each setting of the physics, just outside, is
// refused by name; just inside, accepted.
TEST(PreciseMode, RefusesOutsideTheBoxAndThePhysicsItWasFittedOn) {
  struct Case {
    const char* what;
    std::function<void(Parameters&)> change;
    std::string named;  // in the message
  };
  const double h2 = 0.6736 * 0.6736;
  const std::vector<Case> refused = {
      {"omega_b h^2 low", [&](Parameters& p) { p.omega_b = 0.0159 / h2; }, "omega_b h^2 = 0.0159 is outside 0.016 to 0.031"},
      {"omega_b h^2 high", [&](Parameters& p) { p.omega_b = 0.0311 / h2; }, "omega_b h^2 = 0.0311 is outside"},
      {"omega_m h^2 low", [&](Parameters& p) { p.omega_m = 0.099 / h2; p.omega_lambda = 1 - p.omega_m; },
       "omega_m h^2 = 0.099 is outside 0.1 to 0.2"},
      {"omega_m h^2 high", [&](Parameters& p) { p.omega_m = 0.201 / h2; p.omega_lambda = 1 - p.omega_m; },
       "omega_m h^2 = 0.201 is outside"},
      {"X_M low", [](Parameters& p) { p.X_M = 0.739; }, "X_M = 0.739 is outside 0.74 to 0.77"},
      {"X_M high", [](Parameters& p) { p.X_M = 0.771; }, "X_M = 0.771 is outside"},
      {"T0 low", [](Parameters& p) { p.T0 = 2.699; }, "T0 = 2.699 is outside 2.7 to 2.75"},
      {"T0 high", [](Parameters& p) { p.T0 = 2.751; }, "T0 = 2.751 is outside"},
      {"N_eff low", [](Parameters& p) { p.N_eff = 1.9; }, "N_eff = 1.9 is outside 2 to 4"},
      {"N_eff high", [](Parameters& p) { p.N_eff = 4.1; }, "N_eff = 4.1 is outside"},
      {"H0 low (omega h^2 kept)",
       [&](Parameters& p) { const double s = h2 / (0.549 * 0.549); p.H0 = 54.9; p.omega_b *= s; p.omega_m *= s;
                            p.omega_lambda = 1 - p.omega_m; }, "H0 = 54.9 is outside 55 to 85"},
      {"H0 high (omega h^2 kept)",
       [&](Parameters& p) { const double s = h2 / (0.851 * 0.851); p.H0 = 85.1; p.omega_b *= s; p.omega_m *= s;
                            p.omega_lambda = 1 - p.omega_m; }, "H0 = 85.1 is outside"},
      {"curved", [](Parameters& p) { p.omega_lambda -= 0.02; }, "from flat"},
      {"G", [](Parameters& p) { p.G *= 1.01; }, "G = "},
      {"hbar", [](Parameters& p) { p.hbar *= 1.01; }, "hbar = "},
      {"c", [](Parameters& p) { p.c *= 1.01; }, "c = "},
      {"me", [](Parameters& p) { p.me *= 1.01; }, "me = "},
      {"mp", [](Parameters& p) { p.mp *= 1.01; }, "mp = "},
      {"e", [](Parameters& p) { p.e *= 1.01; }, "e = "},
      {"kB", [](Parameters& p) { p.kB *= 1.01; }, "kB = "},
      {"F_H", [](Parameters& p) { p.F_H = 1.14; }, "F_H = 1.14, but the correction holds for F_H = 1.125 only"},
      {"feedback levels", [](Parameters& p) { p.feedback_levels = 1; }, "feedback_levels = 1, but"},
      {"z_begin", [](Parameters& p) { p.z_begin = 5000; }, "z_begin = 5000 is below 7000"},
  };
  for (const Case& c : refused) {
    Parameters p = quick_precise();
    c.change(p);
    ASSERT_TRUE(primrec::check_parameters(p).empty()) << c.what << ": legal values, refused by the mode alone";
    const primrec::Solution s = primrec::solve(p, precise());
    EXPECT_EQ(s.status, primrec::Status::input_error) << c.what;
    EXPECT_EQ(s.error.rfind("precise mode: ", 0), 0u) << c.what << ": " << s.error;
    EXPECT_NE(s.error.find(c.named), std::string::npos) << c.what << ": " << s.error;
    EXPECT_EQ(s.error.back(), '\n') << c.what;
    EXPECT_TRUE(primrec::solve(p).ok()) << c.what << ": the default mode runs it";
  }
  const std::vector<std::function<void(Parameters&)>> inside = {
      [&](Parameters& p) { p.omega_b = 0.0161 / h2; }, [&](Parameters& p) { p.omega_b = 0.0309 / h2; },
      [](Parameters& p) { p.X_M = 0.741; },          [](Parameters& p) { p.T0 = 2.749; },
      [](Parameters& p) { p.N_eff = 3.046; },        [](Parameters& p) { p.omega_lambda -= 0.009; },
      [](Parameters& p) { p.z_begin = 9000; }};
  for (const auto& change : inside) {
    Parameters p = quick_precise();
    change(p);
    EXPECT_EQ(primrec::precise_refusal(p), "");
  }
}

// The correction multiplies x_e, the el column and T_m by factors near 1, the
// same for x_e and el, and nothing else: the species, the redshifts and the
// overheating rows are the model's. Above z = 8000 nothing is corrected.
TEST(PreciseMode, CorrectsXeElAndTmOnly) {
  Parameters p = quick_precise();
  p.z_begin = 9000;
  p.z_end = 30;
  p.step = 2e-3;
  p.A_perturbation_H = 0.3;  // the bump still multiplies the printed column
  const primrec::Solution model = primrec::solve(p), corrected = primrec::solve(p, precise());
  ASSERT_TRUE(model.ok() && corrected.ok()) << corrected.error;
  const primrec::History &a = model.history, &b = corrected.history;
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(a.overheating.size(), b.overheating.size());
  bool moved = false;
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a.z[i], b.z[i]);
    EXPECT_EQ(a.HydI[i], b.HydI[i]);
    EXPECT_EQ(a.HeII[i], b.HeII[i]);
    const double fx = b.x_e[i] / a.x_e[i], fT = b.T_m[i] / a.T_m[i];
    EXPECT_NEAR(b.el[i] / a.el[i], fx, 1e-15) << a.z[i];
    EXPECT_LT(std::fabs(fx - 1), 0.03) << a.z[i];
    EXPECT_LT(std::fabs(fT - 1), 2e-3) << a.z[i];
    if (a.z[i] > 8000) {
      EXPECT_EQ(fx, 1.0) << a.z[i];
      EXPECT_EQ(fT, 1.0) << a.z[i];
    }
    moved = moved || std::fabs(fx - 1) > 1e-3;
  }
  EXPECT_TRUE(moved) << "through hydrogen recombination the multi-level atom differs by about 1 %";
}

// C++ (in memory, streamed, on two threads), C and the program give the same
// corrected bits; with the fast mode too.
TEST(PreciseMode, EveryInterfaceGivesTheSameCorrectedHistory) {
  const Parameters p = quick_precise();
  for (const bool fast : {false, true}) {
    const primrec::Solution s = primrec::solve(p, precise(fast));
    ASSERT_TRUE(s.ok()) << s.error;
    primrec::Options two = precise(fast);
    two.threads = 2;
    const primrec::Solution t = primrec::solve(p, two);
    ASSERT_EQ(t.history.x_e, s.history.x_e);
    ASSERT_EQ(t.history.T_m, s.history.T_m);

    primrec_parameters c;
    primrec_default_parameters(&c);
    c.z_end = p.z_end;
    c.step = p.step;
    primrec_options o;
    primrec_default_options(&o);
    EXPECT_EQ(o.precise, 0);
    o.precise = 1;
    o.fast = fast;
    const std::unique_ptr<primrec_history, void (*)(primrec_history*)> h(primrec_solve_with(&c, &o), primrec_free);
    ASSERT_EQ(primrec_status(h.get()), PRIMREC_OK) << primrec_message(h.get());
    ASSERT_EQ(primrec_rows(h.get()), s.history.size());
    for (size_t i = 0; i < s.history.size(); ++i) {
      ASSERT_EQ(primrec_column(h.get(), PRIMREC_X_E)[i], s.history.x_e[i]);
      ASSERT_EQ(primrec_column(h.get(), PRIMREC_T_M)[i], s.history.T_m[i]);
    }

    testing_support::ScratchDir dir;
    testing_support::Inputs in;
    in.z_end = "200";
    in.step = "4e-3";
    testing_support::write_inputs(dir.path(), in);
    const auto run = testing_support::run_command(std::string(PRIMREC_EXE) + (fast ? " --fast" : "") +
                                                  " --precise " + dir.path());
    ASSERT_EQ(run.exit_status, 0) << run.output;
    const auto el = testing_support::read_table(dir.file("el.dat"));
    ASSERT_EQ(el.size(), s.history.size());
    for (size_t i = 0; i < el.size(); ++i)
      ASSERT_EQ(el[i].second, primrec::printed_value(s.history.el[i])) << i;
  }
}

}  // namespace
