// Whole single-pass histories: conservation, the step grid, the output stride,
// the start state and the convergence cap.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support.h"

using testing_support::Inputs;
using testing_support::read_lines;
using testing_support::read_table;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;
using testing_support::write_inputs;

namespace {

const char* const tables[] = {"HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat"};

Inputs single_pass(const std::string& z_begin, const std::string& z_end, const std::string& step) {
  return testing_support::inputs_for("1", z_begin, z_end, step);
}

// Number fractions of hydrogen and helium among the nuclei for X_M = 0.7547.
const double Y_over_X = (1 - 0.7547) / 3.9715 / 0.7547;
const double X_N = 1 / (1 + Y_over_X);
const double Y_N = Y_over_X / (1 + Y_over_X);

TEST(History, ConservesHydrogenAndHeliumNucleiAndStaysPhysical) {
  ScratchDir dir;
  Inputs inputs = single_pass("8000", "1", "3e-3");
  // The sums are conserved up to the distance of the converged iterate from the
  // true fixed point, which is several times the last change the norm sees
  // (about 35 norms during hydrogen recombination at norm 1e-8). A tight norm
  // leaves the 8 printed digits as the limit.
  inputs.norm = "1e-10";
  write_inputs(dir.path(), inputs);
  const auto result = run_primrec_in(dir.path());
  ASSERT_EQ(result.exit_status, 0) << result.output;
  EXPECT_EQ(result.output, "");
  const auto HydI = read_table(dir.file("HydI.dat")), HydII = read_table(dir.file("HydII.dat")),
             HeI = read_table(dir.file("HeI.dat")), HeII = read_table(dir.file("HeII.dat")),
             HeIII = read_table(dir.file("HeIII.dat")), el = read_table(dir.file("el.dat"));
  ASSERT_GT(HydI.size(), 1000u);
  // Every reaction moves abundance between the stages of one element.
  for (size_t i = 0; i < HydI.size(); ++i) {
    EXPECT_NEAR(HydI[i].second + HydII[i].second, X_N, 3e-8) << "z = " << HydI[i].first;
    EXPECT_NEAR(HeI[i].second + HeII[i].second + HeIII[i].second, Y_N, 3e-8) << "z = " << HeI[i].first;
    // Electrons per hydrogen nucleus: HII + HeII + 2 HeIII, over X_N.
    const double x_e = (HydII[i].second + HeII[i].second + 2 * HeIII[i].second) / X_N;
    EXPECT_NEAR(el[i].second / x_e, 1.0, 2e-7) << "z = " << el[i].first;
    for (const auto* table : {&HydI, &HydII, &HeI, &HeII, &HeIII, &el}) {
      EXPECT_TRUE(std::isfinite((*table)[i].second));
      EXPECT_GE((*table)[i].second, -1e-12);
    }
  }
  // The sequence of the physics: helium doubly ionised at the start, HeIII ->
  // HeII done by z ~ 5000, HeII -> HeI done by z ~ 1600, hydrogen half
  // recombined near 1100-1300, and a residual ionisation of 1e-4..1e-3 at the end.
  auto at = [&](const std::vector<std::pair<double, double>>& table, double zz) -> double {
    for (const auto& row : table)
      if (row.first <= zz) return row.second;
    return NAN;
  };
  EXPECT_NEAR(at(HeIII, 7990) / Y_N, 1.0, 0.01);
  EXPECT_LT(at(HeIII, 5000) / Y_N, 0.01);
  EXPECT_GT(at(HeII, 3000) / Y_N, 0.9);
  EXPECT_LT(at(HeII, 1600) / Y_N, 0.01);
  EXPECT_GT(at(el, 1400), 0.5);
  EXPECT_LT(at(el, 1000), 0.5);
  EXPECT_GT(el.back().second, 1e-4);
  EXPECT_LT(el.back().second, 1e-3);
  // Nearly fully ionised one step below 8000 (Saha leaves ~1e-5 of helium as HeII).
  EXPECT_NEAR(el.front().second, 1 + 2 * Y_over_X, 1e-4);
}

TEST(History, FirstLineIsOneStepBelowTheStartAndTheStrideThinsTheTables) {
  ScratchDir every, tenth;
  Inputs inputs = single_pass("3000", "2000", "1e-2");
  write_inputs(every.path(), inputs);
  inputs.stride = "10";
  write_inputs(tenth.path(), inputs);
  ASSERT_EQ(run_primrec_in(every.path()).exit_status, 0);
  ASSERT_EQ(run_primrec_in(tenth.path()).exit_status, 0);

  // Steps at ln(3001) - k 0.01 while not below ln(2001): k = 1 .. 40.
  const double last_k = std::floor((std::log(3001.0) - std::log(2001.0)) / 1e-2);
  for (const char* table : tables) {
    const auto all = read_lines(every.file(table));
    const auto thinned = read_lines(tenth.file(table));
    ASSERT_EQ(all.size(), static_cast<size_t>(last_k)) << table;
    ASSERT_EQ(thinned.size(), (all.size() + 9) / 10) << table;
    for (size_t i = 0; i < thinned.size(); ++i) EXPECT_EQ(thinned[i], all[10 * i]) << table << " line " << i;
  }
  const auto el = read_table(every.file("el.dat"));
  EXPECT_NEAR(el.front().first, std::exp(std::log(3001.0) - 1e-2) - 1, 1e-4);
  EXPECT_GE(el.back().first, 2000.0);
}

// A step whose first would fall below z_end leaves no row: refused as a step
// out of its range, rather than a run that completes with empty tables. The
// largest step that still gives a row runs.
TEST(History, AStepWhoseFirstWouldFallBelowTheEndIsRefused) {
  ScratchDir dir, widest;
  for (const char* step : {"1e-2", "1e308"}) {
    write_inputs(dir.path(), single_pass("3000", "2999", step));
    const auto result = run_primrec_in(dir.path());
    EXPECT_EQ(result.output, "absolute value of integration step and convergence norm should be positive and double\n");
    EXPECT_EQ(result.exit_status, 1) << step;
    for (const char* table : tables) EXPECT_FALSE(testing_support::file_exists(dir.file(table))) << table;
  }
  // ln(3001) - ln(2991) = 3.3378e-3: a step just below it gives one row.
  write_inputs(widest.path(), single_pass("3000", "2990", "3.337e-3"));
  ASSERT_EQ(run_primrec_in(widest.path()).exit_status, 0);
  EXPECT_EQ(read_lines(widest.file("el.dat")).size(), 1u);
}

TEST(History, HeliumStartsSinglyIonisedUpTo5000AndDoublyFrom7000) {
  ScratchDir low, high;
  write_inputs(low.path(), single_pass("5000", "4990", "1e-3"));
  write_inputs(high.path(), single_pass("7000", "6990", "1e-3"));
  ASSERT_EQ(run_primrec_in(low.path()).exit_status, 0);
  ASSERT_EQ(run_primrec_in(high.path()).exit_status, 0);
  // From 5000 helium starts as HeII; the blackbody re-ionises the couple of
  // per cent that Saha equilibrium wants as HeIII there. From 7000 it starts
  // as HeIII and most of it still is.
  EXPECT_GT(read_table(low.file("HeII.dat")).front().second / Y_N, 0.95);
  EXPECT_LT(read_table(low.file("HeIII.dat")).front().second / Y_N, 0.05);
  EXPECT_GT(read_table(high.file("HeIII.dat")).front().second / Y_N, 0.9);
}

TEST(History, AStepThatCannotConvergeIsReportedAndTheRunGoesOn) {
  ScratchDir dir;
  Inputs inputs = single_pass("8000", "7000", "1e-3");
  inputs.norm = "1e-300";  // below the last-bit wobble of the fixed point
  write_inputs(dir.path(), inputs);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.exit_status, 0);
  ASSERT_NE(result.output.find("inner iteration did not converge at z = "), std::string::npos) << result.output;
  const auto lines = read_lines(dir.file("el.dat"));
  const double steps = std::floor((std::log(8001.0) - std::log(7001.0)) / 1e-3);
  EXPECT_EQ(lines.size(), static_cast<size_t>(steps));
  // Each message names the z of its step, as "%.8g".
  const std::string first = result.output.substr(0, result.output.find('\n'));
  const std::string z_text = first.substr(std::string("inner iteration did not converge at z = ").size());
  bool found = false;
  for (const auto& line : lines) found = found || line.substr(0, line.find(' ')) == z_text;
  EXPECT_TRUE(found) << first;
}

}  // namespace

