// Escape of Lyman-alpha photons of hydrogen and of HeII by the expansion: the
// Sobolev rate R = 8 pi H(z) / (3 lambda^3 n_absorber), the rate at which the
// expansion redshifts line photons out of an optically thick line. It sets the
// hydrogen C-factor (transfer/inhibition.h), where the Lyman-series feedback
// (transfer/feedback.h) multiplies it, and the hydrogen overheating.
#pragma once

#include "atomic/physics.h"

namespace primrec {

// The parts of the rate fixed by z.
struct Lyman_alpha_line {
  double numerator;    // 8 pi H(z) [s^-1]
  double denominator;  // 3 lambda^3 N0_nuclear (1+z)^3 [cm^0]
};
// For the line of wavelength lambda [cm] at z.
Lyman_alpha_line Lyman_alpha_line_conditions(Physics& ph, double z, double lambda);

// The rate [s^-1] for an absorber of abundance x per nucleus; 1e-128 keeps it
// finite while the absorber is absent.
double Lyman_alpha_Sobolev_rate(const Lyman_alpha_line& line, double x);
// The same with the line's conditions computed on the spot.
double Lyman_alpha_Sobolev_rate(Physics& ph, double z, double lambda, double x);

}  // namespace primrec
