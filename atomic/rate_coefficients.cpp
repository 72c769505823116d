// Recombination coefficients from fits, photoionisation rates out of n = 2 by
// detailed balance with a blackbody at the same temperature, and the hydrogenic
// bound-free cross-section. Every expression is evaluated in the written order:
// the tables of a run must reproduce to the last bit.
#include "atomic/rate_coefficients.h"

#include <cmath>

#include "atomic/atomic_data.h"
#include "input/last_value.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

constexpr double fit_temperature_scale = 10000;    // hydrogen fit is in units of 10^4 K [K]
constexpr double helium_fit_T_low = 3;             // first turnover temperature of the HeI fits [K]
constexpr double helium_fit_log10_T_high = 5.114;  // log10 of their second turnover temperature [K]
constexpr double m3_to_cm3 = 1.0e6;                // the HeI fits are in m^3 s^-1

// Statistical-weight factors of detailed balance for the two HeI n = 2 levels
// that photoionise: 4 for 2^1S, 4/3 for 2^3S (hydrogen and HeII: 1).
constexpr double HeI_singlet_weight = 4;
constexpr double HeI_triplet_weight = 1.3333333333333333;

// Levels that select the columns of the Gaunt-factor fit.
constexpr double gaunt_ground_level = 1.0;
constexpr double gaunt_first_excited_level = 2.0;
constexpr double gaunt_general_levels_from = 3.0;  // n >= this uses the fit in 1/n

// Two-parameter fit of the hydrogen recombination coefficient, t = T / 10^4 K,
// before the scaling with the constants.
double hydrogen_recombination_fit(double t) {
  return 4.309e-13 * std::pow(t, -0.6166) / (1 + 0.6703 * std::pow(t, 0.53));
}

// Fit of HeII + e -> HeI into one spin series: 10^log10_a m^3 s^-1 over
// sqrt(T/T_low) (1 + sqrt(T/T_low))^p0 (1 + sqrt(T/T_high))^p1.
// The powers of ten are fixed numbers: each is taken once, as the same pow.
double helium_recombination_fit(double T, double ten_to_log10_a, double p0, double p1) {
  static const double T_high = std::pow(10.0, helium_fit_log10_T_high);
  const double s = std::sqrt(T / helium_fit_T_low);
  const double s1 = std::sqrt(T / T_high);
  return V_recombination * (ten_to_log10_a * m3_to_cm3) / (s * std::pow(1 + s, p0) * std::pow(1 + s1, p1));
}

// e^10 me / (3^1.5 pi^2 c hbar^6), the Kramers constant written with hbar; taken
// again only when one of the constants changes.
double kramers_constant() {
  static last_value<double, double, double, double, double> remembered;
  return remembered([] { return std::pow(e, 10.0) * me / std::pow(3.0, 1.5) / pi / pi / c / std::pow(h, 6.0); },
                    e, me, pi, c, h);
}

// Photoionisation rate out of an n = 2 level with ionisation energy I2 [erg],
// from its recombination coefficient (already times the weight factor) by
// detailed balance with a blackbody at T.
double detailed_balance(double weighted_recombination, double T, double I2) {
  return weighted_recombination * g_e(T) * std::exp(-I2 / kB / T);
}

}  // namespace

void F_H_guard() {
  if (F_H <= 0) F_H = 1.0;
}

double recomb_HydII(double T) {
  const double t = T / fit_temperature_scale;
  return hydrogen_recombination_fit(t) * V_recombination;
}

double recomb_HydII_fudged(double T) {
  F_H_guard();
  return recomb_HydII(T) * F_H;
}

// F_H scales recombination and photoionisation alike, so their ratio is the
// unfudged detailed-balance ratio.
double ion_HydI_fudged(double T) {
  F_H_guard();
  return detailed_balance(recomb_HydII(T) * F_H, T, I2s_HydI);
}