namespace {

// A closed universe with a large cosmological constant has no expansion rate
// below z ~ 9.4 (H^2 < 0): the run stops there, fails, and publishes nothing.
TEST(History, AStepThatBreaksDownStopsTheRunAndPublishesNothing) {
  ScratchDir dir;
  Inputs inputs = single_pass("3000", "1", "1e-2");
  inputs.omega_lambda = "4";
  write_inputs(dir.path(), inputs);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.exit_status, 1);
  ASSERT_EQ(result.output.rfind("non-finite result at z = ", 0), 0u) << result.output;
  const double z_stop = std::stod(result.output.substr(std::string("non-finite result at z = ").size()));
  EXPECT_GT(z_stop, 5.0);
  EXPECT_LT(z_stop, 20.0);
  EXPECT_EQ(testing_support::directory_entries(dir.path()).size(), 5u) << "the five inputs, nothing else";
}

// Results that no physics allows stop the run before they are written: a
// threshold that lets helium leak away, a step that jumps from z = 8000 to 6
// and leaves the matter far hotter than the radiation, an expansion too fast
// to converge, a perturbation that makes the electron column negative.
TEST(History, ImpossibleResultsStopTheRun) {
  struct Case {
    const char* what;
    void (*change)(Inputs&);
  };
  const Case cases[] = {
      {"norm 1e-2", [](Inputs& in) { in.norm = "1e-2"; }},
      {"step 7", [](Inputs& in) { in.step = "7"; }},
      {"H0 1e6", [](Inputs& in) { in.H0 = "1e6"; }},
      {"A_perturbation_H -2", [](Inputs& in) { in.A_perturbation_H = "-2"; }},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    Inputs inputs;
    c.change(inputs);
    write_inputs(dir.path(), inputs);
    const auto result = run_primrec_in(dir.path());
    EXPECT_EQ(result.exit_status, 1) << c.what;
    EXPECT_NE(result.output.find("result out of physical range at z = "), std::string::npos)
        << c.what << ": " << result.output;
    EXPECT_EQ(testing_support::directory_entries(dir.path()).size(), 5u) << c.what << ": nothing published";
  }
}

