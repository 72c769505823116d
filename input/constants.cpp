// Constants derived from the input, and the cosmological background.
// init_general_assist_const() runs once fund.in and fudge_factors.in are read;
// derive_cosmological_background() closes a successful read of cosm_p.in.
// Every formula is evaluated in the order written: the tables must reproduce
// to the last bit.
#include "input/constants.h"

#include <cmath>

namespace primrec {

namespace {

constexpr double electronvolt = 1.6021765e-12;  // [erg], CODATA 2006 (Mohr, Taylor & Newell 2008)
// pi^2 as a stored constant.
constexpr double pi_squared = 9.869604401090658;
// The HeI recombination fits (fitted to Hummer & Storey 1998, MNRAS 297, 1073):
// log10 of the second turnover temperature [K] and of the two coefficients
// [m^3 s^-1].
constexpr double helium_fit_log10_T_high = 5.114;
constexpr double helium_singlet_fit_log10_a = -16.744;
constexpr double helium_triplet_fit_log10_a = -16.306;
// 4/3 as the double nearest to it.
constexpr double four_thirds = 1.3333333333333333;

// From the laboratory constants alone, whatever fund.in says.
double stefan_boltzmann_reference() {
  return ((pi_squared * std::pow(kB_reference, 4)) / 60 / c_reference / c_reference) /
         std::pow(h_reference, 3);
}

void input_values(Constants& cs, const Parameters& p) {
  cs.Number_of_levels_for_Resonant_Feedback = p.feedback_levels;
  cs.G = p.G;
  cs.h = p.hbar;
  cs.c = p.c;
  cs.me = p.me;
  cs.mp = p.mp;
  cs.e = p.e;
  cs.kB = p.kB;
  cs.pi = pi_as_written;
  cs.F_H = p.F_H;
  cs.A_perturbation_H = p.A_perturbation_H;
  cs.z_perturbation = p.z_perturbation;
  cs.Delta_z_perturbation = p.Delta_z_perturbation;
  cs.H0 = p.H0;
  cs.omega_m = p.omega_m;
  cs.omega_lambda = p.omega_lambda;
  cs.N_eff = p.N_eff;
  cs.omega_b = p.omega_b;
  cs.X_M = p.X_M;
  cs.T0 = p.T0;
  cs.a_St_B_stand = stefan_boltzmann_reference();
}

// Rydberg energy with the reduced mass, mu e^4 / (2 hbar^2).
void hydrogen_ionisation(Constants& cs) {
  cs.me_reduced = cs.me / (cs.me / cs.mp + 1);
  cs.I = ((cs.me_reduced * std::pow(cs.e, 4)) / cs.h / cs.h) * 0.5;
  cs.freq1 = ((cs.I * 0.5) / cs.pi) / cs.h;
}

void thomson_and_stefan_boltzmann(Constants& cs) {
  const double classical_electron_radius = std::pow(cs.e, 2) / cs.me / cs.c / cs.c;
  cs.sigma_t = (8 * cs.pi / 3) * classical_electron_radius * classical_electron_radius;
  cs.a_St_B = std::pow(cs.pi, 2) * std::pow(cs.kB, 4) / 60 / cs.c / cs.c / cs.h / cs.h / cs.h;
}

// How level energies, one- and two-photon rates and recombination coefficients
// scale with the constants of fund.in; all four are exactly 1 for the reference
// values. They use me, not the reduced mass.
void variation_factors(Constants& cs) {
  const double r_e = cs.e / e_reference;
  const double r_h = cs.h / h_reference;
  const double r_m = cs.me / me_reference;
  const double r_c = cs.c / c_reference;
  const double r_k = cs.kB / kB_reference;
  cs.V_energy = std::pow(r_e, 4) * r_m / std::pow(r_h, 2);
  cs.V_one_photon = r_m * std::pow(r_e, 10) / std::pow(r_h, 6) / std::pow(r_c, 3);
  cs.V_two_photon = r_m * std::pow(r_e, 16) / std::pow(r_h, 9) / std::pow(r_c, 6);
  cs.V_recombination =
      std::pow(r_e, 6) / std::pow(r_m, 1.5) / r_h / std::pow(r_c, 3) / std::pow(r_k, 0.5);
}

// Number fractions of the nuclei; returns nuclei per hydrogen-atom mass unit.
double nuclear_fractions(Constants& cs) {
  cs.Y_M = 1 - cs.X_M;
  const double helium_nuclei = cs.Y_M / helium_to_hydrogen_mass;
  const double nuclei = cs.X_M + helium_nuclei;
  cs.Y_N = helium_nuclei / nuclei;
  cs.X_N = cs.X_M / nuclei;
  return nuclei;
}

void densities_today(Constants& cs, double nuclei_per_mass_unit) {
  cs.ro_crit = ((3 * cs.H0 * cs.H0) * 0.125 / cs.pi) / cs.G;
  cs.delta_el = 1 / (cs.X_N + 2 * cs.Y_N);
  cs.N0_b = cs.omega_b * cs.ro_crit / cs.mH;
  cs.N0_nuclear = cs.N0_b * nuclei_per_mass_unit;
  cs.N0_H = cs.N0_b * cs.X_M;
  cs.N0_e = cs.N0_b * (cs.X_M + 2 * cs.Y_M / helium_to_hydrogen_mass);
}

// Radiation energy density 4 sigma T^4 / c as a mass density over the critical
// one; neutrinos as 7/8 (4/11)^(4/3) per species; curvature closes the sum.
void density_parameters(Constants& cs) {
  const double T0 = cs.T0;
  cs.omega_gamma = (4 * cs.a_St_B * T0 * T0 * T0 * T0 / cs.c / cs.c / cs.c) / cs.ro_crit;
  // 7 * N_eff in double (an integer count gives the bits of the int product).
  cs.omega_nu_rel = 7.0 * cs.N_eff * 0.125 * std::pow(4.0 / 11.0, 4.0 / 3.0) * cs.omega_gamma;
  cs.omega_k = 1 - cs.omega_lambda - cs.omega_m - cs.omega_gamma - cs.omega_nu_rel;
}

// Powers of the constants that the rates and escape probabilities take at
// every step: each is the same pow of the same numbers, so taken once.
void fixed_powers(Constants& cs) {
  cs.sqrt_pi = std::sqrt(cs.pi);
  cs.pi_to_three_halves = std::pow(cs.pi, 1.5);
  cs.pi_to_one_eighth = std::pow(cs.pi, 0.125);
  cs.two_to_one_quarter = std::pow(2.0, 0.25);
  cs.kramers = std::pow(cs.e, 10.0) * cs.me / std::pow(3.0, 1.5) / cs.pi / cs.pi / cs.c / std::pow(cs.h, 6.0);
  cs.helium_fit_T_high = std::pow(10.0, helium_fit_log10_T_high);
  cs.helium_singlet_fit_a = std::pow(10.0, helium_singlet_fit_log10_a);
  cs.helium_triplet_fit_a = std::pow(10.0, helium_triplet_fit_log10_a);
  cs.four_thirds_cubed = std::pow(four_thirds, 3);
}

}  // namespace

void init_general_assist_const(Constants& cs) {
  hydrogen_ionisation(cs);
  thomson_and_stefan_boltzmann(cs);
  cs.mH = cs.mp + cs.me;
  variation_factors(cs);
}

void derive_cosmological_background(Constants& cs) {
  cs.H0 = cs.H0 * km_per_Mpc_inverse;
  const double nuclei_per_mass_unit = nuclear_fractions(cs);
  cs.eV_erg = electronvolt;
  cs.He_to_H = helium_to_hydrogen_mass;
  densities_today(cs, nuclei_per_mass_unit);
  density_parameters(cs);
}

StepSettings derive_step_settings(const Parameters& p) {
  StepSettings s;
  s.z_begin = p.z_begin;
  s.z_end = p.z_end;
  s.D_ln_1_plus_z = -p.step;
  s.norm_var = p.convergence_norm;
  s.number_of_info_points = p.output_stride;
  // The feedback of the higher Lyman lines needs the overheating table that a
  // first pass writes.
  s.Number_of_Iterations = p.feedback_levels > 1 ? 2 : 1;
  return s;
}

Constants derive_constants(const Parameters& p) {
  Constants cs{};
  input_values(cs, p);
  init_general_assist_const(cs);
  derive_cosmological_background(cs);
  fixed_powers(cs);
  return cs;
}

// The matter temperature sums the same four terms in another order, which differs
// in the last bit: each keeps its own.
double H(const Constants& cs, double z) {
  return cs.H0 * std::sqrt(cs.omega_k * std::pow(1 + z, 2) + cs.omega_lambda + cs.omega_m * std::pow(1 + z, 3) +
                           (cs.omega_nu_rel + cs.omega_gamma) * std::pow(1 + z, 4));
}

// The line rates and the feedback take (z + 1) T0, which differs from this in the
// last bit: each keeps its own form.
double T_br(const Constants& cs, double z) { return z * cs.T0 + cs.T0; }

// The kinetic matrix multiplies (1 + z) three times instead, which differs in the
// last bit: each keeps its own.
double N_e_tot(const Constants& cs, double z) { return cs.N0_e * std::pow(1 + z, 3); }

}  // namespace primrec
