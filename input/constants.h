// Physical constants and the cosmological background of one run.
//
// A Constants object holds the input values in the form the physics uses (the
// step negative, H0 in s^-1) and everything derived from them once, at the
// start, in two steps: init_general_assist_const() (atomic constants and the
// variation factors of the fundamental constants), then
// derive_cosmological_background() (densities and density parameters). It is
// constant for the rest of the run. All quantities in CGS units.
#pragma once

#include "primrec/parameters.hpp"

namespace primrec {

// Reference (laboratory) values of the constants read from fund.in: the CODATA
// 2006 recommended values (Mohr, Taylor & Newell 2008, Rev. Mod. Phys. 80, 633).
constexpr double e_reference = 4.80320427e-10;     // elementary charge [esu]
constexpr double h_reference = 1.054571628e-27;    // hbar [erg s]
constexpr double me_reference = 9.10938215e-28;    // electron mass [g]
constexpr double c_reference = 29979245800.0;      // speed of light [cm s^-1]
constexpr double kB_reference = 1.3806504e-16;     // Boltzmann constant [erg K^-1]

// Hubble constant in km s^-1 Mpc^-1 times this is the Hubble constant in s^-1.
constexpr double km_per_Mpc_inverse = 3.2407765e-20;
// Helium-to-hydrogen atomic mass ratio, as a literal where the derivation writes it.
constexpr double helium_to_hydrogen_mass = 3.9715;
// pi to 12 significant digits, as every formula of the run uses it (466 ulp
// above the double nearest pi).
constexpr double pi_as_written = 3.14159265359;

// How a run steps: the values of redshifts.in in the form the step loop uses,
// and the number of passes. Only the step loop reads them; the physics gets
// the length of its step as an argument.
struct StepSettings {
  double z_begin;                 // redshift where the integration starts
  double z_end;                   // redshift where it ends; 0 < z_end < z_begin
  double D_ln_1_plus_z;           // step in ln(1+z); negative, the run goes to lower z
  double norm_var;                // convergence threshold of the inner iteration
  int number_of_info_points;      // output stride: a table row every this many steps
  int Number_of_Iterations;       // outer passes: 1, or 2 when the feedback needs a second pass
};

// The physics of a run: its constants and cosmology.
struct Constants {
  // fine_effects.in
  int Number_of_levels_for_Resonant_Feedback;  // hydrogen levels in the Lyman-series feedback
  // fund.in
  double G;                       // gravitational constant [cm^3 g^-1 s^-2]
  double h;                       // reduced Planck constant hbar (not 2 pi hbar) [erg s]
  double c;                       // speed of light [cm s^-1]
  double me;                      // electron mass [g]
  double mp;                      // proton mass [g]
  double e;                       // elementary charge [esu]
  double kB;                      // Boltzmann constant [erg K^-1]
  double pi;                      // 3.14159265359 as written
  // fudge_factors.in
  double F_H;                     // fudge factor of hydrogen recombination and photoionisation
  double A_perturbation_H;        // height of the Lorentzian bump on the printed x_e (may be <= 0)
  double z_perturbation;          // centre of that bump [redshift]
  double Delta_z_perturbation;    // its half width [redshift]
  // cosm_p.in
  double H0;                      // Hubble constant [s^-1] (read in km s^-1 Mpc^-1)
  double omega_m;                 // matter density parameter
  double omega_lambda;            // cosmological-constant density parameter
  double N_eff;                   // effective number of relativistic neutrino species
  double omega_b;                 // baryon density parameter
  double X_M;                     // hydrogen mass fraction of the baryons
  double T0;                      // radiation temperature today [K]

  // Stefan-Boltzmann constant from the laboratory constants, independent of
  // fund.in [erg cm^-2 s^-1 K^-4]; the Compton coupling of the matter temperature uses it.
  double a_St_B_stand;

  // init_general_assist_const()
  double me_reduced;              // reduced electron mass of the hydrogen atom [g]
  double I;                       // ionisation energy of hydrogen, mu e^4 / (2 hbar^2) [erg]
  double freq1;                   // frequency of the hydrogen ionisation threshold [Hz]
  double sigma_t;                 // Thomson cross-section [cm^2]
  double a_St_B;                  // Stefan-Boltzmann constant from fund.in [erg cm^-2 s^-1 K^-4]
  double mH;                      // mass of the hydrogen atom [g]
  double V_energy;                // scaling of atomic level energies with the constants
  double V_one_photon;            // scaling of one-photon decay rates
  double V_two_photon;            // scaling of two-photon decay rates
  double V_recombination;         // scaling of recombination and photoionisation coefficients

  // derive_cosmological_background()
  double Y_M;                     // helium mass fraction of the baryons
  double X_N;                     // number fraction of hydrogen among all nuclei
  double Y_N;                     // number fraction of helium among all nuclei
  double ro_crit;                 // critical density today [g cm^-3]
  double delta_el;                // 1 / (electrons per nucleus when fully ionised)
  double N0_b;                    // baryon number density today, in hydrogen-atom masses [cm^-3]
  double N0_nuclear;              // number density of all nuclei today [cm^-3]
  double N0_H;                    // number density of hydrogen nuclei today [cm^-3]
  double N0_e;                    // electron density today if fully ionised [cm^-3]
  double omega_gamma;             // radiation density parameter
  double omega_nu_rel;            // relativistic-neutrino density parameter
  double omega_k;                 // curvature density parameter, closing the sum to 1
  double eV_erg;                  // one electronvolt [erg]
  double He_to_H;                 // helium-to-hydrogen atomic mass ratio

  // Fixed powers, taken once per run in the form the formulas write them.
  double sqrt_pi;                 // sqrt(pi)
  double pi_to_three_halves;      // pi^1.5
  double pi_to_one_eighth;        // pi^0.125
  double two_to_one_quarter;      // 2^0.25
  double kramers;                 // e^10 me / (3^1.5 pi^2 c hbar^6): Kramers constant with hbar
  double helium_fit_T_high;       // 10^5.114 K, second turnover of the HeI recombination fits
  double helium_singlet_fit_a;    // 10^-16.744 [m^3 s^-1]
  double helium_triplet_fit_a;    // 10^-16.306 [m^3 s^-1]
  double four_thirds_cubed;       // (4/3)^3: Lyman-alpha over the Lyman limit, cubed, inverted
};

// The constants of a run from its parameters (which passed their checks): the
// input values, init_general_assist_const(), then the background.
Constants derive_constants(const Parameters& p);
// The step settings of a run from its parameters (which passed their checks).
StepSettings derive_step_settings(const Parameters& p);

void init_general_assist_const(Constants& cs);
// The derivation that closes a successful read of cosm_p.in.
void derive_cosmological_background(Constants& cs);

double H(const Constants& cs, double z);        // Hubble expansion rate [s^-1]
double T_br(const Constants& cs, double z);     // radiation temperature [K]
double N_e_tot(const Constants& cs, double z);  // electron density if fully ionised [cm^-3]

}  // namespace primrec
