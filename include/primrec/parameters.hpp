// primrec: the parameters of a recombination history.
//
// One field per value of the five input files, in the units the files use
// (H0 in km s^-1 Mpc^-1, the step as its absolute value). default_parameters()
// gives the values of examples/default/ (a Planck-2018-like universe).
#pragma once

namespace primrec {

struct Parameters {
  // redshifts.in
  double z_begin = 8000;             // redshift where the integration starts (3000..5000 or >= 7000)
  double z_end = 1;                  // redshift where it ends; 0 < z_end < z_begin
  double step = 1e-3;                // step in ln(1+z), its absolute value
  double norm = 1e-8;                // convergence threshold: summed relative change of the abundances
  int number_of_info_points = 1;     // output stride: a table row every this many steps

  // fine_effects.in
  int Number_of_levels_for_Resonant_Feedback = 10;  // hydrogen levels in the Lyman-series feedback (1: none)

  // fund.in (CGS)
  double G = 6.67428e-8;             // gravitational constant [cm^3 g^-1 s^-2]
  double h = 1.054571628e-27;        // reduced Planck constant hbar (not 2 pi hbar) [erg s]
  double c = 29979245800.0;          // speed of light [cm s^-1]
  double me = 9.10938215e-28;        // electron mass [g]
  double mp = 1.672621637e-24;       // proton mass [g]
  double e = 4.80320427e-10;         // elementary charge [esu]
  double kB = 1.3806504e-16;         // Boltzmann constant [erg K^-1]

  // fudge_factors.in
  double F_H = 1.125;                // fudge factor of hydrogen recombination and photoionisation
  double A_perturbation_H = 0;       // height of a Lorentzian bump on the printed x_e (0: none)
  double z_perturbation = 1100;      // centre of the bump [redshift]
  double Delta_z_perturbation = 100; // half width of the bump [redshift]

  // cosm_p.in
  double H0 = 67.36;                 // Hubble constant [km s^-1 Mpc^-1]
  double omega_m = 0.3153;           // matter density parameter
  double omega_lambda = 0.6847;      // cosmological-constant density parameter
  int nu_number = 3;                 // number of relativistic neutrino species
  double omega_b = 0.0493;           // baryon density parameter
  double X_M = 0.7547;               // hydrogen mass fraction of the baryons
  double T0 = 2.7255;                // radiation temperature today [K]
};

// The values of examples/default/.
inline Parameters default_parameters() { return Parameters{}; }

}  // namespace primrec
