// The implicit update of the five abundances over one step of D in ln(1+z):
// the weighted (trapezoidal) rule
//   (x_t - x_t_) / D = -weight_now (sum_o matrix[o][t] x_o - x_t sum_o matrix[t][o])
//                      - weight_previous (the same balance of the previous step),
// weight_now = ww / H(z), weight_previous = ww_ / H(z_), as KineticMatrix holds
// them. Two ways to solve it: a Gauss-Seidel sweep (the default mode), repeated
// by the inner iteration until it converges, or all five at once (the fast
// mode), the point the sweeps converge to.
#pragma once

#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"

namespace primrec {

// One Gauss-Seidel sweep: comp_of_plasm::abundance for every component in
// list order, then the electrons.
void abundances(Plasma& plasma, const KineticMatrix& km, double D, double delta_el);

// The five abundances of the update at once (Gaussian elimination with partial
// pivoting); the electrons are left as they are.
void solve_abundances(Plasma& plasma, const KineticMatrix& km, double D);

// The same by the second-order backward differences over the step and the two
// before it (D_before the one before, x_two_back the abundances it started
// from): where the balances are stiff, the trapezoidal rule carries each
// change of step as an error that flips sign from step to step and barely
// fades; these damp it at once.
void solve_abundances_bdf2(Plasma& plasma, const KineticMatrix& km, double D, double D_before,
                           const double* x_two_back);

}  // namespace primrec
