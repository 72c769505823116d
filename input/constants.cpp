// Constants derived from the input, and the cosmological background.
// init_general_assist_const() runs once fund.in and fudge_factors.in are read;
// derive_cosmological_background() closes a successful read of cosm_p.in.
// Every formula is evaluated in the order written: the tables must reproduce
// to the last bit.
#include "input/constants.h"

#include <cmath>

#include "input/input_files.h"
#include "input/last_value.h"

double me_reduced, I, freq1, sigma_t, a_St_B, mH;
double V_energy, V_one_photon, V_two_photon, V_recombination;
double Y_M, X_N, Y_N, ro_crit, delta_el;
double N0_b, N0_nuclear, N0_H, N0_e;
double omega_gamma, omega_nu_rel, omega_k;
double eV_erg, He_to_H;

namespace {

constexpr double electronvolt = 1.6021765e-12;  // [erg]

// Rydberg energy with the reduced mass, mu e^4 / (2 hbar^2).
void hydrogen_ionisation() {
  me_reduced = me / (me / mp + 1);
  I = ((me_reduced * std::pow(e, 4)) / h / h) * 0.5;
  freq1 = ((I * 0.5) / pi) / h;
}

void thomson_and_stefan_boltzmann() {
  const double classical_electron_radius = std::pow(e, 2) / me / c / c;
  sigma_t = (8 * pi / 3) * classical_electron_radius * classical_electron_radius;
  a_St_B = std::pow(pi, 2) * std::pow(kB, 4) / 60 / c / c / h / h / h;
}

// How level energies, one- and two-photon rates and recombination coefficients
// scale with the constants of fund.in; all four are exactly 1 for the reference
// values. They use me, not the reduced mass.
void variation_factors() {
  const double r_e = e / e_reference;
  const double r_h = h / h_reference;
  const double r_m = me / me_reference;
  const double r_c = c / c_reference;
  const double r_k = kB / kB_reference;
  V_energy = std::pow(r_e, 4) * r_m / std::pow(r_h, 2);
  V_one_photon = r_m * std::pow(r_e, 10) / std::pow(r_h, 6) / std::pow(r_c, 3);
  V_two_photon = r_m * std::pow(r_e, 16) / std::pow(r_h, 9) / std::pow(r_c, 6);
  V_recombination =
      std::pow(r_e, 6) / std::pow(r_m, 1.5) / r_h / std::pow(r_c, 3) / std::pow(r_k, 0.5);
}

// Number fractions of the nuclei; returns nuclei per hydrogen-atom mass unit.
double nuclear_fractions() {
  Y_M = 1 - X_M;
  const double helium_nuclei = Y_M / helium_to_hydrogen_mass;
  const double nuclei = X_M + helium_nuclei;
  Y_N = helium_nuclei / nuclei;
  X_N = X_M / nuclei;
  return nuclei;
}

void densities_today(double nuclei_per_mass_unit) {
  ro_crit = ((3 * H0 * H0) * 0.125 / pi) / G;
  delta_el = 1 / (X_N + 2 * Y_N);
  N0_b = omega_b * ro_crit / mH;
  N0_nuclear = N0_b * nuclei_per_mass_unit;
  N0_H = N0_b * X_M;
  N0_e = N0_b * (X_M + 2 * Y_M / helium_to_hydrogen_mass);
}

// Radiation energy density 4 sigma T^4 / c as a mass density over the critical
// one; neutrinos as 7/8 (4/11)^(4/3) per species; curvature closes the sum.
void density_parameters() {
  omega_gamma = (4 * a_St_B * T0 * T0 * T0 * T0 / c / c / c) / ro_crit;
  // 7 * nu_number in double: no int product can overflow.
  omega_nu_rel = 7.0 * nu_number * 0.125 * std::pow(4.0 / 11.0, 4.0 / 3.0) * omega_gamma;
  omega_k = 1 - omega_lambda - omega_m - omega_gamma - omega_nu_rel;
}

}  // namespace

int init_general_assist_const() {
  hydrogen_ionisation();
  thomson_and_stefan_boltzmann();
  mH = mp + me;
  variation_factors();
  return 0;
}

void derive_cosmological_background() {
  H0 = H0 * km_per_Mpc_inverse;
  const double nuclei_per_mass_unit = nuclear_fractions();
  eV_erg = electronvolt;
  He_to_H = helium_to_hydrogen_mass;
  densities_today(nuclei_per_mass_unit);
  density_parameters();
}

namespace {

double expansion_rate(double z) {
  return H0 * std::sqrt(omega_k * std::pow(1 + z, 2) + omega_lambda + omega_m * std::pow(1 + z, 3) +
                        (omega_nu_rel + omega_gamma) * std::pow(1 + z, 4));
}

}  // namespace

// A step asks for H at its z and z_ many times over.
double H(double z) {
  static recent_values<2, double, double, double, double, double, double, double> remembered;
  return remembered([z] { return expansion_rate(z); }, z, H0, omega_k, omega_lambda, omega_m, omega_nu_rel,
                    omega_gamma);
}

double T_br(double z) { return z * T0 + T0; }

double N_nuclear(double z) { return N0_nuclear * (1 + z) * (1 + z) * (1 + z); }

double N_e_tot(double z) { return N0_e * std::pow(1 + z, 3); }

double N_H(double z) { return N0_H * std::pow(1 + z, 3); }

double N_b(double z) { return N0_b * std::pow(1 + z, 3); }

double redshift(double l) { return std::exp(l) - 1; }
