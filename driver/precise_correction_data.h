// The coefficients of the precise mode's correction, fitted by tools/fit_precise
// (driver/precise_correction_data.cpp, generated: its header names the
// reference histories, the centre, the box and the residuals).
#pragma once

namespace primrec {
namespace precise_data {

constexpr int parameters = 5;  // omega_b h^2, omega_m h^2, X_M, T0, nu_number
constexpr int terms = 21;      // 1, the five offsets, their 15 products
extern const double centre[parameters];
extern const int node_count;
extern const double node_z[];  // integer redshifts, ascending
extern const double x_e[][terms];        // x_ref / x_e - 1 at each node, by term
extern const double T_m[][terms];        // T_ref / T_m - 1 at each node, by term

}  // namespace precise_data
}  // namespace primrec