// Constants that keep helium doubly ionised below z = 5000, with a start at 5000
// in the singly ionised state: the first steps cannot follow the transient.
TEST(History, VariedConstantsWithALateStartStopInTheFirstSteps) {
  ScratchDir dir;
  Inputs inputs = single_pass("5000", "1", "1e-3");
  inputs.e = "7e-10";
  inputs.me = "1e-27";
  write_inputs(dir.path(), inputs);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.exit_status, 1);
  ASSERT_EQ(result.output.rfind("non-finite result at z = ", 0), 0u) << result.output;
  EXPECT_GT(std::stod(result.output.substr(std::string("non-finite result at z = ").size())), 4980.0);
  for (const char* table : tables) {
    EXPECT_LE(read_lines(dir.file(table)).size(), 2u) << table;
    for (const auto& row : read_table(dir.file(table))) EXPECT_TRUE(std::isfinite(row.second)) << table;
  }
}

}  // namespace

namespace {

// The matter temperature table: the redshifts of the other tables, a
// temperature never above the radiation's (up to the printed digits), equal to
// it at first and well below it once Compton scattering has let go.
TEST(History, MatterTemperatureFollowsTheRadiationThenFallsBelow) {
  ScratchDir dir;
  Inputs inputs = single_pass("8000", "1", "1e-2");
  inputs.stride = "3";
  write_inputs(dir.path(), inputs);
  ASSERT_EQ(run_primrec_in(dir.path()).exit_status, 0);
  const auto T = read_table(dir.file("T_matter.dat"));
  const auto el = read_table(dir.file("el.dat"));
  ASSERT_EQ(T.size(), el.size());
  ASSERT_GT(T.size(), 100u);
  const double T0 = 2.7255;
  for (size_t i = 0; i < T.size(); ++i) {
    EXPECT_EQ(T[i].first, el[i].first);
    EXPECT_LE(T[i].second, (1 + T[i].first) * T0 * (1 + 5e-9)) << "z = " << T[i].first;
    EXPECT_GT(T[i].second, 0.0);
  }
  EXPECT_NEAR(T.front().second / ((1 + T.front().first) * T0), 1.0, 1e-6);
  EXPECT_LT(T.back().second / ((1 + T.back().first) * T0), 0.1) << "adiabatic by z ~ 1";
}

}  // namespace

namespace {

// The perturbation amplitude is not checked; an infinite one must still not
// reach el.dat as inf with a run that reports success.
TEST(History, AnInfinitePerturbationStopsTheRun) {
  ScratchDir dir;
  Inputs inputs = single_pass("3000", "2000", "1e-2");
  inputs.A_perturbation_H = "inf";
  write_inputs(dir.path(), inputs);
  const auto result = run_primrec_in(dir.path());
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.output.rfind("non-finite result at z = ", 0), 0u) << result.output;
  EXPECT_TRUE(read_lines(dir.file("el.dat")).empty());
}

}  // namespace
