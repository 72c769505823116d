// Values that pass their checks but are almost surely a cosmologist's slip:
// each is named, with the value and what was probably meant, and never stops
// a run; the program shows them on standard error beside the file line, and
// standard output keeps its bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "primrec/primrec.hpp"
#include "support.h"

namespace {

using primrec::Parameters;
using testing_support::run_command;
using testing_support::ScratchDir;

std::string joined(const std::vector<primrec::PlausibilityWarning>& warnings) {
  std::string all;
  for (const auto& w : warnings) all += w.parameter + ": " + w.message + "\n";
  return all;
}

TEST(Plausibility, UsualCosmologiesGiveNoWarning) {
  EXPECT_EQ(joined(primrec::plausibility_warnings(primrec::default_parameters())), "");
  Parameters p = primrec::default_parameters();  // WMAP-like, and varied constants within percents
  p.H0 = 70;
  p.omega_m = 0.27;
  p.omega_lambda = 0.73;
  p.omega_b = 0.045;
  p.X_M = 0.76;
  p.T0 = 2.725;
  p.hbar *= 1.05;
  EXPECT_EQ(joined(primrec::plausibility_warnings(p)), "");
  // A small Omega_b of a large H0 is still a usual baryon density:
  // Omega_b h^2 = 0.0271 * 0.82^2 = 0.0182.
  p.H0 = 82;
  p.omega_b = 0.0271;
  EXPECT_EQ(joined(primrec::plausibility_warnings(p)), "");
}

// The mistakes, each alone, with the value named and the intended value worked
// out by hand: 100 h, Omega_b = omega_b / h^2 (0.0224 / 0.6736^2 = 0.04937),
// 1 - Y_p, hbar = h / 2 pi.
TEST(Plausibility, EachMistakeIsNamedWithWhatWasMeant) {
  struct Mistake {
    std::function<void(Parameters&)> make;
    std::string parameter;
    std::vector<std::string> said;
  };
  const std::vector<Mistake> mistakes = {
      {[](Parameters& p) { p.H0 = 0.6736; }, "H0", {"H0 = 0.6736", "km/s/Mpc", "H0 = 100 h = 67.36?"}},
      {[](Parameters& p) { p.omega_b = 0.0224; },
       "omega_b",
       {"omega_b = 0.0224", "omega_b is Omega_b, not Omega_b h^2", "= 0.0493"}},
      {[](Parameters& p) {
         p.omega_b = 0.3153;
         p.omega_m = 0.0493;
         p.omega_lambda = 0.9507;
       },
       "omega_b",
       {"omega_b = 0.3153 exceeds omega_m = 0.0493", "swapped"}},
      {[](Parameters& p) { p.omega_lambda = 0.3153; },
       "omega_lambda",
       {"omega_lambda = 0.3153", "1 - omega_m - omega_lambda = 0.3694", "omega_lambda = 1 - omega_m = 0.6847?"}},
      {[](Parameters& p) { p.X_M = 0.2453; }, "X_M", {"X_M = 0.2453", "helium fraction Y_p", "1 - Y_p = 0.7547"}},
      {[](Parameters& p) { p.X_M = 0.95; }, "X_M", {"X_M = 0.95", "about 0.75"}},
      {[](Parameters& p) { p.T0 = 2725.5; }, "T0", {"T0 = 2725.5 K", "2.7255 K"}},
      {[](Parameters& p) { p.T0 = 1.9; }, "T0", {"T0 = 1.9 K"}},
      {[](Parameters& p) { p.hbar = 0.674; }, "hbar", {"hbar = 0.674 erg s", "Hubble parameter", "H0 = 100 h = 67.4"}},
      {[](Parameters& p) { p.hbar = 6.62606896e-27; }, "hbar", {"hbar = 6.62606896e-27", "2 pi hbar", "hbar = 1.05457e-27"}},
      {[](Parameters& p) { p.hbar = 1.054571628e-34; }, "hbar", {"hbar = 1.054571628e-34", "1.054571628e-27 erg s"}},
  };
  for (const Mistake& mistake : mistakes) {
    Parameters p = primrec::default_parameters();
    mistake.make(p);
    ASSERT_EQ(primrec::check_parameters(p), "") << "a legal value";
    const auto warnings = primrec::plausibility_warnings(p);
    ASSERT_EQ(warnings.size(), 1u) << joined(warnings);
    EXPECT_EQ(warnings[0].parameter, mistake.parameter) << warnings[0].message;
    for (const std::string& part : mistake.said)
      EXPECT_NE(warnings[0].message.find(part), std::string::npos) << part << " in: " << warnings[0].message;
    EXPECT_EQ(warnings[0].message.find('\n'), std::string::npos);
  }
}

// The program: the warning on standard error after the file line of the
// value; standard output as without it; the run goes on. --check the same. A
// breakdown points to --check.
TEST(Plausibility, TheProgramWarnsOnStandardErrorWithTheFileLine) {
  ScratchDir dir;
  auto inputs = testing_support::inputs_for("1", "3000", "1000", "1e-2");
  inputs.H0 = "0.6736";
  testing_support::write_inputs(dir.path(), inputs);
  const std::string program = "cd '" + dir.path() + "' && '" PRIMREC_EXE "' ";
  const std::string warning = "warning: cosm_p.in:1: H0 = 0.6736 is in km/s/Mpc: did you mean H0 = 100 h = 67.36?\n";
  for (const char* arguments : {"", "--check"}) {
    const auto errors = run_command(program + arguments + " 2>&1 >/dev/null");
    EXPECT_EQ(errors.exit_status, 0) << arguments;
    EXPECT_EQ(errors.output, warning) << arguments;
    EXPECT_EQ(run_command(program + arguments + " 2>/dev/null").output.find("0.6736 is"), std::string::npos);
  }
  EXPECT_EQ(run_command(program + "2>/dev/null").output, "");

  inputs.H0 = "67.36";
  inputs.A_perturbation_H = "-2";  // an impossible dip in the electrons: a breakdown
  testing_support::write_inputs(dir.path(), inputs);
  const auto broken = run_command(program + "2>&1 >/dev/null");
  EXPECT_EQ(broken.exit_status, 1);
  EXPECT_NE(broken.output.find("primrec --check"), std::string::npos) << broken.output;
}

}  // namespace
