// Recombination coefficients from fits, photoionisation rates out of n = 2 by
// detailed balance with a blackbody at the same temperature, and the hydrogenic
// bound-free cross-section. Every expression is evaluated in the written order:
// the tables of a run must reproduce to the last bit.
#include "atomic/rate_coefficients.h"

#include <cmath>

namespace primrec {

namespace {

constexpr double fit_temperature_scale = 10000;    // hydrogen fit is in units of 10^4 K [K]
constexpr double helium_fit_T_low = 3;             // first turnover temperature of the HeI fits [K]
constexpr double m3_to_cm3 = 1.0e6;                // the HeI fits are in m^3 s^-1

// Statistical-weight factors of detailed balance for the two HeI n = 2 levels
// that photoionise: 4 for 2^1S, 4/3 for 2^3S (hydrogen and HeII: 1).
constexpr double HeI_singlet_weight = 4;
constexpr double HeI_triplet_weight = 1.3333333333333333;

// Levels that select the columns of the Gaunt-factor fit.
constexpr double gaunt_ground_level = 1.0;
constexpr double gaunt_first_excited_level = 2.0;
constexpr double gaunt_general_levels_from = 3.0;  // n >= this uses the fit in 1/n

// Fit of the case-B recombination coefficient of hydrogen, t = T / 10^4 K, before
// the scaling with the constants: Pequignot, Petitjean & Boisson 1991, A&A 251, 680.
double hydrogen_recombination_fit(double t) {
  return 4.309e-13 * std::pow(t, -0.6166) / (1 + 0.6703 * std::pow(t, 0.53));
}

// Fit of HeII + e -> HeI into one spin series: 10^log10_a m^3 s^-1 over
// sqrt(T/T_low) (1 + sqrt(T/T_low))^p0 (1 + sqrt(T/T_high))^p1, with p0 + p1 = 2:
// the form of Verner & Ferland 1996 (ApJS 103, 467), its coefficients fitted to
// the HeI recombination coefficients of Hummer & Storey 1998 (MNRAS 297, 1073).
// The powers of ten are fixed numbers, taken once per run.
double helium_recombination_fit(const Constants& cs, double T, double ten_to_log10_a, double p0, double p1) {
  const double s = std::sqrt(T / helium_fit_T_low);
  const double s1 = std::sqrt(T / cs.helium_fit_T_high);
  return cs.V_recombination * (ten_to_log10_a * m3_to_cm3) / (s * std::pow(1 + s, p0) * std::pow(1 + s1, p1));
}

// Photoionisation rate out of an n = 2 level with ionisation energy I2 [erg],
// from its recombination coefficient (already times the weight factor) by
// detailed balance with a blackbody at T.
double detailed_balance(Physics& ph, double weighted_recombination, double T, double I2) {
  return weighted_recombination * g_e(ph, T) * std::exp(-I2 / ph.cs.kB / T);
}

}  // namespace

double F_H_guard(double F_H) { return F_H <= 0 ? 1.0 : F_H; }

double recomb_HydII(Physics& ph, double T) {
  const double t = T / fit_temperature_scale;
  return hydrogen_recombination_fit(t) * ph.cs.V_recombination;
}

double recomb_HydII_fudged(Physics& ph, double T) {
  const double F_H = F_H_guard(ph.cs.F_H);
  return recomb_HydII(ph, T) * F_H;
}

// F_H scales recombination and photoionisation alike, so their ratio is the
// unfudged detailed-balance ratio.
double ion_HydI_fudged(Physics& ph, double T) {
  const double F_H = F_H_guard(ph.cs.F_H);
  return detailed_balance(ph, recomb_HydII(ph, T) * F_H, T, ph.at.I2s_HydI);
}

// Hydrogen-like with Z = 2: the hydrogen fit at a quarter of the temperature, doubled.
// A step asks for it at one temperature twice (itself, and for ion_HeII).
double recomb_HeIII(Physics& ph, double T) {
  return ph.memo.recomb_HeIII(
      [&ph, T] {
        const double t = 0.25 * T / fit_temperature_scale;
        return 2 * hydrogen_recombination_fit(t) * ph.cs.V_recombination;
      },
      T);
}

double ion_HeII(Physics& ph, double T) { return detailed_balance(ph, recomb_HeIII(ph, T), T, ph.at.I2s_HeII); }

// Each is asked for at one temperature twice in a step (itself, and for the
// photoionisation rate of its level).
double recomb_HeII(Physics& ph, double T) {
  return ph.memo.recomb_HeII(
      [&ph, T] { return helium_recombination_fit(ph.cs, T, ph.cs.helium_singlet_fit_a, 0.289, 1.711); }, T);
}

double recomb_orto_HeII(Physics& ph, double T) {
  return ph.memo.recomb_orto_HeII(
      [&ph, T] { return helium_recombination_fit(ph.cs, T, ph.cs.helium_triplet_fit_a, 0.239, 1.761); }, T);
}

double ion_HeI(Physics& ph, double T) {
  return detailed_balance(ph, HeI_singlet_weight * recomb_HeII(ph, T), T, ph.at.I2s_HeI);
}

double ion_orto_HeI(Physics& ph, double T) {
  return detailed_balance(ph, HeI_triplet_weight * recomb_orto_HeII(ph, T), T, ph.at.I2s_orto_HeI);
}

// h holds hbar, so this is (2 pi me kB T / h_Planck^2)^(3/2).
// Four photoionisation rates of a step ask for it at one temperature.
double g_e(Physics& ph, double T) {
  const Constants& cs = ph.cs;
  return ph.memo.g_e([&cs, T] { return std::pow(cs.me * cs.kB * T * 0.5 / cs.pi, 1.5) / cs.h / cs.h / cs.h; }, T);
}

// G0 + G1 u + G2 u^2 with u the threshold frequency of level n over nu: the fit
// of the hydrogen bound-free Gaunt factor of Johnson 1972 (ApJ 174, 227). Levels
// between the tabulated ones (non-integer n < 3 other than 1 and 2) get 0.
double gaunt_ion(const Physics& ph, double n, double nu) {
  const double r = 1 / n;
  const double u = ph.cs.freq1 / n / n / nu;
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
double hydrogen_ion_crs_sctn(Physics& ph, double n, double nu) {
  return ph.memo.crs_sctn(
      [&ph, n, nu] {
        const double theta = (nu - ph.cs.freq1 / n / n >= 0) ? 1.0 : 0.0;
        return ph.cs.kramers * theta / (std::pow(nu, 3.0) * std::pow(n, 5.0)) * gaunt_ion(ph, n, nu);
      },
      n, nu);
}

double planckian_photon_per_mode(const Physics& ph, double nu, double T) {
  const Constants& cs = ph.cs;
  return 1 / (std::exp((cs.pi + cs.pi) * cs.h * nu / cs.kB / T) - 1);
}

}  // namespace primrec
