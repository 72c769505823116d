// Values that pass their checks but are almost surely a mistake: the usual
// slips of a cosmologist filling in the input files (little h for H0, the
// physical baryon density for the density parameter, the helium fraction for
// the hydrogen one, Planck's h for hbar). Each warning names the value and
// what was probably meant; none stops a solve.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "primrec/primrec.hpp"

namespace primrec {
namespace {

// The laboratory value of the reduced Planck constant [erg s]. A run with
// varied constants moves it by percents, not by a factor of two.
constexpr double laboratory_hbar = 1.054571628e-27;
constexpr double pi = 3.14159265358979323846;

// The shortest text that reads back as the value.
std::string shortest(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// A value worked out from the inputs, to six digits: what to write instead.
std::string rounded(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

bool within(double value, double low, double high) { return value >= low && value <= high; }

// Planck's h = 2 pi hbar given for hbar, the Hubble parameter h given for hbar
// (in Python, h= reads as the label of fund.in), or another value far off.
void warn_of_hbar(const Parameters& p, std::vector<PlausibilityWarning>& out) {
  const double ratio = p.hbar / laboratory_hbar;
  if (within(ratio, 0.5, 2.0)) return;
  std::string message = "hbar = " + shortest(p.hbar) + " erg s (h in fund.in) is far from the reduced Planck constant " +
                        shortest(laboratory_hbar) + " erg s: ";
  if (within(ratio / (2 * pi), 0.9, 1.1))
    message += "did you give Planck's h = 2 pi hbar? hbar = " + rounded(p.hbar / (2 * pi));
  else if (within(p.hbar, 0.2, 1.5))
    message += "did you mean the Hubble parameter h? It is H0 = 100 h = " + rounded(100 * p.hbar) +
               " km/s/Mpc; hbar keeps " + shortest(laboratory_hbar);
  else
    message += "did you mean hbar = " + shortest(laboratory_hbar) + " erg s?";
  out.push_back({"hbar", message});
}

void warn_of_little_h(const Parameters& p, std::vector<PlausibilityWarning>& out) {
  if (p.H0 >= 20) return;
  out.push_back({"H0", "H0 = " + shortest(p.H0) + " is in km/s/Mpc: did you mean H0 = 100 h = " +
                           rounded(100 * p.H0) + "?"});
}

// The densities of matter and the cosmological constant of a near-flat
// universe add up to about 1.
void warn_of_curvature(const Parameters& p, std::vector<PlausibilityWarning>& out) {
  const double curvature = 1 - p.omega_m - p.omega_lambda;
  if (!(std::fabs(curvature) > 0.1)) return;
  out.push_back({"omega_lambda", "omega_m = " + shortest(p.omega_m) + " and omega_lambda = " +
                                     shortest(p.omega_lambda) + " leave a curvature 1 - omega_m - omega_lambda = " +
                                     rounded(curvature) + ": did you mean omega_lambda = 1 - omega_m = " +
                                     rounded(1 - p.omega_m) + "?"});
}

// A value that is a usual physical baryon density Omega_b h^2 (about 0.022)
// and, taken as Omega_b, would give one far below it: the CMB and
// nucleosynthesis put Omega_b h^2 between about 0.015 and 0.03.
void warn_of_physical_density(const Parameters& p, std::vector<PlausibilityWarning>& out) {
  const double h = p.H0 / 100;
  const double physical_density = p.omega_b * h * h;
  if (!within(p.omega_b, 0.005, 0.03) || !(physical_density < 0.015)) return;
  out.push_back({"omega_b", "omega_b = " + shortest(p.omega_b) + " looks like Omega_b h^2 (as Omega_b it gives " +
                                "Omega_b h^2 = " + rounded(physical_density) +
                                "): omega_b is Omega_b, not Omega_b h^2; did you mean omega_b = " +
                                shortest(p.omega_b) + " / h^2 = " + rounded(p.omega_b / (h * h)) + "?"});
}

// omega_m counts all the matter, the baryons among it.
void warn_of_baryons_above_matter(const Parameters& p, std::vector<PlausibilityWarning>& out) {
  if (!(p.omega_b > p.omega_m)) return;
  out.push_back({"omega_b", "omega_b = " + shortest(p.omega_b) + " exceeds omega_m = " + shortest(p.omega_m) +
                                ", which counts all the matter, baryons included: are the two swapped?"});
}

// About 0.75 from nucleosynthesis; below 0.5 it is most likely the helium
// fraction Y_p = 1 - X_M.
void warn_of_hydrogen_fraction(const Parameters& p, std::vector<PlausibilityWarning>& out) {
  if (within(p.X_M, 0.6, 0.8)) return;
  std::string message = "X_M = " + shortest(p.X_M) + " is the hydrogen mass fraction of the baryons, about 0.75: ";
  if (p.X_M < 0.5)
    message += "did you give the helium fraction Y_p? X_M = 1 - Y_p = " + rounded(1 - p.X_M);
  else
    message += "did you mean X_M = 1 - Y_p, about 0.75?";
  out.push_back({"X_M", message});
}

// The radiation temperature today, 2.7255 K as measured.
void warn_of_radiation_temperature(const Parameters& p, std::vector<PlausibilityWarning>& out) {
  if (within(p.T0, 2, 3.5)) return;
  out.push_back({"T0", "T0 = " + shortest(p.T0) + " K is far from the measured radiation temperature today, "
                           "2.7255 K: did you mean T0 = 2.7255 (in kelvin)?"});
}

}  // namespace

std::vector<PlausibilityWarning> plausibility_warnings(const Parameters& parameters) {
  std::vector<PlausibilityWarning> warnings;
  warn_of_hbar(parameters, warnings);
  warn_of_little_h(parameters, warnings);
  warn_of_curvature(parameters, warnings);
  warn_of_physical_density(parameters, warnings);
  warn_of_baryons_above_matter(parameters, warnings);
  warn_of_hydrogen_fraction(parameters, warnings);
  warn_of_radiation_temperature(parameters, warnings);
  return warnings;
}

}  // namespace primrec
