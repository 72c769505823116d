// Labelled-value input files: the five readers and the parameters they set.
//
// Every run parameter comes from five text files in the working directory. A
// value is preceded by free label text ending in "="; only the order of the
// values counts. Each reader opens its file, reads every value, closes the file,
// then checks the values and returns 0, or prints its message and returns 1.
// main() calls them in the fixed order redshifts.in, fine_effects.in, fund.in,
// fudge_factors.in (then the constants), cosm_p.in, stopping at the first failure.
#pragma once

#include <cstdio>

// "redshifts.in"
extern double z_begin;               // redshift where the integration starts
extern double z_end;                 // redshift where it ends; 0 < z_end < z_begin
extern double D_ln_1_plus_z;         // step in ln(1+z); negative, the run goes to lower z
extern double norm_var;              // convergence threshold of the inner iteration
extern int number_of_info_points;    // output stride: a table line every this many steps

// "fine_effects.in"
extern int Number_of_levels_for_Resonant_Feedback;  // hydrogen levels in the Lyman-series feedback
extern int Number_of_Iterations;     // outer passes: 1, or 2 when the feedback needs a second pass

// "fund.in" (CGS)
extern double G;                     // gravitational constant [cm^3 g^-1 s^-2]
extern double h;                     // reduced Planck constant hbar (not 2 pi hbar) [erg s]
extern double c;                     // speed of light [cm s^-1]
extern double me;                    // electron mass [g]
extern double mp;                    // proton mass [g]
extern double e;                     // elementary charge [esu]
extern double kB;                    // Boltzmann constant [erg K^-1]
extern double pi;                    // 3.14159265359 as written, set with the constants

// "fudge_factors.in"
extern double F_H;                   // fudge factor of hydrogen recombination and photoionisation
extern double A_perturbation_H;      // height of the Lorentzian bump on the printed x_e (may be <= 0)
extern double z_perturbation;        // centre of that bump [redshift]
extern double Delta_z_perturbation;  // its half width [redshift]

// "cosm_p.in"
extern double H0;                    // Hubble constant: read in km s^-1 Mpc^-1, then held in s^-1
extern double omega_m;               // matter density parameter
extern double omega_lambda;          // cosmological-constant density parameter
extern int nu_number;                // number of relativistic neutrino species
extern double omega_b;               // baryon density parameter
extern double X_M;                   // hydrogen mass fraction of the baryons
extern double T0;                    // radiation temperature today [K]

// Puts every value above back to what it is before any file is read.
void restore_initial_input_values();

// Skips a label: reads characters up to and including the first `stop`, at most
// 1001 attempts. Returns 0 when found, else prints the stop-signal message and 1.
int descriptor_shift(FILE* stream, char stop);

int init_redshift_range();       // "redshifts.in"
int init_fine_effects();         // "fine_effects.in"
int init_fund_const();           // "fund.in"
int init_fudge_factors();        // "fudge_factors.in"
int init_cosmological_const();   // "cosm_p.in", then the cosmological background