// Hydrogen-like with Z = 2: the hydrogen fit at a quarter of the temperature, doubled.
// A step asks for it at one temperature twice (itself, and for ion_HeII).
double recomb_HeIII(double T) {
  static last_value<double, double> remembered;
  return remembered(
      [T] {
        const double t = 0.25 * T / fit_temperature_scale;
        return 2 * hydrogen_recombination_fit(t) * V_recombination;
      },
      T, V_recombination);
}

double ion_HeII(double T) { return detailed_balance(recomb_HeIII(T), T, I2s_HeII); }

// Each is asked for at one temperature twice in a step (itself, and for the
// photoionisation rate of its level).
double recomb_HeII(double T) {
  static const double ten_to_log10_a = std::pow(10.0, -16.744);
  static last_value<double, double> remembered;
  return remembered([T] { return helium_recombination_fit(T, ten_to_log10_a, 0.289, 1.711); }, T,
                    V_recombination);
}

double recomb_orto_HeII(double T) {
  static const double ten_to_log10_a = std::pow(10.0, -16.306);
  static last_value<double, double> remembered;
  return remembered([T] { return helium_recombination_fit(T, ten_to_log10_a, 0.239, 1.761); }, T,
                    V_recombination);
}

double ion_HeI(double T) {
  return detailed_balance(HeI_singlet_weight * recomb_HeII(T), T, I2s_HeI);
}

double ion_orto_HeI(double T) {
  return detailed_balance(HeI_triplet_weight * recomb_orto_HeII(T), T, I2s_orto_HeI);
}

// h holds hbar, so this is (2 pi me kB T / h_Planck^2)^(3/2).
// Four photoionisation rates of a step ask for it at one temperature.
double g_e(double T) {
  static last_value<double, double, double, double, double> remembered;
  return remembered([T] { return std::pow(me * kB * T * 0.5 / pi, 1.5) / h / h / h; }, T, me, kB, pi, h);
}

// G0 + G1 u + G2 u^2 with u the threshold frequency of level n over nu. Levels
// between the tabulated ones (non-integer n < 3 other than 1 and 2) get 0.
double gaunt_ion(double n, double nu) {
  const double r = 1 / n;
  const double u = freq1 / n / n / nu;
  double G0 = 0, G1 = 0, G2 = 0;
  if (n == gaunt_ground_level) {
    G0 = 1.133;
    G1 = -0.4059;
    G2 = 0.07014;
  } else if (n == gaunt_first_excited_level) {
    G0 = 1.0785;
    G1 = -0.2319;
    G2 = 0.02947;
  } else if (gaunt_general_levels_from <= n) {
    G0 = 0.9935 + 0.2328 * r - 0.1296 * std::pow(r, 2.0);
    G1 = -(0.6282 - 0.5598 * r + 0.5299 * std::pow(r, 2.0)) * r;
    G2 = (0.3887 - 1.181 * r + 1.47 * std::pow(r, 2.0)) * std::pow(r, 2.0);
  }
  return G0 + G1 * u + G2 * std::pow(u, 2.0);
}

// The prefactor is the Kramers constant 64 pi^4 me e^10 / (3 sqrt(3) h_Planck^6 c)
// written with hbar. Below the threshold freq1 / n^2 (or for NaN nu) the step
// function is 0.
// A step asks for it at the three frequencies of the HeI lines.
double hydrogen_ion_crs_sctn(double n, double nu) {
  static recent_values<3, double, double, double, double> remembered;
  const double kramers = kramers_constant();
  return remembered(
      [n, nu, kramers] {
        const double theta = (nu - freq1 / n / n >= 0) ? 1.0 : 0.0;
        return kramers * theta / (std::pow(nu, 3.0) * std::pow(n, 5.0)) * gaunt_ion(n, nu);
      },
      n, nu, kramers, freq1);
}

double planckian_photon_per_mode(double nu, double T) {
  return 1 / (std::exp((pi + pi) * h * nu / kB / T) - 1);
}

double Hydrogen_fudge_fun(double z) {
  const double q = (z - z_perturbation) / Delta_z_perturbation;
  return A_perturbation_H / (1 + std::pow(q, 2.0));
}
