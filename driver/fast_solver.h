// The fast mode: the same discretised physics as the default mode (the
// trapezoidal rule for the five species, second-order backward differences for
// the matter temperature, the same rates and matrices), solved with far less
// work. Each inner iteration solves the five species' implicit update as one
// linear system instead of one Gauss-Seidel sweep; the first iteration of a
// step starts from values extrapolated from the steps before; and the step
// follows an estimate of its local error against a tolerance, instead of the
// fixed step of the input. The rows keep the input's grid, interpolated
// between the solver's steps at the solver's own order.
#pragma once

#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"
#include "driver/stepping.h"

namespace primrec {

// The tolerances the fast mode takes: finer ones reach the rounding of the
// steps, coarser ones steps the physics does not survive.
constexpr double finest_fast_tolerance = 1e-8;
constexpr double coarsest_fast_tolerance = 1e-2;

// One pass of the fast mode (pass 0 or 1 of Number_of_Iterations), at a
// tolerance between the finest and the coarsest.
Status fast_pass(Run& run, int pass, double tolerance);

// The trapezoidal update of the five abundances over a step of D in ln(1+z),
// every abundance implicit at once: the point the Gauss-Seidel sweeps of the
// default mode converge to, in one solve (Gaussian elimination with partial
// pivoting). The electrons are left as they are.
void solve_abundances(Plasma& plasma, const KineticMatrix& km, double D);

}  // namespace primrec
