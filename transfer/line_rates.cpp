// Line transition rates of the resonance lines. The kinetic matrix calls the
// HeI rates once per inner iteration: Gamma_* give the 2p widths, from which
// the damping and branching of P_H follow; A_r_* are Sobolev escape rates.
// Every expression is evaluated in the written order, to the last bit.
#include "transfer/line_rates.h"

#include <cmath>

#include "atomic/rate_coefficients.h"
#include "transfer/escape_probabilities.h"

namespace primrec {

namespace {

// Boltzmann factor of an energy difference dE [eV] at the radiation temperature,
// (z + 1) T0 here, not T_br's z T0 + T0 (the two differ in the last bit).
double boltzmann_factor(const Constants& cs, double dE, double z) {
  const double p = z + 1;
  return std::exp((-(dE * cs.eV_erg) / cs.kB) / (p * cs.T0));
}

// Downward rate A from level u to level l, enhanced by stimulated emission.
double stimulated_decay(const Constants& cs, double E_u, double E_l, double A_ul, double z) {
  return (1 + boltzmann_factor(cs, E_u - E_l, z)) * A_ul;
}

// Upward rate from level l to a higher level u by absorption of blackbody
// photons, from the downward rate A_ul by detailed balance.
double excitation(const Constants& cs, double g_u, double g_l, double A_ul, double E_u, double E_l, double z) {
  return (g_u / g_l) * A_ul * boltzmann_factor(cs, E_u - E_l, z);
}

// Sobolev rate 8 pi H / (g lambda^3 n) of a HeI line of wavelength lambda, with n
// the density of the absorbing atoms for an abundance x: the parts fixed by z,
// and the rate from them. Lyman_alpha_line_conditions (lyman_alpha_escape.cpp) multiplies the same
// factors in another order, which differs in the last bit: each keeps its own.
double sobolev_numerator(Physics& ph, double z) { return 8 * ph.cs.pi * ph.H(z); }
double sobolev_denominator(const Constants& cs, double g, double lambda, double z) {
  const double p = z + 1;
  return g * std::pow(lambda, 3.0) * std::pow(p, 3.0) * cs.N0_nuclear;
}
double sobolev_rate(double numerator, double denominator, double x) {
  return numerator / (denominator * (x + abundance_floor));
}

// Escape rate of a line with Einstein coefficient A and Sobolev rate R: with the
// optical depth tau = A / R, it is A (1 - e^-tau) / tau.
double sobolev_escape(double R, double A) { return R * (1 - std::exp(-A / R)); }

// Damping Gamma / (4 pi Doppler width) of a HeI line of frequency nu whose
// upper level has the total width Gamma.
double damping(const Constants& cs, double z, double Gamma, double nu) {
  const double p = z + 1;
  // Doppler width / nu; HeI_line_doppler_width multiplies the same factors in
  // another order (T_br first), which differs in the last bit: each keeps its own.
  const double beta = std::sqrt(2 * cs.kB * p * cs.T0 / (cs.He_to_H * cs.mH)) / cs.c;
  return ((0.25 * Gamma / cs.pi) / beta) / nu;
}

// What a HeI line needs of z: Sobolev parts, Doppler width, continuum
// cross-sections, and the damping and branching A_ground / Gamma of its escape.
HeI_line_conditions line_conditions(Physics& ph, double z, double g, double lambda, double nu, double Gamma,
                                    double A_ground, double escape_continuum_frequency) {
  HeI_line_conditions line;
  line.nu = nu;
  line.sobolev_numerator = sobolev_numerator(ph, z);
  line.sobolev_denominator = sobolev_denominator(ph.cs, g, lambda, z);
  line.doppler_width = HeI_line_doppler_width(ph, z, nu);
  line.continuum_cross_section = hydrogen_ion_crs_sctn(ph, 1.0, nu);
  line.escape_continuum_frequency = escape_continuum_frequency;
  line.escape_continuum_cross_section = hydrogen_ion_crs_sctn(ph, 1.0, escape_continuum_frequency);
  line.shape = escape_line_shape(ph, damping(ph.cs, z, Gamma, nu), A_ground / Gamma);
  return line;
}

}  // namespace

double Gamma_HeI_para_2p(Physics& ph, double z) {
  const AtomicData& at = ph.at;
  const Constants& cs = ph.cs;
  const double g = at.g_HeI_para_2p_1;
  const double E = at.E_HeI_para_2p_1;
  double Gamma = stimulated_decay(cs, E, at.E_HeI_para_1s_0, at.A_HeI_para_2p_1_1s_0, z);
  Gamma += stimulated_decay(cs, E, at.E_HeI_para_2s_0, at.A_HeI_para_2p_1_2s_0, z);
  Gamma += excitation(cs, at.g_HeI_para_3s_0, g, at.A_HeI_para_3s_0_2p_1, at.E_HeI_para_3s_0, E, z);
  Gamma += excitation(cs, at.g_HeI_para_3d_2, g, at.A_HeI_para_3d_2_2p_1, at.E_HeI_para_3d_2, E, z);
  Gamma += excitation(cs, at.g_HeI_para_4s_0, g, at.A_HeI_para_4s_0_2p_1, at.E_HeI_para_4s_0, E, z);
  Gamma += excitation(cs, at.g_HeI_para_4d_2, g, at.A_HeI_para_4d_2_2p_1, at.E_HeI_para_4d_2, E, z);
  Gamma += excitation(cs, at.g_HeI_para_5s_0, g, at.A_HeI_para_5s_0_2p_1, at.E_HeI_para_5s_0, E, z);
  Gamma += excitation(cs, at.g_HeI_para_5d_2, g, at.A_HeI_para_5d_2_2p_1, at.E_HeI_para_5d_2, E, z);
  return Gamma;
}

// The 2^3P_1 -> 1^1S_0 intercombination rate is tiny and not counted.
double Gamma_HeI_orto_2p(Physics& ph, double z) {
  const AtomicData& at = ph.at;
  const Constants& cs = ph.cs;
  const double g = at.g_HeI_ortho_2p_1;
  const double E = at.E_HeI_ortho_2p_1;
  double Gamma = stimulated_decay(cs, E, at.E_HeI_ortho_2s_1, at.A_HeI_ortho_2p_1_2s_1, z);
  Gamma += excitation(cs, at.g_HeI_ortho_3s_1, g, at.A_HeI_ortho_3s_1_2p_1, at.E_HeI_ortho_3s_1, E, z);
  Gamma += excitation(cs, at.g_HeI_ortho_3d_2, g, at.A_HeI_ortho_3d_2_2p_1, at.E_HeI_ortho_3d_2, E, z);
  Gamma += excitation(cs, at.g_HeI_ortho_3d_1, g, at.A_HeI_ortho_3d_1_2p_1, at.E_HeI_ortho_3d_1, E, z);
  return Gamma;
}

HeI_line_conditions HeI_para_line_conditions(Physics& ph, double z) {
  const double nu = HeI_para_line_frequency(ph);
  return line_conditions(ph, z, HeI_singlet_weight_ratio, ph.at.lambd_aHeI, nu, Gamma_HeI_para_2p(ph, z),
                         ph.at.A_HeI_para_2p_1_1s_0, nu);
}

// The escape rate takes the continuum at the frequency c / lambda of the line,
// the continuum rate at the one from the ionisation energies.
HeI_line_conditions HeI_orto_line_conditions(Physics& ph, double z) {
  return line_conditions(ph, z, HeI_triplet_weight_ratio, ph.at.lambd_a_ortoHeI, HeI_orto_line_frequency(ph),
                         Gamma_HeI_orto_2p(ph, z), ph.at.A_HeI_ortho_2p_1_para_1s_0, ph.cs.c / ph.at.lambd_a_ortoHeI);
}

// x = 0 makes R about 10^128 times larger, exp(-A/R) is 1 and the rate 0.
double A_r_para_heliumI(Physics& ph, const HeI_line_conditions& para, double x_HeI) {
  const double R = sobolev_rate(para.sobolev_numerator, para.sobolev_denominator, x_HeI);
  return sobolev_escape(R, ph.at.A_2p1s_paraHeI);
}

// (1 + 1/r_o)^-2 = (kappa_line / (kappa_line + kappa_continuum))^2: the part of
// the escaping photons the hydrogen continuum leaves.
double A_r_ortho_heliumI(Physics& ph, const HeI_line_conditions& orto, double x_HeI, double x_HydI) {
  const double R_o = sobolev_rate(orto.sobolev_numerator, orto.sobolev_denominator, x_HeI);
  const double r_o = kappa_He_orto(ph, orto.doppler_width, x_HeI) /
                     kappa_H(ph, orto.escape_continuum_frequency, orto.escape_continuum_cross_section, x_HydI);
  return sobolev_escape(R_o, ph.at.A_2p1s_ortoHeI) * std::pow(1 + 1 / r_o, -2.0);
}

// The escape probability with the ratio r of line to continuum absorption,
// times the line's decay rate.
double A_H_para_heliumI(Physics& ph, const HeI_line_conditions& para, double x_HeI, double x_HydI) {
  const double r = kappa_He_para(ph, para.doppler_width, x_HeI) /
                   kappa_H(ph, para.nu, para.continuum_cross_section, x_HydI);
  return P_H(ph, para.shape, r) * ph.at.A_2p1s_paraHeI;
}

double A_H_ortho_heliumI(Physics& ph, const HeI_line_conditions& orto, double x_HeI, double x_HydI) {
  const double r = kappa_He_orto(ph, orto.doppler_width, x_HeI) /
                   kappa_H(ph, orto.nu, orto.continuum_cross_section, x_HydI);
  return P_H(ph, orto.shape, r) * ph.at.A_2p1s_ortoHeI;
}


}  // namespace primrec
