// Physical constants and the cosmological background.
//
// Derived once at start-up from the input values, in two steps:
// init_general_assist_const() after the readers of fund.in and fudge_factors.in
// (atomic constants and the variation factors of the fundamental constants), and
// derive_cosmological_background() on the success path of init_cosmological_const()
// (densities and density parameters). The background functions of redshift below
// may be called any time after that. All quantities in CGS units.
#pragma once

// Reference (laboratory) values of the constants read from fund.in.
constexpr double e_reference = 4.80320427e-10;     // elementary charge [esu]
constexpr double h_reference = 1.054571628e-27;    // hbar [erg s]
constexpr double me_reference = 9.10938215e-28;    // electron mass [g]
constexpr double c_reference = 29979245800.0;      // speed of light [cm s^-1]
constexpr double kB_reference = 1.3806504e-16;     // Boltzmann constant [erg K^-1]

// init_general_assist_const()
extern double me_reduced;        // reduced electron mass of the hydrogen atom [g]
extern double I;                 // ionisation energy of hydrogen, mu e^4 / (2 hbar^2) [erg]
extern double freq1;             // frequency of the hydrogen ionisation threshold [Hz]
extern double sigma_t;           // Thomson cross-section [cm^2]
extern double a_St_B;            // Stefan-Boltzmann constant from fund.in [erg cm^-2 s^-1 K^-4]
extern double mH;                // mass of the hydrogen atom [g]
extern double V_energy;          // scaling of atomic level energies with the constants
extern double V_one_photon;      // scaling of one-photon decay rates
extern double V_two_photon;      // scaling of two-photon decay rates
extern double V_recombination;   // scaling of recombination and photoionisation coefficients

// The cosmological background (init_cosmological_const)
extern double Y_M;               // helium mass fraction of the baryons
extern double X_N;               // number fraction of hydrogen among all nuclei
extern double Y_N;               // number fraction of helium among all nuclei
extern double ro_crit;           // critical density today [g cm^-3]
extern double delta_el;          // 1 / (electrons per nucleus when fully ionised)
extern double N0_b;              // baryon number density today, in hydrogen-atom masses [cm^-3]
extern double N0_nuclear;        // number density of all nuclei today [cm^-3]
extern double N0_H;              // number density of hydrogen nuclei today [cm^-3]
extern double N0_e;              // electron density today if fully ionised [cm^-3]
extern double omega_gamma;       // radiation density parameter
extern double omega_nu_rel;      // relativistic-neutrino density parameter
extern double omega_k;           // curvature density parameter, closing the sum to 1
extern double eV_erg;            // one electronvolt [erg]
extern double He_to_H;           // helium-to-hydrogen atomic mass ratio

// Hubble constant in km s^-1 Mpc^-1 times this is the Hubble constant in s^-1.
constexpr double km_per_Mpc_inverse = 3.2407765e-20;
// Helium-to-hydrogen atomic mass ratio, as a literal where the derivation writes it.
constexpr double helium_to_hydrogen_mass = 3.9715;

int init_general_assist_const();
// The derivation that closes init_cosmological_const() once cosm_p.in passed its checks.
void derive_cosmological_background();

double H(double z);          // Hubble expansion rate [s^-1]
double T_br(double z);       // radiation temperature [K]
double N_nuclear(double z);  // number density of all nuclei [cm^-3]
double N_e_tot(double z);    // electron density if fully ionised [cm^-3]
double N_H(double z);        // hydrogen nuclei [cm^-3]
double N_b(double z);        // baryons in hydrogen-atom masses [cm^-3]
double redshift(double l);   // z whose ln(1+z) is l
