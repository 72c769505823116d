// Thomson optical depth and visibility of a finished recombination history: a
// reading of its el column after the run, on the constants and the expansion
// rate alone (nothing of the solver enters).
//
// From the free-electron fraction x_e(z) of the el column: the optical depth
// from today, tau(z) = integral of n_e sigma_T c dz / ((1+z) H(z)) with
// n_e = x_e N0_H (1+z)^3, the visibility g = (dtau/dz) e^-tau, the redshift of
// last scattering z_* (tau = 1), the peak of g and its width, with the
// constants, densities and expansion rate of the run.
#pragma once

#include <vector>

#include "input/constants.h"
#include "primrec/primrec.hpp"

namespace primrec {

// dtau/dz for a free-electron fraction x_e at z.
double thomson_depth_per_redshift(const Constants& cs, double z, double x_e);

// The optical depth and visibility at the rows (z, x_e), in any order.
LastScattering optical_depth(const Constants& cs, const std::vector<double>& z, const std::vector<double>& x_e);

}  // namespace primrec
