// Optical depth and visibility: a history with a closed-form integral, and the
// summary of whole runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "shell/summary_tables.h"
#include "support.h"
#include "transfer/optical_depth.h"

using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

// Matter only (omega_m = 1, nothing else): H = H0 (1+z)^(3/2), so with x_e
// constant dtau/dz = A (1+z)^(1/2), A = x_e N0_H sigma_T c / H0, and
// tau(z) = (2/3) A ((1+z)^(3/2) - 1).
primrec::Constants matter_only() {
  primrec::Constants cs = testing_support::laboratory_constants();
  cs.H0 = 70 * primrec::km_per_Mpc_inverse;
  cs.omega_m = 1;
  cs.omega_lambda = cs.omega_k = cs.omega_gamma = cs.omega_nu_rel = 0;
  cs.N0_H = 2e-7;
  return cs;
}

TEST(MatterOnly, DepthOfAConstantIonisationHasItsClosedForm) {
  const primrec::Constants cs = matter_only();
  const double x_e = 0.3, A = x_e * cs.N0_H * cs.sigma_t * cs.c / cs.H0;
  std::vector<double> z;  // as a run gives them: descending, equal steps in ln(1+z)
  for (double l = std::log(3001.0); l >= std::log(1.5); l -= 1e-3) z.push_back(std::exp(l) - 1);
  const primrec::LastScattering result = optical_depth(cs, z, std::vector<double>(z.size(), x_e));
  EXPECT_NEAR(result.continued_below, z.back(), 0.0) << "the history stops at z = 0.5";
  for (const primrec::VisibilityPoint& p : result.points) {
    const double exact = 2.0 / 3.0 * A * (std::pow(1 + p.z, 1.5) - 1);
    ASSERT_NEAR(p.tau / exact, 1.0, 1e-6) << "z = " << p.z;
    // An error d in tau is an error d relative in g.
    ASSERT_NEAR(p.g, A * std::sqrt(1 + p.z) * std::exp(-exact), 1e-6 * p.g * std::max(1.0, exact));
  }
  // tau = 1 where (1+z)^(3/2) = 1 + 3 / (2 A).
  EXPECT_NEAR(result.z_star, std::pow(1 + 1.5 / A, 2.0 / 3.0) - 1, 1e-3);
  // d ln g / dz = 1 / (2 (1+z)) - A (1+z)^(1/2) vanishes at (1+z)^(3/2) = 1 / (2 A).
  const double z_peak = std::pow(1 / (2 * A), 2.0 / 3.0) - 1;
  ASSERT_GT(z_peak, 10);
  EXPECT_NEAR(result.z_peak, z_peak, 1e-4 * z_peak);
  EXPECT_GT(result.peak_full_width, 0);
}

TEST(Interpolation, BetweenRowsAndNothingOutside) {
  const std::vector<table_row> rows = {{3, 30}, {2, 20}, {1, 10}};
  EXPECT_EQ(value_at(rows, 2.5), 25.0);
  EXPECT_EQ(value_at(rows, 1.0), 10.0);
  EXPECT_TRUE(std::isnan(value_at(rows, 0.5)));
}

struct SummaryRun {
  int exit_status;
  std::string output;
};

SummaryRun summarise(const std::string& dir) {
  const auto result = testing_support::run_command("'" PRIMREC_SUMMARY_EXE "' '" + dir + "'");
  return {result.exit_status, result.output};
}

TEST(Summary, LastScatteringOfTheDefaultRun) {
  ScratchDir dir;
  testing_support::copy_default_inputs(dir.path());
  ASSERT_EQ(testing_support::run_primrec_in(dir.path()).exit_status, 0);
  const SummaryRun summary = summarise(dir.path());
  ASSERT_EQ(summary.exit_status, 0) << summary.output;
  const auto value = [&](const std::string& label) {
    const size_t at = summary.output.find("\n" + label + " = ");
    EXPECT_NE(at, std::string::npos) << label;
    return std::stod(summary.output.substr(at + label.size() + 4));
  };
  EXPECT_EQ(summary.output.rfind("note: el.dat ends at z = 1.0003493", 0), 0u) << summary.output;
  EXPECT_NEAR(value("z_star"), 1090.1, 0.05);
  EXPECT_NEAR(value("z_visibility_peak"), 1080, 15);
  EXPECT_GT(value("visibility_full_width_half_maximum"), 100);
  EXPECT_LT(value("visibility_full_width_half_maximum"), 300);
  EXPECT_NEAR(value("T_m(1100)") / (2.7255 * 1101), 1.0, 1e-3);
  EXPECT_LT(value("T_m(200)"), 2.7255 * 201);
  EXPECT_GT(value("x_e(1100)"), value("x_e(200)"));
  const auto visibility = testing_support::read_lines(dir.file("visibility.dat"));
  EXPECT_EQ(visibility.size(), testing_support::read_lines(dir.file("el.dat")).size());
}

TEST(Summary, FilesItCannotUseAreNamed) {
  EXPECT_EQ(summarise("/nonexistent/directory").exit_status, 1);
  EXPECT_EQ(testing_support::run_command("'" PRIMREC_SUMMARY_EXE "'").exit_status, 1);

  ScratchDir dir;
  SummaryRun summary = summarise(dir.path());
  EXPECT_EQ(summary.exit_status, 1);
  EXPECT_EQ(summary.output, "error of opening file fund.in\n");
  EXPECT_FALSE(testing_support::file_exists(dir.file("HydI.dat"))) << "the summary creates no tables";

  testing_support::copy_default_inputs(dir.path());
  summary = summarise(dir.path());
  EXPECT_EQ(summary.exit_status, 1);
  EXPECT_EQ(summary.output, "primrec-summary: el.dat cannot be opened\n");

  write_file(dir.file("el.dat"), "1000 0.5\n900 0.3\nnan 0.2\n");
  summary = summarise(dir.path());
  EXPECT_EQ(summary.output, "primrec-summary: el.dat line 3 is not two finite numbers\n");
  write_file(dir.file("el.dat"), "1000 0.5\n900 0.3\n800 0.2\n");
  summary = summarise(dir.path());
  EXPECT_EQ(summary.output, "primrec-summary: T_matter.dat cannot be opened\n");
  write_file(dir.file("T_matter.dat"), "1000 2000\n900\n");
  summary = summarise(dir.path());
  EXPECT_EQ(summary.output, "primrec-summary: T_matter.dat line 2 is not two finite numbers\n");
  EXPECT_EQ(summary.exit_status, 1);
}

}  // namespace
