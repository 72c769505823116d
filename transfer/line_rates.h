// Effective rates [s^-1] at which the resonance lines of H, HeI and HeII take an
// excited atom to the ground state for good: Sobolev escape through the
// expansion (A_r_* for the HeI lines, Lyman_alpha_Sobolev_rate for hydrogen and
// HeII) and, for the HeI lines, absorption of the line photon by the hydrogen
// continuum (A_H_*); and the total widths of the HeI 2p levels.
// Functions of the redshift z and of abundances relative to all nuclei; every
// temperature is the radiation temperature T0 (1 + z).
//
// Nothing is guarded: z <= -1 (no positive temperature, no volume) or negative
// abundances give whatever IEEE arithmetic gives, typically inf or nan, which is
// returned; nothing traps or aborts.
#pragma once

#include "transfer/escape_probabilities.h"

namespace primrec {

// Total width of HeI 2^1P_1: decays to 1^1S_0 and 2^1S_0 enhanced by stimulated
// emission, plus excitations to the n = 3..5 singlet S and D levels.
double Gamma_HeI_para_2p(Physics& ph, double z);
// Total width of HeI 2^3P_1: decay to 2^3S_1 with stimulated emission plus
// excitations to 3^3S_1, 3^3D_2, 3^3D_1 (the intercombination decay is not in it).
double Gamma_HeI_orto_2p(Physics& ph, double z);

// What the rates of a HeI line need of the redshift alone: fixed for a step.
struct HeI_line_conditions {
  double nu;                              // line frequency from the ionisation energies [Hz]
  double sobolev_numerator;               // 8 pi H(z) [s^-1]
  double sobolev_denominator;             // g lambda^3 (1+z)^3 N0_nuclear [cm^0]
  double doppler_width;                   // at the radiation temperature [Hz]
  double continuum_cross_section;         // hydrogen ground state at nu [cm^2]
  double escape_continuum_frequency;      // where the Sobolev escape meets the continuum [Hz]
  double escape_continuum_cross_section;  // hydrogen ground state there [cm^2]
  line_shape shape;                       // damping Gamma / (4 pi Doppler width), branching A_ground / Gamma
};
HeI_line_conditions HeI_para_line_conditions(Physics& ph, double z);
HeI_line_conditions HeI_orto_line_conditions(Physics& ph, double z);

// The four HeI rates, from the conditions of their line at z.
// Sobolev escape rate of the singlet line, R (1 - exp(-A / R)).
double A_r_para_heliumI(Physics& ph, const HeI_line_conditions& para, double x_HeI);
// Sobolev escape rate of the triplet line, reduced by the hydrogen continuum.
double A_r_ortho_heliumI(Physics& ph, const HeI_line_conditions& orto, double x_HeI, double x_HydI);
// Rate of the singlet / triplet line through its escape probability P_H.
double A_H_para_heliumI(Physics& ph, const HeI_line_conditions& para, double x_HeI, double x_HydI);
double A_H_ortho_heliumI(Physics& ph, const HeI_line_conditions& orto, double x_HeI, double x_HydI);

}  // namespace primrec
