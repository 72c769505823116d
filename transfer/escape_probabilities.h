// Escape probabilities of the two HeI resonance lines to the ground state (the
// singlet 2^1P_1 line and the triplet intercombination line), counting both the
// escape in the line wings and the absorption in the hydrogen continuum, and the
// absorption coefficients and Doppler widths their arguments are built from.
// Pure functions; frequencies in Hz, temperatures in K, probabilities
// dimensionless. The absorption coefficients are per nucleus times 8 pi nu^2/c^2,
// so only their ratios carry meaning.
//
// Arguments of the escape probabilities: r = kappa_ratio (line-centre over
// continuum absorption, > 0), a = damping (Gamma / (4 pi Doppler width), in
// (0, 1)), w = branching (A of the line over Gamma, in [0, 1)). Outside these
// domains (r <= 0, a >= 1, w = 1) nothing is guarded: the square roots,
// logarithms and divisions give inf or nan, which is returned (P_Ch_G alone,
// being 0 whenever a r < 1, returns 0 at r = 0; a = 1 exactly still gives a
// finite P_W); nothing traps or aborts.
#pragma once

#include "atomic/physics.h"

namespace primrec {

// Added to abundances so that absorption coefficients and Sobolev rates stay
// finite (and ratios defined) when a species is absent.
constexpr double abundance_floor = 1e-128;

// Statistical weight of the upper level of a HeI line to the ground state over
// that of 1^1S_0: 2^1P_1 for the singlet line, the whole 2^3P term for the
// triplet line.
constexpr double HeI_singlet_weight_ratio = 3;
constexpr double HeI_triplet_weight_ratio = 9;

// What the escape probability of a line needs of its damping a and branching w
// alone; fixed for a step.
struct line_shape {
  double a, w;
  double wing_log_term;        // -1.5625 ln(a) sqrt(pi), of P_W
  double core_root_term;       // 2 sqrt(pi) / w / a, of P_Ch_G
  double core_t_term;          // 0.5 (1 - w) / w, of P_Ch_G
  double core_M_term;          // (1 / sqrt(pi)) (8 w a / sqrt(pi))^(1/4), of P_Ch_G
  double u;                    // 1 - w, of P_W1
  double w_to_one_quarter;     // w^(1/4), of P_W1
  double u_to_minus_one_half;  // u^(-1/2), of P_W1
  double two_u;                // u 2, of P_W1
};
line_shape escape_line_shape(const Physics& ph, double damping, double branching);

// Total escape probability of a line photon: P_D plus either P_W, or P_Ch_G + P_W1
// when the line is almost pure scattering (w close to 1).
double P_H(const Physics& ph, const line_shape& shape, double kappa_ratio);
// Escape probability through the Doppler core against continuum absorption.
double P_D(double kappa_ratio);
// Escape through the damping wings when w is not close to 1 (w is not used).
double P_W(const Physics& ph, const line_shape& shape, double kappa_ratio);
// Wing term for w close to 1.
double P_Ch_G(const line_shape& shape, double kappa_ratio);
// Remaining wing term for w close to 1.
double P_W1(const Physics& ph, const line_shape& shape, double kappa_ratio);
double Gamma_ratio_appr(double t);  // (t + 1.28)^(-1/2), factor of P_Ch_G
double hgf_approx(double t);        // 1 + e^(-0.45) (t + 1.5)^(-1.07), factor of P_Ch_G

// Hydrogen ground-state continuum absorption at frequency nu for a HydI
// abundance x, from the cross-section sigma_1(nu) of the ground state
// (hydrogen_ion_crs_sctn(1, nu)).
double kappa_H(const Physics& ph, double nu, double sigma_1, double x);
// Line-centre absorption of the singlet / triplet line for a HeI abundance x,
// with the Doppler width of the line at the radiation temperature.
double kappa_He_para(const Physics& ph, double doppler_width, double x);
double kappa_He_orto(const Physics& ph, double doppler_width, double x);
// Doppler width [Hz] of the HeI line of frequency nu at the radiation
// temperature of redshift z, nu times the thermal speed of helium over c.
double HeI_line_doppler_width(const Physics& ph, double z, double nu);

// Frequencies of the HeI singlet line 2^1P_1 -> 1^1S_0 and of the triplet
// intercombination line 2^3P_1 -> 1^1S_0, from the ionisation energies [Hz].
double HeI_para_line_frequency(const Physics& ph);
double HeI_orto_line_frequency(const Physics& ph);

}  // namespace primrec
